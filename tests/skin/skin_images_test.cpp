#include "gdi_handles.h"
#include "image_surface.h"
#include "skin_images.h"
#include "skin_state.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

namespace {

// Every pixel of the five images, in order, folded into one number (FNV-1a), and how many
// there were. The images were checked pixel by pixel against the design's tables when
// they were drawn; the digest keeps every one of their 2146 pixels so.
constexpr std::uint64_t kAllPixelsDigest = 4664258419642950294ull;

std::pair<std::uint64_t, int> DigestOfAllPixels() {
    std::uint64_t hash = 1469598103934665603ull;
    int count = 0;
    for (const auto* image : {&skin::ButtonSkin, &skin::DropButtonSkin, &skin::GlyphSkin,
                              &skin::BoxSkin, &skin::BarSkin}) {
        BITMAP bm{};
        GetObjectW(image->bitmap(), sizeof bm, &bm);
        for (int i = 0; i < bm.bmWidth * bm.bmHeight; ++i, ++count)
            hash =
                (hash ^ GetPixel(image->get(), i % bm.bmWidth, i / bm.bmWidth)) * 1099511628211ull;
    }
    return {hash, count};
}

// Built, the images hold the designed pixels; released, all five are empty and every
// GDI object they took is freed; built again, they are the same.
TEST(SkinImages, BuildHoldsTheDesignedPixelsAndReleaseFreesThemAll) {
    const long held = gdi_tally::Held(), acquired = gdi_tally::acquired.load();
    for (int round = 0; round < 3; ++round) {
        skin::BuildSkinImages();
        EXPECT_EQ(DigestOfAllPixels(), std::pair(kAllPixelsDigest, 2146)) << "round " << round;
        skin::ReleaseSkinImages();
        EXPECT_FALSE(skin::ButtonSkin || skin::DropButtonSkin || skin::GlyphSkin || skin::BoxSkin ||
                     skin::BarSkin);
        EXPECT_EQ(gdi_tally::Held(), held) << "round " << round;
    }
    EXPECT_GE(gdi_tally::acquired.load() - acquired, 3 * 5 * 2);
}

TEST(ImageSurface, HasTheSizeAskedAndRefusesSizesItCannotProvide) {
    const skin::ImageSurface surface = skin::CreateImageSurface(75, 25);
    BITMAP bm{};
    ASSERT_TRUE(surface && GetObjectW(surface.bitmap(), sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth * 100 + bm.bmHeight, 7525);
    EXPECT_EQ(GetCurrentObject(surface.get(), OBJ_BITMAP), surface.bitmap());
    const long held = gdi_tally::Held();
    for (const auto& [w, h] : {std::pair{0, 0}, {0, 5}, {5, 0}, {-1, 5}, {1 << 20, 1 << 20}}) {
        EXPECT_FALSE(skin::CreateImageSurface(w, h)) << w << "x" << h;
        EXPECT_EQ(gdi_tally::Held(), held) << w << "x" << h;
    }
}

} // namespace
