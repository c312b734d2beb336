// The running processes as the forbidden-program monitor sees them: one snapshot of ids and bare
// executable names, and a way to end one process by its id. The Windows build reads the system's
// process list; tests pass a fake table.
#pragma once

#include <string>
#include <vector>

namespace kestrel {

struct ProcessEntry {
    unsigned long id = 0;
    std::wstring exeName; // the bare file name with its extension, e.g. notepad.exe
    bool operator==(const ProcessEntry&) const = default;
};

class ProcessTable {
public:
    virtual ~ProcessTable() = default;
    // Fills `processes` with every running process, in the system's order. False (and an empty list)
    // when no snapshot could be taken.
    virtual bool Snapshot(std::vector<ProcessEntry>& processes) = 0;
    // Ends one process. False when it cannot be opened or ended (gone already, higher rights).
    virtual bool Terminate(unsigned long id) = 0;
    // The id of the process that runs this code, which is never ended.
    virtual unsigned long OwnProcessId() const = 0;
};

} // namespace kestrel
