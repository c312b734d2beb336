// The plan file's keeper; see plan_store.h.
#include "plans/plan_store.h"

#include <utility>

namespace kestrel {

std::wstring PlanFileCopyPath(const std::wstring& file, int number) {
    return number <= 1 ? file + L".bak" : file + L"." + std::to_wstring(number) + L".bak";
}

PlanStore::PlanStore(FileStore& files, XmlBackend& xml, PlanList& plans, std::wstring file)
    : files_(files), xml_(xml), plans_(plans), file_(std::move(file)) {}

void PlanStore::Load() {
    // A save killed between writing and renaming leaves its temporary behind; the file itself is whole.
    files_.RemoveStaleTemporary(file_);
    // The rows read are what the file already holds: the saves their notification starts write nothing.
    saving_ = true;
    TryRead();
    saving_ = false;
}

void PlanStore::TryRead() {
    std::string bytes;
    switch (files_.Read(file_, bytes)) {
    case FileReadStatus::NotFound:
        state_ = State::Ready;
        return;
    case FileReadStatus::Failed:
        state_ = State::Unread;
        return;
    case FileReadStatus::Read:
        break;
    }
    PlanDocument document = ReadPlanDocument(bytes, xml_);
    switch (document.result) {
    case PlanFileLoadResult::Failed:
        state_ = State::Unread;
        if (!readFailureTold_) {
            readFailureTold_ = true;
            readFailureNotice_ = true;
        }
        return;
    case PlanFileLoadResult::Unusable:
        damaged_ = std::move(bytes);
        state_ = State::CopyPending;
        TryKeepCopy();
        return;
    case PlanFileLoadResult::Nothing:
    case PlanFileLoadResult::Loaded:
        break;
    }
    // Ready before the rows go in: the save their notification may start must be allowed to write.
    state_ = State::Ready;
    plans_.InsertAllAtFront(std::move(document.rows));
}

bool PlanStore::TryKeepCopy() {
    for (int number = 1; number <= kMaxCopies; ++number) {
        const std::wstring copy = PlanFileCopyPath(file_, number);
        switch (files_.WriteNew(copy, damaged_)) {
        case NewFileStatus::Written:
            copyNotice_ = copy;
            break;
        case NewFileStatus::Exists: {
            // The same damaged file met again (a start whose saves all failed): its copy is there already.
            std::string existing;
            if (files_.Read(copy, existing) != FileReadStatus::Read || existing != damaged_) {
                continue;
            }
            break;
        }
        case NewFileStatus::Failed:
            return false;
        }
        damaged_.clear();
        damaged_.shrink_to_fit();
        state_ = State::Ready;
        return true;
    }
    return false;
}

PlanSaveResult PlanStore::Save() {
    if (saving_) {
        return PlanSaveResult::Saved;
    }
    saving_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{saving_};

    if (state_ == State::Unread) {
        TryRead();
    }
    if (state_ == State::CopyPending && !TryKeepCopy()) {
        return PlanSaveResult::CopyFailed;
    }
    if (state_ == State::Unread) {
        return PlanSaveResult::FileUnread;
    }
    return files_.Replace(file_, PlanFileBytes(plans_.Rows())) ? PlanSaveResult::Saved
                                                               : PlanSaveResult::WriteFailed;
}

bool PlanStore::RetryRead() {
    if (state_ != State::Unread || saving_) {
        return false;
    }
    saving_ = true;
    TryRead();
    saving_ = false;
    return state_ != State::Unread;
}

std::optional<std::wstring> PlanStore::TakeDamagedCopyNotice() {
    return std::exchange(copyNotice_, std::nullopt);
}

bool PlanStore::TakeReadFailureNotice() {
    return std::exchange(readFailureNotice_, false);
}

} // namespace kestrel
