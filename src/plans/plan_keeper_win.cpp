// The plan file in the running program; see plan_keeper_win.h.
#include "plans/plan_keeper_win.h"

#include "base/app_messages.h"
#include "base/texts.h"
#include "plans/plan_file.h"
#include "plans/plan_file_digest.h"
#include "plans/plan_file_saver.h"
#include "plans/plan_location.h"
#include "plans/plan_store.h"
#include "platform/file_bytes.h"
#include "platform/plan_digest_store_win.h"
#include "platform/xml_tree.h"

namespace kestrel::win {

struct PlanKeeper::Store {
    std::unique_ptr<XmlBackend> xml;
    std::unique_ptr<PlanStore> store;
    std::unique_ptr<PlanDigestKeeper> digest;
    std::unique_ptr<PlanFileSaver> saver;
    PlanSaveResult lastSave = PlanSaveResult::Saved;
    bool retrying = false; // a save of the slow timer
};

PlanKeeper::PlanKeeper(PlanList& plans, const std::wstring& folder, const std::wstring& carryPlansFrom,
                       PlanKeeperHost host)
    : plans_(plans), host_(std::move(host)), store_(std::make_unique<Store>()) {
    store_->xml = CreateXmlBackend();
    store_->store = std::make_unique<PlanStore>(DiskFiles(), *store_->xml, plans_, PlanFilePath(folder), carryPlansFrom);
    if (host_.digest && host_.events) {
        store_->digest = std::make_unique<PlanDigestKeeper>(*host_.digest, &SystemPlanDigest, host_.lockSet,
                                                            *host_.events, host_.balloon);
        store_->store->SetWatcher(store_->digest.get());
    }
}

PlanKeeper::~PlanKeeper() = default;

const std::wstring& PlanKeeper::Path() const {
    return store_->store->Path();
}

void PlanKeeper::Load() {
    // The saver exists before anything can show a box: a box pumps messages while the tray icon and the
    // timers are live, and a change made meanwhile must reach the file.
    store_->saver = std::make_unique<PlanFileSaver>(
        plans_, [this] { return Save(); }, [this] { ReportSaveFailure(); });
    store_->store->Load();
    ShowNotices();
}

void PlanKeeper::SaveNow() {
    if (store_->saver) {
        store_->saver->SaveNow();
    }
}

void PlanKeeper::Retry() {
    // Read at last (its plans are in front now, and those added meanwhile are saved with them), or a save
    // that the folder or another program refused: try the save again. A failure that lasts was told once
    // already.
    PlanStore& store = *store_->store;
    if ((store.RetryRead() || store.SaveRetryDue()) && store_->saver) {
        store_->retrying = true;
        store_->saver->SaveNow();
        store_->retrying = false;
    }
    ShowNotices();
}

bool PlanKeeper::Save() {
    store_->lastSave = store_->store->Save(!store_->retrying);
    ShowNotices();
    return store_->lastSave == PlanSaveResult::Saved;
}

void PlanKeeper::ShowNotices() {
    PlanStore& store = *store_->store;
    if (const auto copy = store.TakeDamagedCopyNotice()) {
        // No box at start-up: the user may not even be at the screen yet.
        host_.balloon(FillIn(text::kMsgPlanFileDamaged, L"{path}", *copy));
    }
    if (store.TakeReadFailureNotice()) {
        host_.postNotice(text::kMsgPlanFileOpenError, 0);
    }
    host_.retryTimer(store.Unread() || store.SaveRetryDue());
}

void PlanKeeper::ReportSaveFailure() {
    const std::wstring& path = store_->store->Path();
    std::wstring message;
    switch (store_->lastSave) {
    case PlanSaveResult::FileUnread:
        message = FillIn(text::kMsgPlanFileUnread, L"{path}", store_->store->ReadPath());
        break;
    case PlanSaveResult::CopyFailed:
        message = FillIn(text::kMsgPlanFileCopyFailed, L"{path}", path);
        break;
    case PlanSaveResult::Saved:
    case PlanSaveResult::WriteFailed:
        message = PlanFileSaveErrorText(path);
        break;
    }
    // Saves run inside plan list notifications; the box waits for the top of the message loop.
    host_.postNotice(std::move(message), MB_ICONWARNING);
}

void PlanKeeper::SaveAtEnd(bool mayAsk) {
    // The saver stops listening first: the windows that go next may still touch the list.
    store_->saver.reset();
    if (!mayAsk) {
        // The session is ending: never hold it up, and there is no one left to tell.
        store_->store->Save();
        return;
    }
    for (;;) {
        const PlanSaveResult result = store_->store->Save();
        if (result == PlanSaveResult::Saved) {
            return;
        }
        const wchar_t* reason = result == PlanSaveResult::FileUnread   ? text::kReasonFileUnread
                                : result == PlanSaveResult::CopyFailed ? text::kReasonCopyFailed
                                                                       : text::kReasonWriteFailed;
        const std::wstring& path =
            result == PlanSaveResult::FileUnread ? store_->store->ReadPath() : store_->store->Path();
        const std::wstring message = FillIn(FillIn(text::kMsgExitSaveFailed, L"{path}", path), L"{reason}", reason);
        if (host_.ask(message, MB_RETRYCANCEL | MB_ICONERROR | MB_DEFBUTTON1) != IDRETRY) {
            return;
        }
    }
}

} // namespace kestrel::win
