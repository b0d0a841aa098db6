#include "skin_images.h"

#include "scratch_surfaces.h"
#include "skin_pixels.h"
#include "skin_state.h"

namespace skin {
namespace {

template <int W, int H>
void MakeSurfaceFor(ImageSurface& surface, const pixels::PixelImage<W, H>&) {
    surface = CreateImageSurface(W, H);
}

template <int W, int H>
void PaintImage(const ImageSurface& surface, const pixels::PixelImage<W, H>& image) {
    if (!surface)
        return;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            SetPixel(surface.get(), x, y, image.at(x, y));
}

} // namespace

void BuildSkinImages() {
    MakeSurfaceFor(ButtonSkin, pixels::kButtonSkin);
    MakeSurfaceFor(DropButtonSkin, pixels::kDropButtonSkin);
    MakeSurfaceFor(GlyphSkin, pixels::kGlyphSkin);
    MakeSurfaceFor(BoxSkin, pixels::kBoxSkin);
    MakeSurfaceFor(BarSkin, pixels::kBarSkin);
    PaintImage(ButtonSkin, pixels::kButtonSkin);
    PaintImage(DropButtonSkin, pixels::kDropButtonSkin);
    PaintImage(GlyphSkin, pixels::kGlyphSkin);
    PaintImage(BoxSkin, pixels::kBoxSkin);
    PaintImage(BarSkin, pixels::kBarSkin);
}

void ReleaseSkinImages() {
    ButtonSkin.reset();
    DropButtonSkin.reset();
    GlyphSkin.reset();
    BoxSkin.reset();
    BarSkin.reset();
    ReleaseScratchSurfaces();
}

} // namespace skin
