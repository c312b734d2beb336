// The history's file operations through Win32. An append opens the file for appending only, with every
// sharing mode, so that an editor or the history window may read it meanwhile; the line goes out in one
// WriteFile, which the system has taken once it returns (a kill afterwards loses nothing). No flush to the
// disk per line: only a power failure can lose the lines of the last moments.
#include "history/history_disk_win.h"

#include "platform/file_bytes.h"
#include "platform/handles_win.h"

#include <windows.h>

namespace kestrel::win {

namespace {

// The size of a history file that is read at all: far over what the rotation lets it reach.
constexpr std::size_t kMaxReadBytes = 64u * 1024u * 1024u;

HANDLE OpenForAppending(const std::wstring& file) {
    return ::CreateFileW(file.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

class Disk final : public HistoryDisk {
public:
    std::optional<std::uint64_t> Size(const std::wstring& file) override {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!::GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data) ||
            (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return std::nullopt;
        }
        return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }

    std::uint32_t Append(const std::wstring& file, std::string_view bytes) override {
        UniqueKernelHandle handle(OpenForAppending(file));
        if (!handle && ::GetLastError() == ERROR_PATH_NOT_FOUND) {
            // The user's Kestrel folder is made by the first line ever written.
            const std::size_t slash = file.find_last_of(L'\\');
            if (slash != std::wstring::npos) {
                ::CreateDirectoryW(file.substr(0, slash).c_str(), nullptr);
            }
            handle.reset(OpenForAppending(file));
        }
        if (!handle) {
            return ::GetLastError();
        }
        DWORD written = 0;
        if (!::WriteFile(handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
            return ::GetLastError();
        }
        return written == bytes.size() ? 0 : ERROR_WRITE_FAULT;
    }

    std::uint32_t Rename(const std::wstring& from, const std::wstring& to) override {
        return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : ::GetLastError();
    }

    std::uint32_t Remove(const std::wstring& file) override {
        if (::DeleteFileW(file.c_str())) {
            return 0;
        }
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : error;
    }

    std::string Read(const std::wstring& file) override {
        std::string bytes;
        ReadFileBytes(file, bytes, kMaxReadBytes);
        return bytes;
    }
};

} // namespace

HistoryDisk& SystemHistoryDisk() {
    static Disk disk;
    return disk;
}

} // namespace kestrel::win
