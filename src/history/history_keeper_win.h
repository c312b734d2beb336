// The history in the running program: the file of events every feature reports to, the lines of a start,
// the exit mark that stays while Kestrel runs (set again once a minute, cleared at every clean end and
// right before Kestrel's own power operation ends the session), the exit's own line, and the window.
#pragma once

#include "base/events.h"
#include "base/system_listener.h"
#include "history/exit_mark.h"
#include "history/history.h"
#include "platform/clock.h"
#include "platform/last_minute_store.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kestrel::win {

struct HistoryKeeperOptions {
    // The folder of History.txt; empty: no history is kept (and no mark set).
    std::wstring folder;
    // The mark a run leaves until its clean end; null: none.
    ExitMark* exitMark = nullptr;
    // This plan file's last minute: kept while the history is gone means it was deleted or cleared.
    LastMinuteStore* lastMinute = nullptr;
    // The detail of the exit's line (who asked for it, whether with the password).
    std::function<std::wstring()> exitDetail;
    // A failed write, said once.
    std::function<void(const std::wstring& message)> balloon;
};

class HistoryKeeper final : public SystemListener {
public:
    HistoryKeeper(const Clock& clock, HistoryKeeperOptions options);
    HistoryKeeper(const HistoryKeeper&) = delete;
    HistoryKeeper& operator=(const HistoryKeeper&) = delete;

    // Where every feature reports: the history, or nowhere when none is kept.
    EventSink& Events();
    // The lines of a start (how it started, with the plan file; the unclean end before it, by the mark or
    // by the history's own last line unless `anotherCopyRuns`; a time zone changed since) and the mark.
    void RecordStart(const std::wstring& planFile, bool atLogOn, bool anotherCopyRuns);
    // Kestrel's own operation is about to end the session: no mark until it has (or has been refused).
    void HoldMark();
    // It was refused: the mark is back at once.
    void ReleaseMark();
    // Help → "历史记录(&H)...", modal to `owner`; `allow` asks for the password before a clear.
    void ShowWindow(HINSTANCE instance, HWND owner, std::function<bool(HWND owner, const wchar_t* reason)> allow);

    // The mark follows the minute; at the end the exit is recorded (by Exit only) and the mark goes.
    void OnSecondTick() override { RefreshMark(); }
    // A new time zone is kept with the mark at once.
    void OnTimeChanged() override {
        markMinute_.reset();
        RefreshMark();
    }
    void OnEnd(ProgramEnd how) override;

private:
    void RefreshMark();

    const Clock& clock_;
    HistoryKeeperOptions options_;
    std::unique_ptr<History> history_;
    NoEvents noEvents_;
    std::optional<std::int64_t> markMinute_; // the minute the exit mark was last set in
    ULONGLONG markHeldUntil_ = 0;            // after Kestrel's own power operation: no mark until then
    bool ending_ = false;
};

} // namespace kestrel::win
