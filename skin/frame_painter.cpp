#include "frame_painter.h"

#include "control_painters.h"
#include "draw_primitives.h"
#include "group_routes.h"
#include "scratch_surfaces.h"
#include "skin_colours.h"

#include <commctrl.h>

#include <array>

namespace skin {
namespace {

// The whole window: a frame line around a white inside and the filled part. A
// vertical bar shows its fill here only when smooth; its client area is OnPaint's.
LRESULT PaintWholeProgressBar(WNDPROC, HWND hwnd, UINT, WPARAM, LPARAM) {
    int fx = 0, fy = 0;
    GetFrameWidths(hwnd, fx, fy);
    WindowSize size{};
    GetWindowSize(hwnd, size);
    RECT client{};
    GetClientRect(hwnd, &client);
    const int cw = client.right - client.left;
    const int ch = client.bottom - client.top;
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    const float f = ProgressFraction(hwnd);

    const HDC surface = BorrowScratch(ScratchRole::Compose, size.Width, size.Height);
    if (!surface)
        return 0;
    FillSolid(surface, 0, 0, size.Width, size.Height, kFrameEnabled);
    FillSolid(surface, 1, 1, size.Width - 2, size.Height - 2, kWhite);
    if (f != 0.0f) {
        if (style & PBS_VERTICAL) {
            if (style & PBS_SMOOTH)
                FillSolid(surface, fx, fy, cw, ch, kProgressFill);
            FillSolid(surface, fx, fy, cw, ProgressUnfilledHeight(f, ch), kWhite);
        } else {
            FillSolid(surface, fx, fy, ProgressFilledWidth(f, cw), ch, kProgressFill);
        }
    }
    const WindowDC windowDc(hwnd, true);
    BitBlt(windowDc.get(), 0, 0, size.Width, size.Height, surface, 0, 0, SRCCOPY);
    return 0;
}

// Over the previous procedure's frame, a window with a sunken client edge gets the flat
// frame line and, inside it, rings in the client background colour.
LRESULT PaintFlatFrame(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallPrevious(previous, hwnd, message, wParam, lParam);
    if (!(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE))
        return result;
    int fx = 0, fy = 0;
    GetFrameWidths(hwnd, fx, fy);
    WindowSize size{};
    GetWindowSize(hwnd, size);
    const WindowDC windowDc(hwnd, true);
    const WindowDC clientDc(hwnd, false); // released first, as it was taken last
    FrameSolid(windowDc.get(), 0, 0, size.Width, size.Height, FrameColourFor(hwnd));
    // The inner rings reach into the client area, where a child window (a list
    // view's header) keeps its own pixels whichever of the two paints last.
    RECT window{};
    GetWindowRect(hwnd, &window);
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT box{};
        if (IsWindowVisible(child) && GetWindowRect(child, &box))
            ExcludeClipRect(windowDc.get(), box.left - window.left, box.top - window.top,
                            box.right - window.left, box.bottom - window.top);
    }
    // Ring d runs from (d, d) to (W - 1, H - 1), right and bottom exclusive: its left
    // and top lines move inward, its right and bottom lines stay on column W - 2 and
    // row H - 2.
    for (int d = 1; d <= fx; ++d)
        FrameSolid(windowDc.get(), d, d, size.Width - d - 1, size.Height - d - 1,
                   GetBkColor(clientDc.get()));
    return result;
}

constexpr std::array<GroupRoute, 2> kFrameRoutes{{
    {ClassGroup::ProgressBar, PaintWholeProgressBar},
    {ClassGroup::DataList, CallPrevious}, // data lists keep their own frame
}};

} // namespace

LRESULT OnNcPaint(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return RouteFor(kFrameRoutes, GetClassGroup(hwnd), PaintFlatFrame)(previous, hwnd, message,
                                                                       wParam, lParam);
}

} // namespace skin
