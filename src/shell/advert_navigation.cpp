// The banner's navigation rules; see advert_navigation.h.
#include "shell/advert_navigation.h"

#include "base/web_addresses.h"

namespace kestrel {

BannerNavigation DecideBannerNavigation(const BannerNavigationRequest& request) {
    if (!IsHttpsAddress(request.url)) {
        return BannerNavigation::Block; // plain http, file:, javascript:, about: and the like
    }
    if (!request.wholePage || !request.pageShown) {
        return BannerNavigation::Allow; // the page itself, its redirects and its frames
    }
    // Once the page is up, a new page is either the user's click on a link or the page moving on by
    // itself; only the first is wanted, and then in the user's browser.
    return request.userClicked ? BannerNavigation::OpenInBrowser : BannerNavigation::Block;
}

} // namespace kestrel
