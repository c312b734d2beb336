// How features hear the system: the second's tick, sleep and wake, the clock, the session, the parent's
// lock and the end of the program. The main window turns window messages into these calls once; each
// feature overrides what it needs, and the application calls every registered feature in one written
// order (see app/listener_order.h). Every call runs on the one user-interface thread.
#pragma once

namespace kestrel {

// What happened to the Windows session Kestrel runs in, in Kestrel's own words.
enum class SessionChange {
    Locked,
    Unlocked,
    Connected,    // at the console or remotely
    Disconnected, // from the console or remotely (another user switched in, a remote client left)
    LoggedOn,
};

// How the program ends: the tray menu's Exit, or the end of the Windows session (nobody to ask).
enum class ProgramEnd {
    Exit,
    SessionEnd,
};

class SystemListener {
public:
    virtual ~SystemListener() = default;

    // Once a second, just after the whole second.
    virtual void OnSecondTick() {}
    // The computer is about to sleep or hibernate.
    virtual void OnSuspending() {}
    // The computer woke up. `byPerson`: Windows says a person woke it or has come to it since; false may
    // be a wake timer's.
    virtual void OnWoken(bool byPerson) { (void)byPerson; }
    // The system clock or the time zone was changed.
    virtual void OnTimeChanged() {}
    virtual void OnSessionChanged(SessionChange change) { (void)change; }
    // The parent's password was set (or its record found unreadable: it holds as set), or removed.
    virtual void OnParentLockChanged(bool set) { (void)set; }
    // The program is ending; nothing may ask the user anything from here on.
    virtual void OnEnd(ProgramEnd how) { (void)how; }

protected:
    SystemListener() = default;
    SystemListener(const SystemListener&) = default;
    SystemListener& operator=(const SystemListener&) = default;
};

} // namespace kestrel
