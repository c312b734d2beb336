// The history file and the lines of ended processes; see history.h.
#include "history/history.h"

#include "base/app_messages.h"
#include "base/clock_text.h"
#include "base/texts.h"
#include "platform/file_bytes.h"

namespace kestrel {

History::History(HistoryDisk& disk, const Clock& clock, const std::wstring& folder)
    : disk_(disk), clock_(clock), path_(JoinPath(folder, kHistoryFileName)),
      olderPath_(JoinPath(folder, kOlderHistoryFileName)) {}

void History::Record(const std::wstring& event, const std::wstring& detail) {
    const std::string line = HistoryLineBytes(clock_.Now(), event, detail);
    std::uint64_t size = disk_.Size(path_).value_or(0);
    if (size + line.size() > kHistoryFileLimit && disk_.Rename(path_, olderPath_) == 0) {
        size = 0;
    }
    // A new file starts with the byte-order mark, in the same write as its first line.
    const std::uint32_t error = disk_.Append(path_, size == 0 ? std::string(kUtf8Bom) + line : line);
    if (error != 0 && !failureTold_) {
        failureTold_ = true;
        if (writeFailed_) {
            writeFailed_(error);
        }
    }
}

std::vector<HistoryEntry> History::Read() {
    return ReadHistoryEntries(disk_.Read(path_), disk_.Read(olderPath_));
}

std::uint32_t History::Clear() {
    for (const std::wstring* file : {&olderPath_, &path_}) {
        if (const std::uint32_t error = disk_.Remove(*file)) {
            return error;
        }
    }
    Record(text::kEventHistory, text::kHistoryCleared);
    return 0;
}

std::wstring EndedProcessLines::CountText(std::int64_t minute, int ends) {
    return FillIn(FillIn(text::kHistoryEndedCount, L"{count}", std::to_wstring(ends)), L"{minute}",
                  FormatHourMinute(LocalFromMinute(minute)));
}

std::optional<std::wstring> EndedProcessLines::Ended(const std::wstring& entry, const std::wstring& detail,
                                                     std::int64_t minute) {
    const auto found = entries_.find(entry);
    if (found != entries_.end() && found->second.minute == minute) {
        ++found->second.ends;
        return std::nullopt;
    }
    std::wstring line = detail;
    // A count not said yet (the clock was set back): it goes in front of this line.
    if (found != entries_.end() && found->second.ends > (found->second.endWritten ? 1 : 0)) {
        line = FillIn(FillIn(text::kHistoryEndedAndCount, L"{line}", detail), L"{count}",
                      CountText(found->second.minute, found->second.ends));
    }
    entries_[entry] = Minute{minute, 1, true};
    return line;
}

std::vector<std::wstring> EndedProcessLines::Flush(std::int64_t minute) {
    std::vector<std::wstring> lines;
    for (auto at = entries_.begin(); at != entries_.end();) {
        Minute& last = at->second;
        if (last.minute >= minute) {
            ++at;
        } else if (last.ends > (last.endWritten ? 1 : 0)) {
            lines.push_back(
                FillIn(FillIn(text::kHistoryEndedCountOf, L"{count}", CountText(last.minute, last.ends)),
                       L"{entry}", at->first));
            last = Minute{minute, 0, false};
            ++at;
        } else {
            at = entries_.erase(at);
        }
    }
    return lines;
}

} // namespace kestrel
