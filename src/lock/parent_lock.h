// The parent's lock: whether a password is set, checking a typed password (with a growing wait after
// wrong ones, one for the whole program), setting, changing and removing it, and keeping the forbidden
// list while it is set. Knows no window: the password boxes ask it and show what it answers.
#pragma once

#include "lock/lock_store.h"
#include "lock/password_record.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestrel {

enum class LockState {
    Off,        // no password: nothing is guarded
    On,         // a password is set
    Unreadable, // a record is there but cannot be read: locked, and no password opens it
};

enum class PasswordAnswer {
    Accepted,
    Wrong,      // the wait before the next try has grown
    Waiting,    // tried before the wait was over; not counted
    Empty,      // a new password must not be empty
    Mismatch,   // the two entries of the new password differ
    Unreadable, // the stored record cannot be read
    Failed,     // the system could not derive a key or make a salt
    NotSaved,   // the record could not be written or deleted
};

class ParentLock {
public:
    // `nowMs` is a clock that only moves forward (milliseconds).
    ParentLock(LockStore& store, DeriveKeyFunction derive, RandomFunction random,
               std::function<std::uint64_t()> nowMs);

    // Reads the stored record; called once at start-up.
    LockState Load();
    LockState State() const { return state_; }
    // Whether guarded commands must ask: a password is set, or a record is there that cannot be read.
    bool IsSet() const { return state_ != LockState::Off; }

    // Milliseconds until a password is taken again (0: now).
    std::uint32_t WaitMs() const;
    // Checks a typed password: Accepted, Wrong, Waiting or Unreadable (or Failed).
    PasswordAnswer Check(const std::wstring& password);

    // Sets the first password (only while Off); `confirm` is the second entry.
    PasswordAnswer Set(const std::wstring& password, const std::wstring& confirm);
    // Changes the password after checking the old one as Check does.
    PasswordAnswer Change(const std::wstring& old, const std::wstring& password, const std::wstring& confirm);
    // Removes the password after checking it, and with it the kept forbidden list.
    PasswordAnswer Remove(const std::wstring& old);

    // The forbidden list kept from an earlier run; empty while no password is set.
    std::vector<std::wstring> KeptForbiddenList() const;
    // Keeps `entries` for the next run while a password is set; writes nothing otherwise.
    void KeepForbiddenList(const std::vector<std::wstring>& entries);

    // Called after every change of State().
    void SetStateListener(std::function<void(LockState)> listener) { listener_ = std::move(listener); }

private:
    PasswordAnswer Verify(const std::wstring& password);
    PasswordAnswer CheckNew(const std::wstring& password, const std::wstring& confirm) const;
    PasswordAnswer Store(const std::wstring& password);
    void SetState(LockState state);

    LockStore& store_;
    DeriveKeyFunction derive_;
    RandomFunction random_;
    std::function<std::uint64_t()> nowMs_;
    std::function<void(LockState)> listener_;
    LockState state_ = LockState::Off;
    PasswordRecord record_;
    int failures_ = 0;
    std::uint64_t nextTryAt_ = 0;
};

} // namespace kestrel
