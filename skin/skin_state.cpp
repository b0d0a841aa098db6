#include "skin_state.h"

namespace skin {

bool SkinImagesReady = false;
bool HasTrackMouseEvent = false;
std::int32_t SkinnedWindowCount = 0;

ImageSurface ButtonSkin;
ImageSurface DropButtonSkin;
ImageSurface GlyphSkin;
ImageSurface BoxSkin;
ImageSurface BarSkin;

} // namespace skin
