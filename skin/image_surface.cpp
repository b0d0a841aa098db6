#include "image_surface.h"

namespace skin {

ImageSurface CreateImageSurface(int width, int height) {
    // CreateCompatibleBitmap answers a zero size with a 1x1 monochrome bitmap rather
    // than failing, which would pass for a surface of the wrong size and depth.
    if (width <= 0 || height <= 0)
        return {};
    UniqueHdc display = CreateDisplayDC();
    if (!display)
        return {};
    UniqueHdc memory = CreateMemoryDC(display.get());
    if (!memory)
        return {};
    UniqueBitmap bitmap = CreateBitmapFor(display.get(), width, height);
    if (!bitmap)
        return {};
    // The object displaced is the context's stock 1x1 bitmap; stock objects are never
    // freed, so it is simply dropped.
    if (!SelectObject(memory.get(), bitmap.get()))
        return {};
    return ImageSurface(std::move(memory), std::move(bitmap));
}

} // namespace skin
