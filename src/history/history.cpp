// The history file and the lines of ended processes; see history.h.
#include "history/history.h"

#include "base/app_messages.h"
#include "base/clock_text.h"
#include "base/texts.h"
#include "platform/file_bytes.h"
#include "platform/xml_tree.h"

namespace kestrel {

History::History(HistoryDisk& disk, const Clock& clock, const std::wstring& folder)
    : disk_(disk), clock_(clock), path_(JoinPath(folder, kHistoryFileName)),
      olderPath_(JoinPath(folder, kOlderHistoryFileName)) {}

namespace {

// Whether a run whose last line this is ended cleanly.
bool IsCleanEnd(const HistoryEntry& entry) {
    if (entry.event == text::kEventExited || entry.event == text::kEventSessionEnded) {
        return true;
    }
    // Kestrel's own operation that ends the session, as written when it was started; a refused one or a
    // lock leaves Kestrel running.
    return entry.event == text::kEventPowerOperation &&
           (entry.detail == text::kOpShutdown || entry.detail == text::kOpRestart ||
            entry.detail == text::kOpLogOff);
}

// The last line of a history file, without the byte-order mark and the line break; empty for none.
std::string_view LastLineOf(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Bom)) {
        bytes.remove_prefix(kUtf8Bom.size());
    }
    while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r')) {
        bytes.remove_suffix(1);
    }
    const std::size_t breakAt = bytes.rfind('\n');
    return breakAt == std::string_view::npos ? bytes : bytes.substr(breakAt + 1);
}

} // namespace

std::string_view TailFromLineStart(std::string_view bytes) {
    const std::size_t breakAt = bytes.find('\n');
    return breakAt == std::string_view::npos ? std::string_view() : bytes.substr(breakAt + 1);
}

std::optional<std::wstring> UncleanEndInHistory(std::string_view current, std::string_view older) {
    const std::string_view file = LastLineOf(current).empty() ? older : current;
    const std::string_view last = LastLineOf(file);
    if (last.empty()) {
        return std::nullopt;
    }
    const HistoryEntry entry = ParseHistoryLine(WideFromUtf8(last));
    if (IsCleanEnd(entry)) {
        return std::nullopt;
    }
    if (!entry.time.empty()) {
        return entry.time;
    }
    // A line torn by the kill itself: the newest line with a time tells when the run was last seen.
    for (const HistoryEntry& earlier : ReadHistoryEntries(current, older)) {
        if (!earlier.time.empty()) {
            return earlier.time;
        }
    }
    return std::wstring();
}

bool History::StillOurs(const std::optional<HistoryFileFacts>& now) {
    if (!written_) {
        return true;
    }
    if (now && now->SameFile(*written_)) {
        return now->size >= written_->size;
    }
    // Another copy of Kestrel rotated it: the file last written is History.1.txt now, whole.
    const std::optional<HistoryFileFacts> older = disk_.Facts(olderPath_);
    return older && older->SameFile(*written_) && older->size >= written_->size;
}

bool History::CutInHalf() {
    const std::string bytes = disk_.Read(path_);
    if (bytes.empty()) {
        return false; // unreadable: never replaced by nothing
    }
    std::string_view newer = std::string_view(bytes).substr(
        bytes.size() > kHistoryFileLimit / 2 ? bytes.size() - kHistoryFileLimit / 2 : 0);
    if (newer.size() < bytes.size()) {
        newer = TailFromLineStart(newer);
    }
    return disk_.Replace(path_, std::string(kUtf8Bom) + std::string(newer)) == 0;
}

void History::Record(const std::wstring& event, const std::wstring& detail) {
    const LocalDateTime now = clock_.Now();
    disk_.LockWriters();
    // Everything below is read after the lock was taken: another copy may have rotated the file while
    // this one waited, and a size read before would rotate the new file over the megabyte just kept.
    std::optional<HistoryFileFacts> facts = disk_.Facts(path_);
    std::string lines;
    if (!StillOurs(facts)) {
        lines += HistoryLineBytes(now, text::kEventHistory, text::kHistoryChangedWhileRunning);
    }
    lines += HistoryLineBytes(now, event, detail);
    bool newFile = !facts || facts->size == 0;
    if (facts && facts->size + lines.size() > kHistoryFileLimit) {
        if (disk_.Rename(path_, olderPath_) == 0) {
            newFile = true;
        } else if (CutInHalf()) {
            // Without a rename (a folder named History.1.txt, say) the file would grow without end. The
            // half kept begins with the byte-order mark already.
            lines = HistoryLineBytes(now, text::kEventHistory, text::kHistoryCutInHalf) + lines;
        }
    }
    // A new file starts with the byte-order mark, in the same write as its first line.
    const std::uint32_t error = disk_.Append(path_, newFile ? std::string(kUtf8Bom) + lines : lines);
    if (error == 0) {
        written_ = disk_.Facts(path_);
    }
    disk_.UnlockWriters();
    if (error != 0 && !failureTold_) {
        failureTold_ = true;
        if (writeFailed_) {
            writeFailed_(error);
        }
    }
}

void History::RecordStart(const HistoryStartFacts& facts) {
    // Read before this start writes its own lines.
    const std::string current = disk_.Read(path_);
    const std::string older = disk_.Read(olderPath_);
    std::optional<std::wstring> lastSeen = facts.markLastSeen;
    if (!facts.anotherCopyRuns) {
        if (const std::optional<std::wstring> lastLine = UncleanEndInHistory(current, older)) {
            // Both say so: one line, with the later time (the mark has minutes, the line seconds).
            if (!lastSeen || *lastLine > *lastSeen) {
                lastSeen = lastLine;
            }
        }
    }
    if (!Exists() && facts.ranBefore) {
        Record(text::kEventHistory, text::kHistoryEarlierGone);
    }
    Record(text::kEventStarted, facts.startDetail);
    if (lastSeen) {
        Record(text::kEventUncleanExit,
               lastSeen->empty() ? std::wstring() : FillIn(text::kHistoryLastSeen, L"{time}", *lastSeen));
    }
    if (!facts.zoneBefore.empty() && !facts.zoneNow.empty() && facts.zoneBefore != facts.zoneNow) {
        Record(text::kEventTimeChanged,
               FillIn(FillIn(FillIn(text::kEventTimeChange, L"{old}", facts.zoneBefore), L"{new}",
                             facts.zoneNow),
                      L"{kind}", text::kTimeZone));
    }
}

std::vector<HistoryEntry> History::Read() {
    return ReadHistoryEntries(disk_.Read(path_), disk_.Read(olderPath_));
}

std::uint32_t History::Clear() {
    // The files go by Kestrel's own hand: no line says they were deleted.
    written_.reset();
    for (const std::wstring* file : {&olderPath_, &path_}) {
        if (const std::uint32_t error = disk_.Remove(*file)) {
            return error;
        }
    }
    Record(text::kEventHistory, text::kHistoryCleared);
    return 0;
}

std::wstring EndedProcessLines::CountText(std::int64_t minute, int ends) {
    return FillIn(FillIn(text::kHistoryEndedCount, L"{count}", NumberText(ends)), L"{minute}",
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
