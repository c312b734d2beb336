// The exit mark: set while Kestrel runs, holding the minute it was last seen running, and cleared at every
// clean end (Exit, the end of the Windows session, right before its own power operation ends the session).
// A mark found at start-up means the run before ended otherwise: ended from outside, a crash, a power cut.
#pragma once

#include <optional>
#include <string>

namespace kestrel {

class ExitMark {
public:
    virtual ~ExitMark() = default;
    // The minute the last run was seen ("2024-05-01 21:04"); nullopt when there is no mark.
    virtual std::optional<std::wstring> Read() = 0;
    virtual void Set(const std::wstring& lastSeen) = 0;
    virtual void Clear() = 0;
};

} // namespace kestrel
