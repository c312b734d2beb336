// The last part of a Windows path, for code that compares or shows program file names.
#pragma once

#include <string_view>

namespace kestrel {

// The file name at the end of `path` (after its last backslash or slash); the whole text when it has none.
inline std::wstring_view FileNameOf(std::wstring_view path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}

} // namespace kestrel
