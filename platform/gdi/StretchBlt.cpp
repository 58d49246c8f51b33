// Stretching pixel blocks: GDI's fixed-point sampling and the stretch modes.
#include "platform/gdi/StretchBlt_p.h"

#include <algorithm>

namespace gdi {

TAxisMap::TAxisMap(int source, int destination, bool rows)
    : m_source(std::max(source, 1)), m_destination(std::max(destination, 1)), m_fromEnd(rows) {
    if (m_source > m_destination)
        m_offset = m_source - m_destination / 2;
    else
        m_offset = m_source / 2 - (rows ? 0 : 1);
}

int TAxisMap::At(int i) const {
    const std::int64_t k = m_fromEnd ? m_destination - 1 - i : i;
    const std::int64_t s =
        std::clamp<std::int64_t>((k * m_source + m_offset) / m_destination, 0, m_source - 1);
    return static_cast<int>(m_fromEnd ? m_source - 1 - s : s);
}

int TAxisMap::First(int i) const {
    if (!Shrinks())
        return At(i);
    return static_cast<int>(static_cast<std::int64_t>(i) * m_source / m_destination);
}

int TAxisMap::Last(int i) const {
    if (!Shrinks())
        return At(i) + 1;
    const int last = static_cast<int>(static_cast<std::int64_t>(i + 1) * m_source / m_destination);
    return std::max(last, First(i) + 1);
}

namespace {

// Combines the source box [x0, x1) x [y0, y1) into one pixel by the stretch mode; false when
// no pixel of the box is defined.
bool CombineBox(const TImage& source, int x0, int x1, int y0, int y1, int mode,
                std::uint32_t& out) {
    std::uint32_t andAll = ~0u;
    std::uint32_t orAll = 0;
    std::uint64_t sum[4] = {0, 0, 0, 0};
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
            for (int c = 0; c < 4; ++c)
                sum[c] += (p >> (8 * c)) & 0xFF;
            ++count;
        }
    }
    if (count == 0)
        return false;
    if (mode == kStretchAndScans) {
        out = andAll;
    } else if (mode == kStretchOrScans) {
        out = orAll;
    } else {
        out = 0;
        for (int c = 0; c < 4; ++c)
            out |= static_cast<std::uint32_t>((sum[c] + count / 2) / count) << (8 * c);
    }
    return true;
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

    const TAxisMap columns(stretch.srcWidth, stretch.dstWidth, false);
    const TAxisMap rows(stretch.srcHeight, stretch.dstHeight, true);
    const bool combine =
        stretch.mode != kStretchDeleteScans && (columns.Shrinks() || rows.Shrinks());

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
        for (int i = 0; i < width; ++i) {
            const int x0 = first[static_cast<std::size_t>(i)];
            if (!combine) {
                if (x0 >= 0 && x0 < source.width && y0 >= 0 && y0 < source.height &&
                    source.IsDefined(x0, y0)) {
                    row[i] = source.At(x0, y0);
                    defined[i] = 1;
                }
                continue;
            }
            std::uint32_t p = 0;
            if (CombineBox(source, x0, last[static_cast<std::size_t>(i)], y0, y1, stretch.mode,
                           p)) {
                row[i] = p;
                defined[i] = 1;
            }
        }
    }
    return out;
}

} // namespace gdi
