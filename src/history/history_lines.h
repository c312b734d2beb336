// The history's file format: one line per event, "YYYY-MM-DD HH:MM:SS<TAB>事件<TAB>详情", UTF-8 with CRLF,
// and the reading of such files back, newest first. Notepad, a script and the history window read the
// same lines, so a field never holds a tab or a line break.
#pragma once

#include "platform/clock.h"

#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// UTF-8's byte-order mark, at the start of each history file so that every editor reads it as UTF-8.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// "2024-05-01 21:04:09".
std::wstring HistoryTimeText(const LocalDateTime& when);
// "2024-05-01 21:04", the minute Kestrel was last seen running.
std::wstring HistoryMinuteText(const LocalDateTime& when);

// One line of the file, CRLF included, as UTF-8. Tabs, line breaks and other control characters inside
// the fields become blanks, so the line stays one line of three fields.
std::string HistoryLineBytes(const LocalDateTime& when, std::wstring_view event, std::wstring_view detail);

// One row of the history window. A line that is not of the three fields (torn by a crash, edited by hand)
// is kept as it is, in `detail`, with the other two empty: a damaged line is shown, never skipped.
struct HistoryEntry {
    std::wstring time;
    std::wstring event;
    std::wstring detail;
    friend bool operator==(const HistoryEntry&, const HistoryEntry&) = default;
};

HistoryEntry ParseHistoryLine(std::wstring_view line);
// The entry as the line of the file it came from (without the line break).
std::wstring HistoryEntryLine(const HistoryEntry& entry);

// The lines of History.txt (`current`) and of History.1.txt (`older`), newest first by their place in
// the files: the last line of `current` first, the first line of `older` last. Their time texts are not
// compared: a clock set back would scramble them.
std::vector<HistoryEntry> ReadHistoryEntries(std::string_view current, std::string_view older);

} // namespace kestrel
