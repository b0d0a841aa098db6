#pragma once
#include "skin_colours.h"
#include "skin_numbers.h"

#include <windows.h>

#include <array>
#include <string_view>

// The pixels of the five skin images, computed at compile time. Tabled values are the
// skin's own design; the rows and cells between them are drawn by rule (smooth runs,
// gradients, a paler copy) so that they sit between their tabled neighbours.
namespace skin::pixels {

inline constexpr COLORREF K = kSkinKey;

template <int W, int H> struct PixelImage {
    static constexpr int width = W;
    static constexpr int height = H;
    std::array<COLORREF, static_cast<size_t>(W* H)> px{};

    constexpr COLORREF at(int x, int y) const { return px[static_cast<size_t>(y * W + x)]; }
    constexpr void set(int x, int y, COLORREF c) { px[static_cast<size_t>(y * W + x)] = c; }
    constexpr void fill(COLORREF c) {
        for (COLORREF& p : px)
            p = c;
    }
};

constexpr int Channel(COLORREF c, int shift) {
    return static_cast<int>((c >> shift) & 0xFF);
}

// a + (b - a) * step / steps, channel by channel, rounded half to even.
constexpr COLORREF MixColour(COLORREF a, COLORREF b, int step, int steps) {
    COLORREF out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int ca = Channel(a, shift);
        const int cb = Channel(b, shift);
        const int mixed = RoundHalfEvenRatio(
            static_cast<long long>(ca) * (steps - step) + static_cast<long long>(cb) * step, steps);
        out |= static_cast<COLORREF>(mixed) << shift;
    }
    return out;
}

// ---- ButtonSkin: four 7 x 21 faces stacked by VisualState ----

inline constexpr int kButtonFaceHeight = 21;
// Rows given for every face; the face rows between 3, 10 and 17 run smoothly.
inline constexpr std::array<int, 9> kButtonGivenRows{0, 1, 2, 3, 10, 17, 18, 19, 20};
inline constexpr COLORREF kButtonGiven[4][9][7] = {
    {
        // normal
        {0xF9E1BF, 0xE3B36B, 0xD8972C, 0xD58F1B, 0xD8972C, 0xE3B36B, 0xF9E1BF}, // row 0
        {0xE2B269, 0xE7C07E, 0xFBF3E7, 0xFFFFFF, 0xFBF3E7, 0xE7C07E, 0xE2B269}, // row 1
        {0xD79529, 0xFCF6EC, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFCF6EC, 0xD79529}, // row 2
        {0xD58F1B, 0xFDFAF5, 0xFCF8F1, 0xFCF8F1, 0xFCF8F1, 0xFDFAF5, 0xD58F1B}, // row 3
        {0xD58F1B, 0xFBF0E3, 0xF9EAD7, 0xF9EAD7, 0xF9EAD7, 0xFBF0E3, 0xD58F1B}, // row 10
        {0xD58F1B, 0xF0DEC9, 0xEAD0B1, 0xEAD0B1, 0xEAD0B1, 0xF0DEC9, 0xD58F1B}, // row 17
        {0xD79528, 0xEED7BA, 0xECD6BB, 0xE9CFB0, 0xECD5BB, 0xEED7BA, 0xD79528}, // row 18
        {0xE2B064, 0xE1B268, 0xEED8BB, 0xF1E0CC, 0xEED8BB, 0xE1B268, 0xE1AF62}, // row 19
        {0xFBE7CA, 0xE1AE60, 0xD8962A, 0xD58F1B, 0xD8962A, 0xE1AE60, 0xFBE7CA}, // row 20
    },
    {
        // hover
        {0xF9E1BF, 0xE3B36B, 0xD8972C, 0xD58F1B, 0xD8972C, 0xE3B36B, 0xF9E1BF}, // row 0
        {0xE2B269, 0xE6A328, 0xF8BB3C, 0xFBC34C, 0xF8BB3C, 0xE6A328, 0xE2B269}, // row 1
        {0xD79529, 0xF9BC3D, 0xFEDA8D, 0xFFEDC6, 0xFEDA8D, 0xF9BC3D, 0xD79529}, // row 2
        {0xD58F1B, 0xFBC146, 0xFDE3AE, 0xFCEED2, 0xFEE4B0, 0xFBC146, 0xD58F1B}, // row 3
        {0xD58F1B, 0xFBC24A, 0xFCE4B9, 0xFBEDD9, 0xFCE4B9, 0xFBC24A, 0xD58F1B}, // row 10
        {0xD58F1B, 0xF8BA39, 0xF5D08F, 0xF2D4A7, 0xF3CC88, 0xF8BA39, 0xD58F1B}, // row 17
        {0xD79528, 0xF6B633, 0xF7C970, 0xF3D299, 0xF7CA71, 0xF6B635, 0xD79528}, // row 18
        {0xE2B064, 0xE5A125, 0xF6B533, 0xF8BB3F, 0xF6B633, 0xE5A124, 0xE1AF62}, // row 19
        {0xFBE7CA, 0xE1AE60, 0xD8962A, 0xD58F1B, 0xD8962A, 0xE1AE60, 0xFBE7CA}, // row 20
    },
    {
        // pressed
        {0xF9E1BF, 0xE3B36B, 0xD8972C, 0xD58F1B, 0xD8972C, 0xE3B36B, 0xF9E1BF}, // row 0
        {0xE2B269, 0xE6A122, 0xF8B530, 0xFBBC39, 0xF7B52F, 0xE6A123, 0xE2B269}, // row 1
        {0xD79529, 0xF8B62E, 0xF8C96F, 0xF3CC86, 0xF8C86D, 0xF7B52C, 0xD79529}, // row 2
        {0xD58F1B, 0xF9B731, 0xF2CA83, 0xF3D49F, 0xF4CE8A, 0xF9B731, 0xD58F1B}, // row 3
        {0xD58F1B, 0xFBBD3F, 0xF8DAAA, 0xF9E4C5, 0xF8DAAA, 0xFBBD3F, 0xD58F1B}, // row 10
        {0xD58F1B, 0xFCBF3E, 0xFEE4AE, 0xFDEAC3, 0xFDE2AC, 0xFCBF3E, 0xD58F1B}, // row 17
        {0xD79528, 0xFAB936, 0xFED786, 0xFDE4AE, 0xFED788, 0xFABA36, 0xD79528}, // row 18
        {0xE2B064, 0xE6A325, 0xF9BA37, 0xFDC140, 0xF9BA37, 0xE6A325, 0xE1AF62}, // row 19
        {0xFBE7CA, 0xE1AE60, 0xD8962A, 0xD58F1B, 0xD8962A, 0xE1AE60, 0xFBE7CA}, // row 20
    },
    {
        // disabled
        {0xFBF7F2, 0xEFD5AF, 0xEAC78F, 0xE8C387, 0xEAC78F, 0xEFD5AF, 0xFBF7F2}, // row 0
        {0xEFD5AE, 0xF1DCB8, 0xFBF5ED, 0xFDFBF8, 0xFBF5ED, 0xF1DCB8, 0xEFD5AE}, // row 1
        {0xE9C68E, 0xFBF7EF, 0xFDFBF8, 0xFDFBF8, 0xFDFBF8, 0xFBF7EF, 0xE9C68E}, // row 2
        {0xE8C387, 0xFCF8F3, 0xFBF7F2, 0xFBF7F2, 0xFBF7F2, 0xFCF8F3, 0xE8C387}, // row 3
        {0xE8C387, 0xFBF4EB, 0xFAF1E5, 0xFAF1E5, 0xFAF1E5, 0xFBF4EB, 0xE8C387}, // row 10
        {0xE8C387, 0xF6EADE, 0xF3E3D2, 0xF3E3D2, 0xF3E3D2, 0xF6EADE, 0xE8C387}, // row 17
        {0xE9C68D, 0xF5E7D6, 0xF4E6D7, 0xF2E3D1, 0xF4E6D7, 0xF5E7D6, 0xE9C68D}, // row 18
        {0xEFD3AB, 0xEED4AD, 0xF5E7D7, 0xF6EBDF, 0xF5E7D7, 0xEED4AD, 0xEED3AA}, // row 19
        {0xFBF6F2, 0xEED2A9, 0xEAC68E, 0xE8C387, 0xEAC68E, 0xEED2A9, 0xFBF6F2}, // row 20
    },
};

constexpr PixelImage<7, 84> MakeButtonSkin() {
    PixelImage<7, 84> image;
    for (int state = 0; state < 4; ++state) {
        const int top = state * kButtonFaceHeight;
        for (int i = 0; i < 9; ++i)
            for (int x = 0; x < 7; ++x)
                image.set(x, top + kButtonGivenRows[static_cast<size_t>(i)],
                          kButtonGiven[state][i][x]);
        for (int i = 3; i < 5; ++i) { // the runs 3..10 and 10..17
            const int from = kButtonGivenRows[static_cast<size_t>(i)];
            const int to = kButtonGivenRows[static_cast<size_t>(i + 1)];
            for (int y = from + 1; y < to; ++y)
                for (int x = 0; x < 7; ++x)
                    image.set(x, top + y,
                              MixColour(kButtonGiven[state][i][x], kButtonGiven[state][i + 1][x],
                                        y - from, to - from));
        }
    }
    return image;
}

// ---- DropButtonSkin: hover and pressed faces of 4 x 18, then the two arrows ----

struct DropRow {
    COLORREF hoverSide, hoverMiddle, pressedSide, pressedMiddle;
};
inline constexpr COLORREF kDropBorder = 0xD1A04E;
inline constexpr COLORREF kArrowEnabled = 0x5F5519;
inline constexpr COLORREF kArrowDisabled = 0xACA584;
inline constexpr DropRow kDropRows[18] = {
    DropRow{0xFFF9E8, 0xFFF9E8, 0xF3E1BE, 0xF3E1BE},
    DropRow{0xFEF8E6, 0xFDEEC1, 0xF3E1C0, 0xE2B561},
    DropRow{0xFEF7E4, 0xFCEBBC, 0xF4E3C1, 0xE3B865},
    DropRow{0xFDF6E2, 0xFAE8B7, 0xF5E4C3, 0xE5BB6A},
    DropRow{0xFDF5E0, 0xF9E5B2, 0xF5E5C6, 0xE6BE70},
    DropRow{0xFCF3DE, 0xF7E1AC, 0xF6E7C8, 0xE8C276},
    DropRow{0xFBF1DB, 0xF5DDA5, 0xF7E8CB, 0xEAC57C},
    DropRow{0xFAF0D9, 0xF3D99F, 0xF7E9CD, 0xECC983},
    DropRow{0xF9EED6, 0xF1D598, 0xF8EBD0, 0xEECD8A},
    DropRow{0xF9EDD3, 0xEFD191, 0xF9EDD3, 0xEFD191},
    DropRow{0xF8EBD0, 0xEECD8A, 0xF9EED6, 0xF1D598},
    DropRow{0xF7E9CD, 0xECC983, 0xFAF0D9, 0xF3D99F},
    DropRow{0xF7E8CB, 0xEAC57C, 0xFBF1DB, 0xF5DDA5},
    DropRow{0xF6E7C8, 0xE8C276, 0xFCF3DE, 0xF7E1AC},
    DropRow{0xF5E5C6, 0xE6BE70, 0xFDF5E0, 0xF9E5B2},
    DropRow{0xF5E4C3, 0xE5BB6A, 0xFDF6E2, 0xFAE8B7},
    DropRow{0xF4E3C1, 0xE3B865, 0xFEF7E4, 0xFCEBBC},
    DropRow{0xF3E1C0, 0xF3E1C0, 0xFEF8E6, 0xFEF8E6},
};

constexpr PixelImage<15, 18> MakeDropButtonSkin() {
    PixelImage<15, 18> image;
    image.fill(K);
    for (int y = 0; y < 18; ++y) {
        const DropRow& row = kDropRows[y];
        const COLORREF face[8] = {kDropBorder, row.hoverSide,   row.hoverMiddle,   row.hoverSide,
                                  kDropBorder, row.pressedSide, row.pressedMiddle, row.pressedSide};
        for (int x = 0; x < 8; ++x)
            image.set(x, y, face[x]);
    }
    // Downward triangles 7, 5, 3 and 1 pixels wide, centred in columns 8..14.
    for (int r = 0; r < 4; ++r)
        for (int x = 8 + r; x <= 14 - r; ++x) {
            image.set(x, r, kArrowEnabled);
            image.set(x, r + 4, kArrowDisabled);
        }
    return image;
}

// ---- GlyphSkin: check mark, filled square and option dot, enabled then disabled ----

inline constexpr int kDisabledGlyphOffset = 9;
// '#' marks the check mark's pixels; each row has one colour.
inline constexpr std::string_view kCheckShape[8] = {
    "........#", ".......##", "......###", "##...###.",
    "###.###..", ".#####...", "..###....", "...#.....",
};
inline constexpr COLORREF kCheckEnabled[8] = {0x1DB754, 0x1BB451, 0x17AF4D, 0x13A948,
                                              0x0FA243, 0x0A9C3E, 0x069639, 0x029135};
inline constexpr COLORREF kCheckDisabled[8] = {0x8CDAA8, 0x8BD9A6, 0x89D6A4, 0x87D3A2,
                                               0x85D09F, 0x82CD9D, 0x80C99A, 0x7EC798};
// Square: columns 1..7 of rows 9..15, one colour per row.
inline constexpr COLORREF kSquareEnabled[7] = {0x1BB451, 0x18B04E, 0x14AB49, 0x10A445,
                                               0x0C9E40, 0x07983B, 0x069639};
inline constexpr COLORREF kSquareDisabled[7] = {0x8BD9A6, 0x89D6A4, 0x87D4A3, 0x86D1A0,
                                                0x83CE9E, 0x81CA9B, 0x80C99A};
// Dot: a 5 x 5 disc without its corners at columns 2..6 of rows 18..22.
inline constexpr COLORREF kDotEnabled[5][5] = {
    {K, 0x60CC87, 0x28BA5C, 0x60CC87, K},
    {0x5EC883, 0x19B14F, 0x19B14F, 0x19B14F, 0x5EC883},
    {0x1DAC50, 0x12A847, 0x12A847, 0x12A847, 0x1DAC50},
    {0x54BA78, 0x0B9D3F, 0x0B9D3F, 0x0B9D3F, 0x54BA78},
    {K, 0x4FB473, 0x109940, 0x4FB473, K},
};
inline constexpr COLORREF kDotDisabled[5][5] = {
    {K, 0xAFE5C3, 0x93DCAD, 0xAFE5C3, K},
    {0xAEE3C1, 0x8CD8A7, 0x8CD8A7, 0x8CD8A7, 0xAEE3C1},
    {0x8ED5A7, 0x88D3A3, 0x88D3A3, 0x88D3A3, 0x8ED5A7},
    {0xA9DCBB, 0x85CE9F, 0x85CE9F, 0x85CE9F, 0xA9DCBB},
    {K, 0xA7D9B9, 0x87CC9F, 0xA7D9B9, K},
};

constexpr PixelImage<18, 24> MakeGlyphSkin() {
    PixelImage<18, 24> image;
    image.fill(K);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 9; ++x)
            if (kCheckShape[y][static_cast<size_t>(x)] == '#') {
                image.set(x, y, kCheckEnabled[y]);
                image.set(x + kDisabledGlyphOffset, y, kCheckDisabled[y]);
            }
    for (int r = 0; r < 7; ++r)
        for (int x = 1; x <= 7; ++x) {
            image.set(x, 9 + r, kSquareEnabled[r]);
            image.set(x + kDisabledGlyphOffset, 9 + r, kSquareDisabled[r]);
        }
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c) {
            image.set(2 + c, 18 + r, kDotEnabled[r][c]);
            image.set(2 + c + kDisabledGlyphOffset, 18 + r, kDotDisabled[r][c]);
        }
    return image;
}

// ---- BoxSkin: four 13 x 13 option circles stacked by VisualState ----

inline constexpr int kBoxCell = 13;
inline constexpr COLORREF kBoxNormal[13][13] = {
    {K, K, K, 0xE7CFBC, 0xD9B395, 0xD3A886, 0xD2A683, 0xD3A886, 0xD9B395, 0xE7CFBC, K, K, K},
    {K, K, 0xDBB89D, 0xDFC2A9, 0xECDFD1, 0xF0E7DD, 0xF1E9DF, 0xF0E7DD, 0xECDFD1, 0xDFC2A9, 0xDBB89D,
     K, K},
    {K, 0xDBB89D, 0xE5CEB9, 0xF3ECE3, 0xF4EDE5, 0xF4EEE7, 0xF4EEE7, 0xF4EEE7, 0xF4EDE5, 0xF3ECE3,
     0xE5CEB9, 0xDBB89D, K},
    {0xE7CFBC, 0xDFC2A9, 0xF4EDE5, 0xF7F2ED, 0xFAF7F3, 0xFBF9F7, 0xFBF9F7, 0xFBF9F7, 0xFAF7F3,
     0xF7F2ED, 0xF4EDE5, 0xDFC2A9, 0xE7CFBC},
    {0xD9B395, 0xEFE2D6, 0xF8F4EF, 0xFCFBF9, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
     0xFCFBF9, 0xF8F4EF, 0xEFE2D6, 0xD9B395},
    {0xD3A886, 0xF6F0EB, 0xFCFBF9, 0xFFFEFE, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
     0xFFFEFE, 0xFCFBF9, 0xF6F0EB, 0xD3A886},
    {0xD2A683, 0xFAF7F3, 0xFEFEFD, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
     0xFFFFFF, 0xFEFEFD, 0xFAF7F3, 0xD2A683},
    {0xD3A886, 0xFAF7F4, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
     0xFFFFFF, 0xFFFFFF, 0xFAF7F4, 0xD3A886},
    {0xD9B395, 0xF5EDE6, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
     0xFFFFFF, 0xFFFFFF, 0xF5EDE6, 0xD9B395},
    {0xE7CFBC, 0xE3C8B3, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
     0xFFFFFF, 0xFFFFFF, 0xE3C8B3, 0xE7CFBC},
    {K, 0xDBB89D, 0xECD9CA, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
     0xECD9CA, 0xDBB89D, K},
    {K, K, 0xDBB89D, 0xE5CAB6, 0xF8F2ED, 0xFEFDFC, 0xFFFFFF, 0xFEFDFC, 0xF8F2ED, 0xE5CAB6, 0xDBB89D,
     K, K},
    {K, K, K, 0xE7CFBC, 0xD9B395, 0xD3A886, 0xD2A683, 0xD3A886, 0xD9B395, 0xE7CFBC, K, K, K},
};
// Outer ring from its ends (next to the key corners) to its middle, per VisualState.
inline constexpr COLORREF kBoxRing[4][4] = {
    {0xE7CFBC, 0xD9B395, 0xD3A886, 0xD2A683},
    {0xE7CFBC, 0xD9B395, 0xD3A886, 0xD2A683},
    {0xDDBCA4, 0xCA9976, 0xC28B67, 0xC18964},
    {0xF3E7DD, 0xECD9CA, 0xE9D3C2, 0xE8D2C1},
};
// The ring's diagonal steps between the straight runs: in state 0 they lie about four
// fifths of the way from the ring's end colour to the next one; the pressed and
// disabled rings take the same blend of their own colours.
inline constexpr COLORREF kBoxRingStep[4] = {0xDBB89D, 0xDBB89D, 0xCD9F7E, 0xEDDBCD};
// Inside gradients: hover runs from the upper left to the lower right, pressed from
// the upper right to the lower left.
inline constexpr COLORREF kHoverFrom = 0xF8EAC3, kHoverTo = 0xFDF5E0;
inline constexpr COLORREF kPressedFrom = 0xFDF1D4, kPressedTo = 0xF5E1AD;

constexpr bool IsBoxKey(int x, int y) {
    return x < 0 || y < 0 || x >= kBoxCell || y >= kBoxCell || kBoxNormal[y][x] == K;
}
constexpr bool IsBoxRing(int x, int y) {
    return !IsBoxKey(x, y) &&
           (IsBoxKey(x - 1, y) || IsBoxKey(x + 1, y) || IsBoxKey(x, y - 1) || IsBoxKey(x, y + 1));
}

constexpr COLORREF BoxPixel(int state, int x, int y) {
    if (IsBoxKey(x, y))
        return K;
    if (state == 0)
        return kBoxNormal[y][x];
    if (IsBoxRing(x, y)) {
        const bool straight = x == 0 || y == 0 || x == kBoxCell - 1 || y == kBoxCell - 1;
        if (!straight)
            return kBoxRingStep[state];
        const int along = (x == 0 || x == kBoxCell - 1) ? y : x;
        const int fromMiddle = along > 6 ? along - 6 : 6 - along;
        return kBoxRing[state][3 - fromMiddle];
    }
    switch (state) {
    case 1:
        return MixColour(kHoverFrom, kHoverTo, x + y, 2 * (kBoxCell - 1));
    case 2:
        return MixColour(kPressedFrom, kPressedTo, (kBoxCell - 1 - x) + y, 2 * (kBoxCell - 1));
    default: // disabled: the normal inside, halfway to white
        return MixColour(kBoxNormal[y][x], 0xFFFFFF, 1, 2);
    }
}

constexpr PixelImage<13, 52> MakeBoxSkin() {
    PixelImage<13, 52> image;
    for (int state = 0; state < 4; ++state)
        for (int y = 0; y < kBoxCell; ++y)
            for (int x = 0; x < kBoxCell; ++x)
                image.set(x, state * kBoxCell + y, BoxPixel(state, x, y));
    return image;
}

// ---- BarSkin: header faces normal, hot and pressed, 3 x 20 side by side ----

inline constexpr COLORREF kBar[20][9] = {
    {0xFEF5EA, 0xFEF5EA, 0xFEF5EA, 0xFDE6BD, 0xFEEED3, 0xFDE6BD, 0xFBD797, 0xFBD797, 0xFBD797},
    {0xFEF4E9, 0xFEF4E9, 0xFEF4E9, 0xFCDEA7, 0xFFEFD6, 0xFCDEA7, 0xFACE7E, 0xFFDC9F, 0xFACE7E},
    {0xFDF4E9, 0xFDF3E8, 0xFAEFE0, 0xFCD48F, 0xFFEED3, 0xF9D18B, 0xFAC566, 0xFFDDA0, 0xF7C364},
    {0xFDF3E9, 0xFDF2E6, 0xF7E8D6, 0xFBCB77, 0xFFEDD0, 0xF5C571, 0xFAC25E, 0xFFDEA2, 0xF4BD5B},
    {0xFDF5EB, 0xFCF1E4, 0xEFD9BC, 0xFAC565, 0xFFECCC, 0xEDB85B, 0xFAC25E, 0xFFDFA4, 0xEDB556},
    {0xFDF5EC, 0xFCF0E2, 0xEBD1AE, 0xFAC25E, 0xFEEBC8, 0xEAB154, 0xFAC25E, 0xFFE0A6, 0xEAB154},
    {0xFDF6ED, 0xFBEFE0, 0xE6C79F, 0xFAC25E, 0xFEE9C4, 0xE5AC51, 0xFAC25E, 0xFFE2A8, 0xE5AC51},
    {0xFDF6EF, 0xFBEDDF, 0xE2BF94, 0xFAC25E, 0xFEE8C1, 0xE1A84F, 0xFAC25E, 0xFFE3AB, 0xE1A84F},
    {0xFDF7F1, 0xFAECDD, 0xDCB582, 0xFAC25E, 0xFEE7BD, 0xDCA34C, 0xFAC25E, 0xFFE5AD, 0xDCA34C},
    {0xFBF5ED, 0xF6E5D3, 0xD9B07A, 0xFAC25E, 0xFDE1AF, 0xDBA24B, 0xFAC25E, 0xFFE7B0, 0xDBA24B},
    {0xFBF4ED, 0xF6E5D3, 0xD9B07A, 0xFAC25E, 0xFDE0AE, 0xDBA24B, 0xFAC25E, 0xFFE8B3, 0xDBA24B},
    {0xFBF3EB, 0xF6E5D3, 0xDAB27D, 0xFAC25E, 0xFDE1AE, 0xDCA34C, 0xFAC25E, 0xFFEAB6, 0xDCA34C},
    {0xFAF0E5, 0xF6E5D3, 0xDFBA8C, 0xFAC25E, 0xFDE1AF, 0xE1A84E, 0xFAC25E, 0xFFECB9, 0xE1A84E},
    {0xF9EEE2, 0xF6E5D3, 0xE3C197, 0xFAC25E, 0xFDE1AF, 0xE5AC51, 0xFAC565, 0xFFEDBC, 0xE5AD55},
    {0xF8ECDE, 0xF6E5D3, 0xE6C8A3, 0xFAC25E, 0xFDE1AF, 0xE9B154, 0xFBCA6F, 0xFFEFBE, 0xE9B65F},
    {0xF8E9DA, 0xF6E5D3, 0xEACFAF, 0xFAC25E, 0xFDE1AF, 0xEDB556, 0xFBD07C, 0xFFF2C5, 0xEEBF6D},
    {0xF6E6D5, 0xF6E5D3, 0xF1DCC4, 0xFAC25E, 0xFDE1AF, 0xF4BD5A, 0xFCD68B, 0xFFF2C8, 0xF6CF83},
    {0xF6E5D3, 0xF6E5D3, 0xF3E1CC, 0xFAC25E, 0xFDE0AC, 0xF7C05C, 0xFDDD99, 0xFFF2C8, 0xFAD994},
    {0xF6E5D3, 0xF6E5D3, 0xF6E5D3, 0xFBCC73, 0xFCDDA8, 0xFBCC73, 0xFDE3A8, 0xFFF2C8, 0xFDE3A8},
    {0xF2DAC0, 0xF2DAC0, 0xF2DAC0, 0xF2DAC0, 0xF2DAC0, 0xF2DAC0, 0xF2DAC0, 0xF2DAC0, 0xF2DAC0},
};

constexpr PixelImage<9, 20> MakeBarSkin() {
    PixelImage<9, 20> image;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 9; ++x)
            image.set(x, y, kBar[y][x]);
    return image;
}

inline constexpr PixelImage<7, 84> kButtonSkin = MakeButtonSkin();
inline constexpr PixelImage<15, 18> kDropButtonSkin = MakeDropButtonSkin();
inline constexpr PixelImage<18, 24> kGlyphSkin = MakeGlyphSkin();
inline constexpr PixelImage<13, 52> kBoxSkin = MakeBoxSkin();
inline constexpr PixelImage<9, 20> kBarSkin = MakeBarSkin();

} // namespace skin::pixels
