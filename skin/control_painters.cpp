#include "control_painters.h"

#include "draw_primitives.h"
#include "gdi_handles.h"
#include "scratch_surfaces.h"
#include "skin_colours.h"
#include "skin_numbers.h"
#include "skin_props.h"
#include "skin_state.h"

#include <commctrl.h>

#include <array>
#include <vector>

namespace skin {
namespace {

// A rectangle of a skin image: x, y, width, height.
struct Cell {
    int x, y, width, height;
};

// DropButtonSkin: the faces stretch with fixed borders left 2, top 1, right 1, bottom 1.
constexpr Cell kDropFaceHover{0, 0, 4, 18};
constexpr Cell kDropFacePressed{4, 0, 4, 18};
constexpr Cell kDropArrowEnabled{8, 0, 7, 4};
constexpr Cell kDropArrowDisabled{8, 4, 7, 4};

// BoxSkin: one 13 x 13 option circle per VisualState, stacked; the bands inside the hover
// and pressed circles fill a check box.
constexpr int kCircleSize = 13;
constexpr int kCircleMargin = 5;
constexpr Cell kCheckInteriorHover{1, 17, 11, 5};
constexpr Cell kCheckInteriorPressed{1, 30, 11, 5};

// GlyphSkin: the enabled marks; each disabled mark stands 9 columns to the right.
constexpr Cell kCheckMark{0, 0, 9, 8};
constexpr Cell kIndeterminateSquare{1, 9, 7, 7};
constexpr Cell kOptionDot{2, 18, 5, 5};
constexpr int kDisabledGlyphShift = 9;

// BarSkin: normal, hot and pressed item faces of 3 x 20 side by side; the centre column
// of the normal face is the header's background.
constexpr std::array<int, 3> kHeaderItemX{0, 3, 6};
constexpr Cell kHeaderBackground{1, 0, 1, 20};
constexpr int kHeaderItemWidth = 3;
constexpr int kHeaderItemHeight = 20;

// A PBM_GETPOS of this much is a full bar.
constexpr float kFullBarPosition = 30000.0f;

// The offset that centres `size` in `room`.
int Centre(int room, int size) {
    return RoundHalfEven((room - size) / 2.0);
}

void DrawGlyph(HDC dc, int x, int y, const Cell& glyph, bool enabled) {
    DrawKeyed(dc, x, y, glyph.width, glyph.height, GlyphSkin.get(),
              glyph.x + (enabled ? 0 : kDisabledGlyphShift), glyph.y, kSkinKey);
}

// The painters' shared first step: nothing to do when the state is shown already.
bool ShouldPaint(HWND hwnd, int state, bool force) {
    return force || GetSkinProp(hwnd, SkinProp::OLDSTATE) != state;
}

int CheckState(HWND hwnd) {
    return static_cast<int>(SendMessageW(hwnd, BM_GETCHECK, 0, 0));
}

// One header item's face and text, as the item painter and the header composer draw it.
void DrawHeaderItemFace(HDC dc, int x, int width, int height, int textHeight, int state,
                        const std::wstring& text) {
    const int sx = state >= 1 && state <= 2 ? kHeaderItemX[static_cast<size_t>(state)] : 0;
    DrawSkinSlice(dc, x, 0, width, height, BarSkin.get(), sx, 0, kHeaderItemWidth,
                  kHeaderItemHeight, 1, 1, 1, 1);
    if (!text.empty())
        DrawTextRect(dc, text, x, 0, width, textHeight, kSkinTextFormat);
}

// Font, transparent text and the black of a new surface, for text drawn into the
// compose surface (whose last user may have left other settings).
class HeaderTextSetup {
  public:
    HeaderTextSetup(HWND hwnd, HDC dc)
        : font_(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0))) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, kBlack);
    }

  private:
    SelectGuard font_;
};

RECT HeaderItemRect(HWND hwnd, int index) {
    RECT rc{};
    if (!SendMessageW(hwnd, HDM_GETITEMRECT, static_cast<WPARAM>(index),
                      reinterpret_cast<LPARAM>(&rc)))
        return {};
    return rc;
}

} // namespace

int PaintComboButton(HWND hwnd, HDC dc, int& state, bool force) {
    if (SendMessageW(hwnd, CB_GETDROPPEDSTATE, 0, 0))
        state = VisualPressed;
    if (!ShouldPaint(hwnd, state, force))
        return 0;
    if (!(GetWindowLongW(hwnd, GWL_STYLE) & CBS_DROPDOWN))
        return 0; // CBS_SIMPLE: no drop button
    SetSkinProp(hwnd, SkinProp::OLDSTATE, state);

    WindowSize size{};
    GetWindowSize(hwnd, size);
    const int bw = GetSystemMetrics(SM_CXVSCROLL) + 1;
    const int bh = size.Height - 2;
    const HDC surface = BorrowScratch(ScratchRole::Compose, bw, bh);
    if (!surface)
        return 0;
    const Cell* face = state == VisualHover     ? &kDropFaceHover
                       : state == VisualPressed ? &kDropFacePressed
                                                : nullptr;
    if (face)
        DrawSkinSlice(surface, 0, 0, bw, bh, DropButtonSkin.get(), face->x, face->y, face->width,
                      face->height, 2, 1, 1, 1);
    else
        FillSolid(surface, 0, 0, bw, bh, kWhite);
    const Cell& arrow = IsWindowEnabled(hwnd) ? kDropArrowEnabled : kDropArrowDisabled;
    DrawKeyed(surface, Centre(bw, arrow.width), Centre(size.Height - 2, arrow.height), arrow.width,
              arrow.height, DropButtonSkin.get(), arrow.x, arrow.y, kSkinKey);

    // Inside a one-pixel margin at the right, top and bottom of the window.
    const TargetDC target(hwnd, dc);
    BitBlt(target.get(), size.Width - bw - 1, 1, bw, bh, surface, 0, 0, SRCCOPY);
    return 1;
}

int PaintCheckBox(HWND hwnd, HDC dc, int state, bool force) {
    if (!ShouldPaint(hwnd, state, force))
        return 0;
    SetSkinProp(hwnd, SkinProp::OLDSTATE, state);
    const int cx = GetSystemMetrics(SM_CXMENUCHECK);
    const int cy = GetSystemMetrics(SM_CYMENUCHECK);
    WindowSize size{};
    GetWindowSize(hwnd, size);
    const int check = CheckState(hwnd);
    const bool enabled = IsWindowEnabled(hwnd);
    const HDC surface = BorrowScratch(ScratchRole::Compose, cx, cy);
    if (!surface)
        return 0;

    FillSolid(surface, 0, 0, cx, cy, kWhite);
    if (enabled) {
        FrameSolid(surface, 0, 0, cx, cy,
                   state == VisualPressed ? kFramePressedCheck : kFrameEnabled);
        const Cell* interior = state == VisualHover     ? &kCheckInteriorHover
                               : state == VisualPressed ? &kCheckInteriorPressed
                                                        : nullptr;
        if (interior)
            StretchBlt(surface, 1, 1, cx - 2, cy - 2, BoxSkin.get(), interior->x, interior->y,
                       interior->width, interior->height, SRCCOPY);
    } else {
        FrameSolid(surface, 0, 0, cx, cy, kFrameDisabled);
    }
    if (check == BST_CHECKED)
        DrawGlyph(surface, Centre(cx, kCheckMark.width), Centre(cy, kCheckMark.height), kCheckMark,
                  enabled);
    else if (check == BST_INDETERMINATE)
        DrawGlyph(surface, Centre(cx, kIndeterminateSquare.width),
                  Centre(cy, kIndeterminateSquare.height), kIndeterminateSquare, enabled);

    // At the left edge of the window, centred vertically.
    const TargetDC target(hwnd, dc);
    BitBlt(target.get(), 0, Centre(size.Height, cy), cx, cy, surface, 0, 0, SRCCOPY);
    return 1;
}

int PaintOptionButton(HWND hwnd, HDC dc, int state, bool force) {
    if (!ShouldPaint(hwnd, state, force))
        return 0;
    SetSkinProp(hwnd, SkinProp::OLDSTATE, state);
    WindowSize size{};
    GetWindowSize(hwnd, size);
    const int cx = GetSystemMetrics(SM_CXMENUCHECK);
    const int cy = GetSystemMetrics(SM_CYMENUCHECK);
    const int y0 = Centre(size.Height, cy);
    const int check = CheckState(hwnd);
    const bool enabled = IsWindowEnabled(hwnd);
    const TargetDC target(hwnd, dc);

    // Straight into the target through the key colour: the control's own background
    // stays at the corners of the circle.
    // A disabled window shows the disabled circle whatever the state; an enabled one
    // has circles for the normal, hover and pressed states only.
    int circleRow = -1;
    if (!enabled)
        circleRow = VisualDisabled;
    else if (state >= VisualNormal && state <= VisualPressed)
        circleRow = state;
    if (circleRow >= 0)
        DrawSkinSlice(target.get(), 0, y0, cx, cy, BoxSkin.get(), 0, kCircleSize * circleRow,
                      kCircleSize, kCircleSize, kCircleMargin, kCircleMargin, kCircleMargin,
                      kCircleMargin, kSkinKey);
    if (check == BST_CHECKED)
        DrawGlyph(target.get(), Centre(cx, kOptionDot.width),
                  RoundHalfEven(y0 + (cy - kOptionDot.height) / 2.0), kOptionDot, enabled);
    return 1;
}

std::wstring HeaderItemText(HWND hwnd, int index) {
    wchar_t buffer[256] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT;
    item.pszText = buffer;
    item.cchTextMax = static_cast<int>(std::size(buffer)); // the NUL included
    if (!SendMessageW(hwnd, HDM_GETITEMW, static_cast<WPARAM>(index),
                      reinterpret_cast<LPARAM>(&item)))
        return {};
    return std::wstring(buffer, wcsnlen(buffer, std::size(buffer) - 1));
}

int PaintHeaderItem(HWND hwnd, HDC dc, int index, int state) {
    if (index < 0)
        return 0;
    WindowSize size{};
    GetWindowSize(hwnd, size);
    const RECT item = HeaderItemRect(hwnd, index);
    const int iw = item.right - item.left;
    const int ih = item.bottom - item.top;
    const std::wstring text = HeaderItemText(hwnd, index);
    const HDC surface = BorrowScratch(ScratchRole::Compose, iw, size.Height);
    if (!surface)
        return 0;
    const HeaderTextSetup setup(hwnd, surface);
    DrawHeaderItemFace(surface, 0, iw, size.Height, size.Height, state, text);
    const TargetDC target(hwnd, dc);
    BitBlt(target.get(), item.left, 0, iw, ih, surface, 0, 0, SRCCOPY);
    return 0;
}

ComposedPicture ComposeHeader(HWND hwnd) {
    WindowSize size{};
    GetWindowSize(hwnd, size);
    // Everything the header is asked for comes before the compose surface is taken.
    struct Item {
        RECT rc;
        std::wstring text;
    };
    std::vector<Item> items;
    const auto count = static_cast<int>(SendMessageW(hwnd, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        items.push_back({HeaderItemRect(hwnd, i), HeaderItemText(hwnd, i)});
    const std::intptr_t pressed = GetSkinProp(hwnd, SkinProp::HDINDEX);
    const std::intptr_t hot = GetSkinProp(hwnd, SkinProp::HMINDEX);

    const HDC surface = BorrowScratch(ScratchRole::Compose, size.Width, size.Height);
    if (!surface)
        return {};
    StretchBlt(surface, 0, 0, size.Width, size.Height, BarSkin.get(), kHeaderBackground.x,
               kHeaderBackground.y, kHeaderBackground.width, kHeaderBackground.height, SRCCOPY);
    const HeaderTextSetup setup(hwnd, surface);
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        const RECT& rc = items[static_cast<size_t>(i)].rc;
        // The pressed look wins over the hot one.
        const int state = i == pressed ? VisualPressed : i == hot ? VisualHover : VisualNormal;
        DrawHeaderItemFace(surface, rc.left, rc.right - rc.left, size.Height, rc.bottom, state,
                           items[static_cast<size_t>(i)].text);
    }
    return {surface, size.Width, size.Height};
}

float ProgressFraction(HWND hwnd) {
    return static_cast<float>(SendMessageW(hwnd, PBM_GETPOS, 0, 0)) / kFullBarPosition;
}

int ProgressFilledWidth(float f, int width) {
    return RoundHalfEven(static_cast<double>(f) * width);
}

int ProgressUnfilledHeight(float f, int height) {
    return RoundHalfEven(height - static_cast<double>(f) * height);
}

ComposedPicture ComposeProgressBar(HWND hwnd) {
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    RECT client{};
    GetClientRect(hwnd, &client);
    const int cw = client.right - client.left;
    const int ch = client.bottom - client.top;
    const float f = ProgressFraction(hwnd);
    const HDC surface = BorrowScratch(ScratchRole::Compose, cw, ch);
    if (!surface)
        return {};
    FillSolid(surface, 0, 0, cw, ch, kWhite);
    if (f != 0.0f) {
        if (style & PBS_VERTICAL) {
            // The filled part runs to the bottom row: its height is what is left below
            // the rounded top, not a second rounding that a tie could leave one short.
            const int top = ProgressUnfilledHeight(f, ch);
            FillSolid(surface, 0, top, cw, ch - top, kProgressFill);
        } else {
            FillSolid(surface, 0, 0, ProgressFilledWidth(f, cw), ch, kProgressFill);
        }
    }
    return {surface, cw, ch};
}

} // namespace skin
