// Rendering of raw registry value bytes as text; see the header for the rule of each type.
#include "platform/registry_value_text.h"
#include "base/app_messages.h"

#include <algorithm>

namespace kestrel {
namespace {

// The UTF-16LE code units in `data`; an odd last byte cannot be half of a character and is ignored.
std::wstring CodeUnits(std::span<const std::uint8_t> data) {
    std::wstring text(data.size() / 2, L'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    return text;
}

std::wstring UpToFirstNul(std::wstring text) {
    text.resize(std::min(text.size(), text.find(L'\0')));
    return text;
}

std::int32_t ReadNumber(std::span<const std::uint8_t> data, bool bigEndian) {
    const std::size_t count = std::min<std::size_t>(data.size(), 4);
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (bigEndian) {
            value = (value << 8) | data[i];
        } else {
            value |= static_cast<std::uint32_t>(data[i]) << (8 * i);
        }
    }
    return static_cast<std::int32_t>(value);
}

} // namespace

void RenderRegistryValue(std::uint32_t type, std::span<const std::uint8_t> data,
                         const EnvironmentExpander& expand, std::wstring& result) {
    switch (type) {
    case regtype::kSz:
        result = UpToFirstNul(CodeUnits(data));
        break;
    case regtype::kExpandSz: {
        std::wstring raw = UpToFirstNul(CodeUnits(data));
        result = expand ? UpToFirstNul(expand(raw)) : std::move(raw);
        break;
    }
    case regtype::kMultiSz: {
        // Only a closing NUL is dropped: a list written without one keeps its last character.
        std::wstring text = CodeUnits(data);
        if (!text.empty() && text.back() == L'\0') {
            text.pop_back();
        }
        result = std::move(text);
        break;
    }
    case regtype::kBinary: {
        static constexpr wchar_t kHexDigits[] = L"0123456789ABCDEF";
        result.reserve(result.size() + 2 * data.size());
        for (const std::uint8_t byte : data) {
            if (byte >= 0x10) {
                result += kHexDigits[byte >> 4];
            }
            result += kHexDigits[byte & 0x0F];
        }
        break;
    }
    case regtype::kDword:
    case regtype::kDwordBigEndian:
        if (data.empty()) {
            break; // no number to show
        }
        result = NumberText(ReadNumber(data, type == regtype::kDwordBigEndian));
        break;
    default: // kNone, kLink and types Kestrel does not render
        break;
    }
}

} // namespace kestrel

namespace kestrel {

std::vector<std::wstring> SplitMultiString(std::span<const std::uint8_t> data) {
    const std::wstring text = CodeUnits(data);
    std::vector<std::wstring> strings;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.size(), text.find(L'\0', start));
        if (end == start) {
            break; // the empty string that closes the list
        }
        strings.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return strings;
}

} // namespace kestrel
