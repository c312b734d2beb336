// What Kestrel believes of a window message that says the session or the power changed: any program of
// the user may post one, so a notice is taken only when the system's own state agrees with it. A lock or
// a disconnection is believed only when Windows says so (where Windows cannot say, the session counts as
// in use); a sleep is what the sleeping tick shows (the tick that runs in sleep grew more than the one that
// stops there), never a power notice alone.
#pragma once

#include "base/system_listener.h"
#include "platform/clock.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kestrel {

// The session as Windows reports it.
struct SessionState {
    bool locked = false;
    bool connected = true;

    bool operator==(const SessionState&) const = default;
};

enum class NoticeVerdict {
    Take,      // the state agrees (or the notice can only make Kestrel act sooner)
    Ignore,    // Windows cannot say: the session counts as in use
    Disagrees, // the state says otherwise: the notice was not the system's
};

NoticeVerdict VerifySessionNotice(SessionChange notice, const std::optional<SessionState>& real);

// While the features believe the session locked or disconnected, each second asks Windows again: the
// changes that bring them back to the real state (an unknown state counts as in use).
std::vector<SessionChange> SessionCorrections(const SessionState& believed, const std::optional<SessionState>& real);

// What the features believe after a notice they were told.
SessionState AfterNotice(SessionState believed, SessionChange change);

// How long after an end-of-session notice that Windows did not confirm Kestrel may still be running before
// the notice counts as forged.
inline constexpr std::uint64_t kForgedEndAfterMs = 30 * 1000;

// Lets one line a minute through (a flood of forged notices writes one line a minute).
class OncePerMinute {
public:
    bool Take(std::int64_t minute) {
        if (last_ == minute) {
            return false;
        }
        last_ = minute;
        return true;
    }

private:
    std::optional<std::int64_t> last_;
};

} // namespace kestrel
