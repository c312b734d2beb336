// 方法_禁止程序: the forbidden list and the rule by which the monitor ends forbidden processes.
#pragma once

#include "platform/process_table.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace kestrel {

enum class ForbiddenAddResult {
    Added,
    EmptyName, // nothing typed or chosen: the user is told
    Duplicate, // the same name, ignoring letter case, is there already: silently not added
};

// What a typed name can match.
enum class ForbiddenNameCheck {
    Empty,
    Usable,
    NeverMatches, // it holds a folder or has no extension: no process has such a name
};

// The typed name without the blanks around it.
std::wstring TrimForbiddenName(const std::wstring& typed);
ForbiddenNameCheck CheckForbiddenName(const std::wstring& trimmed);

// The forbidden program names, in the order they were added.
class ForbiddenList {
public:
    // Adds `name` with the blanks around it trimmed.
    ForbiddenAddResult Add(const std::wstring& name);
    // Removes the entry at `index` (0-based); an index past the end changes nothing.
    bool RemoveAt(std::size_t index);
    // Replaces the whole list (the list kept from an earlier run).
    void Assign(std::vector<std::wstring> entries) { entries_ = std::move(entries); }
    const std::vector<std::wstring>& Entries() const { return entries_; }

private:
    std::vector<std::wstring> entries_;
};

// Whether a running process's executable name is the forbidden entry: whole names, ignoring letter
// case in every script. A folder path or a name without its extension never equals a bare name.
bool IsForbiddenName(const std::wstring& exeName, const std::wstring& entry);

// A process the monitor ended, and why.
struct EndedProcess {
    std::wstring entry;         // the list entry it matched
    std::wstring exeName;       // its own file name
    std::wstring path;          // its program file, when it was matched by its original file name
    bool byOriginalName = false;
};

// Timer_禁止检测's work: one snapshot per tick, then every process that matches an entry is ended in that
// same tick, each checked again through its own handle first (table's End). A process matches by its own
// file name, or, when its name matches no entry, by the original file name its program declares (a
// renamed copy). A process that refused to end before is tried only after all the others, so that
// however many copies refuse, or are started as decoys, none of them holds the rest back. Kestrel's own
// process is never ended.
class ForbiddenMonitor {
public:
    explicit ForbiddenMonitor(ProcessTable& table) : table_(table) {}

    // One tick over `entries`; returns what was ended.
    std::vector<EndedProcess> Tick(const std::vector<std::wstring>& entries);

private:
    using Key = std::pair<unsigned long, std::uint64_t>; // id and creation time
    struct Candidate {
        std::size_t process; // index into the snapshot
        std::size_t entry;   // index into the entries of the tick
        bool byOriginalName;
    };
    const ProgramFile* ProgramFileOf(const ProcessEntry& process);
    // Tries to end `candidate`, which matched `entry`; what was ended is added to `ended`.
    void TryToEnd(const std::wstring& entry, const Candidate& candidate, std::vector<EndedProcess>& ended);

    ProcessTable& table_;
    std::vector<ProcessEntry> processes_;
    std::set<Key> refused_;
    // Version data per process, read once; an empty path when it could not be read.
    std::map<Key, ProgramFile> programFiles_;
};

} // namespace kestrel
