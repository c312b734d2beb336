// Which picture each of the five tab buttons shows. Button i (1..5) has two pictures in the image list:
// 2i - 1 is its selected look, 2i its normal look.
#pragma once

#include <array>

namespace kestrel {

inline constexpr int kTabCount = 5;

// The 1-based image numbers of buttons 1..5 when tab `selected` (1..5) is in front. Any other value
// selects none of them.
std::array<int, kTabCount> TabImagesFor(int selected);

inline constexpr bool IsSelectedImage(int image) {
    return image % 2 == 1;
}

} // namespace kestrel
