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

    bool IsNone() const { return fill.IsNone(); }
};

TStroke MakeStroke(TDeviceContext& dc);

// Strokes every figure of a device path (Béziers are flattened). Cosmetic lines leave out the
// last pixel of an open figure; closed figures are drawn round.
void StrokeDevicePath(TDeviceContext& dc, const TDevicePath& path, const TStroke& stroke);
// Fills the figures of a device path (each closed implicitly) with the top-left rule.
void FillDevicePath(TDeviceContext& dc, const TDevicePath& path, int fillMode, const TFill& fill);

// The pen width in device pixels for a width in logical units.
double DeviceWidth(TDeviceContext& dc, double logicalWidth);

// True while BeginPath ... EndPath is open: shapes go into the path instead of the surface.
inline bool PathOpen(TDeviceContext& dc) {
    return dc.State().m_path.phase == TPathState::Phase::Open;
}

} // namespace gdi
