#include "icon_pixels.h"

#include <algorithm>
#include <cmath>

namespace {

struct Shape {
    double x, y; // in units of a 47-pixel icon
};

bool InRoundedSquare(Shape p, double inset, double radius) {
    const double lo = inset, hi = 47.0 - inset;
    const double cx = std::clamp(p.x, lo + radius, hi - radius);
    const double cy = std::clamp(p.y, lo + radius, hi - radius);
    return p.x >= lo && p.x <= hi && p.y >= lo && p.y <= hi &&
           std::hypot(p.x - cx, p.y - cy) <= radius;
}

bool InNoteHead(Shape p, double cx, double cy) {
    // An ellipse tilted up to the right, as printed note heads are.
    const double a = -0.38, c = std::cos(a), s = std::sin(a);
    const double dx = p.x - cx, dy = p.y - cy;
    const double u = dx * c - dy * s, v = dx * s + dy * c;
    return (u * u) / (5.6 * 5.6) + (v * v) / (4.0 * 4.0) <= 1.0;
}

bool InNotes(Shape p) {
    constexpr double kStem1 = 19.4, kStem2 = 34.4, kStemWidth = 2.4;
    constexpr double kBeam1 = 10.0, kBeam2 = 7.0, kBeamHeight = 5.0;
    if (InNoteHead(p, 14.6, 33.5) || InNoteHead(p, 29.6, 30.5))
        return true;
    const double beamTop = kBeam1 + (kBeam2 - kBeam1) * (p.x - kStem1) / (kStem2 - kStem1);
    if (p.x >= kStem1 - kStemWidth && p.x <= kStem2 && p.y >= beamTop &&
        p.y <= beamTop + kBeamHeight)
        return true;
    return (p.x >= kStem1 - kStemWidth && p.x <= kStem1 && p.y >= kBeam1 && p.y <= 33.5) ||
           (p.x >= kStem2 - kStemWidth && p.x <= kStem2 && p.y >= kBeam2 && p.y <= 30.5);
}

} // namespace

std::vector<std::uint32_t> IconPixels(int size) {
    constexpr int kSamples = 4; // per axis, per pixel
    std::vector<std::uint32_t> pixels(static_cast<size_t>(size) * static_cast<size_t>(size), 0);
    if (size <= 0)
        return pixels;
    const double unit = 47.0 / size;
    for (int py = 0; py < size; ++py)
        for (int px = 0; px < size; ++px) {
            double a = 0, r = 0, g = 0, b = 0;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Shape p{(px + (sx + 0.5) / kSamples) * unit,
                                  (py + (sy + 0.5) / kSamples) * unit};
                    if (!InRoundedSquare(p, 1.0, 9.0))
                        continue;
                    // Sky blue at the top to a deeper blue below, a darker rim,
                    // a faint gloss over the upper half.
                    const double t = p.y / 47.0;
                    double cr = 0x5A + (0x1C - 0x5A) * t, cg = 0xBE + (0x7C - 0xBE) * t,
                           cb = 0xF8 + (0xD8 - 0xF8) * t;
                    if (!InRoundedSquare(p, 2.2, 7.8)) {
                        cr *= 0.78;
                        cg *= 0.78;
                        cb *= 0.82;
                    } else if (p.y < 21.0 && InRoundedSquare({p.x, p.y + 8.0}, 3.0, 9.0)) {
                        cr += (255 - cr) * 0.16;
                        cg += (255 - cg) * 0.16;
                        cb += (255 - cb) * 0.16;
                    }
                    if (InNotes(p))
                        cr = cg = cb = 255;
                    a += 1;
                    r += cr;
                    g += cg;
                    b += cb;
                }
            const double n = kSamples * kSamples;
            auto channel = [n](double sum) {
                return static_cast<std::uint32_t>(std::lround(std::clamp(sum / n, 0.0, 255.0)));
            };
            // Premultiplied: the sums already weigh each colour by its coverage.
            pixels[static_cast<size_t>(py) * static_cast<size_t>(size) + static_cast<size_t>(px)] =
                channel(a * 255) << 24 | channel(r) << 16 | channel(g) << 8 | channel(b);
        }
    return pixels;
}

std::vector<std::uint32_t> StraightAlpha(std::vector<std::uint32_t> pixels) {
    for (std::uint32_t& p : pixels) {
        const std::uint32_t a = p >> 24;
        if (a == 0 || a == 255)
            continue;
        auto straight = [a](std::uint32_t c) { return std::min<std::uint32_t>(255, c * 255 / a); };
        p = a << 24 | straight((p >> 16) & 0xFF) << 16 | straight((p >> 8) & 0xFF) << 8 |
            straight(p & 0xFF);
    }
    return pixels;
}
