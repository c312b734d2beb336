// 方法_禁止程序: the forbidden list and the monitor's rule; see forbidden_programs.h.
#include "actions/forbidden_programs.h"

#include "platform/text_compare.h"

#include <algorithm>

namespace kestrel {

ForbiddenAddResult ForbiddenList::Add(const std::wstring& name) {
    if (name.empty()) {
        return ForbiddenAddResult::EmptyName;
    }
    if (std::find(entries_.begin(), entries_.end(), name) != entries_.end()) {
        return ForbiddenAddResult::Duplicate;
    }
    entries_.push_back(name);
    return ForbiddenAddResult::Added;
}

bool ForbiddenList::RemoveAt(std::size_t index) {
    if (index >= entries_.size()) {
        return false;
    }
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

bool IsForbiddenName(const std::wstring& exeName, const std::wstring& entry) {
    return !exeName.empty() && EqualIgnoringCase(exeName, entry);
}

bool EndForbiddenProcess(const std::wstring& entry, std::vector<ProcessEntry>& processes,
                         ProcessTable& table) {
    const unsigned long own = table.OwnProcessId();
    for (auto process = processes.begin(); process != processes.end(); ++process) {
        if (process->id == own || !IsForbiddenName(process->exeName, entry)) {
            continue;
        }
        // Only the first match is tried, ended or not: the others of that name wait for later ticks.
        if (table.Terminate(process->id)) {
            processes.erase(process);
            return true;
        }
        return false;
    }
    return false;
}

std::size_t RunForbiddenCheck(const std::vector<std::wstring>& entries, ProcessTable& table) {
    if (entries.empty()) {
        return 0;
    }
    // One snapshot serves every entry: the cost of a tick does not grow with the list.
    std::vector<ProcessEntry> processes;
    if (!table.Snapshot(processes)) {
        return 0;
    }
    std::size_t ended = 0;
    for (const std::wstring& entry : entries) {
        ended += EndForbiddenProcess(entry, processes, table) ? 1 : 0;
    }
    return ended;
}

} // namespace kestrel
