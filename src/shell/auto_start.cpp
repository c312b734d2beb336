// Building the auto-start entry's text from the executable's path.
#include "shell/auto_start.h"

#include "base/texts.h"

namespace kestrel {
namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

} // namespace

std::wstring AutoStartData(std::wstring_view executablePath) {
    const std::size_t lastSeparator = executablePath.find_last_of(L"\\/");
    if (lastSeparator == std::wstring_view::npos || lastSeparator + 1 == executablePath.size()) {
        return {};
    }
    const std::wstring_view fileName = executablePath.substr(lastSeparator + 1);
    // A folder in the root of a drive ends in its own backslash ("C:\"); drop it so the join adds the
    // only one. A UNC or root-only prefix keeps what is left.
    std::wstring_view folder = executablePath.substr(0, lastSeparator);
    while (!folder.empty() && IsSeparator(folder.back())) {
        folder.remove_suffix(1);
    }

    std::wstring data;
    data.reserve(folder.size() + fileName.size() + 8);
    data += L'"';
    data += folder;
    data += L'\\';
    data += fileName;
    data += L"\" ";
    data += text::kMiniArgument;
    return data;
}

} // namespace kestrel
