// Path brackets and what can be done with a finished path.
//
// BeginPath opens a bracket (dropping any old path); shape calls then add figures to it;
// EndPath closes the bracket. FillPath, StrokePath, StrokeAndFillPath, SelectClipPath and
// PathToRegion consume the finished path; FlattenPath and WidenPath rewrite it in place;
// GetPath reads it back in logical units.
#include "platform/gdi/Draw_p.h"
#include "platform/gdi/Scanline_p.h"

#include <algorithm>

using namespace gdi;

namespace {

bool Finished(TDeviceContext& dc) {
    return dc.State().m_path.phase == TPathState::Phase::Closed;
}

void Discard(TDeviceContext& dc) {
    TPathState& ps = dc.State().m_path;
    ps.phase = TPathState::Phase::None;
    ps.path.Clear();
    ps.newFigure = true;
}

std::vector<TPolygon> Polygons(const TDevicePath& path) {
    TDevicePath flat = path;
    flat.Flatten();
    std::vector<TPolygon> polygons;
    for (std::size_t i = 0; i < flat.points.size(); ++i) {
        if ((flat.types[i] & ~PT_CLOSEFIGURE) == PT_MOVETO || polygons.empty()) {
            polygons.emplace_back();
        }
        polygons.back().push_back(flat.points[i]);
    }
    return polygons;
}

TPixRegion PathRegion(const TDevicePath& path, int fillMode) {
    std::vector<pixman_box32_t> boxes;
    const RECT limit{-(1 << 16), -(1 << 16), 1 << 16, 1 << 16};
    ScanPolygons(Polygons(path), fillMode, limit, [&](int y, int x0, int x1) {
        boxes.push_back({x0, y, x1, y + 1});
    });
    TPixRegion region;
    if (!boxes.empty()) {
        pixman_region32_fini(region.Raw());
        pixman_region32_init_rects(region.Raw(), boxes.data(), static_cast<int>(boxes.size()));
    }
    return region;
}

} // namespace

BOOL BeginPath(HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().BeginPath(*dc)) {
        return FALSE;
    }
    Discard(*dc);
    dc->State().m_path.phase = TPathState::Phase::Open;
    return TRUE;
}

BOOL EndPath(HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !PathOpen(*dc) || !dc->Driver().EndPath(*dc)) {
        return FALSE;
    }
    dc->State().m_path.phase = TPathState::Phase::Closed;
    return TRUE;
}

BOOL AbortPath(HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().AbortPath(*dc)) {
        return FALSE;
    }
    Discard(*dc);
    return TRUE;
}

BOOL CloseFigure(HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !PathOpen(*dc) || !dc->Driver().CloseFigure(*dc)) {
        return FALSE;
    }
    TPathState& ps = dc->State().m_path;
    ps.path.Close();
    ps.newFigure = true;
    return TRUE;
}

BOOL FillPath(HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !Finished(*dc) || !dc->Driver().FillPath(*dc)) {
        return FALSE;
    }
    TDcState& s = dc->State();
    FillDevicePath(*dc, s.m_path.path, s.m_polyFillMode, RealizeBrush(*dc, s.m_brush.Get()));
    Discard(*dc);
    return TRUE;
}

BOOL StrokePath(HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !Finished(*dc) || !dc->Driver().StrokePath(*dc)) {
        return FALSE;
    }
    StrokeDevicePath(*dc, dc->State().m_path.path, MakeStroke(*dc));
    Discard(*dc);
    return TRUE;
}

BOOL StrokeAndFillPath(HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !Finished(*dc) || !dc->Driver().StrokeAndFillPath(*dc)) {
        return FALSE;
    }
    TDcState& s = dc->State();
    FillDevicePath(*dc, s.m_path.path, s.m_polyFillMode, RealizeBrush(*dc, s.m_brush.Get()));
    StrokeDevicePath(*dc, s.m_path.path, MakeStroke(*dc), true);
    Discard(*dc);
    return TRUE;
}

BOOL FlattenPath(HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !Finished(*dc) || !dc->Driver().FlattenPath(*dc)) {
        return FALSE;
    }
    dc->State().m_path.path.Flatten();
    return TRUE;
}

BOOL WidenPath(HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !Finished(*dc) || !dc->Driver().WidenPath(*dc)) {
        return FALSE;
    }
    TDcState& s = dc->State();
    const TPen* pen = s.m_pen.Get();
    // A cosmetic pen has no outline to widen to.
    if (!pen || pen->IsNull() ||
        (pen->m_type == OBJ_EXTPEN && (pen->m_style & PS_TYPE_MASK) == PS_COSMETIC)) {
        SetLastError(ERROR_CAN_NOT_COMPLETE);
        return FALSE;
    }
    const DWORD style = pen->m_type == OBJ_EXTPEN ? pen->m_style : 0;
    TDevicePath widened;
    WidenDevicePath(s.m_path.path, static_cast<int>(std::min<DWORD>(pen->m_width, 1u << 20)), style,
                    s.m_miterLimit, widened);
    s.m_path.path = std::move(widened);
    return TRUE;
}

BOOL SelectClipPath(HDC hdc, int mode) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !Finished(*dc) || mode < RGN_AND || mode > RGN_COPY ||
        !dc->Driver().SelectClipPath(*dc, mode)) {
        return FALSE;
    }
    TDcState& s = dc->State();
    const TPixRegion region = PathRegion(s.m_path.path, s.m_polyFillMode);
    if (mode == RGN_COPY) {
        s.m_clip = region;
    } else {
        TPixRegion current = s.m_clip ? *s.m_clip : [&] {
            TSurface* surface = dc->Surface();
            return surface ? TPixRegion(0, 0, surface->m_width, surface->m_height)
                           : TPixRegion(0, 0, dc->m_caps.horzRes, dc->m_caps.vertRes);
        }();
        current.Combine(region, mode);
        s.m_clip = std::move(current);
    }
    dc->InvalidateClip();
    Discard(*dc);
    return TRUE;
}

HRGN PathToRegion(HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !Finished(*dc)) {
        return nullptr;
    }
    auto region = std::make_unique<TRegion>();
    region->m_region = PathRegion(dc->State().m_path.path, dc->State().m_polyFillMode);
    Discard(*dc);
    return static_cast<HRGN>(GdiAddObject(std::move(region)));
}

int GetPath(HDC hdc, LPPOINT points, LPBYTE types, int count) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !Finished(*dc) || count < 0) {
        return -1;
    }
    const TDevicePath& path = dc->State().m_path.path;
    const int size = static_cast<int>(path.points.size());
    if (count == 0) {
        return size;
    }
    if (count < size || !points || !types) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    for (int i = 0; i < size; ++i) {
        const TPointD p = dc->ToLogical(path.points[i].x, path.points[i].y);
        points[i] = {RoundCoord(p.x), RoundCoord(p.y)};
        types[i] = path.types[i];
    }
    return size;
}
