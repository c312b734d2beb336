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

std::wstring PlanFileSaveErrorText(std::wstring_view path) {
    return FillIn(text::kMsgPlanFileSaveError, L"{path}", path);
}

} // namespace kestrel
