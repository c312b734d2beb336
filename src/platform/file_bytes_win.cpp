// Win32 implementation of file_bytes.h.
#include "platform/file_bytes.h"

#include <windows.h>

namespace kestrel {

namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (valid()) {
            ::CloseHandle(handle_);
        }
    }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    bool Close() {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return ::CloseHandle(handle) != FALSE;
    }

private:
    HANDLE handle_;
};

// Shares everything, so that a file another program holds open for writing can still be read.
HANDLE OpenForReading(const std::wstring& file) {
    return ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

NewFileStatus CreateNewFailure() {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? NewFileStatus::Exists
                                                                       : NewFileStatus::Failed;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() > 1u << 20 ? 1u << 20 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

} // namespace

FileReadStatus ReadFileBytes(const std::wstring& file, std::string& bytes, std::size_t maxBytes) noexcept {
    try {
        bytes.clear();
        FileHandle handle(OpenForReading(file));
        if (!handle.valid()) {
            const DWORD error = ::GetLastError();
            return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? FileReadStatus::NotFound
                                                                                    : FileReadStatus::Failed;
        }
        LARGE_INTEGER size{};
        if (!::GetFileSizeEx(handle.get(), &size)) {
            return FileReadStatus::Failed;
        }
        if (static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
            return FileReadStatus::TooLarge;
        }
        if (size.QuadPart > 0x7FFFFFFF) {
            return FileReadStatus::Failed;
        }
        bytes.reserve(static_cast<std::size_t>(size.QuadPart));
        char buffer[64 * 1024];
        for (;;) {
            DWORD got = 0;
            if (!::ReadFile(handle.get(), buffer, sizeof buffer, &got, nullptr)) {
                bytes.clear();
                return FileReadStatus::Failed;
            }
            if (got == 0) {
                return FileReadStatus::Read;
            }
            if (got > maxBytes - bytes.size()) {
                // It grew while being read.
                bytes.clear();
                return FileReadStatus::TooLarge;
            }
            bytes.append(buffer, got);
        }
    } catch (...) {
        bytes.clear();
        return FileReadStatus::Failed;
    }
}

bool WriteFileAtomically(const std::wstring& file, std::string_view bytes) noexcept {
    return WriteFileAtomically(file, bytes, [](unsigned milliseconds) { ::Sleep(milliseconds); });
}

bool WriteFileAtomically(const std::wstring& file, std::string_view bytes,
                         const std::function<void(unsigned milliseconds)>& wait) noexcept {
    try {
        const std::wstring temporary = TemporaryPathFor(file);
        bool ok = false;
        {
            FileHandle handle(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!handle.valid()) {
                return false;
            }
            ok = WriteAll(handle.get(), bytes) && ::FlushFileBuffers(handle.get());
            ok = handle.Close() && ok;
        }
        ok = ok && RetryWhileBusy(
                       [&] {
                           if (::MoveFileExW(temporary.c_str(), file.c_str(),
                                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                               return AttemptResult::Done;
                           }
                           // A file held open without delete sharing refuses to be replaced with one of
                           // these, depending on the system and on how it is held.
                           switch (::GetLastError()) {
                           case ERROR_SHARING_VIOLATION:
                           case ERROR_LOCK_VIOLATION:
                           case ERROR_ACCESS_DENIED:
                               return AttemptResult::Busy;
                           default:
                               return AttemptResult::Failed;
                           }
                       },
                       wait);
        if (!ok) {
            ::DeleteFileW(temporary.c_str());
        }
        return ok;
    } catch (...) {
        return false;
    }
}

NewFileStatus WriteNewFile(const std::wstring& file, std::string_view bytes) noexcept {
    FileHandle handle(
        ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) {
        return CreateNewFailure();
    }
    bool ok = WriteAll(handle.get(), bytes) && ::FlushFileBuffers(handle.get());
    ok = handle.Close() && ok;
    if (!ok) {
        ::DeleteFileW(file.c_str());
        return NewFileStatus::Failed;
    }
    return NewFileStatus::Written;
}

NewFileStatus CopyToNewFile(const std::wstring& from, const std::wstring& to) noexcept {
    FileHandle source(OpenForReading(from));
    if (!source.valid()) {
        return NewFileStatus::Failed;
    }
    FileHandle target(
        ::CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target.valid()) {
        return CreateNewFailure();
    }
    bool ok = true;
    char buffer[64 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(source.get(), buffer, sizeof buffer, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) {
            break;
        }
        if (!WriteAll(target.get(), std::string_view(buffer, got))) {
            ok = false;
            break;
        }
    }
    ok = ok && ::FlushFileBuffers(target.get());
    ok = target.Close() && ok;
    if (!ok) {
        ::DeleteFileW(to.c_str());
        return NewFileStatus::Failed;
    }
    return NewFileStatus::Written;
}

bool RemoveFile(const std::wstring& file) noexcept {
    if (::DeleteFileW(file.c_str())) {
        return true;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

} // namespace kestrel
