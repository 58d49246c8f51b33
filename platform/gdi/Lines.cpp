// Lines and curves: the current position, polylines, polygons, Béziers and PolyDraw.
//
// Each call builds its figures in device space. Inside a path bracket they are added to the
// path; otherwise polygons are filled with the brush and every figure is stroked with the pen.
#include "platform/gdi/Draw_p.h"

#include <cmath>

namespace gdi {

// Device point of a logical one. GDI keeps whole device pixels in both graphics modes: a
// world transform that lands a vertex between pixels still has it rounded to the nearest one
// before anything is filled or stroked, so shapes drawn under a fractional transform keep
// the edges they would have had at the rounded positions.
TPointD DevicePoint(TDeviceContext& dc, double x, double y) {
    const TPointD p = dc.ToDevice(x, y);
    return {static_cast<double>(RoundCoord(p.x)), static_cast<double>(RoundCoord(p.y))};
}

// Adds a figure to the open path, or draws it.
void OutputFigure(TDeviceContext& dc, const TDevicePath& figure, bool fill) {
    TDcState& s = dc.State();
    if (PathOpen(dc)) {
        s.m_path.path.Append(figure);
        return;
    }
    if (fill) {
        FillDevicePath(dc, figure, s.m_polyFillMode, RealizeBrush(dc, s.m_brush.Get()));
    }
    StrokeDevicePath(dc, figure, MakeStroke(dc));
}

// Starts a path figure at the current position when the path needs one.
void PathStartAtCurrent(TDeviceContext& dc, TDevicePath& figure) {
    TPathState& ps = dc.State().m_path;
    const POINT cp = dc.State().m_currentPos;
    if (PathOpen(dc)) {
        if (ps.newFigure || ps.path.IsEmpty()) {
            figure.MoveTo(DevicePoint(dc, cp.x, cp.y));
            ps.newFigure = false;
        }
    } else {
        figure.MoveTo(DevicePoint(dc, cp.x, cp.y));
    }
}

} // namespace gdi

using namespace gdi;

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().MoveToEx(*dc, x, y)) {
        return FALSE;
    }
    if (previous) {
        *previous = dc->State().m_currentPos;
    }
    dc->State().m_currentPos = {x, y};
    dc->State().m_path.newFigure = true;
    return TRUE;
}

BOOL GetCurrentPositionEx(HDC hdc, LPPOINT position) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !position) {
        return FALSE;
    }
    *position = dc->State().m_currentPos;
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().LineTo(*dc, x, y)) {
        return FALSE;
    }
    TDevicePath figure;
    PathStartAtCurrent(*dc, figure);
    figure.LineTo(DevicePoint(*dc, x, y));
    OutputFigure(*dc, figure, false);
    dc->State().m_currentPos = {x, y};
    return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* points, int count) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !points || count < 2 || !dc->Driver().Polyline(*dc, points, count)) {
        return FALSE;
    }
    TDevicePath figure;
    figure.MoveTo(DevicePoint(*dc, points[0].x, points[0].y));
    for (int i = 1; i < count; ++i) {
        figure.LineTo(DevicePoint(*dc, points[i].x, points[i].y));
    }
    if (PathOpen(*dc)) {
        dc->State().m_path.newFigure = true;
    }
    OutputFigure(*dc, figure, false);
    return TRUE;
}

BOOL PolylineTo(HDC hdc, const POINT* points, DWORD count) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !points || count == 0 || !dc->Driver().PolylineTo(*dc, points, count)) {
        return FALSE;
    }
    TDevicePath figure;
    PathStartAtCurrent(*dc, figure);
    for (DWORD i = 0; i < count; ++i) {
        figure.LineTo(DevicePoint(*dc, points[i].x, points[i].y));
    }
    OutputFigure(*dc, figure, false);
    dc->State().m_currentPos = points[count - 1];
    return TRUE;
}

BOOL PolyPolyline(HDC hdc, const POINT* points, const DWORD* counts, DWORD polylines) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !points || !counts || polylines == 0) {
        return FALSE;
    }
    for (DWORD i = 0; i < polylines; ++i) {
        if (counts[i] < 2) {
            return FALSE;
        }
    }
    if (!dc->Driver().PolyPolyline(*dc, points, counts, polylines)) {
        return FALSE;
    }
    TDevicePath figures;
    std::size_t at = 0;
    for (DWORD i = 0; i < polylines; ++i) {
        figures.MoveTo(DevicePoint(*dc, points[at].x, points[at].y));
        for (DWORD k = 1; k < counts[i]; ++k) {
            figures.LineTo(DevicePoint(*dc, points[at + k].x, points[at + k].y));
        }
        at += counts[i];
    }
    if (PathOpen(*dc)) {
        dc->State().m_path.newFigure = true;
    }
    OutputFigure(*dc, figures, false);
    return TRUE;
}

BOOL Polygon(HDC hdc, const POINT* points, int count) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !points || count < 2 || !dc->Driver().Polygon(*dc, points, count)) {
        return FALSE;
    }
    TDevicePath figure;
    figure.MoveTo(DevicePoint(*dc, points[0].x, points[0].y));
    for (int i = 1; i < count; ++i) {
        figure.LineTo(DevicePoint(*dc, points[i].x, points[i].y));
    }
    figure.Close();
    if (PathOpen(*dc)) {
        dc->State().m_path.newFigure = true;
    }
    OutputFigure(*dc, figure, true);
    return TRUE;
}

BOOL PolyPolygon(HDC hdc, const POINT* points, const INT* counts, int polygons) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !points || !counts || polygons <= 0) {
        return FALSE;
    }
    for (int i = 0; i < polygons; ++i) {
        if (counts[i] < 2) {
            return FALSE;
        }
    }
    if (!dc->Driver().PolyPolygon(*dc, points, counts, polygons)) {
        return FALSE;
    }
    TDevicePath figures;
    std::size_t at = 0;
    for (int i = 0; i < polygons; ++i) {
        figures.MoveTo(DevicePoint(*dc, points[at].x, points[at].y));
        for (int k = 1; k < counts[i]; ++k) {
            figures.LineTo(DevicePoint(*dc, points[at + k].x, points[at + k].y));
        }
        figures.Close();
        at += static_cast<std::size_t>(counts[i]);
    }
    if (PathOpen(*dc)) {
        dc->State().m_path.newFigure = true;
    }
    OutputFigure(*dc, figures, true);
    return TRUE;
}

BOOL PolyBezier(HDC hdc, const POINT* points, DWORD count) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !points || count < 4 || (count - 1) % 3 != 0 ||
        !dc->Driver().PolyBezier(*dc, points, count)) {
        return FALSE;
    }
    TDevicePath figure;
    figure.MoveTo(DevicePoint(*dc, points[0].x, points[0].y));
    for (DWORD i = 1; i + 2 < count; i += 3) {
        figure.BezierTo(DevicePoint(*dc, points[i].x, points[i].y),
                        DevicePoint(*dc, points[i + 1].x, points[i + 1].y),
                        DevicePoint(*dc, points[i + 2].x, points[i + 2].y));
    }
    if (PathOpen(*dc)) {
        dc->State().m_path.newFigure = true;
    }
    OutputFigure(*dc, figure, false);
    return TRUE;
}

BOOL PolyBezierTo(HDC hdc, const POINT* points, DWORD count) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !points || count < 3 || count % 3 != 0 ||
        !dc->Driver().PolyBezierTo(*dc, points, count)) {
        return FALSE;
    }
    TDevicePath figure;
    PathStartAtCurrent(*dc, figure);
    for (DWORD i = 0; i + 2 < count; i += 3) {
        figure.BezierTo(DevicePoint(*dc, points[i].x, points[i].y),
                        DevicePoint(*dc, points[i + 1].x, points[i + 1].y),
                        DevicePoint(*dc, points[i + 2].x, points[i + 2].y));
    }
    OutputFigure(*dc, figure, false);
    dc->State().m_currentPos = points[count - 1];
    return TRUE;
}

BOOL PolyDraw(HDC hdc, const POINT* points, const BYTE* types, int count) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !points || !types || count <= 0) {
        return FALSE;
    }
    // Check the types first: a Bézier needs three points, and nothing else is allowed.
    for (int i = 0; i < count; ++i) {
        const BYTE type = types[i] & ~PT_CLOSEFIGURE;
        if (type == PT_BEZIERTO) {
            if (i + 2 >= count || (types[i + 1] & ~PT_CLOSEFIGURE) != PT_BEZIERTO ||
                (types[i + 2] & ~PT_CLOSEFIGURE) != PT_BEZIERTO) {
                return FALSE;
            }
            i += 2;
        } else if (type != PT_MOVETO && type != PT_LINETO) {
            return FALSE;
        }
    }
    if (!dc->Driver().PolyDraw(*dc, points, types, count)) {
        return FALSE;
    }
    TDevicePath figures;
    POINT current = dc->State().m_currentPos;
    POINT figureStart = current;
    PathStartAtCurrent(*dc, figures);
    for (int i = 0; i < count; ++i) {
        const BYTE type = types[i] & ~PT_CLOSEFIGURE;
        if (type == PT_MOVETO) {
            figures.MoveTo(DevicePoint(*dc, points[i].x, points[i].y));
            current = figureStart = points[i];
        } else if (type == PT_LINETO) {
            figures.LineTo(DevicePoint(*dc, points[i].x, points[i].y));
            current = points[i];
        } else {
            figures.BezierTo(DevicePoint(*dc, points[i].x, points[i].y),
                             DevicePoint(*dc, points[i + 1].x, points[i + 1].y),
                             DevicePoint(*dc, points[i + 2].x, points[i + 2].y));
            i += 2;
            current = points[i];
        }
        if (types[i] & PT_CLOSEFIGURE) {
            figures.Close();
            current = figureStart;
            figures.MoveTo(DevicePoint(*dc, current.x, current.y));
        }
    }
    OutputFigure(*dc, figures, false);
    dc->State().m_currentPos = current;
    return TRUE;
}
