// What fired plans do; see fired_plans_win.h.
#include "actions/fired_plans_win.h"

#include "actions/countdown_prompt_win.h"
#include "actions/power_operations.h"
#include "actions/program_starter_win.h"
#include "actions/reminder_popup_win.h"
#include "base/app_messages.h"
#include "base/texts.h"
#include "platform/program_launcher_win.h"

namespace kestrel::win {

FiredPlans::FiredPlans(FiredPlansHost host) : host_(std::move(host)) {
    prompt_ = std::make_unique<CountdownPrompt>(host_.instance, [this](const std::wstring& operation) {
        // Shutting down, restarting and logging off end the session, maybe without its messages: what must
        // not be lost is done right before. A failed save was told when it happened and does not hold the
        // operation up.
        const bool endsSession = operation != text::kOpLock;
        const std::uint32_t error = PerformComputerOperation(
            operation,
            [this, endsSession] {
                if (host_.beforePowerOperation) {
                    host_.beforePowerOperation(endsSession);
                }
            },
            *host_.power);
        if (host_.events) {
            host_.events->Record(text::kEventPowerOperation,
                                 error == 0 ? operation
                                            : FillIn(FillIn(text::kHistoryPowerRefused, L"{reason}",
                                                            ReasonText(error)),
                                                     L"{operation}", operation));
        }
        if (error != 0) {
            if (host_.powerOperationRefused) {
                host_.powerOperationRefused();
            }
            // The prompt has closed; the computer stays on, and the balloon says why.
            if (host_.balloon) {
                host_.balloon(FillIn(FillIn(text::kMsgPowerOperationFailed, L"{operation}", operation),
                                     L"{reason}", ReasonText(error)));
            }
        }
    });
    popups_ = std::make_unique<ReminderPopups>(host_.instance, *host_.clock, [this](PlanRow row) {
        host_.plans->Append(std::move(row));
    });
    starter_ = std::make_unique<ProgramStarter>(
        [](const std::wstring& program, bool hidden, HANDLE* process) {
            return StartPlanProgram(program, hidden, process);
        },
        [this](const std::wstring& program, const LaunchResult& result) { ReportStartFailure(program, result); },
        [this](std::uint64_t keep, bool started, UniqueKernelHandle process) {
            if (host_.programStarted) {
                host_.programStarted(keep, started, std::move(process));
            }
        });
    prompt_->SetGuard(host_.allow, host_.dismissOwnedBy);
    prompt_->SetCancelled([this](const std::wstring& operation) {
        RecordCancelled(operation, host_.lockSet && host_.lockSet() ? text::kHistoryByPassword
                                                                    : text::kCountdownCancel);
    });
    prompt_->SetEndListener([this](CountdownEnd how) {
        if (host_.countdownEnded) {
            host_.countdownEnded(how);
        }
    });
}

FiredPlans::~FiredPlans() = default;

void FiredPlans::StartPowerCountdown(const std::wstring& operation) {
    prompt_->方法_提示关机_进行关机操作(operation);
}

void FiredPlans::ShowReminder(const std::wstring& message, const std::wstring& kind,
                              const std::optional<LocalDateTime>& due) {
    const ReminderPopup* popup = popups_->方法_提示关机_进行关机操作(message, kind, due);
    if (popup && host_.reminderShown) {
        host_.reminderShown(popup->hwnd(), MinuteNumber(due ? *due : host_.clock->Now()));
    }
}

void FiredPlans::StartProgram(const std::wstring& program, const std::wstring& runMode) {
    // Returns at once: the start happens on the starter's worker, and a failure comes back as a message,
    // as does the process when the computer is kept awake for it.
    const std::uint64_t keep = host_.programStarting ? host_.programStarting(MinuteNumber(host_.clock->Now())) : 0;
    starter_->Start(program, runMode == text::kOpRunHidden, keep);
}

void FiredPlans::Report(const std::wstring& notice) {
    if (host_.balloon) {
        host_.balloon(notice);
    }
}

std::wstring FiredPlans::OpenCountdown() {
    return prompt_->Counting() ? prompt_->Operation() : std::wstring();
}

void FiredPlans::CancelCountdown() {
    if (prompt_->Counting()) {
        const std::wstring operation = prompt_->Operation();
        prompt_->CancelForSleep();
        RecordCancelled(operation, text::kHistoryBySleep);
    }
}

bool FiredPlans::PreTranslate(MSG& message) {
    return prompt_->PreTranslate(message);
}

void FiredPlans::CloseAll() {
    popups_->CloseAll();
}

void FiredPlans::ReportStartFailure(const std::wstring& program, const LaunchResult& result) {
    // No box inside the timer: a balloon tells it once and the pass goes on.
    // The path goes in last: it is the user's text and may hold anything.
    const std::wstring reason = result.refusal == LaunchRefusal::NotAbsolute
                                    ? std::wstring(text::kReasonProgramNotFullPath)
                                    : ReasonText(result.error);
    if (host_.events) {
        host_.events->Record(text::kEventStartFailed,
                             FillIn(FillIn(text::kHistoryStartFailed, L"{path}", program), L"{reason}", reason));
    }
    if (host_.balloon) {
        host_.balloon(FillIn(FillIn(text::kMsgProgramStartFailed, L"{reason}", reason), L"{path}", program));
    }
}

void FiredPlans::RecordCancelled(const std::wstring& operation, const wchar_t* by) {
    if (host_.events) {
        host_.events->Record(text::kEventCountdownCancelled,
                             FillIn(FillIn(text::kHistoryCancelledBy, L"{by}", by), L"{operation}", operation));
    }
}

} // namespace kestrel::win
