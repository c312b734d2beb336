// The built-in web addresses and the test an overriding value must pass; see web_addresses.h.
#include "base/web_addresses.h"

namespace kestrel {

const wchar_t* DefaultWebAddress(WebAddress which) {
    switch (which) {
    case WebAddress::HomePage:
        return L"https://kestrel.example/";
    case WebAddress::UpdateManifest:
        return L"https://kestrel.example/update/latest.txt";
    case WebAddress::AdvertPage:
        return L"https://kestrel.example/banner/";
    case WebAddress::Feedback:
        return L"https://kestrel.example/feedback";
    }
    return L"";
}

const wchar_t* WebAddressValueName(WebAddress which) {
    switch (which) {
    case WebAddress::HomePage:
        return L"HomePage";
    case WebAddress::UpdateManifest:
        return L"UpdateManifest";
    case WebAddress::AdvertPage:
        return L"AdvertPage";
    case WebAddress::Feedback:
        return L"Feedback";
    }
    return L"";
}

namespace {

template <typename Char> bool IsHttpsAddressOf(std::basic_string_view<Char> text) {
    constexpr std::size_t kMaxLength = 2048;
    constexpr std::string_view kScheme = "https://";
    if (text.size() > kMaxLength || text.size() <= kScheme.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned>(text[i]);
        if (c <= ' ' || c > '~') {
            return false;
        }
        // The scheme in any letter case, as browsers take it.
        if (i < kScheme.size() &&
            (c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != static_cast<unsigned>(kScheme[i])) {
            return false;
        }
    }
    // A host must follow the scheme.
    const auto first = text[kScheme.size()];
    return first != '/' && first != ':' && first != '?' && first != '#' && first != '@';
}

} // namespace

bool IsHttpsAddress(std::wstring_view text) {
    return IsHttpsAddressOf(text);
}

bool IsHttpsAddress(std::string_view text) {
    return IsHttpsAddressOf(text);
}

} // namespace kestrel
