// The history's line format; see history_lines.h.
#include "history/history_lines.h"
#include "base/app_messages.h"

#include "platform/xml_tree.h"

namespace kestrel {

namespace {

void AppendDigits(std::wstring& out, int value, int width) {
    std::wstring digits = NumberText(value < 0 ? 0 : value);
    if (static_cast<int>(digits.size()) < width) {
        out.append(static_cast<std::size_t>(width) - digits.size(), L'0');
    }
    out += digits;
}

void AppendField(std::wstring& out, std::wstring_view field) {
    for (const wchar_t c : field) {
        out += c < L' ' || c == 0x7F ? L' ' : c;
    }
}

// Whether `text` has the shape "dddd-dd-dd dd:dd:dd".
bool IsTimeText(std::wstring_view text) {
    constexpr std::wstring_view kShape = L"dddd-dd-dd dd:dd:dd";
    if (text.size() != kShape.size()) {
        return false;
    }
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        if (kShape[i] == L'd' ? (text[i] < L'0' || text[i] > L'9') : text[i] != kShape[i]) {
            return false;
        }
    }
    return true;
}

// Appends the lines of one file, last line first.
void AppendNewestFirst(std::string_view bytes, std::vector<HistoryEntry>& entries) {
    if (bytes.starts_with(kUtf8Bom)) {
        bytes.remove_prefix(kUtf8Bom.size());
    }
    const std::wstring text = WideFromUtf8(bytes);
    std::wstring_view rest = text;
    if (text.empty()) {
        return;
    }
    if (rest.ends_with(L'\n')) {
        rest.remove_suffix(1);
    }
    // From the end backwards: each line is one entry, a lone CR before its LF dropped.
    for (;;) {
        const std::size_t breakAt = rest.rfind(L'\n');
        std::wstring_view line = breakAt == std::wstring_view::npos ? rest : rest.substr(breakAt + 1);
        if (line.ends_with(L'\r')) {
            line.remove_suffix(1);
        }
        entries.push_back(ParseHistoryLine(line));
        if (breakAt == std::wstring_view::npos) {
            return;
        }
        rest = rest.substr(0, breakAt);
    }
}

} // namespace

std::wstring HistoryMinuteText(const LocalDateTime& when) {
    std::wstring out;
    AppendDigits(out, when.year, 4);
    out += L'-';
    AppendDigits(out, when.month, 2);
    out += L'-';
    AppendDigits(out, when.day, 2);
    out += L' ';
    AppendDigits(out, when.hour, 2);
    out += L':';
    AppendDigits(out, when.minute, 2);
    return out;
}

std::wstring HistoryTimeText(const LocalDateTime& when) {
    std::wstring out = HistoryMinuteText(when);
    out += L':';
    AppendDigits(out, when.second, 2);
    return out;
}

std::string HistoryLineBytes(const LocalDateTime& when, std::wstring_view event, std::wstring_view detail) {
    std::wstring line = HistoryTimeText(when);
    line += L'\t';
    AppendField(line, event);
    line += L'\t';
    AppendField(line, detail);
    line += L"\r\n";
    return Utf8FromWide(line);
}

HistoryEntry ParseHistoryLine(std::wstring_view line) {
    const std::size_t first = line.find(L'\t');
    const std::size_t second = first == std::wstring_view::npos ? first : line.find(L'\t', first + 1);
    if (second == std::wstring_view::npos || line.find(L'\t', second + 1) != std::wstring_view::npos ||
        !IsTimeText(line.substr(0, first)) || second == first + 1) {
        return HistoryEntry{{}, {}, std::wstring(line)};
    }
    return HistoryEntry{std::wstring(line.substr(0, first)),
                        std::wstring(line.substr(first + 1, second - first - 1)),
                        std::wstring(line.substr(second + 1))};
}

std::wstring HistoryEntryLine(const HistoryEntry& entry) {
    if (entry.time.empty() && entry.event.empty()) {
        return entry.detail;
    }
    return entry.time + L'\t' + entry.event + L'\t' + entry.detail;
}

std::vector<HistoryEntry> ReadHistoryEntries(std::string_view current, std::string_view older) {
    std::vector<HistoryEntry> entries;
    // About one entry for every 60 bytes: the vector grows once or twice at most.
    entries.reserve((current.size() + older.size()) / 60 + 1);
    AppendNewestFirst(current, entries);
    AppendNewestFirst(older, entries);
    return entries;
}

} // namespace kestrel
