// Text output: TextOut, ExtTextOut, PolyTextOut and the extent queries.
//
// One string is drawn in this order, as GDI does: the ETO_OPAQUE rectangle in the background
// colour; the background box of the text cell in OPAQUE mode; the glyphs in the text colour,
// smoothed; underline and strike-out as solid bars at the font's own positions. ETO_CLIPPED
// limits all of it to the rectangle. Placement is in whole device pixels, as the system does
// it: the reference point is rounded, moved left by the whole or half the advance, and moved
// to the baseline by the cell's ascent or descent, turned by the escapement alone; each pen
// position is then rounded from the start on its own.
#include "platform/gdi/Font_p.h"
#include "platform/gdi/GlyphBlend_p.h"
#include "platform/gdi/Raster_p.h"
#include "platform/gdi/TextEncoding_p.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

using namespace gdi;

namespace {

// Strings longer than this are refused rather than laid out (a 16 million glyph line).
constexpr UINT kMaxTextLength = 1u << 24;

TPointD Plus(TPointD a, TPointD b, double scale = 1) {
    return {a.x + b.x * scale, a.y + b.y * scale};
}

// The logical rectangle of ExtTextOut in device space: a device rectangle when the transform
// keeps axes parallel, else its four corners.
struct TDeviceBox {
    TPointD corners[4];
    bool axisAligned = true;
    RECT rect{0, 0, 0, 0};
};

TDeviceBox DeviceBox(TDeviceContext& dc, const RECT& logical) {
    TDeviceBox box;
    box.corners[0] = dc.ToDevice(logical.left, logical.top);
    box.corners[1] = dc.ToDevice(logical.right, logical.top);
    box.corners[2] = dc.ToDevice(logical.right, logical.bottom);
    box.corners[3] = dc.ToDevice(logical.left, logical.bottom);
    box.axisAligned = dc.State().m_toDevice.IsAxisAligned();
    int x0 = RoundCoord(box.corners[0].x), x1 = RoundCoord(box.corners[2].x);
    int y0 = RoundCoord(box.corners[0].y), y1 = RoundCoord(box.corners[2].y);
    box.rect = {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
    return box;
}

// Fills a polygon given in pixel-edge space (pixel (x, y) spans [x, x + 1)) through the DC's
// clip and, when given, an extra clip.
void FillPolygon(TDeviceContext& dc, const TPointD* corners, int count, std::uint32_t color,
                 const TPixRegion* extraClip) {
    TDevicePath path;
    // The back end puts pixel centres on whole coordinates.
    path.MoveTo({corners[0].x - 0.5, corners[0].y - 0.5});
    for (int i = 1; i < count; ++i) {
        path.LineTo({corners[i].x - 0.5, corners[i].y - 0.5});
    }
    path.Close();
    TSurface* surface = dc.Surface();
    if (surface == nullptr) {
        return;
    }
    RECT limit{0, 0, surface->m_width, surface->m_height};
    TMask mask;
    if (!RasterizeFill(path, ALTERNATE, limit, mask)) {
        return;
    }
    if (extraClip != nullptr) {
        for (int y = mask.box.top; y < mask.box.bottom; ++y) {
            std::uint8_t* row = mask.Row(y);
            for (int x = mask.box.left; x < mask.box.right; ++x) {
                if (!extraClip->Contains(x, y)) {
                    row[x - mask.box.left] = 0;
                }
            }
        }
    }
    TFill fill;
    fill.kind = TFill::Kind::Solid;
    fill.color = color;
    FillMask(dc, mask, fill, R2_COPYPEN);
}

void FillBox(TDeviceContext& dc, const TDeviceBox& box, std::uint32_t color) {
    if (box.axisAligned) {
        TFill fill;
        fill.kind = TFill::Kind::Solid;
        fill.color = color;
        FillDeviceRect(dc, box.rect, fill, R2_COPYPEN);
        return;
    }
    FillPolygon(dc, box.corners, 4, color, nullptr);
}

// A band along the baseline from `start` over `advance`, between `top` and `bottom` font
// pixels above the baseline (bottom < top).
void FillBand(TDeviceContext& dc, const TTextFrame& frame, TPointD start, TPointD advance,
              double top, double bottom, std::uint32_t color, const TPixRegion* clip) {
    TPointD corners[4] = {
        Plus(start, frame.fontUp, top), Plus(Plus(start, advance), frame.fontUp, top),
        Plus(Plus(start, advance), frame.fontUp, bottom), Plus(start, frame.fontUp, bottom)};
    FillPolygon(dc, corners, 4, color, clip);
}

struct TTextCall {
    int x = 0;
    int y = 0;
    UINT options = 0;
    const RECT* rect = nullptr;
    const WCHAR* text = nullptr;
    UINT count = 0;
    const INT* dx = nullptr;
};

// A device vector in whole pixels, as the system measures text: both ends of the vector laid
// from `origin` (the device position of the logical origin) and rounded each on its own.
TPointD WholePixels(TPointD origin, TPointD vector) {
    return {static_cast<double>(RoundCoord(origin.x + vector.x) - RoundCoord(origin.x)),
            static_cast<double>(RoundCoord(origin.y + vector.y) - RoundCoord(origin.y))};
}

// Whether a spacing array walks a baseline the escapement turns, under a mapping that keeps the
// axes.
bool TurnedBySpacing(const TDcState& state, bool spaced) {
    const TMatrix& m = state.m_toDevice;
    return spaced && state.m_font && state.m_font->Log().lfEscapement % 3600 != 0 &&
           m.IsAxisAligned() && m.m11 != 0 && m.m22 != 0;
}

// The system turns the sums of a spacing array by the escapement in logical units and keeps
// whole units of them, cut towards zero, before mapping them to the device; a glyph lands up to
// a pixel short of where its exact offset rounds.
TPointD CutToLogicalUnits(const TMatrix& toDevice, TPointD offset) {
    const double unitX = std::fabs(toDevice.m11), unitY = std::fabs(toDevice.m22);
    auto cut = [](double v, double unit) {
        const double logical = v / unit;
        return std::trunc(logical + (logical < 0 ? -1e-7 : 1e-7)) * unit;
    };
    return {cut(offset.x, unitX), cut(offset.y, unitY)};
}

// A font height as the alignment uses it: the system reports text metrics in logical units
// and turns them back into device pixels, rounding twice. Under a rotating world transform
// this shortens it by the cosine of the angle.
int AlignmentHeight(const TDeviceContext& dc, int height) {
    TPointD a = dc.ToLogical(0, 0), b = dc.ToLogical(0, height);
    int logical = RoundCoord(b.y) - RoundCoord(a.y);
    TPointD c = dc.ToDevice(0, 0), d = dc.ToDevice(0, logical);
    return std::abs(RoundCoord(d.y) - RoundCoord(c.y));
}

// Where the pen starts on the device, the alignment applied; `width` is the whole-pixel
// advance of the string. The system works in whole pixels here: the reference point is
// rounded, centring halves the width towards zero, and the move to the top or bottom of the
// cell runs straight down the device (turned by the escapement only, not by a world
// transform) and is cut to whole pixels.
TPointD AlignedStart(const TDeviceContext& dc, const TRealizedFont& font, TPointD reference,
                     TPointD width) {
    const TDcState& state = dc.State();
    UINT align = state.m_textAlign;
    double x = RoundCoord(reference.x), y = RoundCoord(reference.y);
    const int widthX = static_cast<int>(width.x), widthY = static_cast<int>(width.y);
    if ((align & TA_CENTER) == TA_CENTER) {
        x -= widthX / 2;
        y -= widthY / 2;
    } else if ((align & TA_RIGHT) != 0) {
        x -= widthX;
        y -= widthY;
    }
    if ((align & TA_BASELINE) == TA_BASELINE) {
        return {x, y};
    }
    TPointD down{-font.frame.fontUp.x, -font.frame.fontUp.y};
    if (state.m_graphicsMode == GM_ADVANCED) {
        const double escapement = state.m_font->Log().lfEscapement * std::numbers::pi / 1800.0;
        down = {std::sin(escapement), std::cos(escapement)};
    }
    const TEXTMETRICW& tm = font.instance->Metrics();
    int height = (align & TA_BOTTOM) != 0 ? tm.tmDescent : tm.tmAscent;
    if (state.m_graphicsMode == GM_ADVANCED && !state.m_toDevice.IsAxisAligned()) {
        // A font turned by the world transform reports its cell scaled by the transform's
        // vertical factor.
        height = RoundCoord(height * std::fabs(state.m_toDevice.m22));
    }
    const double shift =
        (align & TA_BOTTOM) != 0 ? -AlignmentHeight(dc, height) : AlignmentHeight(dc, height);
    return {std::round(x + shift * down.x), std::round(y + shift * down.y)};
}

// The common part of ExtTextOutW: state and pixels, after the driver accepted the call.
bool DrawText(TDeviceContext& dc, const TTextCall& call) {
    TDcState& state = dc.State();
    const bool updateCp = (state.m_textAlign & TA_UPDATECP) != 0;
    POINT logical = updateCp ? state.m_currentPos : POINT{call.x, call.y};
    TSurface* surface = dc.Surface();

    TRealizedFont font;
    bool haveFont = call.count > 0 && RealizeFont(dc, font);
    if (call.count > 0 && !haveFont) {
        return false;
    }
    TGlyphRun run;
    TTextPlacement placement;
    TPointD reference = dc.ToDevice(logical.x, logical.y);
    TPointD start = reference;
    if (haveFont) {
        bool rtl = (state.m_textAlign & TA_RTLREADING) != 0 || (call.options & ETO_RTLREADING);
        run = (call.options & ETO_GLYPH_INDEX) != 0
                  ? GlyphIndexRun(call.text, call.count)
                  : ShapeText(*font.instance, call.text, call.count, rtl);
        TTextSpacing spacing;
        if (call.dx == nullptr) {
            spacing.charExtra = state.m_charExtra;
            spacing.breakExtra = state.m_breakExtra;
            spacing.breakCount = state.m_breakCount;
            spacing.breakChar = font.instance->Metrics().tmBreakChar;
        }
        placement = PlaceGlyphs(*font.instance, run, font.frame, {0, 0}, call.dx,
                                (call.options & ETO_PDY) != 0, spacing);
        // Pen positions in whole pixels from the rounded start, each measured from the start
        // on its own so that rounding never accumulates.
        const TPointD origin = dc.ToDevice(0, 0);
        if (TurnedBySpacing(state, call.dx != nullptr)) {
            placement.advance = CutToLogicalUnits(state.m_toDevice, placement.advance);
            for (TPlacedGlyph& glyph : placement.glyphs)
                glyph.origin = CutToLogicalUnits(state.m_toDevice, glyph.origin);
        }
        placement.advance = WholePixels(origin, placement.advance);
        start = AlignedStart(dc, font, reference, placement.advance);
        for (TPlacedGlyph& glyph : placement.glyphs) {
            glyph.origin = Plus(WholePixels(origin, glyph.origin), start);
        }
        if (updateCp) {
            UINT horizontal = state.m_textAlign & TA_CENTER;
            TPointD whole{static_cast<double>(RoundCoord(reference.x)),
                          static_cast<double>(RoundCoord(reference.y))};
            TPointD end = reference;
            if (horizontal == TA_LEFT) {
                end = Plus(whole, placement.advance);
            } else if (horizontal == TA_RIGHT) {
                end = Plus(whole, placement.advance, -1);
            }
            TPointD back = dc.ToLogical(end.x, end.y);
            state.m_currentPos = {RoundCoord(back.x), RoundCoord(back.y)};
        }
    }
    if (state.m_path.phase == TPathState::Phase::Open) {
        // Inside a path bracket the glyphs become figures of the path, drawn later.
        for (const TPlacedGlyph& glyph : placement.glyphs) {
            TPointD origin{static_cast<double>(RoundCoord(glyph.origin.x)),
                           static_cast<double>(RoundCoord(glyph.origin.y))};
            TFontInstance* face = glyph.font != nullptr ? glyph.font : font.instance;
            face->AppendOutline(glyph.glyph, origin, state.m_path.path);
        }
        state.m_path.newFigure = true;
        return true;
    }
    if (surface == nullptr) {
        return true;
    }

    dc.BeginDraw();
    std::uint32_t background = ResolveColor(dc, state.m_bkColor);
    std::optional<TPixRegion> clip;
    if (call.rect != nullptr) {
        TDeviceBox box = DeviceBox(dc, *call.rect);
        if ((call.options & ETO_OPAQUE) != 0) {
            FillBox(dc, box, background);
        }
        if ((call.options & ETO_CLIPPED) != 0) {
            clip = TPixRegion(box.rect);
        }
    }
    if (haveFont && !run.glyphs.empty()) {
        const TEXTMETRICW& tm = font.instance->Metrics();
        const TPixRegion* extraClip = clip ? &*clip : nullptr;
        // The cell and the lines start at the whole pixel the first glyph sits on.
        TPointD pixelStart{static_cast<double>(RoundCoord(start.x)),
                           static_cast<double>(RoundCoord(start.y))};
        if (state.m_bkMode == OPAQUE) {
            FillBand(dc, font.frame, pixelStart, placement.advance, tm.tmAscent, -tm.tmDescent,
                     background, extraClip);
        }
        TPixRegion glyphClip = dc.EffectiveClip();
        if (clip) {
            glyphClip.Intersect(*clip);
        }
        std::uint32_t color = ResolveColor(dc, state.m_textColor);
        if (surface != nullptr && !glyphClip.IsEmpty()) {
            for (const TPlacedGlyph& glyph : placement.glyphs) {
                TFontInstance* face = glyph.font != nullptr ? glyph.font : font.instance;
                BlendGlyph(*surface, glyphClip, RoundCoord(glyph.origin.x),
                           RoundCoord(glyph.origin.y), face->Glyph(glyph.glyph), color);
            }
        }
        const LOGFONTW& log = state.m_font->Log();
        if (log.lfUnderline) {
            TLineDecoration line = font.instance->Underline();
            FillBand(dc, font.frame, pixelStart, placement.advance, line.position,
                     line.position - line.thickness, color, extraClip);
        }
        if (log.lfStrikeOut) {
            TLineDecoration line = font.instance->Strikeout();
            FillBand(dc, font.frame, pixelStart, placement.advance, line.position,
                     line.position - line.thickness, color, extraClip);
        }
    }
    dc.EndDraw();
    return true;
}

// ANSI text as the W functions take it: read in the code page of the selected font, one code
// unit per character (symbol fonts keep their bytes, moved to U+F0xx). `firstByte` receives
// the byte each character starts at.
std::u16string WideText(TDeviceContext& dc, LPCSTR text, UINT count,
                        std::vector<size_t>* firstByte = nullptr) {
    return MultiByteToUtf16(TextCodePage(dc), text, count, firstByte);
}

// Width and height of a string as TextOut would advance over it, device pixels; with `fit`,
// also how many characters fit in maxExtent and the extent after each character.
bool MeasureText(TDeviceContext& dc, const WCHAR* text, UINT count, bool glyphIndices, SIZE* size,
                 int maxExtent, int* fit, int* partial) {
    TRealizedFont font;
    if (!RealizeFont(dc, font)) {
        return false;
    }
    const TDcState& state = dc.State();
    TGlyphRun run =
        glyphIndices ? GlyphIndexRun(text, count) : ShapeText(*font.instance, text, count, false);
    // Measured along the baseline in logical units.
    TTextFrame frame;
    frame.fontAlong = {1 / font.scaleX, 0};
    frame.logicalAlong = {1, 0};
    TTextSpacing spacing;
    spacing.charExtra = state.m_charExtra;
    spacing.breakExtra = state.m_breakExtra;
    spacing.breakCount = state.m_breakCount;
    spacing.breakChar = font.instance->Metrics().tmBreakChar;
    TTextPlacement placement =
        PlaceGlyphs(*font.instance, run, frame, {0, 0}, nullptr, false, spacing);
    if (size != nullptr) {
        size->cx = RoundCoord(placement.advance.x);
        size->cy = static_cast<LONG>(std::lround(font.instance->Metrics().tmHeight / font.scaleY));
    }
    if (fit != nullptr || partial != nullptr) {
        // The extent after each code unit: the pen position where the next cluster starts.
        std::vector<double> ends(count, placement.advance.x);
        size_t next = 0;
        for (size_t i = 0; i < run.glyphs.size(); ++i) {
            while (next < run.units[i] && next < count) {
                ends[next++] = placement.glyphs[i].origin.x;
            }
        }
        int fitted = 0;
        for (UINT i = 0; i < count; ++i) {
            int extent = RoundCoord(ends[i]);
            if (partial != nullptr) {
                partial[i] = extent;
            }
            if (extent <= maxExtent && fitted == static_cast<int>(i)) {
                ++fitted;
            }
        }
        if (fit != nullptr) {
            *fit = fitted;
        }
    }
    return true;
}

} // namespace

BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count,
                 const INT* dx) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (dc == nullptr || (count > 0 && text == nullptr) || count > kMaxTextLength) {
        return FALSE;
    }
    if ((options & (ETO_OPAQUE | ETO_CLIPPED)) == 0) {
        rect = nullptr;
    }
    if (!dc->Driver().ExtTextOutW(*dc, x, y, options, rect, text, count, dx)) {
        return FALSE;
    }
    return DrawText(*dc, {x, y, options, rect, text, count, dx}) ? TRUE : FALSE;
}

BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const INT* dx) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (dc == nullptr || (count > 0 && text == nullptr) || count > kMaxTextLength) {
        return FALSE;
    }
    if ((options & ETO_GLYPH_INDEX) != 0) {
        // Glyph indices are words whatever the entry point.
        return ExtTextOutW(hdc, x, y, options, rect, reinterpret_cast<LPCWSTR>(text), count, dx);
    }
    std::vector<size_t> firstByte;
    std::u16string wide = WideText(*dc, text, count, &firstByte);
    std::vector<INT> spacing = SpacingPerCharacter(dx, count, firstByte, (options & ETO_PDY) != 0);
    return ExtTextOutW(hdc, x, y, options, rect, wide.c_str(), static_cast<UINT>(wide.size()),
                       dx != nullptr ? spacing.data() : nullptr);
}

BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count) {
    if (count < 0) {
        return FALSE;
    }
    return ExtTextOutW(dc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count) {
    if (count < 0) {
        return FALSE;
    }
    return ExtTextOutA(dc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

BOOL PolyTextOutW(HDC hdc, const POLYTEXTW* texts, int count) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (dc == nullptr || texts == nullptr || count <= 0) {
        return FALSE;
    }
    for (int i = 0; i < count; ++i) {
        if ((texts[i].n > 0 && texts[i].lpstr == nullptr) || texts[i].n > kMaxTextLength) {
            return FALSE;
        }
    }
    if (!dc->Driver().PolyTextOutW(*dc, texts, count)) {
        return FALSE;
    }
    for (int i = 0; i < count; ++i) {
        const POLYTEXTW& entry = texts[i];
        const RECT* rect = (entry.uiFlags & (ETO_OPAQUE | ETO_CLIPPED)) != 0 ? &entry.rcl : nullptr;
        if (!DrawText(*dc,
                      {entry.x, entry.y, entry.uiFlags, rect, entry.lpstr, entry.n, entry.pdx})) {
            return FALSE;
        }
    }
    return TRUE;
}

BOOL PolyTextOutA(HDC hdc, const POLYTEXTA* texts, int count) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (dc == nullptr || texts == nullptr || count <= 0) {
        return FALSE;
    }
    std::vector<std::u16string> strings;
    std::vector<std::vector<INT>> spacings;
    std::vector<POLYTEXTW> wide;
    strings.reserve(static_cast<size_t>(count));
    spacings.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const POLYTEXTA& entry = texts[i];
        if ((entry.n > 0 && entry.lpstr == nullptr) || entry.n > kMaxTextLength) {
            return FALSE;
        }
        std::vector<size_t> firstByte;
        strings.push_back(WideText(*dc, entry.lpstr, entry.n, &firstByte));
        spacings.push_back(
            SpacingPerCharacter(entry.pdx, entry.n, firstByte, (entry.uiFlags & ETO_PDY) != 0));
    }
    for (int i = 0; i < count; ++i) {
        const POLYTEXTA& entry = texts[i];
        const auto at = static_cast<size_t>(i);
        wide.push_back({entry.x, entry.y, static_cast<UINT>(strings[at].size()),
                        strings[at].c_str(), entry.uiFlags, entry.rcl,
                        entry.pdx != nullptr ? spacings[at].data() : nullptr});
    }
    return PolyTextOutW(hdc, wide.data(), count);
}

// ---------------------------------------------------------------------------------------------
// Extents
// ---------------------------------------------------------------------------------------------

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, LPSIZE size) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (dc == nullptr || size == nullptr || count < 0 || (count > 0 && text == nullptr)) {
        return FALSE;
    }
    return MeasureText(*dc, text, static_cast<UINT>(count), false, size, 0, nullptr, nullptr);
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, LPSIZE size) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (dc == nullptr || size == nullptr || count < 0 || (count > 0 && text == nullptr)) {
        return FALSE;
    }
    std::u16string wide = WideText(*dc, text, static_cast<UINT>(count));
    return GetTextExtentPoint32W(hdc, wide.c_str(), static_cast<int>(wide.size()), size);
}

BOOL GetTextExtentPointW(HDC dc, LPCWSTR text, int count, LPSIZE size) {
    return GetTextExtentPoint32W(dc, text, count, size);
}

BOOL GetTextExtentPointA(HDC dc, LPCSTR text, int count, LPSIZE size) {
    return GetTextExtentPoint32A(dc, text, count, size);
}

BOOL GetTextExtentPointI(HDC hdc, const WORD* glyphs, int count, LPSIZE size) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (dc == nullptr || size == nullptr || count < 0 || (count > 0 && glyphs == nullptr)) {
        return FALSE;
    }
    return MeasureText(*dc, reinterpret_cast<const WCHAR*>(glyphs), static_cast<UINT>(count), true,
                       size, 0, nullptr, nullptr);
}

BOOL GetTextExtentExPointW(HDC hdc, LPCWSTR text, int count, int maxExtent, LPINT fit, LPINT dx,
                           LPSIZE size) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (dc == nullptr || size == nullptr || count < 0 || (count > 0 && text == nullptr)) {
        return FALSE;
    }
    return MeasureText(*dc, text, static_cast<UINT>(count), false, size,
                       fit != nullptr ? maxExtent : 0, fit, dx);
}

BOOL GetTextExtentExPointA(HDC hdc, LPCSTR text, int count, int maxExtent, LPINT fit, LPINT dx,
                           LPSIZE size) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (dc == nullptr || size == nullptr || count < 0 || (count > 0 && text == nullptr)) {
        return FALSE;
    }
    std::vector<size_t> firstByte;
    std::u16string wide = WideText(*dc, text, static_cast<UINT>(count), &firstByte);
    std::vector<INT> extents(wide.size());
    int fitted = 0;
    if (!GetTextExtentExPointW(hdc, wide.c_str(), static_cast<int>(wide.size()), maxExtent,
                               fit != nullptr ? &fitted : nullptr,
                               dx != nullptr ? extents.data() : nullptr, size)) {
        return FALSE;
    }
    // Counts and extents go back to bytes: both bytes of a double-byte character report the
    // extent after it.
    if (fit != nullptr) {
        *fit = static_cast<size_t>(fitted) < firstByte.size()
                   ? static_cast<int>(firstByte[static_cast<size_t>(fitted)])
                   : count;
    }
    for (size_t i = 0; dx != nullptr && i < firstByte.size(); ++i) {
        const size_t end = i + 1 < firstByte.size() ? firstByte[i + 1] : static_cast<size_t>(count);
        for (size_t b = firstByte[i]; b < end; ++b) {
            dx[b] = extents[i];
        }
    }
    return TRUE;
}
