// The three registry routines Kestrel uses, over the wide (Unicode) registry API. They never throw and
// report success as a Boolean; a failure is silent to the user.
#pragma once

#include <windows.h>

#include <string>

namespace kestrel::win {

// Writes `data` as a value of `valueType` (REG_SZ or REG_EXPAND_SZ text, NUL-terminated), creating the
// key when it is missing. True only when the key was opened and the value written.
bool SetRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName, DWORD valueType,
                 const std::wstring& data);

// Reads a value and renders it as text by its type. False only when the key cannot be opened (then
// `valueType` and `result` are unchanged); a missing value returns true and leaves `result` as it was.
// On return `valueType` holds the value's actual type.
bool QueryRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName, DWORD& valueType,
                   std::wstring& result);

// Deletes a value. True only when the key was opened and the value deleted.
bool DeleteRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName);

} // namespace kestrel::win
