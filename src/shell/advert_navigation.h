// Where the advert banner may go. The banner shows one https page of ours; it is no browser. Links the
// user clicks leave it for the default browser, and nothing else navigates anywhere.
#pragma once

#include <string_view>

namespace kestrel {

enum class BannerNavigation {
    Allow,         // load it inside the banner
    Block,         // cancel it
    OpenInBrowser, // cancel it and hand the address to the user's default browser
};

struct BannerNavigationRequest {
    std::wstring_view url;
    bool wholePage = false;   // replaces the banner's page (or asks for a new window), not a frame in it
    bool pageShown = false;   // the banner's own page has finished loading once
    bool userClicked = false; // the user has just clicked in the banner
};

BannerNavigation DecideBannerNavigation(const BannerNavigationRequest& request);

} // namespace kestrel
