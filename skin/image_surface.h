#pragma once
#include "gdi_handles.h"

namespace skin {

// A memory device context that owns the one bitmap selected into it for its whole
// life. Referred to by its context handle, as the painters copy from get().
class ImageSurface {
  public:
    ImageSurface() = default;
    ImageSurface(UniqueHdc dc, UniqueBitmap bitmap)
        : dc_(std::move(dc)), bitmap_(std::move(bitmap)) {}
    ~ImageSurface() { reset(); }
    ImageSurface(ImageSurface&& other) noexcept = default;
    ImageSurface& operator=(ImageSurface&& other) noexcept {
        if (this != &other) {
            reset();
            dc_ = std::move(other.dc_);
            bitmap_ = std::move(other.bitmap_);
        }
        return *this;
    }

    HDC get() const { return dc_.get(); }
    HBITMAP bitmap() const { return bitmap_.get(); }
    explicit operator bool() const { return static_cast<bool>(dc_); }

    // The context goes first: deleting it lets go of the bitmap, which can then be
    // deleted (a bitmap still selected into a live DC cannot).
    void reset() {
        dc_.reset();
        bitmap_.reset();
    }

  private:
    UniqueHdc dc_;
    UniqueBitmap bitmap_;
};

// A surface of width x height compatible with the display, or an empty one when any
// step fails (nothing is left open then). Its initial pixels are undefined.
ImageSurface CreateImageSurface(int width, int height);

} // namespace skin
