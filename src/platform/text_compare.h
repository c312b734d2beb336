// Comparing names the way Windows compares file names: code unit by code unit after mapping both sides
// to upper case, for every script, independent of the user's locale and code page.
#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// Whole strings, ordinal, ignoring letter case (CompareStringOrdinal with ignore-case on Windows).
bool EqualIgnoringCase(std::wstring_view a, std::wstring_view b) noexcept;

// The text in lower case by the same table, for names that must not depend on letter case.
std::wstring LowerCase(std::wstring_view text);

} // namespace kestrel
