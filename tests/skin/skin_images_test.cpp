#include "skin_images.h"
#include "skin_state.h"
#include "skin_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

using skin_test::Hex;
using skin_test::Row;

namespace {

constexpr COLORREF K = 0x00FF00FF;

// Every pixel of the five images, in order, folded into one number (FNV-1a).
// The images were checked pixel by pixel against their tables when they were
// drawn; the digest keeps them so, and the named pixels below say what a
// change broke.
constexpr std::uint64_t kAllPixelsDigest = 4664258419642950294ull;

std::uint64_t DigestOfAllPixels() {
    std::uint64_t hash = 1469598103934665603ull;
    for (const auto* image : {&skin::ButtonSkin, &skin::DropButtonSkin, &skin::GlyphSkin,
                              &skin::BoxSkin, &skin::BarSkin}) {
        BITMAP bm{};
        GetObjectW(image->bitmap(), sizeof bm, &bm);
        for (int y = 0; y < bm.bmHeight; ++y)
            for (int x = 0; x < bm.bmWidth; ++x) {
                hash ^= GetPixel(image->get(), x, y);
                hash *= 1099511628211ull;
            }
    }
    return hash;
}

bool InRange(int a, int b, int v) {
    return (a <= v && v <= b) || (b <= v && v <= a);
}
int Ch(COLORREF c, int shift) {
    return static_cast<int>((c >> shift) & 0xFF);
}

class SkinImages : public ::testing::Test {
  protected:
    skin_test::ScopedSkinImages images_;
};

TEST_F(SkinImages, EveryPixelIsAsDrawnWhenTheTablesWereChecked) {
    EXPECT_EQ(DigestOfAllPixels(), kAllPixelsDigest);
}

TEST_F(SkinImages, ButtonSkinFaceRowsRunMonotonicallyBetweenGivenRows) {
    const HDC dc = skin::ButtonSkin.get();
    for (int state = 0; state < 4; ++state)
        for (const auto& [from, to] : {std::pair{3, 10}, std::pair{10, 17}})
            for (int x = 0; x < 7; ++x)
                for (int shift : {0, 8, 16}) {
                    int previous = Ch(GetPixel(dc, x, 21 * state + from), shift);
                    const int last = Ch(GetPixel(dc, x, 21 * state + to), shift);
                    const int direction = last - previous;
                    for (int y = from + 1; y <= to; ++y) {
                        const int v = Ch(GetPixel(dc, x, 21 * state + y), shift);
                        EXPECT_GE((v - previous) * (direction >= 0 ? 1 : -1), 0)
                            << "state " << state << " column " << x << " row " << y;
                        previous = v;
                    }
                }
}

TEST_F(SkinImages, EveryBoxSkinCellIsTheSameDiscWithItsOwnRing) {
    const HDC dc = skin::BoxSkin.get();
    // Outer ring from its ends to its middle, per state.
    const std::vector<COLORREF> rings[4] = {
        Row("E7CFBC D9B395 D3A886 D2A683"), Row("E7CFBC D9B395 D3A886 D2A683"),
        Row("DDBCA4 CA9976 C28B67 C18964"), Row("F3E7DD ECD9CA E9D3C2 E8D2C1")};
    for (int state = 0; state < 4; ++state) {
        const int top = 13 * state;
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 13; ++x) {
                // The key marks the three pixels of each corner outside the disc.
                const int d = std::min(x, 12 - x) + std::min(y, 12 - y);
                EXPECT_EQ(GetPixel(dc, x, top + y) == K, d < 3)
                    << "state " << state << " (" << x << "," << y << ")";
            }
        for (int i = 3; i <= 9; ++i) {
            const COLORREF ring = rings[state][static_cast<size_t>(3 - std::abs(i - 6))];
            for (const POINT p : {POINT{i, 0}, POINT{i, 12}, POINT{0, i}, POINT{12, i}})
                EXPECT_EQ(GetPixel(dc, p.x, top + p.y), ring)
                    << "state " << state << " ring (" << p.x << "," << p.y << ")";
        }
    }
    // The bands that fill check boxes lie inside the hover and pressed gradients.
    const struct {
        int top;
        COLORREF a, b;
    } bands[] = {{17, Hex("F8EAC3"), Hex("FDF5E0")}, {30, Hex("FDF1D4"), Hex("F5E1AD")}};
    for (const auto& band : bands)
        for (int y = band.top; y < band.top + 5; ++y)
            for (int x = 1; x < 12; ++x)
                for (int shift : {0, 8, 16})
                    EXPECT_TRUE(InRange(Ch(band.a, shift), Ch(band.b, shift),
                                        Ch(GetPixel(dc, x, y), shift)))
                        << "(" << x << "," << y << ")";
}

TEST_F(SkinImages, NamedPixelsHaveTheirColours) {
    const struct {
        const skin::ImageSurface& image;
        int x, y;
        COLORREF colour;
    } cases[] = {
        // Push-button faces: the corner and the middle of the top border, the
        // inside just under it, each state's band of 21 rows.
        {skin::ButtonSkin, 0, 0, 0xF9E1BF},   {skin::ButtonSkin, 3, 0, 0xD58F1B},
        {skin::ButtonSkin, 3, 1, 0xFFFFFF},   {skin::ButtonSkin, 3, 22, 0xFBC34C},
        {skin::ButtonSkin, 3, 44, 0xF3CC86},  {skin::ButtonSkin, 0, 63, 0xFBF7F2},
        {skin::ButtonSkin, 6, 83, 0xFBF6F2},
        // The drop button: its frame column, hover and pressed bands, the arrows.
        {skin::DropButtonSkin, 0, 0, 0xD1A04E}, {skin::DropButtonSkin, 1, 0, 0xFFF9E8},
        {skin::DropButtonSkin, 6, 1, 0xE2B561}, {skin::DropButtonSkin, 8, 0, 0x5F5519},
        {skin::DropButtonSkin, 12, 5, 0xACA584}, {skin::DropButtonSkin, 8, 1, K},
        // Glyphs: the check mark on and off, the square, the dot.
        {skin::GlyphSkin, 8, 0, 0x1DB754},    {skin::GlyphSkin, 17, 0, 0x8CDAA8},
        {skin::GlyphSkin, 0, 0, K},           {skin::GlyphSkin, 1, 9, 0x1BB451},
        {skin::GlyphSkin, 4, 20, 0x12A847},   {skin::GlyphSkin, 13, 20, 0x88D3A3},
        // Boxes and bars.
        {skin::BoxSkin, 0, 0, K},             {skin::BoxSkin, 6, 6, 0xFFFFFF},
        {skin::BoxSkin, 6, 0, 0xD2A683},      {skin::BarSkin, 0, 0, 0xFEF5EA},
        {skin::BarSkin, 7, 2, 0xFFDDA0},      {skin::BarSkin, 8, 18, 0xFDE3A8},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetPixel(c.image.get(), c.x, c.y), c.colour) << "(" << c.x << "," << c.y << ")";
    for (int x = 0; x < 9; ++x)
        EXPECT_EQ(GetPixel(skin::BarSkin.get(), x, 19), 0xF2DAC0u);
}

TEST(SkinImageLifecycle, ReleaseEmptiesTheImagesAndRebuildGivesTheSamePixels) {
    const auto snapshot = [] {
        std::vector<COLORREF> all;
        for (const auto* image : {&skin::ButtonSkin, &skin::DropButtonSkin, &skin::GlyphSkin,
                                  &skin::BoxSkin, &skin::BarSkin}) {
            BITMAP bm{};
            GetObjectW(image->bitmap(), sizeof bm, &bm);
            for (int y = 0; y < bm.bmHeight; ++y)
                for (int x = 0; x < bm.bmWidth; ++x)
                    all.push_back(GetPixel(image->get(), x, y));
        }
        return all;
    };
    skin::BuildSkinImages();
    const std::vector<COLORREF> first = snapshot();
    EXPECT_EQ(first.size(), 2146u);
    skin::ReleaseSkinImages();
    for (const auto* image : {&skin::ButtonSkin, &skin::DropButtonSkin, &skin::GlyphSkin,
                              &skin::BoxSkin, &skin::BarSkin})
        EXPECT_FALSE(*image);
    skin::BuildSkinImages();
    EXPECT_EQ(snapshot(), first);
    skin::ReleaseSkinImages();
}

TEST(ImageSurface, HasTheSizeAskedAndRefusesSizesItCannotProvide) {
    const skin::ImageSurface surface = skin::CreateImageSurface(75, 25);
    ASSERT_TRUE(surface);
    BITMAP bm{};
    ASSERT_TRUE(GetObjectW(surface.bitmap(), sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, 75);
    EXPECT_EQ(bm.bmHeight, 25);
    EXPECT_EQ(GetCurrentObject(surface.get(), OBJ_BITMAP), surface.bitmap());

    const long held = gdi_tally::Held();
    for (const auto& [w, h] : {std::pair{0, 0}, std::pair{0, 5}, std::pair{5, 0}, std::pair{-1, 5},
                               std::pair{1 << 20, 1 << 20}}) {
        EXPECT_FALSE(skin::CreateImageSurface(w, h)) << w << "x" << h;
        EXPECT_EQ(gdi_tally::Held(), held) << w << "x" << h;
    }
}

} // namespace
