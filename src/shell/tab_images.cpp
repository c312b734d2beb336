// The tab image rule; see tab_images.h.
#include "shell/tab_images.h"

namespace kestrel {

std::array<int, kTabCount> TabImagesFor(int selected) {
    std::array<int, kTabCount> images{};
    for (int button = 1; button <= kTabCount; ++button) {
        images[button - 1] = button == selected ? 2 * button - 1 : 2 * button;
    }
    return images;
}

} // namespace kestrel
