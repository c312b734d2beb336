// EqualIgnoringCase over the system's own ordinal case table.
#include "platform/text_compare.h"

#include <windows.h>

namespace kestrel {

bool EqualIgnoringCase(std::wstring_view a, std::wstring_view b) noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    if (a.empty()) {
        return true;
    }
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

} // namespace kestrel
