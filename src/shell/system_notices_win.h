// Between the main window's messages and the features: each session or power notice is checked against
// Windows' own state before the features hear it (see system_notices.h), and every second the features'
// belief is set right again. A notice the state contradicts is recorded, once a minute. An end of the
// session is taken only when Windows confirms it; one that is not followed by the end within 30 seconds
// was forged.
#pragma once

#include "base/events.h"
#include "base/system_listener.h"
#include "platform/clock.h"
#include "shell/system_notices.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace kestrel::win {

// The session's state as Windows reports it (WTSQuerySessionInformationW); nullopt when it cannot say.
std::optional<SessionState> QuerySessionState();

struct SystemNoticesHost {
    // Empty: QuerySessionState. Tests pass the state they want.
    std::function<std::optional<SessionState>()> sessionState;
    // Whether Windows confirms that the session is ending; empty: GetSystemMetrics(SM_SHUTTINGDOWN).
    std::function<bool()> sessionEndConfirmed;
    EventSink* events = nullptr;
    // An end notice came (confirmed or not): what must be kept is kept, and the exit mark goes.
    std::function<void()> sessionEndNoticed;
    // The session is really ending: Kestrel ends.
    std::function<void()> endSession;
    // The notice was forged: the exit mark comes back.
    std::function<void()> forgedEnd;
};

class SystemNotices final : public SystemListener {
public:
    // `features` hears what is believed; `features` and `clock` must outlive this.
    SystemNotices(SystemListener& features, const Clock& clock, SystemNoticesHost host);

    void OnSecondTick() override;
    void OnSuspending() override { features_.OnSuspending(); }
    void OnWoken(bool byPerson) override;
    void OnTimeChanged() override { features_.OnTimeChanged(); }
    void OnSessionChanged(SessionChange change) override;
    void OnParentLockChanged(bool set) override { features_.OnParentLockChanged(set); }
    void OnEnd(ProgramEnd how) override { features_.OnEnd(how); }

    // WM_ENDSESSION with the session ending.
    void SessionEnding();
    // Kestrel's own power operation is about to end the session: its end notice needs no other word.
    void ExpectSessionEnd(bool expected) { ownEndExpected_ = expected; }

private:
    std::optional<SessionState> RealSession() const;
    void RecordOnce(OncePerMinute& limit, const wchar_t* detail);

    SystemListener& features_;
    const Clock& clock_;
    SystemNoticesHost host_;
    SessionState believed_;
    ClockReading lastReading_;
    // The tick of the last wake the features heard, and whether it is the present awake time's.
    std::optional<std::uint64_t> wokeAtMs_;
    std::optional<std::uint64_t> endNoticedAtMs_;
    bool ownEndExpected_ = false;
    OncePerMinute sessionLines_;
    OncePerMinute powerLines_;
};

} // namespace kestrel::win
