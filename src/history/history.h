// The history Kestrel keeps of what it did and of what kept it from acting: History.txt in the user's own
// Kestrel folder, one line per event (history_lines.h), appended in one write each so that a kill or a
// crash loses at most the line being written. Past 1 MiB the file becomes History.1.txt (an older one is
// replaced) and a new one begins; a file that cannot become History.1.txt is cut to its newer half. Every
// append, the rotation with it, happens under the writers' lock that all copies of Kestrel share. Before
// each append the file is checked to still be the one this run last wrote: one deleted, replaced or cut
// shorter meanwhile gets a line that says so first. A write that fails never holds anything up: the first
// failure of a run is told once, through the listener.
#pragma once

#include "base/events.h"
#include "history/history_lines.h"
#include "platform/clock.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

inline constexpr wchar_t kHistoryFileName[] = L"History.txt";
inline constexpr wchar_t kOlderHistoryFileName[] = L"History.1.txt";
// History.txt never grows past this: the line that would take it over goes into a new file.
inline constexpr std::uint64_t kHistoryFileLimit = 1024 * 1024;
// What a reader takes of each file at most: its end, from the first line that starts inside it. A file
// that an older version or a failing rename let grow is never read whole.
inline constexpr std::size_t kHistoryReadLimit = 2 * 1024 * 1024;

// Which file a name stands for (the volume and the file's number on it) and how long it is.
struct HistoryFileFacts {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    std::uint64_t size = 0;
    bool SameFile(const HistoryFileFacts& other) const {
        return volume == other.volume && index == other.index;
    }
};

// The file operations the history needs; each returns 0 or the system's error code. The program passes
// the disk (history_disk_win.h), tests a disk in memory.
class HistoryDisk {
public:
    virtual ~HistoryDisk() = default;
    // The size of `file` in bytes; nullopt when it does not exist.
    virtual std::optional<std::uint64_t> Size(const std::wstring& file) = 0;
    // Opens `file` for appending (its folder and the file are made when missing), writes `bytes` in one
    // write, and closes it again, leaving it readable to others all the while.
    virtual std::uint32_t Append(const std::wstring& file, std::string_view bytes) = 0;
    // Renames `from` to `to`, replacing `to`.
    virtual std::uint32_t Rename(const std::wstring& from, const std::wstring& to) = 0;
    // Deletes `file`; 0 also when there was none.
    virtual std::uint32_t Remove(const std::wstring& file) = 0;
    // The file, or its last kHistoryReadLimit bytes from a line's start (TailFromLineStart); empty when it
    // does not exist or cannot be read.
    virtual std::string Read(const std::wstring& file) = 0;
    // What `file` is now; nullopt when there is no such file (a folder of that name is none).
    virtual std::optional<HistoryFileFacts> Facts(const std::wstring& file) = 0;
    // Replaces `file` with `bytes` whole, so that a kill leaves the old or the new content.
    virtual std::uint32_t Replace(const std::wstring& file, std::string_view bytes) = 0;
    // The lock every copy of Kestrel takes around its append (and the rotation before it), so that two
    // copies never both rotate and never interleave their writes. Held for a moment only; a lock that
    // cannot be had in time is gone without.
    virtual void LockWriters() {}
    virtual void UnlockWriters() {}
};

// `bytes` from its first whole line: what follows the first line break, or nothing without one. Used on a
// file's end read from the middle of a line.
std::string_view TailFromLineStart(std::string_view bytes);

// The time of the last line of the history when that line shows no clean end of the run that wrote it:
// neither an exit, the end of the Windows session, nor Kestrel's own shutdown, restart or log-off. The
// last line is History.txt's (`current`), or History.1.txt's (`older`) when History.txt has none.
// nullopt when the run ended cleanly or there is no line at all. A damaged last line counts as no clean
// end; its time is then that of the newest line that has one (empty when none has).
std::optional<std::wstring> UncleanEndInHistory(std::string_view current, std::string_view older);

// What start-up knows besides the history itself, for History::RecordStart.
struct HistoryStartFacts {
    std::wstring startDetail; // the detail of the line "Kestrel 启动"
    // A last minute is kept for this plan file: Kestrel ran here before, so a history that is gone was
    // deleted or cleared.
    bool ranBefore = false;
    // What the exit mark held: the minute a run that did not end cleanly was last seen (nullopt when it
    // ended cleanly), and the time zone it kept (empty when none was kept).
    std::optional<std::wstring> markLastSeen;
    std::wstring zoneBefore;
    std::wstring zoneNow; // the time zone's name now
    // Another Kestrel runs in this session and writes the same history: its last line is no evidence.
    bool anotherCopyRuns = false;
};

class History final : public EventSink {
public:
    // `folder` holds History.txt and History.1.txt.
    History(HistoryDisk& disk, const Clock& clock, const std::wstring& folder);

    // Appends the line of `event` and `detail`, stamped with the clock's time now.
    void Record(const std::wstring& event, const std::wstring& detail) override;
    // The lines of a start, before any other line of the run: "之前的记录已被删除或清除" when the history
    // is gone though Kestrel ran before; "Kestrel 启动"; one "Kestrel 未正常退出" when the exit mark or the
    // history's own last line shows that the run before did not end cleanly (the later time of the two);
    // "时间改变" when the time zone is not the one the mark kept.
    void RecordStart(const HistoryStartFacts& facts);
    // Told at the first failed write of the run, with the system's error; never again in the run.
    void SetWriteFailed(std::function<void(std::uint32_t error)> listener) {
        writeFailed_ = std::move(listener);
    }

    bool Exists() { return disk_.Size(path_).has_value(); }
    // Both files, newest first.
    std::vector<HistoryEntry> Read();
    // Empties both files, then writes the one line that says so. 0, or the error of the file that could
    // not be emptied (nothing is written then).
    std::uint32_t Clear();

    const std::wstring& Path() const { return path_; }

private:
    // Whether History.txt is still what this run's last append left (or a copy's rotation made of it);
    // without an append in this run, true.
    bool StillOurs(const std::optional<HistoryFileFacts>& now);
    // Cuts History.txt to its newer half from a line's start; true when it was cut.
    bool CutInHalf();

    HistoryDisk& disk_;
    const Clock& clock_;
    std::wstring path_;
    std::wstring olderPath_;
    std::function<void(std::uint32_t)> writeFailed_;
    bool failureTold_ = false;
    // History.txt as this run's last append left it.
    std::optional<HistoryFileFacts> written_;
};

// The lines of "结束禁止程序": at most one per forbidden entry in a minute, however many copies a loop
// starts. The first end of an entry in a minute gets its own line; the others of that minute are counted,
// and the count ("21:04 这一分钟共 N 次") is the next line of the entry, at the first tick of the minute
// after (which then takes that minute's line).
class EndedProcessLines {
public:
    // An end of a process that matched `entry`, in minute `minute` (MinuteNumber); `detail` its line.
    // Returns the detail to write now, or nothing when the minute has had its line.
    std::optional<std::wstring> Ended(const std::wstring& entry, const std::wstring& detail,
                                      std::int64_t minute);
    // Called once a tick before the ends of the tick: the counts of minutes before `minute` that are not
    // said yet, each a detail to write.
    std::vector<std::wstring> Flush(std::int64_t minute);

private:
    struct Minute {
        std::int64_t minute = 0; // the minute whose line the entry has had
        int ends = 0;            // ends in that minute
        bool endWritten = false; // whether one of them is that line (else the line was a count)
    };
    static std::wstring CountText(std::int64_t minute, int ends);
    std::map<std::wstring, Minute> entries_;
};

} // namespace kestrel
