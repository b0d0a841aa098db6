#include "scratch_surfaces.h"

#include "image_surface.h"

#include <algorithm>
#include <array>

namespace skin {
namespace {

struct ScratchSlot {
    ImageSurface surface;
    int width = 0;
    int height = 0;
};

std::array<ScratchSlot, 5> slots;
UniquePalette halftone;

ImageSurface CreateMonochromeSurface(int width, int height) {
    UniqueBitmap bitmap = CreateMonochromeBitmap(width, height);
    if (!bitmap)
        return {};
    UniqueHdc dc = CreateMemoryDC(nullptr);
    if (!dc || !SelectObject(dc.get(), bitmap.get()))
        return {};
    return ImageSurface(std::move(dc), std::move(bitmap));
}

} // namespace

HDC BorrowScratch(ScratchRole role, int width, int height) {
    if (width <= 0 || height <= 0)
        return nullptr;
    ScratchSlot& slot = slots[static_cast<size_t>(role)];
    if (slot.surface && width <= slot.width && height <= slot.height)
        return slot.surface.get();
    // Growing to cover both sizes keeps callers that alternate between a wide and a
    // tall box from remaking the surface on every call.
    const int grownWidth = std::max(width, slot.width);
    const int grownHeight = std::max(height, slot.height);
    ImageSurface grown = role == ScratchRole::KeyedMask
                             ? CreateMonochromeSurface(grownWidth, grownHeight)
                             : CreateImageSurface(grownWidth, grownHeight);
    if (!grown)
        return nullptr; // the smaller surface stays for the calls it fits
    slot.surface = std::move(grown);
    slot.width = grownWidth;
    slot.height = grownHeight;
    return slot.surface.get();
}

HPALETTE ScratchHalftonePalette() {
    if (!halftone) {
        const UniqueHdc display = CreateDisplayDC();
        if (display)
            halftone = CreateHalftonePaletteFor(display.get());
    }
    return halftone.get();
}

void ReleaseScratchSurfaces() {
    for (ScratchSlot& slot : slots)
        slot = ScratchSlot{};
    halftone.reset();
}

} // namespace skin
