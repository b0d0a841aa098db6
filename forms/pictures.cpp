#include "pictures.h"

#include "design_fonts.h"
#include "form1_design.h"
#include "gdi_handles.h"
#include "icon_pixels.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace pictures {
namespace {

using form1_design::kClient;
using form1_design::kDesignDpi;
using form1_design::Px;
using form1_design::Scaled;

// The window is a rounded rectangle: its corners are cut back to the key colour.
constexpr int kCornerRadius = 6;
constexpr int kTitleStripHeight = 25; // under Label3, the drag handle

constexpr COLORREF kBorder = RGB(0x4F, 0x8F, 0xCB);
constexpr COLORREF kStripTop = RGB(0xE6, 0xF2, 0xFD);
constexpr COLORREF kStripBottom = RGB(0xBE, 0xDC, 0xF6);
constexpr COLORREF kStripLine = RGB(0x9A, 0xC3, 0xE9);
constexpr COLORREF kTitleText = RGB(0x1B, 0x4A, 0x78);
constexpr COLORREF kGlyph = RGB(0x2E, 0x5C, 0x8A);
constexpr COLORREF kGlyphLight = RGB(0x8F, 0xB4, 0xD8);
constexpr COLORREF kHover = RGB(0xD4, 0xE8, 0xFB);
constexpr COLORREF kHoverEdge = RGB(0x7F, 0xB2, 0xE3);
constexpr COLORREF kCloseRed = RGB(0xE0, 0x4A, 0x3C);
constexpr COLORREF kCloseRedEdge = RGB(0xB8, 0x32, 0x26);
constexpr COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kFootTop = RGB(0xEF, 0xF6, 0xFD);
constexpr COLORREF kFootBottom = RGB(0xD9, 0xE9, 0xF8);
constexpr COLORREF kFootText = RGB(0x4B, 0x6F, 0x93);
constexpr COLORREF kSiteText = RGB(0x1F, 0x6C, 0xBF);

constexpr wchar_t kHint[] = L"如需要复制音乐地址请双击出处中的音乐";
constexpr wchar_t kSiteName[] = L"QQ空间 qzone.qq.com";

// Where the painted frame buttons lie on the background, in window pixels:
// under the hot areas Label5 (minimise) and Label6 (close), the maximise
// button between them belonging to the background alone.
constexpr RECT kMinimiseButton{512, 0, 538, 17};
constexpr RECT kMaximiseButton{538, 0, 560, 17};
constexpr RECT kCloseButton{560, 0, 594, 17};

RECT At(const RECT& box, int left, int top, int right, int bottom) {
    return {box.left + left, box.top + top, box.left + right, box.top + bottom};
}

void Fill(HDC dc, const RECT& rc, COLORREF colour) {
    const UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &rc, brush.get());
}

BYTE Mix(BYTE a, BYTE b, int step, int steps) {
    return static_cast<BYTE>(a + (b - a) * step / std::max(steps, 1));
}

COLORREF Blend(COLORREF a, COLORREF b, int step, int steps) {
    return RGB(Mix(GetRValue(a), GetRValue(b), step, steps),
               Mix(GetGValue(a), GetGValue(b), step, steps),
               Mix(GetBValue(a), GetBValue(b), step, steps));
}

// A top-to-bottom gradient, one row at a time.
void VerticalGradient(HDC dc, const RECT& rc, COLORREF top, COLORREF bottom) {
    const int rows = rc.bottom - rc.top;
    for (int y = 0; y < rows; ++y)
        Fill(dc, {rc.left, rc.top + y, rc.right, rc.top + y + 1}, Blend(top, bottom, y, rows - 1));
}

enum class CornerPixel { Inside, Border, Outside };

// Visits the pixels of the window's four rounded corners (window pixels) that
// are not plainly inside, telling which lie outside the window and which on
// its rounded border.
template <typename Visit> void ForEachCornerPixel(UINT dpi, Visit visit) {
    const int width = Px(kClient.width, dpi), height = Px(kClient.height, dpi);
    const int r = Scaled(kCornerRadius, dpi);
    const double border = Scaled(1, dpi); // the border's width
    const POINT centres[] = {
        {r - 1, r - 1}, {width - r, r - 1}, {r - 1, height - r}, {width - r, height - r}};
    for (const POINT c : centres)
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx) {
                const POINT p{c.x + dx, c.y + dy};
                const bool outward = (dx == 0 || (dx < 0) == (c.x < width / 2)) &&
                                     (dy == 0 || (dy < 0) == (c.y < height / 2));
                if (!outward || p.x < 0 || p.y < 0 || p.x >= width || p.y >= height)
                    continue;
                const double d = std::hypot(dx, dy);
                if (d > r - 0.5 - border)
                    visit(p, d > r - 0.5 ? CornerPixel::Outside : CornerPixel::Border);
            }
}

// Paints the key colour over the window's rounded-off corners where they fall
// into `clip` (window pixels at `dpi`); the border follows the rounding.
void CutWindowCorners(HDC dc, const RECT& clip, UINT dpi) {
    ForEachCornerPixel(dpi, [&](POINT p, CornerPixel kind) {
        if (PtInRect(&clip, p))
            SetPixelV(dc, p.x, p.y, kind == CornerPixel::Outside ? kKeyColour : kBorder);
    });
}

void DrawTextIn(HDC dc, const wchar_t* text, RECT rc, COLORREF colour, HFONT font, UINT format) {
    const SelectGuard use(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    DrawTextW(dc, text, -1, &rc, format | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void DrawMinimiseGlyph(HDC dc, const RECT& button, COLORREF colour) {
    const int cx = (button.left + button.right) / 2, y = button.top + 11;
    Fill(dc, {cx - 4, y, cx + 5, y + 2}, colour);
}

void DrawMaximiseGlyph(HDC dc, const RECT& button, COLORREF colour) {
    const int cx = (button.left + button.right) / 2;
    const RECT frame{cx - 4, button.top + 4, cx + 5, button.top + 13};
    const UniqueBrush brush(CreateSolidBrush(colour));
    FrameRect(dc, &frame, brush.get());
    Fill(dc, {frame.left, frame.top + 1, frame.right, frame.top + 2}, colour);
}

void DrawCloseGlyph(HDC dc, const RECT& button, COLORREF colour) {
    const int cx = (button.left + button.right) / 2, cy = button.top + 8;
    for (int i = -3; i <= 3; ++i) {
        Fill(dc, {cx + i, cy + i, cx + i + 2, cy + i + 1}, colour);
        Fill(dc, {cx + i, cy - i, cx + i + 2, cy - i + 1}, colour);
    }
}

// A rounded highlight behind a frame button, inset one pixel from its place.
void DrawButtonFace(HDC dc, const RECT& rc, COLORREF face, COLORREF edge) {
    const UniqueBrush brush(CreateSolidBrush(face));
    const UniquePen pen(CreatePen(PS_SOLID, 1, edge));
    const SelectGuard useBrush(dc, brush.get());
    const SelectGuard usePen(dc, pen.get());
    const int inclusive = GetGraphicsMode(dc) == GM_ADVANCED; // takes the far edges in too
    RoundRect(dc, rc.left, rc.top, rc.right - inclusive, rc.bottom - inclusive, 5, 5);
}

// A picture's drawing is laid out in pixels at 96 dpi. At another scale it
// is drawn through a world transform: GDI fills, frames and rasterises the text
// at the scaled size, so edges and characters stay sharp where a stretched
// bitmap would blur. At 96 dpi nothing is transformed. While it lives, box()
// is the picture's box in the drawing's own units.
class DesignSpace {
  public:
    DesignSpace(HDC dc, const RECT& box, SIZE designSize, UINT dpi)
        : dc_(dc), saved_(SaveDC(dc)), windowBox_(box), designSize_(designSize), dpi_(dpi),
          box_(box) {
        if (dpi == kDesignDpi)
            return;
        // Where the box lies in the window at 96 dpi, mapped exactly onto its corner.
        const int left = MulDiv(box.left, kDesignDpi, dpi), top = MulDiv(box.top, kDesignDpi, dpi);
        const float scale = static_cast<float>(dpi) / kDesignDpi;
        SetGraphicsMode(dc, GM_ADVANCED);
        const XFORM toBox{scale, 0, 0, scale, static_cast<float>(box.left) - left * scale,
                          static_cast<float>(box.top) - top * scale};
        SetWorldTransform(dc, &toBox);
        box_ = {left, top, left + designSize.cx, top + designSize.cy};
    }
    ~DesignSpace() { RestoreDC(dc_, saved_); }
    DesignSpace(const DesignSpace&) = delete;
    DesignSpace& operator=(const DesignSpace&) = delete;
    const RECT& box() const { return box_; }

    // The last step of a picture that reaches the window's rounded corners:
    // they are cut where the picture covers them, in the window's own pixels.
    void CutCorners() const {
        if (dpi_ != kDesignDpi)
            ModifyWorldTransform(dc_, nullptr, MWT_IDENTITY);
        CutWindowCorners(dc_,
                         At(windowBox_, 0, 0, Scaled(designSize_.cx, dpi_),
                            Scaled(designSize_.cy, dpi_)),
                         dpi_);
    }

  private:
    HDC dc_;
    int saved_;
    RECT windowBox_;
    SIZE designSize_;
    UINT dpi_;
    RECT box_;
};

} // namespace

HRGN CreateWindowShape(UINT dpi) {
    HRGN shape = CreateRectRgn(0, 0, Px(kClient.width, dpi), Px(kClient.height, dpi));
    ForEachCornerPixel(dpi, [&](POINT p, CornerPixel kind) {
        if (kind != CornerPixel::Outside)
            return;
        const UniqueRegion pixel(CreateRectRgn(p.x, p.y, p.x + 1, p.y + 1));
        CombineRgn(shape, shape, pixel.get(), RGN_DIFF);
    });
    return shape;
}

HICON CreateAppIcon(int size) {
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof(header);
    header.bV5Width = size;
    header.bV5Height = -size;
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap colour(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&header),
                                         DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueBitmap mask(CreateBitmap(size, size, 1, 1, nullptr));
    if (!colour || !mask || !bits)
        return nullptr;
    const std::vector<std::uint32_t> pixels = StraightAlpha(IconPixels(size));
    std::copy(pixels.begin(), pixels.end(), static_cast<std::uint32_t*>(bits));
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = colour.get();
    info.hbmMask = mask.get();
    return CreateIconIndirect(&info); // copies both bitmaps
}

void DrawIconPicture(HDC dc, const RECT& box, UINT) { // the box is in pixels at any scale
    const int width = box.right - box.left, height = box.bottom - box.top;
    const int size = std::min(width, height);
    if (size <= 0)
        return;
    void* bits = nullptr;
    const UniqueBitmap bitmap = CreateTopDownDib(size, size, &bits);
    UniqueHdc source(CreateCompatibleDC(dc));
    if (!bitmap || !source)
        return;
    // Drawn once per size (GUI thread only): every repaint shows it.
    static std::map<int, std::vector<std::uint32_t>> drawn;
    auto [it, added] = drawn.try_emplace(size);
    if (added)
        it->second = IconPixels(size);
    std::copy(it->second.begin(), it->second.end(), static_cast<std::uint32_t*>(bits));
    const SelectGuard use(source.get(), bitmap.get());
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, box.left, box.top, size, size, source.get(), 0, 0, size, size, blend);
}

namespace {

void PaintBackground(HDC dc, const RECT& windowBox, UINT dpi) {
    const DesignSpace space(dc, windowBox, kBackgroundSize, dpi);
    const RECT& box = space.box();
    const int width = std::min<int>(kBackgroundSize.cx, Px(kClient.width));
    const RECT all = At(box, 0, 0, kBackgroundSize.cx, kBackgroundSize.cy);
    Fill(dc, all, kKeyColour); // beyond the client area: never seen
    Fill(dc, At(box, 0, 0, width, kBackgroundSize.cy), kBodyColour);

    // The title strip with the tool's name beside the corner icon (Image2).
    VerticalGradient(dc, At(box, 0, 0, width, kTitleStripHeight), kStripTop, kStripBottom);
    Fill(dc, At(box, 0, kTitleStripHeight, width, kTitleStripHeight + 1), kStripLine);
    const UniqueFont title = CreateDesignFont({L"宋体", 10, FW_BOLD, GB2312_CHARSET});
    DrawTextIn(dc, form1_design::kTitle, At(box, 28, 1, 400, kTitleStripHeight), kTitleText,
               title.get(), DT_LEFT);

    // The frame buttons: minimise and close under their hot areas, maximise
    // painted only (the window has no maximised state).
    auto place = [&box](const RECT& r) { return At(box, r.left, r.top, r.right, r.bottom); };
    DrawMinimiseGlyph(dc, place(kMinimiseButton), kGlyph);
    DrawMaximiseGlyph(dc, place(kMaximiseButton), kGlyphLight);
    DrawCloseGlyph(dc, place(kCloseButton), kGlyph);

    // The window's one-pixel border, with the corners rounded off.
    const UniqueBrush border(CreateSolidBrush(kBorder));
    const RECT frame = At(box, 0, 0, width, Px(kClient.height));
    FrameRect(dc, &frame, border.get());
    space.CutCorners();
}

void PaintBottomStrip(HDC dc, const RECT& windowBox, UINT dpi) {
    const DesignSpace space(dc, windowBox, kBottomStripSize, dpi);
    const RECT& box = space.box();
    const int width = std::min<int>(kBottomStripSize.cx, Px(kClient.width) - box.left);
    Fill(dc, At(box, 0, 0, kBottomStripSize.cx, kBottomStripSize.cy), kKeyColour);
    VerticalGradient(dc, At(box, 0, 0, width, kBottomStripSize.cy), kFootTop, kFootBottom);
    Fill(dc, At(box, 0, 0, width, 1), kStripLine);
    // The status label (Label8) shows at the left edge: the hint starts after it.
    const UniqueFont font = CreateDesignFont(form1_design::kLabelFont);
    DrawTextIn(dc, kHint, At(box, 130, 1, width - 150, kBottomStripSize.cy), kFootText, font.get(),
               DT_LEFT | DT_END_ELLIPSIS);
    DrawTextIn(dc, kSiteName, At(box, width - 160, 1, width - 8, kBottomStripSize.cy), kSiteText,
               font.get(), DT_RIGHT);
    const UniqueBrush border(CreateSolidBrush(kBorder));
    const RECT left = At(box, 0, 0, 1, kBottomStripSize.cy);
    const RECT right = At(box, width - 1, 0, width, kBottomStripSize.cy);
    const RECT bottom = At(box, 0, kBottomStripSize.cy - 1, width, kBottomStripSize.cy);
    for (const RECT& edge : {left, right, bottom})
        FillRect(dc, &edge, border.get());
    space.CutCorners();
}

// An opaque picture drawn once into a surface of its own and copied from then
// on: a hover picture switching on or off repaints the background under it, and
// drawing it afresh costs a brush per gradient row, a font and the corners'
// pixels each time. Kept for the process's life (GUI thread only).
class CachedPicture {
  public:
    CachedPicture(SIZE size, void (*paint)(HDC, const RECT&, UINT)) : size_(size), paint_(paint) {}

    void Draw(HDC dc, const RECT& at, UINT dpi) {
        const SIZE size{Scaled(size_.cx, dpi), Scaled(size_.cy, dpi)};
        if (!surface_ || !EqualRect(&box_, &at) || dpi != dpi_) {
            surface_.reset(CreateCompatibleDC(dc));
            bitmap_.reset(CreateCompatibleBitmap(dc, size.cx, size.cy));
            if (!surface_ || !bitmap_) {
                surface_.reset();
                return paint_(dc, at, dpi); // drawn directly, then
            }
            SelectObject(surface_.get(), bitmap_.get()); // for the surface's whole life
            // Drawn where it lies in the window, so the corners are cut as there.
            SetViewportOrgEx(surface_.get(), -at.left, -at.top, nullptr);
            paint_(surface_.get(), at, dpi);
            SetViewportOrgEx(surface_.get(), 0, 0, nullptr);
            box_ = at;
            dpi_ = dpi;
        }
        BitBlt(dc, at.left, at.top, size.cx, size.cy, surface_.get(), 0, 0, SRCCOPY);
    }

  private:
    SIZE size_; // at 96 dpi
    void (*paint_)(HDC, const RECT&, UINT);
    RECT box_{};
    UINT dpi_ = 0;
    // The bitmap outlives the context it is selected into.
    UniqueBitmap bitmap_;
    UniqueHdc surface_;
};

} // namespace

void DrawBackground(HDC dc, const RECT& box, UINT dpi) {
    static CachedPicture cached(kBackgroundSize, PaintBackground);
    cached.Draw(dc, box, dpi);
}

void DrawBottomStrip(HDC dc, const RECT& box, UINT dpi) {
    static CachedPicture cached(kBottomStripSize, PaintBottomStrip);
    cached.Draw(dc, box, dpi);
}

void DrawCloseHighlight(HDC dc, const RECT& windowBox, UINT dpi) {
    const DesignSpace space(dc, windowBox, kCloseHighlightSize, dpi);
    const RECT& box = space.box();
    const RECT all = At(box, 0, 0, kCloseHighlightSize.cx, kCloseHighlightSize.cy);
    Fill(dc, all, kKeyColour); // beyond the window's right edge: never seen
    // Down to the window's edge and over its top border, square under the
    // rounded corner, which is cut back again below.
    const int visible = std::min<int>(kCloseHighlightSize.cx, Px(kClient.width) - box.left);
    Fill(dc, At(box, 0, 0, visible, kCloseHighlightSize.cy), kBodyColour);
    DrawButtonFace(dc, At(box, 0, 0, visible + 3, kCloseHighlightSize.cy), kCloseRed,
                   kCloseRedEdge);
    const RECT glyph{box.left - 1, box.top, box.left + visible, box.top + kCloseHighlightSize.cy};
    DrawCloseGlyph(dc, glyph, kWhite);
    space.CutCorners();
}

void DrawMinimiseHighlight(HDC dc, const RECT& windowBox, UINT dpi) {
    const DesignSpace space(dc, windowBox, kMinimiseHighlightSize, dpi);
    const RECT& box = space.box();
    const RECT all = At(box, 0, 0, kMinimiseHighlightSize.cx, kMinimiseHighlightSize.cy);
    VerticalGradient(dc, all, kStripTop, Blend(kStripTop, kStripBottom, 17, 24));
    DrawButtonFace(dc, all, kHover, kHoverEdge);
    DrawMinimiseGlyph(dc, all, kGlyph);
}

} // namespace pictures
