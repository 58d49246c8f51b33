// The drawing layer between the public calls and the raster back end: pens resolved for a DC,
// and device paths stroked and filled with GDI's conventions.
#pragma once

#include "platform/gdi/Raster_p.h"

#include <vector>

namespace gdi {

// The selected pen as it draws on this DC now.
struct TStroke {
    TFill fill;                 // None for a null pen
    bool cosmetic = true;       // one-pixel line with the thin-line algorithm
    double width = 1;           // device pixels (geometric pens)
    DWORD style = PS_SOLID;     // full style word (caps and joins for geometric pens)
    int lineStyle = PS_SOLID;   // PS_* after the old-pen rules
    std::vector<double> dashes; // on/off lengths: pixels for cosmetic, device units otherwise
    bool opaqueGaps = false;    // cosmetic gaps painted with the background colour
    std::uint32_t gapColor = 0;
    bool insideFrame = false; // PS_INSIDEFRAME on a geometric pen
    double miterLimit = 10;   // the DC's miter limit when the pen was resolved

    bool IsNone() const { return fill.IsNone(); }
};

TStroke MakeStroke(TDeviceContext& dc);

// A geometric pen of at least two pixels, in whole device pixels.
struct TWidePen {
    int width = 2;
    DWORD endCap = PS_ENDCAP_ROUND;
    DWORD join = PS_JOIN_ROUND;
    double miterLimit = 10;
    std::vector<long long> dashes; // on/off lengths in pixels; empty for a solid line
};

// A polyline of whole device points; a closed one runs back to its first point.
struct TWideFigure {
    std::vector<POINT> points;
    bool closed = false;
};

// The coverage of a geometric pen along the figures, limited to `limit` (device pixels).
// False when nothing is covered.
bool RasterizeWideLines(const std::vector<TWideFigure>& figures, const TWidePen& pen,
                        const RECT& limit, TMask& out);
// The figures of a device path as whole device points (Béziers flattened); with `closeAll`
// every figure counts as closed, as when a path is filled and stroked.
std::vector<TWideFigure> WideFigures(const TDevicePath& path, bool closeAll);
// The outline WidenPath makes of a device path for a pen `width` logical units wide with the
// caps and joins of `style`: straight lines only, one figure per open figure of the path and
// two per closed one.
bool WidenDevicePath(const TDevicePath& path, int width, DWORD style, double miterLimit,
                     TDevicePath& out);
// The wide pen of a stroke.
TWidePen WidePen(const TStroke& stroke);

// Strokes every figure of a device path (Béziers are flattened). Thin lines leave out the
// last pixel of an open figure; closed figures are drawn round. With `closeAll` every figure
// is stroked as closed (StrokeAndFillPath closes open figures first).
void StrokeDevicePath(TDeviceContext& dc, const TDevicePath& path, const TStroke& stroke,
                      bool closeAll = false);
// Fills the figures of a device path (each closed implicitly) with the top-left rule.
void FillDevicePath(TDeviceContext& dc, const TDevicePath& path, int fillMode, const TFill& fill);

// True while BeginPath ... EndPath is open: shapes go into the path instead of the surface.
inline bool PathOpen(TDeviceContext& dc) {
    return dc.State().m_path.phase == TPathState::Phase::Open;
}

} // namespace gdi
