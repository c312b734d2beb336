// The parent's lock; see parent_lock.h.
#include "lock/parent_lock.h"

#include <utility>

namespace kestrel {

ParentLock::ParentLock(LockStore& store, DeriveKeyFunction derive, RandomFunction random,
                       std::function<std::uint64_t()> nowMs)
    : store_(store), derive_(std::move(derive)), random_(std::move(random)), nowMs_(std::move(nowMs)) {}

LockState ParentLock::Load() {
    const auto bytes = store_.ReadPasswordRecord();
    if (!bytes) {
        state_ = LockState::Off;
        return state_;
    }
    const ParsedRecord parsed = ParsePasswordRecord(*bytes);
    record_ = parsed.record;
    // Anything but a sound record locks: one edited byte must not lift the lock.
    state_ = parsed.status == RecordStatus::Valid ? LockState::On : LockState::Unreadable;
    return state_;
}

std::uint32_t ParentLock::WaitMs() const {
    const std::uint64_t now = nowMs_();
    return now >= nextTryAt_ ? 0 : static_cast<std::uint32_t>(nextTryAt_ - now);
}

PasswordAnswer ParentLock::Verify(const std::wstring& password) {
    if (state_ == LockState::Unreadable) {
        return PasswordAnswer::Unreadable;
    }
    if (WaitMs() > 0) {
        return PasswordAnswer::Waiting;
    }
    const auto key = derive_(password, record_.salt, record_.iterations);
    if (!key) {
        return PasswordAnswer::Failed;
    }
    if (KeysEqual(*key, record_.key)) {
        failures_ = 0;
        nextTryAt_ = 0;
        return PasswordAnswer::Accepted;
    }
    ++failures_;
    nextTryAt_ = nowMs_() + PasswordRetryDelayMs(failures_);
    return PasswordAnswer::Wrong;
}

PasswordAnswer ParentLock::Check(const std::wstring& password) {
    return state_ == LockState::Off ? PasswordAnswer::Accepted : Verify(password);
}

PasswordAnswer ParentLock::CheckNew(const std::wstring& password, const std::wstring& confirm) const {
    if (password.empty()) {
        return PasswordAnswer::Empty;
    }
    return password == confirm ? PasswordAnswer::Accepted : PasswordAnswer::Mismatch;
}

PasswordAnswer ParentLock::Store(const std::wstring& password) {
    PasswordRecord record;
    record.iterations = kPasswordIterations;
    if (!random_(record.salt)) {
        return PasswordAnswer::Failed;
    }
    const auto key = derive_(password, record.salt, record.iterations);
    if (!key) {
        return PasswordAnswer::Failed;
    }
    record.key = *key;
    if (!store_.WritePasswordRecord(SerializePasswordRecord(record))) {
        return PasswordAnswer::NotSaved;
    }
    record_ = record;
    SetState(LockState::On);
    return PasswordAnswer::Accepted;
}

PasswordAnswer ParentLock::Set(const std::wstring& password, const std::wstring& confirm) {
    if (state_ != LockState::Off) {
        return state_ == LockState::Unreadable ? PasswordAnswer::Unreadable : PasswordAnswer::Wrong;
    }
    const PasswordAnswer fresh = CheckNew(password, confirm);
    return fresh == PasswordAnswer::Accepted ? Store(password) : fresh;
}

PasswordAnswer ParentLock::Change(const std::wstring& old, const std::wstring& password,
                                  const std::wstring& confirm) {
    if (state_ == LockState::Off) {
        return Set(password, confirm);
    }
    // The new entries are looked at first: a typing slip there costs no try of the old password.
    const PasswordAnswer fresh = CheckNew(password, confirm);
    if (fresh != PasswordAnswer::Accepted) {
        return fresh;
    }
    const PasswordAnswer checked = Verify(old);
    return checked == PasswordAnswer::Accepted ? Store(password) : checked;
}

PasswordAnswer ParentLock::Remove(const std::wstring& old) {
    if (state_ == LockState::Off) {
        return PasswordAnswer::Accepted;
    }
    const PasswordAnswer checked = Verify(old);
    if (checked != PasswordAnswer::Accepted) {
        return checked;
    }
    if (!store_.DeletePasswordRecord()) {
        return PasswordAnswer::NotSaved;
    }
    store_.DeleteForbiddenList();
    SetState(LockState::Off);
    return PasswordAnswer::Accepted;
}

std::vector<std::wstring> ParentLock::KeptForbiddenList() const {
    return IsSet() ? store_.ReadForbiddenList() : std::vector<std::wstring>{};
}

void ParentLock::KeepForbiddenList(const std::vector<std::wstring>& entries) {
    if (IsSet()) {
        store_.WriteForbiddenList(entries);
    }
}

void ParentLock::SetState(LockState state) {
    state_ = state;
    if (listener_) {
        listener_(state);
    }
}

} // namespace kestrel
