// Who may touch Kestrel's own process and threads. While the parent's lock is set, the process's access
// list leaves the user only SYNCHRONIZE (what an installer waits with), PROCESS_QUERY_LIMITED_INFORMATION
// (its name and state, for the Task Manager) and READ_CONTROL: no ending it, suspending it, writing its
// memory, making threads in it or duplicating its handles. An OWNER RIGHTS entry with READ_CONTROL alone
// takes from the owner the right to write the list back that owning an object otherwise gives. The system
// and the Administrators group keep every right (an elevated Task Manager still ends Kestrel). The UI
// thread and every thread Kestrel makes get the same list with thread rights. The token's default list is
// left alone: it would spread to every object Kestrel creates and to every program a run plan starts.
#pragma once

#include <windows.h>

#include <vector>

namespace kestrel::win {

class OwnProcessAccess {
public:
    OwnProcessAccess() = default;
    OwnProcessAccess(const OwnProcessAccess&) = delete;
    OwnProcessAccess& operator=(const OwnProcessAccess&) = delete;
    // Gives the rights back: the process may outlive this object (tests do).
    ~OwnProcessAccess() { SetEndableByUser(true); }

    // false: the access lists above, on the process, the calling (UI) thread and every thread that holds
    // a KestrelThread. true: the lists they had before the first change. Call it on the UI thread.
    // Returns whether the system took the process's list (true at once when nothing is to change).
    bool SetEndableByUser(bool endable);

private:
    bool withheld_ = false;
    bool saved_ = false;
    bool savedNull_ = false;            // the process started with no access list (anyone may do anything)
    std::vector<BYTE> savedList_;       // the ACL it started with
    bool threadSaved_ = false;
    bool threadSavedNull_ = false;
    std::vector<BYTE> savedThreadList_; // the UI thread's
};

// Held by each thread Kestrel makes, first thing and for its whole life: the thread carries the locked
// list while the lock is set (at once when it is set already) and its own again when it is removed.
class KestrelThread {
public:
    KestrelThread();
    ~KestrelThread();
    KestrelThread(const KestrelThread&) = delete;
    KestrelThread& operator=(const KestrelThread&) = delete;
};

} // namespace kestrel::win
