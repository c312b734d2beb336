#include "shell/tab_images.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(TabImages, SelectedButtonShowsItsOddImageOthersTheirEvenOne) {
    const std::array<std::array<int, kTabCount>, kTabCount> expected{{
        {1, 4, 6, 8, 10},
        {2, 3, 6, 8, 10},
        {2, 4, 5, 8, 10},
        {2, 4, 6, 7, 10},
        {2, 4, 6, 8, 9},
    }};
    for (int tab = 1; tab <= kTabCount; ++tab) {
        const auto images = TabImagesFor(tab);
        EXPECT_EQ(images, expected[tab - 1]) << "tab " << tab;
        int selected = 0;
        for (int image : images) {
            selected += IsSelectedImage(image) ? 1 : 0;
        }
        EXPECT_EQ(selected, 1) << "tab " << tab;
    }
}

TEST(TabImages, OutOfRangeSelectsNothing) {
    EXPECT_EQ(TabImagesFor(0), (std::array<int, kTabCount>{2, 4, 6, 8, 10}));
    EXPECT_EQ(TabImagesFor(6), (std::array<int, kTabCount>{2, 4, 6, 8, 10}));
}

} // namespace
} // namespace kestrel
