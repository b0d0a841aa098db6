#include "draw_primitives.h"
#include "scratch_surfaces.h"
#include "skin_colours.h"
#include "skin_images.h"
#include "skin_state.h"
#include "skin_test_support.h"

#include <gtest/gtest.h>

namespace {

// Wine does not count GDI objects in GetGuiResources (it answers 0); where the
// system does count, its figure must balance too.
DWORD SystemGdiCount() {
    return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
}

class GdiBalance : public ::testing::Test {
  protected:
    void SetUp() override {
        skin::ReleaseScratchSurfaces(); // left by earlier tests; counted from empty
        heldBefore_ = gdi_tally::Held();
        acquiredBefore_ = gdi_tally::acquired.load();
        systemBefore_ = SystemGdiCount();
    }
    void ExpectBalanced(long minimumCreated) {
        EXPECT_EQ(gdi_tally::Held(), heldBefore_);
        EXPECT_GE(gdi_tally::acquired.load() - acquiredBefore_, minimumCreated);
        if (systemBefore_ != 0) {
            EXPECT_EQ(SystemGdiCount(), systemBefore_);
        }
    }

  private:
    long heldBefore_ = 0, acquiredBefore_ = 0;
    DWORD systemBefore_ = 0;
};

TEST_F(GdiBalance, BuildingAndReleasingTheImagesAThousandTimes) {
    for (int i = 0; i < 1000; ++i) {
        skin::BuildSkinImages();
        ASSERT_TRUE(skin::BarSkin);
        skin::ReleaseSkinImages();
    }
    ExpectBalanced(1000 * 5 * 2);
}

TEST_F(GdiBalance, TenThousandSlicesAndKeyedCopies) {
    {
        skin_test::ScopedSkinImages images;
        const skin::ImageSurface dest = skin::CreateImageSurface(80, 30);
        for (int i = 0; i < 10000; ++i) {
            skin::DrawSkinSlice(dest.get(), 0, 0, 75, 25, skin::ButtonSkin.get(), 0, 21 * (i % 4),
                                7, 21, 3, 3, 3, 3);
            skin::DrawKeyed(dest.get(), 2, 2, 13, 13, skin::BoxSkin.get(), 0, 13 * (i % 4),
                            skin::kSkinKey);
        }
        for (int i = 0; i < 1000; ++i)
            skin::DrawSkinSlice(dest.get(), 0, 0, 13, 13, skin::BoxSkin.get(), 0, 0, 13, 13, 5, 5,
                                5, 5, skin::kSkinKey);
    }
    ExpectBalanced(4); // the scratch surfaces, once
}

} // namespace
