// The banner stays on https pages of its own, and a link the user clicks opens in the default browser.
#include "shell/advert_navigation.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(AdvertBanner, NavigationRules) {
    using enum BannerNavigation;
    struct Case {
        const wchar_t* url;
        bool wholePage, pageShown, userClicked;
        BannerNavigation expected;
    };
    const Case cases[] = {
        // Loading the page: https only, redirects and frames included.
        {L"https://kestrel.example/banner/", true, false, false, Allow},
        {L"HTTPS://cdn.kestrel.example/a.png?x=1", false, false, false, Allow},
        {L"http://kestrel.example/banner/", true, false, false, Block},
        {L"about:blank", false, false, false, Block},
        {L"file:///C:/Windows/win.ini", true, false, true, Block},
        {L"javascript:alert(1)", true, true, true, Block},
        // Once shown: frames may still load; a new page opens outside only after a click.
        {L"https://ads.example/frame", false, true, false, Allow},
        {L"https://kestrel.example/download", true, true, true, OpenInBrowser},
        {L"https://kestrel.example/next", true, true, false, Block},
        {L"http://kestrel.example/download", true, true, true, Block},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecideBannerNavigation({c.url, c.wholePage, c.pageShown, c.userClicked}), c.expected)
            << "case " << (&c - cases);
    }
}

} // namespace
} // namespace kestrel
