// Bounds kept while a Windows metafile is turned into an enhanced one without a picture size.
//
// The frame of such a conversion is what the drawing covers, and GDI measures it coarsely: every
// call counts by a few points in logical units, each taken to the device and rounded to the
// nearest pixel, with no pen width. An arc counts by where its ends meet the ellipse and by the
// ellipse's extreme points it passes on the way, not by its whole box.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/metafile/Metafile_p.h"

namespace tallyvane::metafile {

LONG RoundToDevicePixel(double v) {
    if (!std::isfinite(v))
        return 0;
    return LONG(std::clamp(std::floor(v + 0.5), -1e9, 1e9));
}

RECT ArcConversionBounds(DWORD type, const RECT& box, POINT start, POINT end, POINT current) {
    const LONG left = box.left, top = box.top, right = box.right, bottom = box.bottom;
    // The centre and radii in whole units, as the box is inclusive.
    const LONG cx = LONG((double(left) + right + 1) / 2);
    const LONG cy = LONG((double(top) + bottom + 1) / 2);
    const double rx = double(LONG((double(right) - left + 1) / 2));
    const double ry = double(LONG((double(bottom) - top + 1) / 2));

    // Angles counter-clockwise from the x axis, y pointing up.
    double a0 = std::atan2(-(double(start.y) - cy), double(start.x) - cx);
    double a1 = std::atan2(-(double(end.y) - cy), double(end.x) - cx);
    const double xs = rx * std::cos(a0) + cx, ys = -ry * std::sin(a0) + cy;
    const double xe = rx * std::cos(a1) + cx, ye = -ry * std::sin(a1) + cy;
    constexpr double kTurn = 2 * std::numbers::pi;
    if (a0 < 0)
        a0 += kTurn;
    if (a1 < 0)
        a1 += kTurn;
    if (a1 < a0)
        a1 += kTurn;

    // Fractions are cut towards zero, as by an integer store.
    RECT r{LONG(std::min(xs, xe)), LONG(std::min(ys, ye)), LONG(std::max(xs, xe)),
           LONG(std::max(ys, ye))};
    // Each quarter turn passed touches one side of the box: right, top, left, bottom.
    for (int quarter = 0; quarter <= 8; ++quarter) {
        const double at = quarter * kTurn / 4;
        if (at < a0)
            continue;
        if (at > a1)
            break;
        switch (quarter % 4) {
        case 0:
            r.right = right;
            break;
        case 1:
            r.top = top;
            break;
        case 2:
            r.left = left;
            break;
        default:
            r.bottom = bottom;
            break;
        }
    }
    if (type == EMR_PIE) {
        // A pie reaches its centre.
        if (r.left > cx)
            r.left = cx;
        else if (r.right < cx)
            r.right = cx;
        if (r.top > cy)
            r.top = cy;
        else if (r.bottom < cy)
            r.bottom = cy;
    } else if (type == EMR_ARCTO) {
        // The line from the current position to the arc's start is part of the drawing.
        r.left = std::min(r.left, current.x);
        r.top = std::min(r.top, current.y);
        r.right = std::max(r.right, current.x);
        r.bottom = std::max(r.bottom, current.y);
    }
    return r;
}

} // namespace tallyvane::metafile
