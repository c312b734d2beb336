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

std::wstring LowerCase(std::wstring_view text) {
    std::wstring lower(text);
    if (!lower.empty()) {
        // The invariant table maps each unit on its own, so the length stays the same.
        ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, text.data(), static_cast<int>(text.size()),
                        lower.data(), static_cast<int>(lower.size()), nullptr, nullptr, 0);
    }
    return lower;
}

} // namespace kestrel
