#include "scratch_surfaces.h"
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

TEST_F(GdiBalance, BuildingAndReleasingTheImagesLeavesNothing) {
    for (int i = 0; i < 10; ++i) {
        skin::BuildSkinImages();
        ASSERT_TRUE(skin::BarSkin);
        skin::ReleaseSkinImages();
    }
    ExpectBalanced(10 * 5 * 2);
}

} // namespace
