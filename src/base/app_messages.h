// Message texts that are put together at run time.
#pragma once

#include <concepts>
#include <functional>
#include <string>
#include <string_view>

namespace kestrel {

// An integer in decimal digits, as std::to_wstring writes it. Kestrel's own: the library's goes through
// the wide printf, which brings the whole floating-point formatter into the executable.
template <std::integral Integer> std::wstring NumberText(Integer value) {
    wchar_t digits[24];
    wchar_t* start = digits + 24;
    const bool negative = value < 0;
    // The magnitude as unsigned, so that the smallest negative number has one too.
    auto magnitude = static_cast<std::make_unsigned_t<Integer>>(value);
    if (negative) {
        magnitude = static_cast<std::make_unsigned_t<Integer>>(0 - magnitude);
    }
    do {
        *--start = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) {
        *--start = L'-';
    }
    return std::wstring(start, digits + 24);
}

// `message` with `value` in place of the first `placeholder` ("{path}", "{reason}"). A value that itself
// holds a placeholder is not expanded again.
std::wstring FillIn(std::wstring_view message, std::wstring_view placeholder, std::wstring_view value);

// A line of `head`, `aside` and `text`, as a whole when `fits` accepts it. Otherwise `aside` is left out
// and `text` gives way: as much of it as fits, then "…". `head` is never cut, so the line keeps its
// start even when nothing of `text` fits. `fits` must accept every shorter line when it accepts a longer
// one (a width, or a count of characters). A cut never falls between the two UTF-16 units of one
// character.
std::wstring ShortenToFit(std::wstring_view head, std::wstring_view aside, std::wstring_view text,
                          const std::function<bool(const std::wstring& line)>& fits);

// The plan-file save failure message with the file's full path in place of "{path}".
std::wstring PlanFileSaveErrorText(std::wstring_view path);

} // namespace kestrel
