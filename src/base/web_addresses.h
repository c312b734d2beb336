// The web addresses Kestrel and its two helper libraries use, defined once. They point at a reserved
// example domain until the project has its own site; an administrator (or a test) can point each one
// elsewhere with a string value under HKEY_CURRENT_USER\Software\Kestrel, as long as it is https.
#pragma once

#include <string_view>

namespace kestrel {

enum class WebAddress { HomePage, UpdateManifest, AdvertPage, Feedback };

inline constexpr wchar_t kSettingsKeyPath[] = L"Software\\Kestrel";

// The built-in address.
const wchar_t* DefaultWebAddress(WebAddress which);
// The name of the registry value that overrides it.
const wchar_t* WebAddressValueName(WebAddress which);

// True for an absolute https:// address with a host, of printable ASCII only and of a sane length;
// anything else (plain http, another scheme, blanks, control characters) is not taken as an address:
// everything Kestrel and its helpers fetch or show travels encrypted.
bool IsHttpsAddress(std::wstring_view text);
bool IsHttpsAddress(std::string_view text);

} // namespace kestrel
