// 方法_禁止程序: the forbidden list and the rule by which the monitor ends forbidden processes.
#pragma once

#include "platform/process_table.h"

#include <cstddef>
#include <string>
#include <vector>

namespace kestrel {

enum class ForbiddenAddResult {
    Added,
    EmptyName, // nothing typed or chosen: the user is told
    Duplicate, // an exactly equal entry exists: silently not added
};

// The forbidden program names, in the order they were added, each exactly as typed. Lives in memory
// only: every start begins with an empty list.
class ForbiddenList {
public:
    ForbiddenAddResult Add(const std::wstring& name);
    // Removes the entry at `index` (0-based); an index past the end changes nothing.
    bool RemoveAt(std::size_t index);
    const std::vector<std::wstring>& Entries() const { return entries_; }

private:
    std::vector<std::wstring> entries_;
};

// Whether a running process's executable name is the forbidden entry: whole names, ignoring letter
// case in every script. A folder path or a name without its extension never equals a bare name.
bool IsForbiddenName(const std::wstring& exeName, const std::wstring& entry);

// EndForbiddenProcess: ends the first process of `processes`, in order, whose name is `entry`, never
// the table's own process. A process that was ended leaves `processes`, so that the next entry of the
// same tick goes on to the next one; one that refuses stays and is tried again on the next tick.
// Returns whether a process was ended.
bool EndForbiddenProcess(const std::wstring& entry, std::vector<ProcessEntry>& processes,
                         ProcessTable& table);

// One tick of Timer_禁止检测: one snapshot, then EndForbiddenProcess for each entry in list order. Each
// entry ends at most one process per tick. Returns the number of processes ended.
std::size_t RunForbiddenCheck(const std::vector<std::wstring>& entries, ProcessTable& table);

} // namespace kestrel
