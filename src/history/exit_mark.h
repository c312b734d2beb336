// The exit mark: set while Kestrel runs, holding the minute it was last seen running, and cleared at every
// clean end (Exit, the end of the Windows session, right before its own power operation ends the session).
// A mark found at start-up means the run before ended otherwise: ended from outside, a crash, a power cut.
// The time zone Kestrel last saw is kept with it, and stays when the mark is cleared, so that the next
// start can tell a zone changed while Kestrel was not running.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// The mark as one stored text: the minute, then a tab and the zone's name when one is known
// ("2024-05-01 21:04\tChina Standard Time"); a cleared mark that keeps its zone is the tab and the zone
// alone. A text without a tab is an earlier version's mark, the minute alone.
struct ExitMarkReading {
    std::optional<std::wstring> lastSeen; // nullopt: no mark
    std::wstring zone;                    // empty: none kept
    friend bool operator==(const ExitMarkReading&, const ExitMarkReading&) = default;
};
std::wstring ExitMarkText(std::wstring_view lastSeen, std::wstring_view zone);
// The text of a cleared mark that keeps `zone`; empty when there is no zone to keep.
std::wstring ClearedExitMarkText(std::wstring_view zone);
ExitMarkReading ParseExitMarkText(std::wstring_view text);

class ExitMark {
public:
    virtual ~ExitMark() = default;
    // The minute the last run was seen ("2024-05-01 21:04"); nullopt when there is no mark.
    virtual std::optional<std::wstring> Read() = 0;
    // The time zone kept with the mark, set or cleared; empty when none was kept.
    virtual std::wstring Zone() { return {}; }
    // `zone`: the time zone's name now; empty when it is not known.
    virtual void Set(const std::wstring& lastSeen, const std::wstring& zone) = 0;
    void Set(const std::wstring& lastSeen) { Set(lastSeen, std::wstring()); }
    // Clears the mark; the zone stays.
    virtual void Clear() = 0;
};

} // namespace kestrel
