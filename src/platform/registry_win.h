// The three registry routines Kestrel uses, over the wide (Unicode) registry API. They never throw and
// report success as a Boolean; a failure is silent to the user.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace kestrel::win {

// Writes `data` as a value of `valueType`, creating the key when it is missing. Only text types are
// written: REG_SZ and REG_EXPAND_SZ get `data` and one closing NUL; REG_MULTI_SZ takes `data` as strings
// separated by NULs and gets the closing NULs the list needs. Any other type writes nothing and returns
// false. True only when the key was opened and the value written.
bool SetRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName, DWORD valueType,
                 const std::wstring& data);

// Reads a value and renders it as text by its type (platform/registry_value_text.h; REG_EXPAND_SZ through
// ExpandEnvironmentStringsW). False only when the key cannot be opened (then `valueType` and `result` are
// unchanged); a missing value returns true and leaves both as they were. Otherwise `valueType` holds the
// value's actual type on return. Values above kMaxRegValueBytes are not read (result unchanged).
bool QueryRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName, DWORD& valueType,
                   std::wstring& result);

// Writes `data` as a REG_BINARY value, creating the key when it is missing. True only when written.
bool SetRegBinary(HKEY root, const std::wstring& keyPath, const std::wstring& valueName,
                  std::span<const std::uint8_t> data);

// Writes raw bytes as a value of any type (a value put back as it was), creating the key when it is
// missing. True only when written.
bool SetRegBytes(HKEY root, const std::wstring& keyPath, const std::wstring& valueName, DWORD valueType,
                 std::span<const std::uint8_t> data);

// Told of every value these routines wrote or deleted, after the fact; one listener at a time (the settings
// watch), empty for none.
using RegistryWriteListener =
    std::function<void(HKEY root, const std::wstring& keyPath, const std::wstring& valueName)>;
void SetRegistryWriteListener(RegistryWriteListener listener);

// Reads a value's type and raw bytes. Unless Read, both are unchanged: Missing when the key or the value
// does not exist, Unreadable when it exists but cannot be read (no access, larger than kMaxRegValueBytes).
enum class RegRead { Read, Missing, Unreadable };
RegRead QueryRegBytes(HKEY root, const std::wstring& keyPath, const std::wstring& valueName, DWORD& valueType,
                   std::vector<std::uint8_t>& data);

// Deletes a value. True only when the key was opened and the value deleted.
bool DeleteRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName);

// The largest value QueryRegValue reads. Far above anything Kestrel stores, it only guards the allocation
// against a corrupt or hostile size.
inline constexpr DWORD kMaxRegValueBytes = 16u * 1024u * 1024u;

} // namespace kestrel::win
