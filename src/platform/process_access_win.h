// Who may end Kestrel's own process. While the parent's lock is set, the process's access list takes the
// right to terminate away from the user, so that "结束任务" in a standard account's Task Manager and
// taskkill are refused; the system and the Administrators group keep every right (an elevated Task
// Manager still ends it). Everything else the user may do with the process stays: waiting on it
// (SYNCHRONIZE, what an installer waits with) and asking for its name and state.
#pragma once

#include <windows.h>

#include <vector>

namespace kestrel::win {

class OwnProcessAccess {
public:
    OwnProcessAccess() = default;
    OwnProcessAccess(const OwnProcessAccess&) = delete;
    OwnProcessAccess& operator=(const OwnProcessAccess&) = delete;
    // Gives the right back: the process may outlive this object (tests do).
    ~OwnProcessAccess() { SetEndableByUser(true); }

    // false: the access list above. true: the list the process had before the first change. Returns
    // whether the system took the list (true at once when nothing is to change).
    bool SetEndableByUser(bool endable);

private:
    bool withheld_ = false;
    bool saved_ = false;
    bool savedNull_ = false;      // the process started with no access list (anyone may do anything)
    std::vector<BYTE> savedList_; // the ACL it started with
};

} // namespace kestrel::win
