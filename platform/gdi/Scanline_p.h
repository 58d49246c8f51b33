// Scan conversion of polygons with GDI's sampling rule.
//
// Pixel (x, y) is inside a polygon when the point (x, y) is: each scanline is sampled at its
// integer y, an edge counts on the scanlines from its upper end (included) to its lower end
// (excluded), and a span between crossings xl and xr covers the pixels ceil(xl) .. ceil(xr) - 1.
// That is the top-left rule: a pixel centre exactly on a left or top edge is in, on a right or
// bottom edge out, so shapes sharing an edge never share a pixel.
#pragma once

#include "platform/WinGdi.h"
#include "platform/gdi/Mapping_p.h"

#include <functional>
#include <vector>

namespace gdi {

using TPolygon = std::vector<TPointD>;

// Calls `span(y, x0, x1)` for each covered run [x0, x1) on each scanline, top to bottom,
// left to right, inside `limit`. Every polygon is closed implicitly.
void ScanPolygons(const std::vector<TPolygon>& polygons, int fillMode, const RECT& limit,
                  const std::function<void(int y, int x0, int x1)>& span);

// Bounding box of the pixels the polygons may cover (exclusive); empty when none.
RECT PolygonBounds(const std::vector<TPolygon>& polygons);

} // namespace gdi
