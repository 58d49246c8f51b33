// Text recorded in GM_COMPATIBLE under a world transform that turns or shears the page.
//
// Setting GM_COMPATIBLE does not take the world transform away, and compatible text keeps its
// glyphs upright on the device, sized by the transform's vertical scale, while the pen still
// walks the transformed baseline: each glyph stands where the transform puts the sum of the
// spacing array up to it. The player draws such a record as upright text in a mapping that only
// scales, handing every glyph its device step as an x/y advance (ETO_PDY), so that each lands
// on the pixel its transformed origin rounds to.
#include <algorithm>
#include <cmath>

#include "platform/metafile/EnhMetafilePlay_p.h"

namespace tallyvane::metafile {

namespace {

constexpr double kUnits = 65536.0;

struct TPointF {
    double x, y;
};

TPointF Apply(const XFORM& xf, double x, double y) {
    return {x * xf.eM11 + y * xf.eM21 + xf.eDx, x * xf.eM12 + y * xf.eM22 + xf.eDy};
}

// Logical units of the scaled mapping, whole, clamped to what a coordinate can hold.
LONG Whole(double v) {
    return static_cast<LONG>(std::lround(std::clamp(v, -1e9, 1e9)));
}

} // namespace

bool TurnsText(const TEmfPlayer& p) {
    const XFORM xf = p.combined();
    return p.emulate && (xf.eM12 != 0 || xf.eM21 != 0) && IsFinite(xf);
}

std::optional<BOOL> PlayTurnedCompatibleText(TEmfPlayer& p, const TTurnedText& t) {
    HDC dc = p.dc;
    LOGFONTW font{};
    if (!GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof font, &font) ||
        font.lfEscapement % 3600 != 0 || (GetTextAlign(dc) & TA_UPDATECP) != 0 ||
        t.dx.size() != (t.pdy ? 2 * t.count : t.count) || t.count == 0)
        return std::nullopt;
    const XFORM xf = p.combined();
    // The font is sized by how far the transform carries a vertical step down the device; the
    // viewport extent that carries the scale must fit an int.
    const double scale = std::fabs(xf.eM22);
    if (!(scale * kUnits >= 1) || !(scale * kUnits < 2e9))
        return std::nullopt;

    // Glyph origins on the device, from the record's logical pen positions, as x/y steps in
    // the scaled mapping: each step reaches the rounded origin of the next glyph, so rounding
    // never accumulates.
    const TPointF start = Apply(xf, t.ref.x, t.ref.y);
    const TPointF origin{std::round(start.x), std::round(start.y)};
    std::vector<INT> steps(size_t{t.count} * 2);
    double penX = t.ref.x, penY = t.ref.y;
    LONG lastX = 0, lastY = 0;
    for (UINT i = 0; i < t.count; ++i) {
        penX += t.dx[t.pdy ? i * 2 : i];
        if (t.pdy)
            penY -= t.dx[i * 2 + 1]; // a positive y advance moves up the page
        const TPointF at = Apply(xf, penX, penY);
        const LONG x = Whole((at.x - origin.x) / scale), y = Whole((at.y - origin.y) / scale);
        steps[i * 2] = x - lastX;
        steps[i * 2 + 1] = lastY - y;
        lastX = x;
        lastY = y;
    }

    // The rectangle is turned with the page; GDI clips and fills its upright bounding box.
    RECT box{};
    if (t.rect) {
        const RECT& r = *t.rect;
        const TPointF corners[] = {Apply(xf, r.left, r.top), Apply(xf, r.right, r.top),
                                   Apply(xf, r.left, r.bottom), Apply(xf, r.right, r.bottom)};
        double left = corners[0].x, right = left, top = corners[0].y, bottom = top;
        for (const TPointF& c : corners) {
            left = std::min(left, c.x);
            right = std::max(right, c.x);
            top = std::min(top, c.y);
            bottom = std::max(bottom, c.y);
        }
        box = {Whole((left - origin.x) / scale), Whole((top - origin.y) / scale),
               Whole((right - origin.x) / scale), Whole((bottom - origin.y) / scale)};
    }

    const long viewport = std::lround(scale * kUnits);
    ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
    SetGraphicsMode(dc, GM_COMPATIBLE);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, int(kUnits), int(kUnits), nullptr);
    SetViewportExtEx(dc, int(viewport), int(viewport), nullptr);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    // The move from the reference point to the baseline runs straight down the device, measured
    // as the system measures a cell under a turned page: into the page's logical units and back,
    // whole units each way, which shortens it by the square of the angle's cosine.
    const UINT align = GetTextAlign(dc);
    double baseline = origin.y;
    if ((align & TA_BASELINE) != TA_BASELINE) {
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        const bool top = (align & TA_BASELINE) == TA_TOP;
        const double cell = std::round((top ? tm.tmAscent : tm.tmDescent) * scale);
        const double determinant = double(xf.eM11) * xf.eM22 - double(xf.eM12) * xf.eM21;
        const double logical = std::round(cell * xf.eM11 / determinant);
        const double shift = std::fabs(std::round(logical * xf.eM22));
        baseline += top ? shift : -shift;
        SetTextAlign(dc, (align & ~TA_BASELINE) | TA_BASELINE);
    }
    SetViewportOrgEx(dc, int(std::clamp(origin.x, -1e9, 1e9)), int(std::clamp(baseline, -1e9, 1e9)),
                     nullptr);
    const UINT options = t.options | ETO_PDY;
    const RECT* rect = t.rect ? &box : nullptr;
    const BOOL done = t.wide ? ExtTextOutW(dc, 0, 0, options, rect, static_cast<LPCWSTR>(t.text),
                                           t.count, steps.data())
                             : ExtTextOutA(dc, 0, 0, options, rect, static_cast<LPCSTR>(t.text),
                                           t.count, steps.data());
    SetTextAlign(dc, align);
    p.leaveCompatibleMapping();
    return done;
}

} // namespace tallyvane::metafile
