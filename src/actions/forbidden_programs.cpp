// 方法_禁止程序: the forbidden list and the monitor's rule; see forbidden_programs.h.
#include "actions/forbidden_programs.h"

#include "platform/text_compare.h"

#include <algorithm>

namespace kestrel {

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\u3000'; // the full-width blank of Chinese input too
}

} // namespace

std::wstring TrimForbiddenName(const std::wstring& typed) {
    std::size_t first = 0;
    std::size_t last = typed.size();
    while (first < last && IsBlank(typed[first])) {
        ++first;
    }
    while (last > first && IsBlank(typed[last - 1])) {
        --last;
    }
    return typed.substr(first, last - first);
}

ForbiddenNameCheck CheckForbiddenName(const std::wstring& trimmed) {
    if (trimmed.empty()) {
        return ForbiddenNameCheck::Empty;
    }
    if (trimmed.find_first_of(L"\\/:") != std::wstring::npos) {
        return ForbiddenNameCheck::NeverMatches;
    }
    // A process name always has an extension: a dot with something after it.
    const std::size_t dot = trimmed.rfind(L'.');
    if (dot == std::wstring::npos || dot + 1 == trimmed.size()) {
        return ForbiddenNameCheck::NeverMatches;
    }
    return ForbiddenNameCheck::Usable;
}

ForbiddenAddResult ForbiddenList::Add(const std::wstring& name) {
    std::wstring trimmed = TrimForbiddenName(name);
    if (trimmed.empty()) {
        return ForbiddenAddResult::EmptyName;
    }
    // Matching ignores letter case, so a second entry differing only in case would add nothing.
    if (std::any_of(entries_.begin(), entries_.end(),
                    [&](const std::wstring& entry) { return EqualIgnoringCase(entry, trimmed); })) {
        return ForbiddenAddResult::Duplicate;
    }
    entries_.push_back(std::move(trimmed));
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

const ProgramFile* ForbiddenMonitor::ProgramFileOf(const ProcessEntry& process) {
    const Key key{process.id, process.createdAt};
    auto found = programFiles_.find(key);
    if (found == programFiles_.end()) {
        // Read once per process: one that cannot be read is remembered as such and not asked again.
        found = programFiles_.emplace(key, table_.ReadProgramFile(process).value_or(ProgramFile{})).first;
    }
    return found->second.path.empty() ? nullptr : &found->second;
}

void ForbiddenMonitor::TryToEnd(const std::wstring& entry, const Candidate& candidate,
                                std::vector<EndedProcess>& ended) {
    const ProcessEntry& p = processes_[candidate.process];
    const Key key{p.id, p.createdAt};
    const ProgramFile* file = candidate.byOriginalName ? ProgramFileOf(p) : nullptr;
    switch (table_.End(p, file ? file->path : std::wstring())) {
    case EndResult::Ended:
        refused_.erase(key);
        ended.push_back({entry, p.exeName, file ? file->path : std::wstring(), candidate.byOriginalName});
        break;
    case EndResult::Refused:
        refused_.insert(key);
        break;
    case EndResult::NotThere:
        break;
    }
}

std::vector<EndedProcess> ForbiddenMonitor::Tick(const std::vector<std::wstring>& entries) {
    std::vector<EndedProcess> ended;
    if (entries.empty()) {
        refused_.clear();
        programFiles_.clear();
        return ended;
    }
    // One snapshot serves every entry: the cost of a tick does not grow with the list.
    if (!table_.Snapshot(processes_)) {
        return ended;
    }
    const std::size_t count = processes_.size();

    // What is remembered about processes that have ended since is forgotten.
    std::vector<Key> present;
    present.reserve(count);
    for (const ProcessEntry& p : processes_) {
        present.emplace_back(p.id, p.createdAt);
    }
    std::sort(present.begin(), present.end());
    const auto gone = [&](const Key& key) {
        return !std::binary_search(present.begin(), present.end(), key);
    };
    std::erase_if(refused_, gone);
    std::erase_if(programFiles_, [&](const auto& item) { return gone(item.first); });

    // The first entry that `name` matches; entries.size() when none does.
    const auto entryNaming = [&](const std::wstring& name) {
        return static_cast<std::size_t>(
            std::find_if(entries.begin(), entries.end(),
                         [&](const std::wstring& entry) { return IsForbiddenName(name, entry); }) -
            entries.begin());
    };
    // Every matching process is a candidate. It is matched by its program's original file name only when
    // its own name matches no entry, so the version data of the others is never read.
    const unsigned long own = table_.OwnProcessId();
    std::vector<Candidate> candidates;
    std::vector<Candidate> refusedBefore;
    for (std::size_t i = 0; i < count; ++i) {
        const ProcessEntry& p = processes_[i];
        if (p.id == own) {
            continue;
        }
        Candidate candidate{i, entryNaming(p.exeName), false};
        if (candidate.entry == entries.size()) {
            const ProgramFile* file = ProgramFileOf(p);
            candidate.entry = file ? entryNaming(file->originalFileName) : entries.size();
            candidate.byOriginalName = true;
        }
        if (candidate.entry < entries.size()) {
            (refused_.count({p.id, p.createdAt}) ? refusedBefore : candidates).push_back(candidate);
        }
    }
    candidates.insert(candidates.end(), refusedBefore.begin(), refusedBefore.end());
    for (const Candidate& candidate : candidates) {
        TryToEnd(entries[candidate.entry], candidate, ended);
    }
    return ended;
}

} // namespace kestrel
