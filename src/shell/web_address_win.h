// The web address in use: the built-in one, or the http(s) address an administrator set in the registry.
// Kestrel and both helper libraries read it the same way.
#pragma once

#include "base/web_addresses.h"

#include <string>

namespace kestrel::win {

// The string value WebAddressValueName(which) under HKEY_CURRENT_USER\Software\Kestrel when it holds an
// http(s) address; otherwise (missing, another type, not an address) the built-in address.
std::wstring ResolveWebAddress(WebAddress which);

} // namespace kestrel::win
