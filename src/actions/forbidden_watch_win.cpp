// The forbidden programs in the running program; see forbidden_watch_win.h.
#include "actions/forbidden_watch_win.h"

#include "actions/forbidden_page_win.h"
#include "base/app_messages.h"
#include "base/texts.h"

namespace kestrel::win {

ForbiddenWatch::ForbiddenWatch(ForbiddenProgramsPage& page, ForbiddenWatchHost host)
    : page_(page), host_(std::move(host)) {
    page_.SetProcessesEnded([this](const std::vector<EndedProcess>& ended) { Ended(ended); });
}

void ForbiddenWatch::OnSecondTick() {
    // The counts of forbidden ends of a minute that is over come before this tick's ends.
    for (const std::wstring& line : endedLines_.Flush(MinuteNumber(host_.clock->Now()))) {
        host_.events->Record(text::kEventForbiddenEnded, line);
    }
    page_.CheckNow();
}

void ForbiddenWatch::OnParentLockChanged(bool set) {
    page_.ShowListKept(set);
    // From the moment a password is set the list is kept; removing it removed the kept list, and this run
    // keeps its entries.
    if (host_.keepList) {
        host_.keepList(page_.List().Entries());
    }
}

void ForbiddenWatch::Ended(const std::vector<EndedProcess>& ended) {
    const std::int64_t minute = MinuteNumber(host_.clock->Now());
    for (const EndedProcess& process : ended) {
        const std::wstring& path = process.path.empty() ? process.exeName : process.path;
        const std::wstring detail =
            FillIn(FillIn(process.byOriginalName ? text::kHistoryEndedRenamed : text::kHistoryEnded, L"{path}", path),
                   L"{entry}", process.entry);
        // A loop of copies must not flood the file: at most one line per entry and minute.
        if (const auto line = endedLines_.Ended(process.entry, detail, minute)) {
            host_.events->Record(text::kEventForbiddenEnded, *line);
        }
        if (process.byOriginalName && host_.balloon) {
            // A parent should see an unexpected match: the full path and the entry it matched. The path
            // goes in last: it may hold anything.
            host_.balloon(FillIn(FillIn(text::kForbiddenEndedRenamed, L"{entry}", process.entry), L"{path}",
                                 process.path));
        }
    }
}

} // namespace kestrel::win
