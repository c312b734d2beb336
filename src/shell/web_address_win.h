// The web address in use: the built-in one, or the https address an administrator set in the registry.
// Kestrel and both helper libraries read it the same way.
#pragma once

#include "base/web_addresses.h"

#include <string>

namespace kestrel::win {

// Room for the longest address IsHttpsAddress accepts and its terminating NUL.
inline constexpr unsigned kWebAddressCapacity = 2049;

// Writes into `out` the string value WebAddressValueName(which) under HKEY_CURRENT_USER\Software\Kestrel
// when it holds an https address; otherwise (missing, another type, plain http, not an address) the
// built-in address. Takes no heap, so that the helper libraries stay free of the C++ library.
void ResolveWebAddress(WebAddress which, wchar_t (&out)[kWebAddressCapacity]);

inline std::wstring ResolveWebAddress(WebAddress which) {
    wchar_t address[kWebAddressCapacity];
    ResolveWebAddress(which, address);
    return address;
}

} // namespace kestrel::win
