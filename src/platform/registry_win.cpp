// Registry routines over the wide API: RAII keys, sizes checked before every allocation, and a read that
// follows a value whose size changes between asking for its size and reading it.
#include "platform/registry_win.h"

#include "platform/handles_win.h"
#include "platform/registry_value_text.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace kestrel::win {
namespace {

// Another writer may grow the value between our calls; each round asks again with the new size. A few
// rounds are plenty; a value that keeps changing is given up on.
constexpr int kReadAttempts = 8;

std::wstring ExpandEnvironment(const std::wstring& text) {
    std::wstring expanded(text.size() + 1, L'\0');
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        const DWORD capacity = static_cast<DWORD>(expanded.size());
        const DWORD needed = ::ExpandEnvironmentStringsW(text.c_str(), expanded.data(), capacity);
        if (needed == 0) {
            return text; // cannot expand: show the text as stored
        }
        if (needed <= capacity) {
            expanded.resize(needed - 1); // `needed` counts the closing NUL
            return expanded;
        }
        expanded.assign(needed, L'\0');
    }
    return text;
}

// Told of Kestrel's own writes (the settings watch); empty: nobody.
RegistryWriteListener& WriteListener() {
    static RegistryWriteListener listener;
    return listener;
}

bool Written(bool done, HKEY root, const std::wstring& keyPath, const std::wstring& valueName) {
    if (done && WriteListener()) {
        WriteListener()(root, keyPath, valueName);
    }
    return done;
}

} // namespace

void SetRegistryWriteListener(RegistryWriteListener listener) {
    WriteListener() = std::move(listener);
}

bool SetRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName, DWORD valueType,
                 const std::wstring& data) {
    std::wstring bytes = data;
    switch (valueType) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        break;
    case REG_MULTI_SZ:
        // The list ends with an empty string: one NUL closes the last string, the final one the list.
        if (!bytes.empty() && bytes.back() != L'\0') {
            bytes += L'\0';
        }
        break;
    default:
        return false; // text written under a number or binary type would be a different value
    }
    bytes += L'\0';
    if (bytes.size() > kMaxRegValueBytes / sizeof(wchar_t)) {
        return false;
    }

    UniqueRegKey key;
    if (::RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                          key.put(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const auto byteCount = static_cast<DWORD>(bytes.size() * sizeof(wchar_t));
    return Written(::RegSetValueExW(key.get(), valueName.c_str(), 0, valueType,
                                    reinterpret_cast<const BYTE*>(bytes.data()), byteCount) == ERROR_SUCCESS,
                   root, keyPath, valueName);
}

bool SetRegBytes(HKEY root, const std::wstring& keyPath, const std::wstring& valueName, DWORD valueType,
                 std::span<const std::uint8_t> data) {
    if (data.size() > kMaxRegValueBytes) {
        return false;
    }
    UniqueRegKey key;
    if (::RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                          key.put(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return Written(::RegSetValueExW(key.get(), valueName.c_str(), 0, valueType, data.data(),
                            static_cast<DWORD>(data.size())) == ERROR_SUCCESS,
                   root, keyPath, valueName);
}

bool SetRegBinary(HKEY root, const std::wstring& keyPath, const std::wstring& valueName,
                  std::span<const std::uint8_t> data) {
    return SetRegBytes(root, keyPath, valueName, REG_BINARY, data);
}

namespace {

// Reads one value of an open key, following a value whose size changes between asking for its size and
// reading it.
RegRead ReadValue(HKEY key, const std::wstring& valueName, DWORD& valueType, std::vector<std::uint8_t>& data) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    const LONG asked = ::RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size);
    if (asked != ERROR_SUCCESS) {
        return asked == ERROR_FILE_NOT_FOUND ? RegRead::Missing : RegRead::Unreadable;
    }
    std::vector<std::uint8_t> buffer;
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        if (size > kMaxRegValueBytes) {
            return RegRead::Unreadable;
        }
        buffer.resize(size);
        DWORD got = size;
        const LONG status = ::RegQueryValueExW(key, valueName.c_str(), nullptr, &type,
                                               buffer.empty() ? nullptr : buffer.data(), &got);
        if (status == ERROR_SUCCESS) {
            buffer.resize(std::min<std::size_t>(got, buffer.size()));
            valueType = type;
            data = std::move(buffer);
            return RegRead::Read;
        }
        if (status != ERROR_MORE_DATA) {
            return status == ERROR_FILE_NOT_FOUND ? RegRead::Missing : RegRead::Unreadable;
        }
        // `got` is the new size; grow at least a little in case a key type reports no size.
        size = std::max<DWORD>(got, size + size / 2 + 64);
    }
    return RegRead::Unreadable;
}

} // namespace

RegRead QueryRegBytes(HKEY root, const std::wstring& keyPath, const std::wstring& valueName, DWORD& valueType,
                      std::vector<std::uint8_t>& data) {
    UniqueRegKey key;
    const LONG opened = ::RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.put());
    if (opened != ERROR_SUCCESS) {
        return opened == ERROR_FILE_NOT_FOUND ? RegRead::Missing : RegRead::Unreadable;
    }
    return ReadValue(key.get(), valueName, valueType, data);
}

bool QueryRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName, DWORD& valueType,
                   std::wstring& result) {
    UniqueRegKey key;
    if (::RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
        return false;
    }
    // A missing, deleted, oversized or unreadable value reads as nothing.
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> buffer;
    if (ReadValue(key.get(), valueName, type, buffer) == RegRead::Read) {
        valueType = type;
        RenderRegistryValue(type, buffer, ExpandEnvironment, result);
    }
    return true;
}

bool DeleteRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName) {
    UniqueRegKey key;
    if (::RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS) {
        return false;
    }
    return Written(::RegDeleteValueW(key.get(), valueName.c_str()) == ERROR_SUCCESS, root, keyPath, valueName);
}

} // namespace kestrel::win
