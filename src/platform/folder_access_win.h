// The real disk behind FolderAccess, and the user's own data folder for Kestrel.
#pragma once

#include "platform/folder_access.h"

#include <string>

namespace kestrel::win {

FolderAccess& SystemFolders();

// Kestrel's folder in the user's local application data, %LOCALAPPDATA%\Kestrel (not made here). Empty
// when the system names no such folder.
std::wstring PerUserDataFolder();

} // namespace kestrel::win
