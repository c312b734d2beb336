// What fired plans do in the running program: the 15-second countdown before a power operation and the
// operation itself, the reminder pop-ups, and the start of a run plan's program off the window thread.
// The scheduler calls them through PlanActions; what the rest of the program needs to know of them (the
// wake timer, the exit mark, the parent's password) comes in through FiredPlansHost.
#pragma once

#include "actions/shutdown_countdown.h"
#include "base/events.h"
#include "plans/plan_list.h"
#include "plans/scheduler.h"
#include "platform/clock.h"
#include "platform/handles_win.h"
#include "platform/power.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kestrel::win {

class CountdownPrompt;
class ReminderPopups;
class ProgramStarter;
struct LaunchResult;

struct FiredPlansHost {
    HINSTANCE instance = nullptr;
    const Clock* clock = nullptr;
    // The list a snoozed reminder goes back into.
    PlanList* plans = nullptr;
    // The power calls; must be set.
    PowerControl* power = nullptr;
    EventSink* events = nullptr;
    std::function<void(const std::wstring& message)> balloon;
    // Right before the operation: the plans are saved, and for an operation that ends the session the
    // exit mark goes. After a refused operation the computer stays on and the mark comes back.
    std::function<void(bool endsSession)> beforePowerOperation;
    std::function<void()> powerOperationRefused;
    // The parent's password for cancelling (asked with the prompt as owner), boxes of the prompt's to close
    // when it goes, and whether a password is set (how a cancel is recorded).
    std::function<bool(HWND owner, const wchar_t* reason)> allow;
    std::function<void(HWND owner)> dismissOwnedBy;
    std::function<bool()> lockSet;
    // How each countdown ended (quiet hours keep an excuse when it was cancelled).
    std::function<void(CountdownEnd how)> countdownEnded;
    // The wake timer: a reminder of `minute` is open, a program of `minute` is starting (non-zero: hand it
    // back with that number) and what became of it.
    std::function<void(HWND popup, std::int64_t minute)> reminderShown;
    std::function<std::uint64_t(std::int64_t minute)> programStarting;
    std::function<void(std::uint64_t keep, bool started, UniqueKernelHandle process)> programStarted;
};

class FiredPlans final : public PlanActions {
public:
    explicit FiredPlans(FiredPlansHost host);
    ~FiredPlans() override;
    FiredPlans(const FiredPlans&) = delete;
    FiredPlans& operator=(const FiredPlans&) = delete;

    void StartPowerCountdown(const std::wstring& operation) override;
    void ShowReminder(const std::wstring& message, const std::wstring& kind,
                      const std::optional<LocalDateTime>& due) override;
    void StartProgram(const std::wstring& program, const std::wstring& runMode) override;
    void Report(const std::wstring& notice) override;
    // The operation of the open countdown; empty when none is open.
    std::wstring OpenCountdown() override;
    // Sleep closes an open countdown (recorded as cancelled by sleep).
    void CancelCountdown() override;

    // The message loop's keyboard for the prompt (Tab, Enter, Esc).
    bool PreTranslate(MSG& message);
    // Every reminder pop-up goes (the end of the program).
    void CloseAll();

private:
    void ReportStartFailure(const std::wstring& program, const LaunchResult& result);
    void RecordCancelled(const std::wstring& operation, const wchar_t* by);

    FiredPlansHost host_;
    std::unique_ptr<CountdownPrompt> prompt_;
    std::unique_ptr<ReminderPopups> popups_;
    std::unique_ptr<ProgramStarter> starter_;
};

} // namespace kestrel::win
