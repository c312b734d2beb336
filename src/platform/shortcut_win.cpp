// Shell shortcuts; see shortcut_win.h.
#include "platform/shortcut_win.h"

#include "platform/com_win.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace kestrel::win {

bool IsShortcutPath(const std::wstring& path) {
    return path.size() > 4 && ::lstrcmpiW(path.c_str() + path.size() - 4, L".lnk") == 0;
}

std::optional<std::wstring> ShortcutTarget(const std::wstring& path) {
    ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(link.put())))) {
        return std::nullopt;
    }
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()))) ||
        FAILED(file->Load(path.c_str(), STGM_READ))) {
        return std::nullopt;
    }
    std::wstring target(32768, L'\0');
    if (link->GetPath(target.data(), static_cast<int>(target.size()), nullptr, 0) != S_OK) {
        return std::nullopt;
    }
    target.resize(target.find(L'\0'));
    if (target.empty()) {
        return std::nullopt;
    }
    return target;
}

} // namespace kestrel::win
