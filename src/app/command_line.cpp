// The "mini" argument rule; see command_line.h.
#include "app/command_line.h"

#include "base/texts.h"

namespace kestrel {

std::wstring_view ArgumentsOf(std::wstring_view commandLine) {
    std::size_t i = 0;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        // A quoted program name runs to the next quote; Windows allows no quote inside a path.
        const std::size_t close = commandLine.find(L'"', 1);
        i = close == std::wstring_view::npos ? commandLine.size() : close + 1;
    }
    while (i < commandLine.size() && commandLine[i] != L' ' && commandLine[i] != L'\t') {
        ++i;
    }
    while (i < commandLine.size() && (commandLine[i] == L' ' || commandLine[i] == L'\t')) {
        ++i;
    }
    return commandLine.substr(i);
}

bool StartsHidden(std::wstring_view arguments) {
    return arguments == text::kMiniArgument;
}

} // namespace kestrel
