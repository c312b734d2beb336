// The real disk behind FolderAccess; see folder_access_win.h.
#include "platform/folder_access_win.h"
#include "base/app_messages.h"

#include "platform/file_bytes.h"
#include "platform/handles_win.h"

#include <windows.h>

#include <shlobj.h>

namespace kestrel::win {

namespace {

class Folders final : public FolderAccess {
public:
    bool Exists(const std::wstring& path) override {
        if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            return true;
        }
        const DWORD error = ::GetLastError();
        return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
    }

    bool CanCreateFilesIn(const std::wstring& folder) override {
        // A folder's read-only attribute means nothing for files in it, and access rights are easier to
        // try than to read: a file is made and removed again when it closes.
        for (int attempt = 0; attempt < 3; ++attempt) {
            const std::wstring probe =
                JoinPath(folder, L"Kestrel-" + NumberText(::GetCurrentProcessId()) + L"-" +
                                     NumberText(::GetTickCount() + attempt) + L".tmp");
            UniqueKernelHandle file(
                ::CreateFileW(probe.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
            if (file) {
                return true;
            }
            if (::GetLastError() != ERROR_FILE_EXISTS) {
                return false;
            }
        }
        return false;
    }

    bool CreateFolder(const std::wstring& folder) override {
        if (::CreateDirectoryW(folder.c_str(), nullptr)) {
            return true;
        }
        const DWORD attributes = ::GetFileAttributesW(folder.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
};

} // namespace

FolderAccess& SystemFolders() {
    static Folders folders;
    return folders;
}

std::wstring PerUserDataFolder() {
    // The environment names it without loading the shell; the shell answers where it does not.
    std::wstring folder(MAX_PATH, L'\0');
    DWORD length =
        ::GetEnvironmentVariableW(L"LOCALAPPDATA", folder.data(), static_cast<DWORD>(folder.size()));
    if (length >= folder.size()) {
        folder.resize(length);
        length = ::GetEnvironmentVariableW(L"LOCALAPPDATA", folder.data(), static_cast<DWORD>(folder.size()));
    }
    if (length > 0 && length < folder.size()) {
        folder.resize(length);
    } else {
        folder.assign(MAX_PATH, L'\0');
        if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                                      folder.data()))) {
            return {};
        }
        folder.resize(folder.find(L'\0'));
    }
    return folder.empty() ? std::wstring() : JoinPath(folder, L"Kestrel");
}

} // namespace kestrel::win
