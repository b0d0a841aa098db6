#pragma once
#include "image_surface.h"

#include <cstdint>

// Engine-wide values of the skin. Per-window state never lives here: it is kept in
// each window's property list (skin_props.h). Touched on the GUI thread only.
namespace skin {

extern bool SkinImagesReady;
// TrackMouseEvent was found in User32 when the images were last built.
extern bool HasTrackMouseEvent;
// Windows whose procedure SkinWindow replaced and UnskinWindow has not yet restored.
extern std::int32_t SkinnedWindowCount;

// The five skin images (skin_images.h draws them).
extern ImageSurface ButtonSkin;
extern ImageSurface DropButtonSkin;
extern ImageSurface GlyphSkin;
extern ImageSurface BoxSkin;
extern ImageSurface BarSkin;

// Kept per control in OLDSTATE; indexes a push button's face surfaces and the state
// cells of the skin images. Disabled is used by push buttons alone.
enum VisualState : int {
    VisualNormal = 0,
    VisualHover = 1,
    VisualPressed = 2,
    VisualDisabled = 3,
};
inline constexpr int kVisualStateCount = 4;

// Every message handler: (previous procedure, window, message, wParam, lParam). Its
// result is what the skin window procedure returns for the message, unchanged.
using SkinHandler = LRESULT (*)(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam,
                                LPARAM lParam);

} // namespace skin
