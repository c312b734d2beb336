// Which texts count as a web address Kestrel and its helpers may use: absolute https addresses only.
#include "base/web_addresses.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrel {
namespace {

TEST(WebAddresses, OnlyHttpsAddressesWithAHostAreTaken) {
    struct Case {
        std::wstring text;
        bool taken;
    };
    const Case cases[] = {
        {L"https://kestrel.example/", true},
        {L"HTTPS://Kestrel.Example:8443/update/latest.txt?x=1#y", true},
        {L"https://localhost", true},
        {L"http://kestrel.example/", false}, // plain http is refused like any other scheme
        {L"ftp://kestrel.example/", false},
        {L"file:///C:/Windows/win.ini", false},
        {L"javascript:alert(1)", false},
        {L"https://", false},
        {L"https:///path", false},
        {L"https://:443/", false},
        {L"https://?q", false},
        {L"https://@host/", false},
        {L" https://kestrel.example/", false},
        {L"https://kestrel.example/a b", false},
        {L"https://kestrel.example/\x4E2D", false},
        {L"https://kestrel.example/\t", false},
        {L"https://k/" + std::wstring(2048 - 10, L'a'), true},
        {L"https://k/" + std::wstring(2048 - 9, L'a'), false}, // longer than any address we keep
        {L"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsHttpsAddress(c.text), c.taken) << "case " << (&c - cases);
        // Text that came over the network in bytes is judged the same way.
        const std::string bytes(c.text.begin(), c.text.end());
        if (std::wstring(bytes.begin(), bytes.end()) == c.text) {
            EXPECT_EQ(IsHttpsAddress(std::string_view(bytes)), c.taken) << "case " << (&c - cases);
        }
    }
    EXPECT_FALSE(IsHttpsAddress(std::string_view("https://kestrel.example/\xE4\xB8\xAD")));
}

} // namespace
} // namespace kestrel
