// Paths: figures kept in device space.
//
// A path is a list of points, each with the type GetPath reports: PT_MOVETO starts a figure,
// PT_LINETO and PT_BEZIERTO (three points per curve) continue it, and PT_CLOSEFIGURE may be or'ed
// into the last point of a closed figure. Points are device coordinates in double precision:
// GDI stores a path transformed at the moment each call adds to it, so later changes to the
// mapping do not move what is already there. GetPath maps them back to logical units.
#pragma once

#include "platform/WinGdi.h"
#include "platform/gdi/Mapping_p.h"

#include <vector>

namespace gdi {

struct TDevicePath {
    std::vector<TPointD> points;
    std::vector<BYTE> types;

    bool IsEmpty() const { return points.empty(); }
    void Clear() {
        points.clear();
        types.clear();
    }
    void MoveTo(TPointD p) { Add(p, PT_MOVETO); }
    void LineTo(TPointD p) { Add(p, PT_LINETO); }
    // Three points: two control points and the end point.
    void BezierTo(TPointD c1, TPointD c2, TPointD end) {
        Add(c1, PT_BEZIERTO);
        Add(c2, PT_BEZIERTO);
        Add(end, PT_BEZIERTO);
    }
    // Marks the current figure closed (no-op on an empty path).
    void Close() {
        if (!types.empty()) {
            types.back() |= PT_CLOSEFIGURE;
        }
    }
    void Add(TPointD p, BYTE type) {
        points.push_back(p);
        types.push_back(type);
    }
    void Append(const TDevicePath& other) {
        points.insert(points.end(), other.points.begin(), other.points.end());
        types.insert(types.end(), other.types.begin(), other.types.end());
    }
    // Replaces every Bézier by line segments (the FlattenPath result).
    void Flatten();
};

// The path bracket of a DC.
struct TPathState {
    enum class Phase { None, Open, Closed };
    Phase phase = Phase::None;
    TDevicePath path;
    bool newFigure = true; // the next point needs a PT_MOVETO from the current position
};

} // namespace gdi
