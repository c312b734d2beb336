// The history in the running program; see history_keeper_win.h.
#include "history/history_keeper_win.h"

#include "base/app_messages.h"
#include "base/texts.h"
#include "history/exit_mark_win.h"
#include "history/history_disk_win.h"
#include "history/history_window_win.h"
#include "platform/program_launcher_win.h"

namespace kestrel::win {

HistoryKeeper::HistoryKeeper(const Clock& clock, HistoryKeeperOptions options)
    : clock_(clock), options_(std::move(options)) {
    if (options_.folder.empty()) {
        return;
    }
    history_ = std::make_unique<History>(SystemHistoryDisk(), clock_, options_.folder);
    // Said once, without a box; the events go on being tried.
    history_->SetWriteFailed([this](std::uint32_t error) {
        if (options_.balloon) {
            options_.balloon(FillIn(FillIn(text::kHistoryWriteFailed, L"{path}", history_->Path()), L"{reason}",
                                    ReasonText(error)));
        }
    });
}

EventSink& HistoryKeeper::Events() {
    if (history_) {
        return *history_;
    }
    return noEvents_;
}

void HistoryKeeper::RecordStart(const std::wstring& planFile, bool atLogOn, bool anotherCopyRuns) {
    if (!history_) {
        return;
    }
    HistoryStartFacts facts;
    facts.startDetail = FillIn(FillIn(text::kHistoryStartDetail, L"{path}", planFile), L"{how}",
                               atLogOn ? text::kHistoryStartAtLogOn : text::kHistoryStartByHand);
    facts.ranBefore = options_.lastMinute && options_.lastMinute->Load().has_value();
    if (options_.exitMark) {
        // The last run left its mark: it was ended from outside, crashed, or the power failed.
        facts.markLastSeen = options_.exitMark->Read();
        facts.zoneBefore = options_.exitMark->Zone();
    }
    facts.zoneNow = CurrentTimeZoneName();
    facts.anotherCopyRuns = anotherCopyRuns;
    history_->RecordStart(facts);
    RefreshMark();
}

void HistoryKeeper::RefreshMark() {
    const LocalDateTime now = clock_.Now();
    // Once the end has begun the mark is gone for good, even while a box about the last save is open.
    if (ending_ || !history_ || !options_.exitMark || markMinute_ == MinuteNumber(now) ||
        ::GetTickCount64() < markHeldUntil_) {
        return;
    }
    markMinute_ = MinuteNumber(now);
    // The zone goes with the mark, so that the next start can tell a zone changed meanwhile.
    options_.exitMark->Set(HistoryMinuteText(now), CurrentTimeZoneName());
}

void HistoryKeeper::HoldMark() {
    if (options_.exitMark) {
        options_.exitMark->Clear();
        markHeldUntil_ = ::GetTickCount64() + 2 * 60 * 1000;
    }
}

void HistoryKeeper::ReleaseMark() {
    markHeldUntil_ = 0;
    markMinute_.reset();
    RefreshMark();
}

void HistoryKeeper::OnEnd(ProgramEnd how) {
    if (ending_) {
        return;
    }
    ending_ = true;
    if (how == ProgramEnd::Exit) {
        Events().Record(text::kEventExited, options_.exitDetail ? options_.exitDetail() : std::wstring());
    }
    // A clean end, by Exit or by the end of the session, leaves no mark.
    if (options_.exitMark) {
        options_.exitMark->Clear();
    }
}

void HistoryKeeper::ShowWindow(HINSTANCE instance, HWND owner,
                               std::function<bool(HWND owner, const wchar_t* reason)> allow) {
    if (!history_) {
        return;
    }
    HistoryWindow window(*history_, std::move(allow));
    window.Show(instance, owner);
}

} // namespace kestrel::win
