// Stretching pixel blocks: GDI's fixed-point sampling and the stretch modes.
#include "platform/gdi/StretchBlt_p.h"

#include <algorithm>

namespace gdi {

TAxisMap::TAxisMap(int source, int destination, bool rows)
    : m_source(std::max(source, 1)), m_destination(std::max(destination, 1)), m_fromEnd(rows) {
    if (m_source > m_destination) {
        m_offset = m_source - m_destination / 2;
    } else {
        m_offset = m_source / 2 - (rows ? 0 : 1);
    }
}

namespace {

// Sample of destination pixel k counted in the map's own direction, also in that direction.
std::int64_t Sample(std::int64_t k, std::int64_t source, std::int64_t destination,
                    std::int64_t offset) {
    if (k < 0)
        return -1;
    return std::clamp<std::int64_t>((k * source + offset) / destination, 0, source - 1);
}

} // namespace

int TAxisMap::At(int i) const {
    const std::int64_t k = m_fromEnd ? m_destination - 1 - i : i;
    const std::int64_t s = Sample(k, m_source, m_destination, m_offset);
    return static_cast<int>(m_fromEnd ? m_source - 1 - s : s);
}

int TAxisMap::First(int i) const {
    if (!Shrinks())
        return At(i);
    const std::int64_t k = m_fromEnd ? m_destination - 1 - i : i;
    const std::int64_t low = Sample(k - 1, m_source, m_destination, m_offset) + 1;
    const std::int64_t high = std::max(low, Sample(k, m_source, m_destination, m_offset));
    return static_cast<int>(m_fromEnd ? m_source - 1 - high : low);
}

int TAxisMap::Last(int i) const {
    if (!Shrinks())
        return At(i) + 1;
    const std::int64_t k = m_fromEnd ? m_destination - 1 - i : i;
    const std::int64_t low = Sample(k - 1, m_source, m_destination, m_offset) + 1;
    const std::int64_t high = std::max(low, Sample(k, m_source, m_destination, m_offset));
    return static_cast<int>(m_fromEnd ? m_source - low : high + 1);
}

namespace {

// Combines the source box [x0, x1) x [y0, y1) into one pixel, ANDed or ORed; false when
// no pixel of the box is defined.
bool CombineBox(const TImage& source, int x0, int x1, int y0, int y1, int mode,
                std::uint32_t& out) {
    std::uint32_t andAll = ~0u;
    std::uint32_t orAll = 0;
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        if (y < 0 || y >= source.height)
            continue;
        for (int x = x0; x < x1; ++x) {
            if (x < 0 || x >= source.width || !source.IsDefined(x, y))
                continue;
            const std::uint32_t p = source.At(x, y);
            andAll &= p;
            orAll |= p;
            ++count;
        }
    }
    if (count == 0)
        return false;
    out = mode == kStretchAndScans ? andAll : orAll;
    return true;
}

// One axis of a HALFTONE stretch, shrinking or enlarging alike: destination pixel d lies at
// source position d * source / destination and mixes the two source pixels around it by
// distance (weights in 1/256).
struct TTap {
    int first = 0;
    int second = 0;
    unsigned weight = 0; // of `second`
};

TTap HalftoneTap(int d, int source, int destination) {
    TTap tap;
    const std::int64_t position = static_cast<std::int64_t>(d) * source * 256 / destination;
    tap.first = static_cast<int>(std::clamp<std::int64_t>(position >> 8, 0, source - 1));
    tap.second = std::min(tap.first + 1, source - 1);
    tap.weight = static_cast<unsigned>(position & 0xFF);
    return tap;
}

std::uint32_t Mix(std::uint32_t a, std::uint32_t b, unsigned weight) {
    std::uint32_t out = 0;
    for (int c = 0; c < 32; c += 8) {
        const unsigned va = (a >> c) & 0xFF, vb = (b >> c) & 0xFF;
        out |= ((va * (256 - weight) + vb * weight + 128) >> 8) << c;
    }
    return out;
}

TImage HalftoneImage(const TImage& source, const TStretch& stretch, int width, int height) {
    TImage out;
    out.Resize(width, height);
    out.defined.assign(out.pixels.size(), 0);
    auto at = [&](int x, int y, std::uint32_t& p) {
        if (x < 0 || y < 0 || x >= source.width || y >= source.height || !source.IsDefined(x, y))
            return false;
        p = source.At(x, y);
        return true;
    };
    for (int j = 0; j < height; ++j) {
        int dy = stretch.visible.top + j;
        if (stretch.mirrorY)
            dy = stretch.dstHeight - 1 - dy;
        const TTap ty = HalftoneTap(dy, stretch.srcHeight, stretch.dstHeight);
        for (int i = 0; i < width; ++i) {
            int dx = stretch.visible.left + i;
            if (stretch.mirrorX)
                dx = stretch.dstWidth - 1 - dx;
            const TTap tx = HalftoneTap(dx, stretch.srcWidth, stretch.dstWidth);
            const int x0 = stretch.srcX + tx.first, x1 = stretch.srcX + tx.second;
            const int y0 = stretch.srcY + ty.first, y1 = stretch.srcY + ty.second;
            std::uint32_t p00 = 0;
            if (!at(x0, y0, p00))
                continue;
            std::uint32_t p10 = p00, p01 = p00, p11 = p00;
            at(x1, y0, p10);
            at(x0, y1, p01);
            if (!at(x1, y1, p11))
                p11 = p10;
            const std::size_t index = static_cast<std::size_t>(j) * width + i;
            out.pixels[index] = Mix(Mix(p00, p10, tx.weight), Mix(p01, p11, tx.weight), ty.weight);
            out.defined[index] = 1;
        }
    }
    return out;
}

} // namespace

TImage StretchImage(const TImage& source, const TStretch& stretch) {
    TImage out;
    const int width = std::max<LONG>(0, stretch.visible.right - stretch.visible.left);
    const int height = std::max<LONG>(0, stretch.visible.bottom - stretch.visible.top);
    out.Resize(width, height);
    out.defined.assign(out.pixels.size(), 0);
    if (width == 0 || height == 0 || stretch.srcWidth <= 0 || stretch.srcHeight <= 0)
        return out;

    if (stretch.mode == kStretchHalftone)
        return HalftoneImage(source, stretch, width, height);
    const TAxisMap columns(stretch.srcWidth, stretch.dstWidth, false);
    const TAxisMap rows(stretch.srcHeight, stretch.dstHeight, true);
    const bool combine = (stretch.mode == kStretchAndScans || stretch.mode == kStretchOrScans) &&
                         (columns.Shrinks() || rows.Shrinks());

    // Source column (or column range) of every visible destination column, once.
    std::vector<int> first(static_cast<std::size_t>(width)), last(static_cast<std::size_t>(width));
    for (int i = 0; i < width; ++i) {
        int d = stretch.visible.left + i;
        if (stretch.mirrorX)
            d = stretch.dstWidth - 1 - d;
        first[static_cast<std::size_t>(i)] =
            stretch.srcX + (combine ? columns.First(d) : columns.At(d));
        last[static_cast<std::size_t>(i)] =
            stretch.srcX + (combine ? columns.Last(d) : columns.At(d) + 1);
    }
    for (int j = 0; j < height; ++j) {
        int d = stretch.visible.top + j;
        if (stretch.mirrorY)
            d = stretch.dstHeight - 1 - d;
        const int y0 = stretch.srcY + (combine ? rows.First(d) : rows.At(d));
        const int y1 = stretch.srcY + (combine ? rows.Last(d) : rows.At(d) + 1);
        std::uint32_t* row = out.pixels.data() + static_cast<std::size_t>(j) * width;
        std::uint8_t* defined = out.defined.data() + static_cast<std::size_t>(j) * width;
        if (!combine) {
            if (y0 < 0 || y0 >= source.height)
                continue;
            const std::size_t rowStart = static_cast<std::size_t>(y0) * source.width;
            const std::uint32_t* from = source.pixels.data() + rowStart;
            const std::uint8_t* known =
                source.defined.empty() ? nullptr : source.defined.data() + rowStart;
            for (int i = 0; i < width; ++i) {
                const int x0 = first[static_cast<std::size_t>(i)];
                if (x0 < 0 || x0 >= source.width || (known != nullptr && known[x0] == 0))
                    continue;
                row[i] = from[x0];
                defined[i] = 1;
            }
            continue;
        }
        for (int i = 0; i < width; ++i) {
            std::uint32_t p = 0;
            if (CombineBox(source, first[static_cast<std::size_t>(i)],
                           last[static_cast<std::size_t>(i)], y0, y1, stretch.mode, p)) {
                row[i] = p;
                defined[i] = 1;
            }
        }
    }
    // A fully defined result lets the blit copy it row by row.
    if (std::all_of(out.defined.begin(), out.defined.end(), [](std::uint8_t d) { return d != 0; }))
        out.defined.clear();
    return out;
}

} // namespace gdi
