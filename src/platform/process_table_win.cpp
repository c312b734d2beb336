// SystemProcessTable: every handle it opens is closed before it returns, on every path, and none is
// inheritable, so a monitor that runs every second for weeks holds no more handles than at start.
#include "platform/process_table_win.h"

#include "platform/handles_win.h"
#include "platform/path_name.h"
#include "platform/text_compare.h"

#include <windows.h>

#include <winternl.h>

#include <algorithm>
#include <cwchar>

namespace kestrel::win {

namespace {

constexpr NTSTATUS kStatusInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);
constexpr std::size_t kLargestSnapshotBytes = 64u * 1024u * 1024u;

using QuerySystemInformation = NTSTATUS(NTAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);

QuerySystemInformation QueryFunction() {
    // ntdll is in every process from its first instruction; nothing is loaded here.
    static const auto function = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    return function;
}

std::uint64_t CreationTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return 0;
    }
    return static_cast<std::uint64_t>(created.dwHighDateTime) << 32 | created.dwLowDateTime;
}

std::wstring ImagePath(HANDLE process) {
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = static_cast<DWORD>(path.size());
        if (::QueryFullProcessImageNameW(process, 0, path.data(), &size)) {
            path.resize(size);
            return path;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            break;
        }
        path.resize(path.size() * 4);
    }
    return {};
}

// Turns off the file system redirection of a 32-bit program on a 64-bit system for one scope, so that a
// path in the system folder means that folder and not SysWOW64. Only file reads may happen inside: a DLL
// loaded meanwhile would come from the wrong folder.
class RedirectionOff {
public:
    RedirectionOff() { off_ = ::Wow64DisableWow64FsRedirection(&previous_); }
    ~RedirectionOff() {
        if (off_) {
            ::Wow64RevertWow64FsRedirection(previous_);
        }
    }
    RedirectionOff(const RedirectionOff&) = delete;
    RedirectionOff& operator=(const RedirectionOff&) = delete;

private:
    PVOID previous_ = nullptr;
    BOOL off_ = FALSE;
};

// version.dll is bound on its first call (the lazy binder): the two functions called while redirection
// is off must be bound before, or the 64-bit copy of the DLL would be the one found.
void BindVersionFunctions() {
    static const bool bound = [] {
        // Calls that fail at once (there is no such file) and only bind the functions.
        DWORD ignored = 0;
        ::GetFileVersionInfoSizeW(L"", &ignored);
        BYTE scratch[8] = {};
        ::GetFileVersionInfoW(L"", 0, sizeof(scratch), scratch);
        return true;
    }();
    (void)bound;
}

} // namespace

bool SystemProcessTable::Snapshot(std::vector<ProcessEntry>& processes) {
    processes.clear();
    const QuerySystemInformation query = QueryFunction();
    if (!query) {
        return false;
    }
    if (buffer_.empty()) {
        buffer_.resize(64 * 1024 / sizeof(std::uint64_t));
    }
    NTSTATUS status = 0;
    for (;;) {
        const ULONG bytes = static_cast<ULONG>(buffer_.size() * sizeof(std::uint64_t));
        ULONG needed = 0;
        status = query(SystemProcessInformation, buffer_.data(), bytes, &needed);
        if (status != kStatusInfoLengthMismatch) {
            break;
        }
        // Processes come and go between the calls: grow with some room to spare.
        const std::size_t grown = std::max<std::size_t>(needed + needed / 4, bytes * 2ull);
        if (grown > kLargestSnapshotBytes) {
            return false;
        }
        buffer_.resize(grown / sizeof(std::uint64_t) + 1);
    }
    if (status < 0) {
        return false;
    }
    const auto* base = reinterpret_cast<const std::uint8_t*>(buffer_.data());
    for (std::size_t offset = 0;;) {
        const auto* info = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(base + offset);
        const std::size_t length = info->ImageName.Buffer ? info->ImageName.Length / sizeof(wchar_t) : 0;
        processes.push_back({static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(info->UniqueProcessId)),
                             std::wstring(info->ImageName.Buffer ? info->ImageName.Buffer : L"", length),
                             static_cast<std::uint64_t>(info->CreateTime.QuadPart)});
        if (info->NextEntryOffset == 0) {
            break;
        }
        offset += info->NextEntryOffset;
    }
    return true;
}

std::optional<ProgramFile> SystemProcessTable::ReadProgramFile(const ProcessEntry& process) {
    UniqueKernelHandle handle(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process.id));
    if (!handle || CreationTime(handle.get()) != process.createdAt) {
        return std::nullopt;
    }
    ProgramFile file;
    file.path = ImagePath(handle.get());
    if (file.path.empty()) {
        return std::nullopt;
    }
    file.originalFileName = ReadOriginalFileName(file.path);
    return file;
}

EndResult SystemProcessTable::End(const ProcessEntry& process, const std::wstring& imagePath) {
    UniqueKernelHandle handle(
        ::OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process.id));
    if (!handle) {
        return ::GetLastError() == ERROR_ACCESS_DENIED ? EndResult::Refused : EndResult::NotThere;
    }
    // The id may have passed to a new process since the snapshot: the handle shows which one it is.
    if (CreationTime(handle.get()) != process.createdAt) {
        return EndResult::NotThere;
    }
    const std::wstring path = ImagePath(handle.get());
    const bool same = imagePath.empty() ? EqualIgnoringCase(FileNameOf(path), process.exeName)
                                        : EqualIgnoringCase(path, imagePath);
    // One that has ended already, but is still held open by someone, needs nothing more.
    DWORD exitCode = 0;
    if (path.empty() || !same || !::GetExitCodeProcess(handle.get(), &exitCode) || exitCode != STILL_ACTIVE) {
        return EndResult::NotThere;
    }
    return ::TerminateProcess(handle.get(), 0) ? EndResult::Ended : EndResult::Refused;
}

unsigned long SystemProcessTable::OwnProcessId() const {
    return ::GetCurrentProcessId();
}

std::wstring ReadOriginalFileName(const std::wstring& path) {
    BindVersionFunctions();
    std::vector<std::uint8_t> data;
    {
        RedirectionOff redirection;
        DWORD ignored = 0;
        const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
        if (size == 0) {
            return {};
        }
        data.resize(size);
        if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data())) {
            return {};
        }
    }
    // The languages the resource has strings for; the first one that names an original file name wins.
    struct Translation {
        WORD language;
        WORD codePage;
    };
    LPVOID translations = nullptr;
    UINT bytes = 0;
    std::vector<Translation> tried;
    if (::VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &translations, &bytes) && translations) {
        const auto* first = static_cast<const Translation*>(translations);
        tried.assign(first, first + bytes / sizeof(Translation));
    }
    // Resources without a translation table most often use US English with Unicode or Latin-1 strings.
    tried.push_back({0x0409, 1200});
    tried.push_back({0x0409, 1252});
    for (const Translation& t : tried) {
        std::wstring query = L"\\StringFileInfo\\";
        for (const unsigned value : {unsigned{t.language}, unsigned{t.codePage}}) {
            for (int shift = 12; shift >= 0; shift -= 4) {
                query += L"0123456789abcdef"[(value >> shift) & 0xF];
            }
        }
        query += L"\\OriginalFilename";
        LPVOID value = nullptr;
        UINT length = 0;
        if (::VerQueryValueW(data.data(), query.c_str(), &value, &length) && value && length > 0) {
            const auto* name = static_cast<const wchar_t*>(value);
            return std::wstring(name, ::wcsnlen(name, length));
        }
    }
    return {};
}

std::wstring ProcessImagePath(unsigned long processId) {
    const UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    return process ? ImagePath(process.get()) : std::wstring();
}

} // namespace kestrel::win
