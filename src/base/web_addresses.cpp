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

bool IsHttpAddress(std::wstring_view text) {
    constexpr std::size_t kMaxLength = 2048;
    if (text.size() > kMaxLength) {
        return false;
    }
    for (wchar_t c : text) {
        if (c <= L' ' || c > L'~') {
            return false;
        }
    }
    std::wstring_view rest;
    for (std::wstring_view scheme : {std::wstring_view(L"http://"), std::wstring_view(L"https://")}) {
        if (text.size() >= scheme.size()) {
            std::wstring_view head = text.substr(0, scheme.size());
            bool same = true;
            for (std::size_t i = 0; i < head.size(); ++i) {
                const wchar_t c = head[i] >= L'A' && head[i] <= L'Z' ? head[i] - L'A' + L'a' : head[i];
                same = same && c == scheme[i];
            }
            if (same) {
                rest = text.substr(scheme.size());
                break;
            }
        }
    }
    // A host must follow the scheme.
    return !rest.empty() && rest.front() != L'/' && rest.front() != L':' && rest.front() != L'?' &&
           rest.front() != L'#';
}

} // namespace kestrel
