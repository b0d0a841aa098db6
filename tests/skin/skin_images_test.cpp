#include "skin_images.h"
#include "skin_state.h"
#include "skin_test_support.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

using skin_test::DescribeMismatches;
using skin_test::Hex;
using skin_test::Row;

namespace {

constexpr COLORREF K = 0x00FF00FF;

// The skin's published pixel tables, in their own notation.
constexpr std::string_view kDropRows[18] = {
    // hover side, middle; pressed side, middle
    "FFF9E8 FFF9E8 F3E1BE F3E1BE", "FEF8E6 FDEEC1 F3E1C0 E2B561", "FEF7E4 FCEBBC F4E3C1 E3B865",
    "FDF6E2 FAE8B7 F5E4C3 E5BB6A", "FDF5E0 F9E5B2 F5E5C6 E6BE70", "FCF3DE F7E1AC F6E7C8 E8C276",
    "FBF1DB F5DDA5 F7E8CB EAC57C", "FAF0D9 F3D99F F7E9CD ECC983", "F9EED6 F1D598 F8EBD0 EECD8A",
    "F9EDD3 EFD191 F9EDD3 EFD191", "F8EBD0 EECD8A F9EED6 F1D598", "F7E9CD ECC983 FAF0D9 F3D99F",
    "F7E8CB EAC57C FBF1DB F5DDA5", "F6E7C8 E8C276 FCF3DE F7E1AC", "F5E5C6 E6BE70 FDF5E0 F9E5B2",
    "F5E4C3 E5BB6A FDF6E2 FAE8B7", "F4E3C1 E3B865 FEF7E4 FCEBBC", "F3E1C0 F3E1C0 FEF8E6 FEF8E6",
};
constexpr std::string_view kBarRows[20] = {
    "FEF5EA FEF5EA FEF5EA FDE6BD FEEED3 FDE6BD FBD797 FBD797 FBD797",
    "FEF4E9 FEF4E9 FEF4E9 FCDEA7 FFEFD6 FCDEA7 FACE7E FFDC9F FACE7E",
    "FDF4E9 FDF3E8 FAEFE0 FCD48F FFEED3 F9D18B FAC566 FFDDA0 F7C364",
    "FDF3E9 FDF2E6 F7E8D6 FBCB77 FFEDD0 F5C571 FAC25E FFDEA2 F4BD5B",
    "FDF5EB FCF1E4 EFD9BC FAC565 FFECCC EDB85B FAC25E FFDFA4 EDB556",
    "FDF5EC FCF0E2 EBD1AE FAC25E FEEBC8 EAB154 FAC25E FFE0A6 EAB154",
    "FDF6ED FBEFE0 E6C79F FAC25E FEE9C4 E5AC51 FAC25E FFE2A8 E5AC51",
    "FDF6EF FBEDDF E2BF94 FAC25E FEE8C1 E1A84F FAC25E FFE3AB E1A84F",
    "FDF7F1 FAECDD DCB582 FAC25E FEE7BD DCA34C FAC25E FFE5AD DCA34C",
    "FBF5ED F6E5D3 D9B07A FAC25E FDE1AF DBA24B FAC25E FFE7B0 DBA24B",
    "FBF4ED F6E5D3 D9B07A FAC25E FDE0AE DBA24B FAC25E FFE8B3 DBA24B",
    "FBF3EB F6E5D3 DAB27D FAC25E FDE1AE DCA34C FAC25E FFEAB6 DCA34C",
    "FAF0E5 F6E5D3 DFBA8C FAC25E FDE1AF E1A84E FAC25E FFECB9 E1A84E",
    "F9EEE2 F6E5D3 E3C197 FAC25E FDE1AF E5AC51 FAC565 FFEDBC E5AD55",
    "F8ECDE F6E5D3 E6C8A3 FAC25E FDE1AF E9B154 FBCA6F FFEFBE E9B65F",
    "F8E9DA F6E5D3 EACFAF FAC25E FDE1AF EDB556 FBD07C FFF2C5 EEBF6D",
    "F6E6D5 F6E5D3 F1DCC4 FAC25E FDE1AF F4BD5A FCD68B FFF2C8 F6CF83",
    "F6E5D3 F6E5D3 F3E1CC FAC25E FDE0AC F7C05C FDDD99 FFF2C8 FAD994",
    "F6E5D3 F6E5D3 F6E5D3 FBCC73 FCDDA8 FBCC73 FDE3A8 FFF2C8 FDE3A8",
    "F2DAC0 F2DAC0 F2DAC0 F2DAC0 F2DAC0 F2DAC0 F2DAC0 F2DAC0 F2DAC0",
};
struct ButtonRow {
    int state, row;
    std::string_view columns;
};
constexpr ButtonRow kButtonRows[] = {
    {0, 0, "F9E1BF E3B36B D8972C D58F1B D8972C E3B36B F9E1BF"},
    {0, 1, "E2B269 E7C07E FBF3E7 FFFFFF FBF3E7 E7C07E E2B269"},
    {0, 2, "D79529 FCF6EC FFFFFF FFFFFF FFFFFF FCF6EC D79529"},
    {0, 3, "D58F1B FDFAF5 FCF8F1 FCF8F1 FCF8F1 FDFAF5 D58F1B"},
    {0, 10, "D58F1B FBF0E3 F9EAD7 F9EAD7 F9EAD7 FBF0E3 D58F1B"},
    {0, 17, "D58F1B F0DEC9 EAD0B1 EAD0B1 EAD0B1 F0DEC9 D58F1B"},
    {0, 18, "D79528 EED7BA ECD6BB E9CFB0 ECD5BB EED7BA D79528"},
    {0, 19, "E2B064 E1B268 EED8BB F1E0CC EED8BB E1B268 E1AF62"},
    {0, 20, "FBE7CA E1AE60 D8962A D58F1B D8962A E1AE60 FBE7CA"},
    {1, 0, "F9E1BF E3B36B D8972C D58F1B D8972C E3B36B F9E1BF"},
    {1, 1, "E2B269 E6A328 F8BB3C FBC34C F8BB3C E6A328 E2B269"},
    {1, 2, "D79529 F9BC3D FEDA8D FFEDC6 FEDA8D F9BC3D D79529"},
    {1, 3, "D58F1B FBC146 FDE3AE FCEED2 FEE4B0 FBC146 D58F1B"},
    {1, 10, "D58F1B FBC24A FCE4B9 FBEDD9 FCE4B9 FBC24A D58F1B"},
    {1, 17, "D58F1B F8BA39 F5D08F F2D4A7 F3CC88 F8BA39 D58F1B"},
    {1, 18, "D79528 F6B633 F7C970 F3D299 F7CA71 F6B635 D79528"},
    {1, 19, "E2B064 E5A125 F6B533 F8BB3F F6B633 E5A124 E1AF62"},
    {1, 20, "FBE7CA E1AE60 D8962A D58F1B D8962A E1AE60 FBE7CA"},
    {2, 0, "F9E1BF E3B36B D8972C D58F1B D8972C E3B36B F9E1BF"},
    {2, 1, "E2B269 E6A122 F8B530 FBBC39 F7B52F E6A123 E2B269"},
    {2, 2, "D79529 F8B62E F8C96F F3CC86 F8C86D F7B52C D79529"},
    {2, 3, "D58F1B F9B731 F2CA83 F3D49F F4CE8A F9B731 D58F1B"},
    {2, 10, "D58F1B FBBD3F F8DAAA F9E4C5 F8DAAA FBBD3F D58F1B"},
    {2, 17, "D58F1B FCBF3E FEE4AE FDEAC3 FDE2AC FCBF3E D58F1B"},
    {2, 18, "D79528 FAB936 FED786 FDE4AE FED788 FABA36 D79528"},
    {2, 19, "E2B064 E6A325 F9BA37 FDC140 F9BA37 E6A325 E1AF62"},
    {2, 20, "FBE7CA E1AE60 D8962A D58F1B D8962A E1AE60 FBE7CA"},
    {3, 0, "FBF7F2 EFD5AF EAC78F E8C387 EAC78F EFD5AF FBF7F2"},
    {3, 1, "EFD5AE F1DCB8 FBF5ED FDFBF8 FBF5ED F1DCB8 EFD5AE"},
    {3, 2, "E9C68E FBF7EF FDFBF8 FDFBF8 FDFBF8 FBF7EF E9C68E"},
    {3, 3, "E8C387 FCF8F3 FBF7F2 FBF7F2 FBF7F2 FCF8F3 E8C387"},
    {3, 10, "E8C387 FBF4EB FAF1E5 FAF1E5 FAF1E5 FBF4EB E8C387"},
    {3, 17, "E8C387 F6EADE F3E3D2 F3E3D2 F3E3D2 F6EADE E8C387"},
    {3, 18, "E9C68D F5E7D6 F4E6D7 F2E3D1 F4E6D7 F5E7D6 E9C68D"},
    {3, 19, "EFD3AB EED4AD F5E7D7 F6EBDF F5E7D7 EED4AD EED3AA"},
    {3, 20, "FBF6F2 EED2A9 EAC68E E8C387 EAC68E EED2A9 FBF6F2"},
};
constexpr std::string_view kBoxNormalRows[13] = {
    "K K K E7CFBC D9B395 D3A886 D2A683 D3A886 D9B395 E7CFBC K K K",
    "K K DBB89D DFC2A9 ECDFD1 F0E7DD F1E9DF F0E7DD ECDFD1 DFC2A9 DBB89D K K",
    "K DBB89D E5CEB9 F3ECE3 F4EDE5 F4EEE7 F4EEE7 F4EEE7 F4EDE5 F3ECE3 E5CEB9 DBB89D K",
    "E7CFBC DFC2A9 F4EDE5 F7F2ED FAF7F3 FBF9F7 FBF9F7 FBF9F7 FAF7F3 F7F2ED F4EDE5 DFC2A9 E7CFBC",
    "D9B395 EFE2D6 F8F4EF FCFBF9 FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FCFBF9 F8F4EF EFE2D6 D9B395",
    "D3A886 F6F0EB FCFBF9 FFFEFE FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FFFEFE FCFBF9 F6F0EB D3A886",
    "D2A683 FAF7F3 FEFEFD FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FEFEFD FAF7F3 D2A683",
    "D3A886 FAF7F4 FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FAF7F4 D3A886",
    "D9B395 F5EDE6 FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF F5EDE6 D9B395",
    "E7CFBC E3C8B3 FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF E3C8B3 E7CFBC",
    "K DBB89D ECD9CA FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF ECD9CA DBB89D K",
    "K K DBB89D E5CAB6 F8F2ED FEFDFC FFFFFF FEFDFC F8F2ED E5CAB6 DBB89D K K",
    "K K K E7CFBC D9B395 D3A886 D2A683 D3A886 D9B395 E7CFBC K K K",
};

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

TEST_F(SkinImages, DropButtonSkinMatchesEveryTabledPixel) {
    const auto expected = [](int x, int y) -> COLORREF {
        const std::vector<COLORREF> r = Row(kDropRows[y]);
        if (x == 0 || x == 4)
            return Hex("D1A04E");
        if (x < 4)
            return x == 2 ? r[1] : r[0];
        if (x < 8)
            return x == 6 ? r[3] : r[2];
        const int row = y % 4, arrow = y / 4; // 7, 5, 3, 1 wide, centred on column 11
        const bool inside = arrow < 2 && x >= 8 + row && x <= 14 - row;
        return inside ? (arrow == 0 ? Hex("5F5519") : Hex("ACA584")) : K;
    };
    EXPECT_EQ(DescribeMismatches(skin::DropButtonSkin.get(), 15, 18, expected), "");
}

TEST_F(SkinImages, GlyphSkinMatchesEveryTabledPixel) {
    struct Span {
        int from, to;
    };
    // Check-mark columns per row as tabled, then the colours of each mark's rows.
    const std::vector<std::vector<Span>> check = {{{8, 8}},         {{7, 8}},         {{6, 8}},
                                                  {{0, 1}, {5, 7}}, {{0, 2}, {4, 6}}, {{1, 5}},
                                                  {{2, 4}},         {{3, 3}}};
    const auto checkOn = Row("1DB754 1BB451 17AF4D 13A948 0FA243 0A9C3E 069639 029135");
    const auto checkOff = Row("8CDAA8 8BD9A6 89D6A4 87D3A2 85D09F 82CD9D 80C99A 7EC798");
    const auto squareOn = Row("1BB451 18B04E 14AB49 10A445 0C9E40 07983B 069639");
    const auto squareOff = Row("8BD9A6 89D6A4 87D4A3 86D1A0 83CE9E 81CA9B 80C99A");
    const std::string_view dotOn[5] = {
        "K 60CC87 28BA5C 60CC87 K", "5EC883 19B14F 19B14F 19B14F 5EC883",
        "1DAC50 12A847 12A847 12A847 1DAC50", "54BA78 0B9D3F 0B9D3F 0B9D3F 54BA78",
        "K 4FB473 109940 4FB473 K"};
    const std::string_view dotOff[5] = {
        "K AFE5C3 93DCAD AFE5C3 K", "AEE3C1 8CD8A7 8CD8A7 8CD8A7 AEE3C1",
        "8ED5A7 88D3A3 88D3A3 88D3A3 8ED5A7", "A9DCBB 85CE9F 85CE9F 85CE9F A9DCBB",
        "K A7D9B9 87CC9F A7D9B9 K"};
    const auto expected = [&](int x, int y) -> COLORREF {
        const bool disabled = x >= 9;
        const int c = disabled ? x - 9 : x;
        if (y < 8) {
            for (const Span& s : check[static_cast<size_t>(y)])
                if (c >= s.from && c <= s.to)
                    return (disabled ? checkOff : checkOn)[static_cast<size_t>(y)];
            return K;
        }
        if (y >= 9 && y <= 15 && c >= 1 && c <= 7)
            return (disabled ? squareOff : squareOn)[static_cast<size_t>(y - 9)];
        if (y >= 18 && y <= 22 && c >= 2 && c <= 6)
            return Row((disabled ? dotOff : dotOn)[y - 18])[static_cast<size_t>(c - 2)];
        return K;
    };
    EXPECT_EQ(DescribeMismatches(skin::GlyphSkin.get(), 18, 24, expected), "");
}

TEST_F(SkinImages, BarSkinMatchesEveryTabledPixel) {
    const auto expected = [](int x, int y) { return Row(kBarRows[y])[static_cast<size_t>(x)]; };
    EXPECT_EQ(DescribeMismatches(skin::BarSkin.get(), 9, 20, expected), "");
}

TEST_F(SkinImages, ButtonSkinMatchesEveryGivenRow) {
    for (const ButtonRow& given : kButtonRows) {
        const std::vector<COLORREF> want = Row(given.columns);
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(GetPixel(skin::ButtonSkin.get(), x, 21 * given.state + given.row),
                      want[static_cast<size_t>(x)])
                << "state " << given.state << " row " << given.row << " column " << x;
    }
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

TEST_F(SkinImages, BoxSkinNormalCellIsExactAndEveryCellIsTheSameDisc) {
    const HDC dc = skin::BoxSkin.get();
    EXPECT_EQ(DescribeMismatches(
                  dc, 13, 13,
                  [](int x, int y) { return Row(kBoxNormalRows[y])[static_cast<size_t>(x)]; }),
              "");
    // Outer ring from its ends to its middle, per state.
    const std::vector<COLORREF> rings[4] = {
        Row("E7CFBC D9B395 D3A886 D2A683"), Row("E7CFBC D9B395 D3A886 D2A683"),
        Row("DDBCA4 CA9976 C28B67 C18964"), Row("F3E7DD ECD9CA E9D3C2 E8D2C1")};
    for (int state = 1; state < 4; ++state) {
        const int top = 13 * state;
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 13; ++x) {
                const bool key = Row(kBoxNormalRows[y])[static_cast<size_t>(x)] == K;
                EXPECT_EQ(GetPixel(dc, x, top + y) == K, key)
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
        {skin::ButtonSkin, 0, 0, 0xF9E1BF},  {skin::ButtonSkin, 3, 0, 0xD58F1B},
        {skin::ButtonSkin, 0, 63, 0xFBF7F2}, {skin::DropButtonSkin, 8, 0, 0x5F5519},
        {skin::DropButtonSkin, 8, 1, K},     {skin::GlyphSkin, 8, 0, 0x1DB754},
        {skin::GlyphSkin, 0, 0, K},          {skin::BoxSkin, 0, 0, K},
        {skin::BoxSkin, 6, 6, 0xFFFFFF},
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
