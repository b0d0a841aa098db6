#include "drawn_controls.h"

#include "gdi_handles.h"

#include <algorithm>
#include <numeric>

using namespace form1_design;

DrawnControls::DrawnControls(std::vector<DrawnControl> rows)
    : rows_(std::move(rows)), order_(rows_.size()) {
    std::iota(order_.begin(), order_.end(), size_t{0});
    std::stable_sort(order_.begin(), order_.end(),
                     [this](size_t a, size_t b) { return rows_[a].z < rows_[b].z; });
}

RECT DrawnControls::Area(size_t row) const {
    const DrawnControl& control = rows_[row];
    RECT area = PixelRect(control.place, dpi_);
    if (control.autoSize)
        area.right = std::max(area.right, static_cast<LONG>(Px(kClient.width, dpi_)));
    return area;
}

int DrawnControls::HitTest(POINT client) const {
    for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
        // A label is hit within its designed box, whatever its text covers.
        const RECT area = PixelRect(rows_[*it].place, dpi_);
        if (rows_[*it].visible && PtInRect(&area, client))
            return static_cast<int>(*it);
    }
    return -1;
}

void DrawnControls::Paint(HDC dc, const RECT& dirty, HFONT labelFont, bool systemColours) const {
    SelectGuard font(dc, labelFont);
    SetBkMode(dc, TRANSPARENT);
    for (size_t row : order_) {
        const DrawnControl& control = rows_[row];
        RECT area = Area(row);
        RECT meeting;
        if (!control.visible || !IntersectRect(&meeting, &area, &dirty))
            continue;
        if (control.picture && systemColours) {
            continue;
        } else if (control.picture) {
            // A picture shows within its own box, as a picture control clips it.
            const int saved = SaveDC(dc);
            IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
            control.picture(dc, area, dpi_);
            RestoreDC(dc, saved);
        } else if (!control.text.empty()) {
            SetTextColor(dc, systemColours ? GetSysColor(COLOR_WINDOWTEXT) : control.colour);
            DrawTextW(dc, control.text.c_str(), static_cast<int>(control.text.size()), &area,
                      DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX |
                          (control.autoSize ? 0u : static_cast<UINT>(DT_END_ELLIPSIS)));
        }
    }
}
