// Stretching a block of pixels the way GDI's stretch blits do: nearest-neighbour sampling
// with GDI's fixed-point stepping, and the four stretch modes for pixels a shrink drops.
#pragma once

#include "platform/gdi/Dib_p.h"

namespace gdi {

// Stretch modes, as SetStretchBltMode spells them.
constexpr int kStretchAndScans = 1;    // BLACKONWHITE: dropped pixels ANDed in
constexpr int kStretchOrScans = 2;     // WHITEONBLACK: dropped pixels ORed in
constexpr int kStretchDeleteScans = 3; // COLORONCOLOR: dropped pixels lost
constexpr int kStretchHalftone = 4;    // HALFTONE: the two nearest pixels each way mixed

// Which source pixel of an extent of `source` pixels lands on each of `destination` pixels.
// GDI steps through the source with an integer error term: destination pixel k takes source
// pixel (k * source + c) / destination, with c = source - destination / 2 when shrinking and
// source / 2 - 1 when stretching. Rows are counted from the bottom (the DIB's own order) with
// c = source / 2 when stretching. So a 2:1 shrink takes the second pixel of every pair across
// and the first of every pair down, and a 3:1 shrink the last of each three across.
class TAxisMap {
public:
    TAxisMap(int source, int destination, bool rows);

    // Source index for destination pixel i (0 <= i < destination), in [0, source).
    int At(int i) const;
    // The source pixels [First(i), Last(i)) that destination pixel i stands for when shrinking:
    // those after the previous sample up to its own, in counting order; never empty.
    int First(int i) const;
    int Last(int i) const;

    bool Shrinks() const { return m_source > m_destination; }

private:
    int m_source;
    int m_destination;
    bool m_fromEnd;        // count from the far end (rows: from the bottom)
    std::int64_t m_offset; // the error term's start, c above
};

// A source rectangle stretched onto a destination rectangle, and the part of the destination
// that is wanted. Extents are positive; mirroring is given apart. Source pixels outside the
// source picture are undefined (the destination keeps its pixels there).
struct TStretch {
    int srcX = 0, srcY = 0, srcWidth = 0, srcHeight = 0; // in the source picture, top-down
    int dstWidth = 0, dstHeight = 0;                     // whole destination extent, pixels
    bool mirrorX = false;                                // destination runs right to left
    bool mirrorY = false;                                // destination runs bottom to top
    int mode = kStretchDeleteScans;
    // Wanted part of the destination, relative to its top-left corner: [left, right) x [top,
    // bottom), inside 0 .. dstWidth x 0 .. dstHeight.
    RECT visible{0, 0, 0, 0};
};

// Produces the visible part of the stretched picture, one pixel per destination pixel.
TImage StretchImage(const TImage& source, const TStretch& stretch);

} // namespace gdi
