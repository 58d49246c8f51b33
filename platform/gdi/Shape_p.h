// Shapes as GDI draws them, in device pixels.
//
// Boxes reach this layer exclusive (right and bottom just outside, as Rectangle and Ellipse take
// them) and are drawn on their inclusive box (left .. right - 1): the outline of a one-pixel pen
// runs through the pixel centres of the inclusive box, and the fill covers what lies inside it.
#pragma once

#include "platform/WinGdi.h"
#include "platform/gdi/Path_p.h"

#include <functional>
#include <vector>

namespace gdi {

using TSpanFn = std::function<void(int y, int x0, int x1)>;

// One row of a round rectangle or ellipse: the pixels [x0, x1) are the shape, outline
// included; the outline takes [x0, innerLeft) and [innerRight, x1), the interior lies between
// (empty where the two meet). Only x0 and x1 are cut to the limit.
struct TRoundRow {
    int y, x0, x1, innerLeft, innerRight;
};
using TRoundRowFn = std::function<void(const TRoundRow&)>;

// The rows of a round rectangle for the exclusive box as GDI rasterises it: the corner
// ellipse (`width` x `height` pixels, at most the box) follows an integer ellipse walk, and
// corners of two pixels or less are square. With a limit, only rows and columns inside it
// are produced.
void RoundRectRows(int left, int top, int right, int bottom, int width, int height,
                   const TRoundRowFn& emit, const RECT* limit = nullptr);

// The pixels of a round rectangle (an ellipse when width and height reach the box's size),
// outline included, for the exclusive box; one span per row, top to bottom. With a limit, only
// rows and columns inside it are produced.
void RoundRectSpans(int left, int top, int right, int bottom, int width, int height,
                    const TSpanFn& span, const RECT* limit = nullptr);

// The outline figure of a round rectangle or ellipse through the pixel centres of the
// inclusive box, as a closed device path (Béziers for the curved parts), starting at the
// rightmost point of the top edge and running counter-clockwise on screen.
TDevicePath RoundRectPath(double left, double top, double right, double bottom, double width,
                          double height);

// The outline of a round rectangle or ellipse as GDI's pens trace it: a closed figure through
// the centres of its outline pixels (those of RoundRectRows), one pixel per step, for the
// exclusive box.
TDevicePath RoundRectPixelPath(int left, int top, int right, int bottom, int width, int height);

// The pixels of an elliptic arc as GDI's pens trace it, for the exclusive device box: the
// outline pixels of the box's ellipse from the radial through `start` up to (not including)
// the first pixel at the radial through `end`, going `clockwise` on screen. The whole ellipse
// when both radials meet the same pixel. Empty for boxes too large to walk.
std::vector<POINT> ArcPixelPoints(const RECT& box, POINT start, POINT end, bool clockwise);

// An elliptic arc on the ellipse of a box, from the radial through `start` to the radial
// through `end`, as Béziers appended to `path` (a line to its start when `connect`, else a
// move). `clockwise` is on screen, y down. Returns the arc's end point.
TPointD AppendArc(TDevicePath& path, double left, double top, double right, double bottom,
                  TPointD start, TPointD end, bool clockwise, bool connect);

} // namespace gdi
