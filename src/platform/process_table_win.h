// The system's process list and the ending of one process behind the ProcessTable interface. The list
// comes from one NtQuerySystemInformation call per snapshot, which carries each process's creation time
// with its id and name (a Toolhelp snapshot has no creation time, and costs a file mapping besides).
#pragma once

#include "platform/process_table.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::win {

class SystemProcessTable final : public ProcessTable {
public:
    bool Snapshot(std::vector<ProcessEntry>& processes) override;
    std::optional<ProgramFile> ReadProgramFile(const ProcessEntry& process) override;
    EndResult End(const ProcessEntry& process, const std::wstring& imagePath) override;
    unsigned long OwnProcessId() const override;

private:
    std::vector<std::uint64_t> buffer_; // kept between snapshots, grown when the list outgrows it
};

// The full path of the program file that process `processId` runs; empty when it cannot be asked.
std::wstring ProcessImagePath(unsigned long processId);

// The OriginalFilename a program file declares in its version resource; empty when it has none. A path
// in the system folder is read from there even by this 32-bit program on a 64-bit system.
std::wstring ReadOriginalFileName(const std::wstring& path);

} // namespace kestrel::win
