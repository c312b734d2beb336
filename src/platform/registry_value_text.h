// How Kestrel shows a registry value as text: the raw bytes of a value, rendered by the value's type.
// Portable, so that every odd case (missing terminators, odd byte counts, short numbers) is tested
// natively; the Windows side only fetches the bytes and passes its environment expander.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace kestrel {

// Registry value types, numbered as Windows numbers them (this file cannot include <windows.h>).
namespace regtype {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kSz = 1;
inline constexpr std::uint32_t kExpandSz = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kDwordBigEndian = 5;
inline constexpr std::uint32_t kLink = 6;
inline constexpr std::uint32_t kMultiSz = 7;
} // namespace regtype

// Replaces environment references (%NAME%) in a text; Windows passes ExpandEnvironmentStringsW.
using EnvironmentExpander = std::function<std::wstring(const std::wstring&)>;

// Renders `data`, the raw bytes of a value of type `type`, into `result`:
//   kSz          the text up to its first NUL (all of it when there is none);
//   kExpandSz    the same text passed through `expand`, again up to the first NUL;
//   kMultiSz     every string with the NULs between them kept; only the list's closing NUL is dropped;
//   kBinary      each byte as upper-case hex without a leading zero, APPENDED to `result` (0A 1F: "A1F");
//   kDword       the 32-bit little-endian number as signed decimal;
//   kDwordBigEndian  the same, read big-endian;
//   kNone, kLink and every type above kMultiSz leave `result` unchanged.
// Text values are UTF-16LE code units; a trailing odd byte is ignored. Each code unit becomes one wchar_t
// (exactly the UTF-16 string on Windows). Numbers shorter than four bytes are read from the bytes present
// (none at all leaves `result` unchanged); longer data is read from its first four bytes.
void RenderRegistryValue(std::uint32_t type, std::span<const std::uint8_t> data,
                         const EnvironmentExpander& expand, std::wstring& result);

// The strings of a REG_MULTI_SZ value's raw bytes, in order, up to the empty string that closes the
// list. A missing closing NUL is tolerated; a trailing odd byte is ignored.
std::vector<std::wstring> SplitMultiString(std::span<const std::uint8_t> data);

} // namespace kestrel
