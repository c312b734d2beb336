// Shell shortcuts (.lnk files): what they point at.
#pragma once

#include <optional>
#include <string>

namespace kestrel::win {

// Whether `path` names a shortcut by its extension (.lnk, any case).
bool IsShortcutPath(const std::wstring& path);

// The full path of the file the shortcut at `path` points at, read without searching for a target that
// has moved; nullopt when it cannot be read or points at no file (a folder of the shell, a web page).
// The calling thread must have entered COM.
std::optional<std::wstring> ShortcutTarget(const std::wstring& path);

} // namespace kestrel::win
