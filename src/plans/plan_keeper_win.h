// The plan file in the running program: read at start-up (taking over a carried-over file once), saved at
// once after every change by the plan store's rules, tried again on the slow timer while it is unread or
// a save was refused, and saved one last time at the end. What the user must hear of it comes back
// through PlanKeeperHost; the XML back-end is known only here.
#pragma once

#include "base/events.h"
#include "base/system_listener.h"
#include "plans/plan_list.h"
#include "platform/plan_digest_store.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace kestrel::win {

struct PlanKeeperHost {
    std::function<void(const std::wstring& message)> balloon;
    // A box from the top of the message loop (never inside a plan list notification), with its icon.
    std::function<void(std::wstring message, UINT iconFlags)> postNotice;
    // A box now, with these buttons; returns the button pressed.
    std::function<int(const std::wstring& message, UINT flags)> ask;
    // Whether the slow timer should call Retry().
    std::function<void(bool on)> retryTimer;
    // Under the parent's lock the digest of the file last written is kept here, and a file read that is
    // not that file has its run plans disabled (said in the history and a balloon). Null: no digest.
    PlanDigestStore* digest = nullptr;
    std::function<bool()> lockSet;
    EventSink* events = nullptr;
};

class PlanKeeper final : public SystemListener {
public:
    // `folder`: the plan file's; `carryPlansFrom`: a file taken over once while that one does not exist.
    PlanKeeper(PlanList& plans, const std::wstring& folder, const std::wstring& carryPlansFrom, PlanKeeperHost host);
    ~PlanKeeper() override;
    PlanKeeper(const PlanKeeper&) = delete;
    PlanKeeper& operator=(const PlanKeeper&) = delete;

    // Reads the file; from here on every change of the list is saved.
    void Load();
    // Saves at once (before Kestrel's own power operation).
    void SaveNow();
    // The slow timer: reads at last, or saves again what was refused.
    void Retry();
    // The end: stops following the list, then saves; `mayAsk`: a failure is told with Retry or exit anyway
    // (Exit), else nobody is left to tell (the end of the session).
    void SaveAtEnd(bool mayAsk);
    // The full path of Values.xml.
    const std::wstring& Path() const;

    // A password set or removed: the file is written again, so that its digest is kept from now on (or
    // goes with the lock).
    void OnParentLockChanged(bool) override { SaveNow(); }

private:
    struct Store;
    bool Save();
    void ReportSaveFailure();
    // Tells the user what the plan store has to say (a damaged file's copy, a failed XML component) and
    // keeps the retry timer running while the file is unread.
    void ShowNotices();

    PlanList& plans_;
    PlanKeeperHost host_;
    std::unique_ptr<Store> store_;
};

} // namespace kestrel::win
