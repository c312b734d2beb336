// Message texts put together at run time; see app_messages.h.
#include "base/app_messages.h"

#include "base/texts.h"

namespace kestrel {

std::wstring FillIn(std::wstring_view message, std::wstring_view placeholder, std::wstring_view value) {
    std::wstring filled(message);
    if (const auto at = filled.find(placeholder); at != std::wstring::npos) {
        filled.replace(at, placeholder.size(), value);
    }
    return filled;
}

std::wstring ShortenToFit(std::wstring_view head, std::wstring_view aside, std::wstring_view text,
                          const std::function<bool(const std::wstring& line)>& fits) {
    for (const std::wstring_view middle : {aside, std::wstring_view()}) {
        std::wstring line = std::wstring(head).append(middle).append(text);
        if (fits(line)) {
            return line;
        }
    }
    const auto shortened = [&](std::size_t keep) {
        return std::wstring(head).append(text.substr(0, keep)).append(text::kEllipsis);
    };
    // The longest part of `text` that fits with the ellipsis, found in halves: a line is measured a few
    // times, not once per character. The whole of `text` is known not to fit.
    std::size_t fitting = 0;
    std::size_t tooLong = text.size();
    while (tooLong - fitting > 1) {
        const std::size_t middle = fitting + (tooLong - fitting) / 2;
        (fits(shortened(middle)) ? fitting : tooLong) = middle;
    }
    if (fitting > 0 && text[fitting - 1] >= 0xD800 && text[fitting - 1] <= 0xDBFF) {
        --fitting; // the first half of a character whose second half is cut off
    }
    return shortened(fitting);
}

std::wstring PlanFileSaveErrorText(std::wstring_view path) {
    return FillIn(text::kMsgPlanFileSaveError, L"{path}", path);
}

} // namespace kestrel
