// Message texts put together at run time; see app_messages.h.
#include "base/app_messages.h"

#include "base/texts.h"

namespace kestrel {

std::wstring PlanFileSaveErrorText(std::wstring_view path) {
    constexpr std::wstring_view kPlaceholder = L"{path}";
    std::wstring message = text::kMsgPlanFileSaveError;
    // The path is inserted once, where the placeholder stands; a path that itself holds "{path}" stays as
    // it is.
    if (const auto at = message.find(kPlaceholder); at != std::wstring::npos) {
        message.replace(at, kPlaceholder.size(), path);
    }
    return message;
}

} // namespace kestrel
