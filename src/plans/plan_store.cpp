// The plan file's keeper; see plan_store.h.
#include "plans/plan_store.h"
#include "base/app_messages.h"

#include <utility>

namespace kestrel {

std::wstring PlanFileCopyPath(const std::wstring& file, int number) {
    return number <= 1 ? file + L".bak" : file + L"." + NumberText(number) + L".bak";
}

PlanStore::PlanStore(FileStore& files, XmlBackend& xml, PlanList& plans, std::wstring file,
                     std::wstring carryOverFrom)
    : files_(files), xml_(xml), plans_(plans), file_(std::move(file)),
      readFrom_(carryOverFrom.empty() ? file_ : std::move(carryOverFrom)) {}

void PlanStore::Load() {
    // A save killed between writing and renaming leaves its temporary behind; the file itself is whole.
    files_.RemoveStaleTemporary(file_);
    // The rows read are what the file already holds: the saves their notification starts write nothing.
    saving_ = true;
    TryRead();
    if (state_ == State::Ready && std::exchange(replaceAtOnce_, false)) {
        lastSave_ = WriteList(true) ? PlanSaveResult::Saved : PlanSaveResult::WriteFailed;
    }
    saving_ = false;
}

void PlanStore::BecomeReady() {
    state_ = State::Ready;
    readFrom_ = file_;
}

void PlanStore::TryRead() {
    const bool takingOver = readFrom_ != file_;
    std::string bytes;
    switch (files_.Read(readFrom_, bytes, kMaxFileBytes)) {
    case FileReadStatus::NotFound:
        BecomeReady();
        return;
    case FileReadStatus::Failed:
        state_ = State::Unread;
        return;
    case FileReadStatus::TooLarge:
        tooLarge_ = readFrom_;
        replaceAtOnce_ = true;
        state_ = State::CopyPending;
        TryKeepCopy();
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
        replaceAtOnce_ = takingOver;
        state_ = State::CopyPending;
        TryKeepCopy();
        return;
    case PlanFileLoadResult::Nothing:
    case PlanFileLoadResult::Loaded:
        break;
    }
    // Rows the watcher changed differ from the file: it is written again at once.
    const bool changed = !takingOver && watcher_ && watcher_->Read(bytes, document.rows);
    // Ready before the rows go in: the save their notification may start must be allowed to write.
    replaceAtOnce_ = takingOver || changed;
    BecomeReady();
    plans_.InsertAllAtFront(std::move(document.rows));
}

bool PlanStore::WriteList(bool mayWait) {
    const std::string bytes = PlanFileBytes(plans_.Rows());
    if (!files_.Replace(file_, bytes, mayWait)) {
        return false;
    }
    if (watcher_) {
        watcher_->Written(bytes);
    }
    return true;
}

bool PlanStore::TryKeepCopy() {
    const bool fromDisk = !tooLarge_.empty();
    for (int number = 1; number <= kMaxCopies; ++number) {
        // Beside the plan file, which is where the user looks, even when the damage came from the file
        // whose plans it takes over.
        const std::wstring copy = PlanFileCopyPath(file_, number);
        switch (fromDisk ? files_.CopyToNew(tooLarge_, copy) : files_.WriteNew(copy, damaged_)) {
        case NewFileStatus::Written:
            copyNotice_ = copy;
            break;
        case NewFileStatus::Exists: {
            // The same damaged file met again (a start whose saves all failed): its copy is there already.
            // A too large file is not read to compare; it was replaced right after its copy was made.
            std::string existing;
            if (fromDisk || files_.Read(copy, existing, kMaxFileBytes) != FileReadStatus::Read ||
                existing != damaged_) {
                continue;
            }
            break;
        }
        case NewFileStatus::Failed: {
            // A too large file that is gone meanwhile needs no copy.
            std::string none;
            if (!fromDisk || files_.Read(tooLarge_, none, 0) != FileReadStatus::NotFound) {
                return false;
            }
            break;
        }
        }
        damaged_.clear();
        damaged_.shrink_to_fit();
        tooLarge_.clear();
        BecomeReady();
        return true;
    }
    return false;
}

PlanSaveResult PlanStore::Save(bool mayWait) {
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
        lastSave_ = PlanSaveResult::CopyFailed;
    } else if (state_ == State::Unread) {
        lastSave_ = PlanSaveResult::FileUnread;
    } else {
        replaceAtOnce_ = false;
        lastSave_ = WriteList(mayWait) ? PlanSaveResult::Saved : PlanSaveResult::WriteFailed;
    }
    return lastSave_;
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
