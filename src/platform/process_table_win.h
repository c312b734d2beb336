// The system's process list (Toolhelp snapshot) and TerminateProcess behind the ProcessTable interface.
#pragma once

#include "platform/process_table.h"

namespace kestrel::win {

class SystemProcessTable final : public ProcessTable {
public:
    bool Snapshot(std::vector<ProcessEntry>& processes) override;
    bool Terminate(unsigned long id) override;
    unsigned long OwnProcessId() const override;
};

} // namespace kestrel::win
