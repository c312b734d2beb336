// Building the auto-start entry's text from the executable's path.
#include "shell/auto_start.h"

#include "base/texts.h"
#include "platform/text_compare.h"

#include <algorithm>

namespace kestrel {
namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

std::wstring_view TrimBlanks(std::wstring_view text) {
    const std::size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

std::wstring_view ProgramOf(std::wstring_view data) {
    data = TrimBlanks(data);
    if (!data.empty() && data.front() == L'"') {
        // Windows allows no quote inside a path: the program runs to the next one.
        return TrimBlanks(data.substr(1, data.find(L'"', 1) - 1));
    }
    const std::wstring_view mini = text::kMiniArgument;
    const std::wstring_view before = data.substr(0, data.size() - std::min(data.size(), mini.size()));
    if (data.ends_with(mini) && !before.empty() && TrimBlanks(before).size() < before.size()) {
        return TrimBlanks(before); // the argument, not a file named "...mini"
    }
    return data;
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

std::wstring OtherAutoStartProgram(std::wstring_view data, std::wstring_view executablePath) {
    const std::wstring_view program = ProgramOf(data);
    if (program.empty() || EqualIgnoringCase(program, executablePath)) {
        return {};
    }
    return std::wstring(program);
}

} // namespace kestrel
