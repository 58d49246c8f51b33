#include "platform/gdi/GlyphBlend_p.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace gdi {

namespace {

constexpr double kTextGamma = 2.3;
constexpr int kLinearSteps = 4096;

struct TGammaTables {
    std::array<float, 256> toLinear{};
    std::array<std::uint8_t, kLinearSteps + 1> fromLinear{};
    TGammaTables() {
        for (int i = 0; i < 256; ++i) {
            toLinear[i] = static_cast<float>(std::pow(i / 255.0, kTextGamma));
        }
        for (int i = 0; i <= kLinearSteps; ++i) {
            double value = std::pow(static_cast<double>(i) / kLinearSteps, 1.0 / kTextGamma);
            fromLinear[i] = static_cast<std::uint8_t>(std::lround(value * 255));
        }
    }
};

const TGammaTables& Gamma() {
    static const TGammaTables tables;
    return tables;
}

std::uint32_t BlendPixel(std::uint32_t destination, std::uint32_t colour, int level) {
    if (level >= 16) {
        return colour;
    }
    auto channel = [&](int shift) {
        return static_cast<std::uint32_t>(
                   BlendChannel(static_cast<std::uint8_t>(destination >> shift),
                                static_cast<std::uint8_t>(colour >> shift), level))
               << shift;
    };
    return channel(16) | channel(8) | channel(0);
}

} // namespace

std::uint8_t BlendChannel(std::uint8_t destination, std::uint8_t colour, int level) {
    if (level <= 0 || destination == colour) {
        return destination;
    }
    if (level >= 16) {
        return colour;
    }
    const TGammaTables& gamma = Gamma();
    double mixed =
        (gamma.toLinear[destination] * (16 - level) + gamma.toLinear[colour] * level) / 16.0;
    int index = static_cast<int>(std::lround(mixed * kLinearSteps));
    return gamma.fromLinear[std::clamp(index, 0, kLinearSteps)];
}

void BlendGlyph(TSurface& surface, const TPixRegion& clip, int x, int y, const TGlyphImage& glyph,
                std::uint32_t pixel) {
    if (glyph.width <= 0 || glyph.height <= 0 || surface.IsEmpty()) {
        return;
    }
    // Glyph box in device pixels; 64-bit so a far-away origin cannot overflow.
    const long long left = static_cast<long long>(x) + glyph.left;
    const long long top = static_cast<long long>(y) + glyph.top;
    const long long right = left + glyph.width;
    const long long bottom = top + glyph.height;
    if (surface.m_monochrome) {
        pixel = ToMonochrome(pixel);
    }
    for (const pixman_box32_t& box : clip.Boxes()) {
        long long x0 = std::max<long long>(box.x1, left);
        long long x1 = std::min<long long>(box.x2, right);
        long long y0 = std::max<long long>(box.y1, top);
        long long y1 = std::min<long long>(box.y2, bottom);
        if (x0 >= x1 || y0 >= y1) {
            continue;
        }
        for (long long row = y0; row < y1; ++row) {
            std::uint32_t* target = surface.Row(static_cast<int>(row));
            const BYTE* levels = glyph.levels.data() + static_cast<size_t>(row - top) * glyph.width;
            for (long long column = x0; column < x1; ++column) {
                int level = levels[column - left];
                if (level == 0) {
                    continue;
                }
                std::uint32_t& destination = target[column];
                if (surface.m_monochrome) {
                    if (level >= 8) {
                        destination = pixel;
                    }
                } else {
                    destination = BlendPixel(destination & 0x00FFFFFFu, pixel, level);
                }
            }
        }
    }
}

void FillConvexPolygon(TSurface& surface, const TPixRegion& clip, const TPointD* points, int count,
                       std::uint32_t pixel) {
    if (count < 3 || surface.IsEmpty()) {
        return;
    }
    double minX = points[0].x, maxX = points[0].x, minY = points[0].y, maxY = points[0].y;
    double area = 0;
    for (int i = 0; i < count; ++i) {
        const TPointD& a = points[i];
        const TPointD& b = points[(i + 1) % count];
        minX = std::min(minX, a.x);
        maxX = std::max(maxX, a.x);
        minY = std::min(minY, a.y);
        maxY = std::max(maxY, a.y);
        area += a.x * b.y - b.x * a.y;
    }
    if (area == 0 || !(maxX - minX < 1e7) || !(maxY - minY < 1e7)) {
        return;
    }
    const double orientation = area > 0 ? 1 : -1;
    if (surface.m_monochrome) {
        pixel = ToMonochrome(pixel);
    }
    RECT bounds = clip.Box();
    long long top = std::max<long long>(bounds.top, static_cast<long long>(std::ceil(minY - 0.5)));
    long long bottom =
        std::min<long long>(bounds.bottom, static_cast<long long>(std::ceil(maxY - 0.5)));
    long long leftmost =
        std::max<long long>(bounds.left, static_cast<long long>(std::ceil(minX - 0.5)));
    long long rightmost =
        std::min<long long>(bounds.right, static_cast<long long>(std::ceil(maxX - 0.5)));
    for (long long row = top; row < bottom; ++row) {
        double cy = row + 0.5;
        std::uint32_t* target = surface.Row(static_cast<int>(row));
        for (long long column = leftmost; column < rightmost; ++column) {
            double cx = column + 0.5;
            bool inside = true;
            for (int i = 0; i < count && inside; ++i) {
                const TPointD& a = points[i];
                const TPointD& b = points[(i + 1) % count];
                double cross = (b.x - a.x) * (cy - a.y) - (b.y - a.y) * (cx - a.x);
                inside = cross * orientation >= 0;
            }
            if (inside && clip.Contains(static_cast<int>(column), static_cast<int>(row))) {
                target[column] = pixel;
            }
        }
    }
}

} // namespace gdi
