// The history's file operations through Win32. An append opens the file for appending only, with every
// sharing mode, so that an editor or the history window may read it meanwhile; the line goes out in one
// WriteFile, which the system has taken once it returns (a kill afterwards loses nothing). No flush to the
// disk per line: only a power failure can lose the lines of the last moments. A read takes at most the
// file's last kHistoryReadLimit bytes; the identity of a file is its volume's serial number and its file
// index, read from the handle.
#include "history/history_disk_win.h"

#include "platform/file_bytes.h"
#include "platform/handles_win.h"

#include <windows.h>

namespace kestrel::win {

namespace {

// How long an append waits for another copy's append: far longer than one takes.
constexpr DWORD kWritersPatienceMs = 500;

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
        UniqueKernelHandle handle(::CreateFileW(file.c_str(), GENERIC_READ,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size{};
        if (!handle || !::GetFileSizeEx(handle.get(), &size) || size.QuadPart < 0) {
            return {};
        }
        const bool tail = static_cast<unsigned long long>(size.QuadPart) > kHistoryReadLimit;
        LARGE_INTEGER start{};
        start.QuadPart = tail ? size.QuadPart - static_cast<LONGLONG>(kHistoryReadLimit) : 0;
        if (!::SetFilePointerEx(handle.get(), start, nullptr, FILE_BEGIN)) {
            return {};
        }
        std::string bytes(tail ? kHistoryReadLimit : static_cast<std::size_t>(size.QuadPart), '\0');
        std::size_t got = 0;
        while (got < bytes.size()) {
            DWORD read = 0;
            if (!::ReadFile(handle.get(), bytes.data() + got, static_cast<DWORD>(bytes.size() - got), &read,
                            nullptr)) {
                return {};
            }
            if (read == 0) {
                break; // cut shorter meanwhile
            }
            got += read;
        }
        bytes.resize(got);
        return tail ? std::string(TailFromLineStart(bytes)) : bytes;
    }

    std::optional<HistoryFileFacts> Facts(const std::wstring& file) override {
        // No access to the content is asked for, so a file another program holds still answers.
        UniqueKernelHandle handle(::CreateFileW(file.c_str(), FILE_READ_ATTRIBUTES,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        BY_HANDLE_FILE_INFORMATION information{};
        if (!handle || !::GetFileInformationByHandle(handle.get(), &information) ||
            (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return std::nullopt;
        }
        HistoryFileFacts facts;
        facts.volume = information.dwVolumeSerialNumber;
        facts.index =
            (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
        facts.size = (static_cast<std::uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
        return facts;
    }

    std::uint32_t Replace(const std::wstring& file, std::string_view bytes) override {
        return WriteFileAtomically(file, bytes) ? 0 : ERROR_WRITE_FAULT;
    }

    void LockWriters() override {
        if (!mutex_ && !withoutLock_) {
            mutex_.reset(::CreateMutexW(nullptr, FALSE, kHistoryWritersMutexName));
        }
        if (!mutex_) {
            return;
        }
        // An abandoned lock (a copy killed while it held it) is this copy's now all the same. Another copy
        // holds it for a moment only: a lock kept longer is held by something else, and waiting for it at
        // every line would freeze the window, so this run writes without it from then on.
        const DWORD waited = ::WaitForSingleObject(mutex_.get(), kWritersPatienceMs);
        held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
        if (!held_) {
            mutex_.reset();
            withoutLock_ = true;
        }
    }

    void UnlockWriters() override {
        if (held_) {
            ::ReleaseMutex(mutex_.get());
            held_ = false;
        }
    }

private:
    UniqueKernelHandle mutex_;
    bool held_ = false;
    bool withoutLock_ = false;
};

} // namespace

HistoryDisk& SystemHistoryDisk() {
    static Disk disk;
    return disk;
}

} // namespace kestrel::win
