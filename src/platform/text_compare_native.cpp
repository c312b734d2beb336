// EqualIgnoringCase for the native build: the C library's Unicode case table (C.UTF-8), whatever
// locale the process runs in, so that the tests of the matching rule see what Windows does.
#include "platform/text_compare.h"

#include <locale.h>
#include <wctype.h>

namespace kestrel {

namespace {

locale_t UnicodeLocale() {
    static const locale_t locale = [] {
        locale_t made = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        return made ? made : ::newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
    }();
    return locale;
}

} // namespace

bool EqualIgnoringCase(std::wstring_view a, std::wstring_view b) noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    const locale_t locale = UnicodeLocale();
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && ::towupper_l(static_cast<wint_t>(a[i]), locale) !=
                                ::towupper_l(static_cast<wint_t>(b[i]), locale)) {
            return false;
        }
    }
    return true;
}

std::wstring LowerCase(std::wstring_view text) {
    const locale_t locale = UnicodeLocale();
    std::wstring lower(text);
    for (wchar_t& c : lower) {
        c = static_cast<wchar_t>(::towlower_l(static_cast<wint_t>(c), locale));
    }
    return lower;
}

} // namespace kestrel
