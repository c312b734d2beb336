// Quiet hours in the running program; see quiet_hours_win.h.
#include "quiet_hours/quiet_hours_win.h"

#include "base/app_messages.h"
#include "base/texts.h"
#include "quiet_hours/quiet_hours_dialog_win.h"
#include "quiet_hours/registry_quiet_hours_store_win.h"

#include <wtsapi32.h>

namespace kestrel::win {

QuietHours::QuietHours(QuietHoursHost host) : host_(std::move(host)), check_(host_.noPersonYet) {
    store_ = host_.store;
    if (!store_) {
        ownStore_ = std::make_unique<RegistryQuietHoursStore>();
        store_ = ownStore_.get();
    }
}

QuietHours::~QuietHours() {
    Stop();
}

void QuietHours::Start(HWND window) {
    const bool damaged = LoadWindows();
    const ClockReading now = host_.clock->Read();
    std::vector<QuietExcuse> excuses;
    const std::vector<std::wstring> lines = store_->ReadExcuses();
    for (const std::wstring& line : lines) {
        if (std::optional<QuietExcuse> excuse = ParseQuietExcuseLine(line)) {
            excuses.push_back(std::move(*excuse));
        }
    }
    check_.SetExcuses(std::move(excuses), now);
    if (check_.Excuses().size() != lines.size()) {
        // Ended (or unreadable) lines go from the store too.
        std::vector<std::wstring> kept;
        for (const QuietExcuse& excuse : check_.Excuses()) {
            kept.push_back(QuietExcuseLine(excuse));
        }
        store_->WriteExcuses(kept);
    }
    if (damaged && host_.balloon) {
        host_.balloon(FillIn(text::kQuietUnreadable, L"{value}", QuietHoursValueFullName()));
    }
    window_ = window;
    // wtsapi32 is bound on this first call, from the system folder; without it (or on a system that does
    // not send the notices) the session simply counts as in use throughout.
    listening_ = window_ && ::WTSRegisterSessionNotification(window_, NOTIFY_FOR_THIS_SESSION);
    Tick();
}

void QuietHours::Stop() {
    if (listening_ && ::IsWindow(window_)) {
        ::WTSUnRegisterSessionNotification(window_);
    }
    listening_ = false;
}

bool QuietHours::LoadWindows() {
    const std::optional<StoredValue> value = store_->ReadWindows();
    QuietHoursRead read = value ? ReadQuietHours(value->type, value->bytes) : QuietHoursRead{};
    check_.SetWindows(std::move(read.windows));
    return read.damaged;
}

void QuietHours::Record(const wchar_t* event, const std::wstring& detail) {
    if (host_.events) {
        host_.events->Record(event, detail);
    }
}

void QuietHours::Tick() {
    const ClockReading now = host_.clock->Read();
    const std::wstring open = host_.openCountdown ? host_.openCountdown() : std::wstring();
    const QuietTurn turn = check_.Check(now, open, host_.lockSet && host_.lockSet());
    if (turn.warning && host_.balloon) {
        const QuietWindow& window = check_.Windows()[turn.warning->window];
        host_.balloon(FillIn(FillIn(FillIn(text::kQuietWarning, L"{start}", QuietTimeText(window.start)),
                                    L"{end}", QuietTimeText(window.end)),
                             L"{operation}", window.operation));
    }
    if (turn.countdown && host_.startCountdown) {
        const QuietWindow& window = check_.Windows()[*turn.countdown];
        Record(text::kEventQuietHours,
               FillIn(text::kQuietEventCountdown, L"{window}", QuietWindowText(window)));
        host_.startCountdown(window.operation);
    }
}

void QuietHours::OnWoken(bool) {
    check_.OnWake();
    Tick();
}

void QuietHours::OnSessionChanged(SessionChange change) {
    check_.OnSession(change);
    Tick();
}

void QuietHours::OnCountdownEnded(CountdownEnd how) {
    const std::vector<QuietOccurrence> excused = check_.OnCountdownEnded(how, host_.clock->Read());
    if (excused.empty()) {
        return;
    }
    std::vector<std::wstring> lines;
    for (const QuietExcuse& excuse : check_.Excuses()) {
        lines.push_back(QuietExcuseLine(excuse));
    }
    // Kept so that a restart does not undo a parent's exception; a failed write leaves it for this run.
    store_->WriteExcuses(lines);
    for (const QuietOccurrence& occurrence : excused) {
        const std::wstring end = QuietTimeText(static_cast<int>(occurrence.end % (24 * 60)));
        Record(text::kEventQuietHours, FillIn(FillIn(text::kQuietEventExcused, L"{end}", end), L"{window}",
                                              QuietWindowText(check_.Windows()[occurrence.window])));
    }
    if (host_.changed) {
        host_.changed();
    }
}

void QuietHours::ShowDialog(HWND owner) {
    QuietHoursDialogHost dialogHost;
    dialogHost.lockSet = host_.lockSet && host_.lockSet();
    dialogHost.allow = host_.allow;
    dialogHost.save = [this](const std::vector<QuietWindow>& windows) {
        return store_->WriteWindows(QuietHoursLines(windows));
    };
    dialogHost.autoStartTicked = host_.autoStartTicked;
    if (host_.tickAutoStart) {
        // Ticked from the dialog's question: the same history line as a tick of the box itself.
        dialogHost.tickAutoStart = [this] {
            host_.tickAutoStart();
            Record(text::kEventAutoStart, text::kHistoryAutoStartTicked);
        };
    }
    const bool saved = ShowQuietHoursDialog(host_.instance, owner, check_.Windows(), dialogHost);
    // "取消" keeps the windows that run now, whatever the store holds meanwhile; a save is read back.
    if (saved) {
        LoadWindows();
        std::wstring windows;
        for (const QuietWindow& window : check_.Windows()) {
            windows += (windows.empty() ? L"" : L"；") + QuietWindowText(window);
        }
        Record(text::kEventQuietHours, FillIn(text::kQuietEventChanged, L"{windows}",
                                              windows.empty() ? text::kQuietEventNone : windows));
    }
    if (host_.changed) {
        host_.changed();
    }
    Tick();
}

} // namespace kestrel::win
