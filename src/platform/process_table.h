// The running processes as the forbidden-program monitor sees them: one snapshot of ids, bare executable
// names and creation times; what a process's program file declares as its original name; and a way to
// end one process that first makes sure it is still the one that was matched. The Windows build reads the
// system's process list; tests pass a fake table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

struct ProcessEntry {
    unsigned long id = 0;
    std::wstring exeName;        // the bare file name with its extension, e.g. notepad.exe
    std::uint64_t createdAt = 0; // the system's creation time; with the id, names one process for good
    bool operator==(const ProcessEntry&) const = default;
};

// The program file behind a process, as read through a handle to it.
struct ProgramFile {
    std::wstring path;             // the full path of the image
    std::wstring originalFileName; // from its version resource; empty when it declares none
};

enum class EndResult {
    Ended,
    Refused,  // there, but cannot be opened or ended (higher rights, another session, stuck in its exit)
    NotThere, // gone, or its id now belongs to another process
};

class ProcessTable {
public:
    virtual ~ProcessTable() = default;
    // Fills `processes` with every running process, in the system's order. False (and an empty list)
    // when no snapshot could be taken.
    virtual bool Snapshot(std::vector<ProcessEntry>& processes) = 0;
    // Reads the program file of `process`; nullopt when it cannot be opened or is no longer that process.
    virtual std::optional<ProgramFile> ReadProgramFile(const ProcessEntry& process) = 0;
    // Ends `process` through one handle, after checking through it that the process still has the
    // snapshot's creation time and runs the expected image: the full path `imagePath` when given, else a
    // file of the snapshot's name.
    virtual EndResult End(const ProcessEntry& process, const std::wstring& imagePath) = 0;
    // The id of the process that runs this code, which is never ended.
    virtual unsigned long OwnProcessId() const = 0;
};

} // namespace kestrel
