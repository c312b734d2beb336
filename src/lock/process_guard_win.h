// While the parent's lock is set (or its record cannot be read), the user cannot end Kestrel from the
// Task Manager: the process's own access list follows the lock.
#pragma once

#include "base/system_listener.h"
#include "platform/process_access_win.h"

namespace kestrel::win {

class ProcessGuard final : public SystemListener {
public:
    explicit ProcessGuard(bool lockSet) { access_.SetEndableByUser(!lockSet); }
    void OnParentLockChanged(bool set) override { access_.SetEndableByUser(!set); }

private:
    OwnProcessAccess access_;
};

} // namespace kestrel::win
