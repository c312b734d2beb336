// The history Kestrel keeps of what it did and of what kept it from acting: History.txt in the user's own
// Kestrel folder, one line per event (history_lines.h), appended in one write each so that a kill or a
// crash loses at most the line being written. Past 1 MiB the file becomes History.1.txt (an older one is
// replaced) and a new one begins. A write that fails never holds anything up: the first failure of a run
// is told once, through the listener.
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
    // The whole file; empty when it does not exist or cannot be read.
    virtual std::string Read(const std::wstring& file) = 0;
};

class History final : public EventSink {
public:
    // `folder` holds History.txt and History.1.txt.
    History(HistoryDisk& disk, const Clock& clock, const std::wstring& folder);

    // Appends the line of `event` and `detail`, stamped with the clock's time now.
    void Record(const std::wstring& event, const std::wstring& detail) override;
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
    HistoryDisk& disk_;
    const Clock& clock_;
    std::wstring path_;
    std::wstring olderPath_;
    std::function<void(std::uint32_t)> writeFailed_;
    bool failureTold_ = false;
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
