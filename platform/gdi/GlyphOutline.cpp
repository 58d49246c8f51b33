// GetGlyphOutline: a glyph's metrics, its coverage bitmap and its outline.
//
// The outline is a list of contours. Each contour is a TTPOLYGONHEADER (16 bytes: cb, the
// bytes of the contour header and records together; dwType, TT_POLYGON_TYPE; pfxStart, the
// contour's first point) followed by TTPOLYCURVE records (4 bytes: wType and cpfx, then cpfx
// POINTFX of 8 bytes). A TT_PRIM_LINE record is a polyline on from the previous point. A
// TT_PRIM_QSPLINE record is a quadratic B-spline: every point but the last is an off-curve
// control point, an on-curve point lies midway between two neighbouring controls, and the last
// point is on the curve. A TT_PRIM_CSPLINE record holds cubic Béziers, three points each (two
// controls and the end). A contour closes by a line back to pfxStart; one that ends in a curve
// has the start point as the curve's last point. GGO_NATIVE gives the font's own curves
// (quadratic for TrueType outlines, cubic for CFF ones); GGO_BEZIER gives every curve as cubic.
//
// Points are FIXED (16.16) device pixels, y up, relative to the glyph origin on the baseline.
// The glyph is turned as drawn text turns it (in GM_COMPATIBLE by lfEscapement; in GM_ADVANCED
// by lfOrientation and the world transform, whose scale is already in the font's size) and
// then taken through the MAT2 (x' = eM11 x + eM21 y, y' = eM12 x + eM22 y). Metrics and bitmaps
// come from the same outline: the black box is its exact bounds rounded out to whole pixels, the
// bitmap rows are DWORD-aligned, one bit per pixel for GGO_BITMAP, one byte per pixel holding 0..4,
// 0..16 or 0..64 for the grey forms.
#include "platform/gdi/Font_p.h"
#include "platform/gdi/TextEncoding_p.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BBOX_H
#include FT_OUTLINE_H

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <vector>

using namespace gdi;

namespace {

// The slant of synthesised italics, as the glyphs are drawn with.
constexpr double kObliqueSlant = 0.2;

// No outline of a sane glyph comes near this; larger answers are refused.
constexpr size_t kMaxOutlineBytes = 16u << 20;
constexpr double kMaxBitmapPixels = 64.0 * 1024 * 1024;

struct TOutlinePoint {
    FT_Pos x = 0, y = 0; // 26.6 device pixels, y up
    char tag = FT_CURVE_TAG_ON;
};

// A glyph's outline after the synthesised styles and the MAT2, with its exact bounds.
struct TGlyphOutline {
    std::vector<std::vector<TOutlinePoint>> contours;
    FT_BBox box{0, 0, 0, 0};
    bool empty = true;
    // The coverage of every pixel of the black box, 0..255, rows top down; filled on request.
    std::vector<BYTE> coverage;
};

FT_Fixed ToFtFixed(const FIXED& f) {
    return static_cast<FT_Fixed>(static_cast<int32_t>(static_cast<uint32_t>(f.value) << 16) |
                                 f.fract);
}

FIXED ToFixed(FT_Pos pos26_6) {
    const long long scaled = std::clamp<long long>(static_cast<long long>(pos26_6) * 1024,
                                                   std::numeric_limits<int32_t>::min(),
                                                   std::numeric_limits<int32_t>::max());
    const auto bits = static_cast<uint32_t>(static_cast<int32_t>(scaled));
    return FIXED{static_cast<WORD>(bits & 0xFFFF), static_cast<short>(bits >> 16)};
}

// A linear map of the glyph's plane, y up: x' = xx x + xy y, y' = yx x + yy y.
struct TGlyphTransform {
    double xx = 1, xy = 0, yx = 0, yy = 1;

    bool IsIdentity() const { return xx == 1 && xy == 0 && yx == 0 && yy == 1; }
};

double FromFixed(const FIXED& f) {
    return ToFtFixed(f) / 65536.0;
}

// How the DC turns the selected font's glyphs on the device, as text is drawn: the same turn
// the realised font gives its glyph images, with y up.
TGlyphTransform FontTurn(const TDcState& state) {
    const LOGFONTW& log = state.m_font->Log();
    const TMatrix& m = state.m_toDevice;
    const double degree = std::numbers::pi / 1800.0;
    if (state.m_graphicsMode != GM_ADVANCED) {
        // The escapement turns counter-clockwise on a y-down device, the other way where the
        // mapping points the y axis up.
        if (log.lfEscapement % 3600 == 0) {
            return {};
        }
        const double c = std::cos(log.lfEscapement * degree);
        double s = std::sin(log.lfEscapement * degree);
        if (m.ApplyVector(0, 1).y < 0) {
            s = -s;
        }
        return {c, -s, s, c};
    }
    const double ySign = m.ApplyVector(0, -1).y <= 0 ? -1 : 1;
    const double angle = log.lfOrientation * degree;
    const TPointD along = m.ApplyVector(std::cos(angle), ySign * std::sin(angle));
    const TPointD up = m.ApplyVector(-std::sin(angle), ySign * std::cos(angle));
    const double scale = std::hypot(up.x, up.y);
    if (!(scale > 0)) {
        return {};
    }
    // Glyph axes on the device, y down, as the realised font takes them; a plain horizontal
    // stretch is in the font's width already.
    const std::array<double, 4> onDevice{along.x / scale, along.y / scale, -up.x / scale,
                                         -up.y / scale};
    if (log.lfEscapement % 3600 == 0 && IsHorizontalStretch(onDevice)) {
        return {};
    }
    return {onDevice[0], -onDevice[2], -onDevice[1], onDevice[3]};
}

// The MAT2 applied after the turn.
TGlyphTransform Combine(const MAT2& m, const TGlyphTransform& turn) {
    const double xx = FromFixed(m.eM11), xy = FromFixed(m.eM21), yx = FromFixed(m.eM12),
                 yy = FromFixed(m.eM22);
    return {xx * turn.xx + xy * turn.yx, xx * turn.xy + xy * turn.yy, yx * turn.xx + yy * turn.yx,
            yx * turn.xy + yy * turn.yy};
}

// Loads the glyph and brings it into the caller's space. `box` is the black box in whole
// pixels; with `render`, the coverage of that box is rasterised as well.
bool LoadOutline(TFontInstance& font, UINT glyph, bool hinted, const TGlyphTransform& transform,
                 bool render, TGlyphOutline& out, RECT& box) {
    const TFontFace& face = font.Face();
    std::lock_guard<std::mutex> guard(face.Lock());
    FT_Face ft = face.Face();
    FT_Set_Transform(ft, nullptr, nullptr);
    if (glyph >= static_cast<UINT>(ft->num_glyphs) ||
        FT_Set_Char_Size(ft, static_cast<FT_F26Dot6>(std::lround(font.XPpem() * 64)),
                         static_cast<FT_F26Dot6>(font.Ppem()) * 64, 72, 72) != 0) {
        return false;
    }
    FT_Int32 flags = FT_LOAD_NO_BITMAP | (hinted ? FT_LOAD_TARGET_NORMAL : FT_LOAD_NO_HINTING);
    if (FT_Load_Glyph(ft, glyph, flags) != 0 || ft->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
        return false;
    }
    FT_Outline& outline = ft->glyph->outline;
    const TFaceMatch& match = font.Match();
    if (match.syntheticBold) {
        FT_Outline_Embolden(&outline, std::max<FT_Pos>(32, font.Ppem() * 64 / 24));
    }
    if (match.syntheticItalic) {
        FT_Matrix slant{0x10000, static_cast<FT_Fixed>(std::lround(kObliqueSlant * 65536)), 0,
                        0x10000};
        FT_Outline_Transform(&outline, &slant);
    }
    auto fixed = [](double v) {
        return static_cast<FT_Fixed>(std::lround(std::clamp(v, -32768.0, 32767.0) * 65536));
    };
    FT_Matrix m{fixed(transform.xx), fixed(transform.xy), fixed(transform.yx), fixed(transform.yy)};
    FT_Outline_Transform(&outline, &m);

    out.contours.clear();
    int first = 0;
    for (int c = 0; c < outline.n_contours; ++c) {
        const int last = outline.contours[c];
        if (last < first || last >= outline.n_points) {
            return false;
        }
        std::vector<TOutlinePoint> contour;
        for (int i = first; i <= last; ++i) {
            contour.push_back({outline.points[i].x, outline.points[i].y,
                               static_cast<char>(FT_CURVE_TAG(outline.tags[i]))});
        }
        first = last + 1;
        if (contour.size() >= 2) {
            out.contours.push_back(std::move(contour));
        }
    }
    out.empty = out.contours.empty();
    box = {0, 0, 1, -1};
    if (out.empty) {
        return true;
    }
    FT_Outline_Get_BBox(&outline, &out.box);
    box.left = static_cast<LONG>(std::floor(out.box.xMin / 64.0));
    box.right = static_cast<LONG>(std::ceil(out.box.xMax / 64.0));
    box.bottom = static_cast<LONG>(std::floor(out.box.yMin / 64.0));
    box.top = static_cast<LONG>(std::ceil(out.box.yMax / 64.0));
    box.right = std::max(box.right, box.left + 1);
    box.top = std::max(box.top, box.bottom + 1);
    if (!render) {
        return true;
    }
    const double width = static_cast<double>(box.right) - box.left;
    const double height = static_cast<double>(box.top) - box.bottom;
    if (width * height > kMaxBitmapPixels) {
        return false;
    }
    out.coverage.assign(static_cast<size_t>(width * height), 0);
    FT_Outline_Translate(&outline, -static_cast<FT_Pos>(box.left) * 64,
                         -static_cast<FT_Pos>(box.bottom) * 64);
    FT_Bitmap target{};
    target.rows = static_cast<unsigned>(height);
    target.width = static_cast<unsigned>(width);
    // A positive pitch runs the rows top down.
    target.pitch = static_cast<int>(width);
    target.buffer = out.coverage.data();
    target.num_grays = 256;
    target.pixel_mode = FT_PIXEL_MODE_GRAY;
    FT_Outline_Get_Bitmap(ft->glyph->library, &outline, &target);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Outline records
// ---------------------------------------------------------------------------------------------

class TOutlineWriter {
public:
    explicit TOutlineWriter(bool bezier) : m_bezier(bezier) {}

    void Contour(const std::vector<TOutlinePoint>& points);
    const std::vector<BYTE>& Bytes() const { return m_bytes; }

private:
    void Put32(DWORD v) { Put(&v, 4); }
    void Put16(WORD v) { Put(&v, 2); }
    void PutPoint(FT_Pos x, FT_Pos y) {
        POINTFX p{ToFixed(x), ToFixed(y)};
        Put(&p, sizeof(p));
    }
    void Put(const void* data, size_t size) {
        auto* bytes = static_cast<const BYTE*>(data);
        m_bytes.insert(m_bytes.end(), bytes, bytes + size);
    }
    // One record; cpfx is a WORD, so a longer run becomes several records of the same kind.
    void Record(WORD type, const std::vector<TOutlinePoint>& points, size_t group) {
        const size_t limit = 0xFFFF / group * group;
        for (size_t at = 0; at < points.size(); at += limit) {
            const size_t n = std::min(limit, points.size() - at);
            Put16(type);
            Put16(static_cast<WORD>(n));
            for (size_t i = at; i < at + n; ++i) {
                PutPoint(points[i].x, points[i].y);
            }
        }
    }

    bool m_bezier;
    std::vector<BYTE> m_bytes;
};

TOutlinePoint Midpoint(const TOutlinePoint& a, const TOutlinePoint& b) {
    return {(a.x + b.x) / 2, (a.y + b.y) / 2, FT_CURVE_TAG_ON};
}

// A quadratic from `from` through control `c` to `to` as a cubic: controls two thirds of the
// way from each end towards the quadratic's.
void AppendCubic(const TOutlinePoint& from, const TOutlinePoint& c, const TOutlinePoint& to,
                 std::vector<TOutlinePoint>& out) {
    auto third = [](FT_Pos end, FT_Pos control) {
        return end + static_cast<FT_Pos>(std::lround((control - end) * 2 / 3.0));
    };
    out.push_back({third(from.x, c.x), third(from.y, c.y), FT_CURVE_TAG_CUBIC});
    out.push_back({third(to.x, c.x), third(to.y, c.y), FT_CURVE_TAG_CUBIC});
    out.push_back(to);
}

void TOutlineWriter::Contour(const std::vector<TOutlinePoint>& points) {
    // Start on the first on-curve point; a contour of controls alone starts midway between its
    // last and first control, where its curve passes.
    std::vector<TOutlinePoint> seq;
    const size_t n = points.size();
    size_t start = n;
    for (size_t i = 0; i < n; ++i) {
        if (points[i].tag == FT_CURVE_TAG_ON) {
            start = i;
            break;
        }
    }
    if (start == n) {
        seq.push_back(Midpoint(points[n - 1], points[0]));
        seq.insert(seq.end(), points.begin(), points.end());
    } else {
        seq.insert(seq.end(), points.begin() + static_cast<std::ptrdiff_t>(start), points.end());
        seq.insert(seq.end(), points.begin(), points.begin() + static_cast<std::ptrdiff_t>(start));
    }
    seq.push_back(seq.front()); // the closing point
    const size_t end = seq.size() - 1;

    const size_t header = m_bytes.size();
    Put32(0);
    Put32(TT_POLYGON_TYPE);
    PutPoint(seq[0].x, seq[0].y);
    std::vector<TOutlinePoint> run;
    WORD runType = 0;
    auto flush = [&] {
        if (!run.empty()) {
            Record(runType, run, runType == TT_PRIM_CSPLINE ? 3 : 1);
        }
        run.clear();
    };
    auto begin = [&](WORD type) {
        if (type != runType) {
            flush();
            runType = type;
        }
    };
    size_t i = 1;
    while (i <= end) {
        const TOutlinePoint& pen = seq[i - 1];
        if (seq[i].tag == FT_CURVE_TAG_ON) {
            // Lines; the closing line back to the start is left implicit.
            if (i == end) {
                break;
            }
            begin(TT_PRIM_LINE);
            run.push_back(seq[i]);
            ++i;
        } else if (seq[i].tag == FT_CURVE_TAG_CUBIC) {
            // Two controls and an end point; a damaged run missing its end closes at the start.
            const TOutlinePoint c1 = seq[i];
            const TOutlinePoint c2 = i + 1 <= end ? seq[i + 1] : seq[end];
            const TOutlinePoint to = i + 2 <= end ? seq[i + 2] : seq[end];
            begin(TT_PRIM_CSPLINE);
            run.push_back(c1);
            run.push_back(c2);
            run.push_back({to.x, to.y, FT_CURVE_TAG_ON});
            i += 3;
        } else {
            // Quadratic controls up to the next on-curve point (at the latest the start).
            size_t j = i;
            while (j < end && seq[j].tag != FT_CURVE_TAG_ON) {
                ++j;
            }
            if (m_bezier) {
                begin(TT_PRIM_CSPLINE);
                TOutlinePoint from = pen;
                for (size_t k = i; k < j; ++k) {
                    const TOutlinePoint to = k + 1 < j ? Midpoint(seq[k], seq[k + 1]) : seq[j];
                    AppendCubic(from, seq[k], to, run);
                    from = to;
                }
            } else {
                // Each B-spline ends on the curve: one record per on-curve point.
                flush();
                runType = TT_PRIM_QSPLINE;
                run.assign(seq.begin() + static_cast<std::ptrdiff_t>(i),
                           seq.begin() + static_cast<std::ptrdiff_t>(j + 1));
                flush();
                runType = 0;
            }
            i = j + 1;
        }
    }
    flush();
    const auto cb = static_cast<DWORD>(m_bytes.size() - header);
    std::memcpy(m_bytes.data() + header, &cb, 4);
}

// ---------------------------------------------------------------------------------------------
// Bitmaps
// ---------------------------------------------------------------------------------------------

void WriteBitmap(UINT kind, const TGlyphOutline& outline, DWORD width, DWORD height, DWORD pitch,
                 BYTE* out) {
    std::memset(out, 0, static_cast<size_t>(pitch) * height);
    const int levels = kind == GGO_GRAY2_BITMAP ? 4 : kind == GGO_GRAY4_BITMAP ? 16 : 64;
    for (DWORD row = 0; row < height; ++row) {
        const BYTE* coverage = outline.coverage.data() + static_cast<size_t>(row) * width;
        BYTE* target = out + static_cast<size_t>(row) * pitch;
        for (DWORD column = 0; column < width; ++column) {
            const int value = coverage[column];
            if (kind == GGO_BITMAP) {
                // A pixel is set when at least half of it is covered.
                if (value >= 128) {
                    target[column / 8] |= static_cast<BYTE>(0x80 >> (column % 8));
                }
            } else {
                target[column] = static_cast<BYTE>((value * levels + 127) / 255);
            }
        }
    }
}

} // namespace

DWORD GetGlyphOutlineW(HDC dc, UINT ch, UINT format, LPGLYPHMETRICS metrics, DWORD size,
                       LPVOID buffer, const MAT2* matrix) {
    TRealizedFont realized;
    TDeviceContext* context = GdiLookupDC(dc);
    if (metrics == nullptr || matrix == nullptr || context == nullptr ||
        !RealizeFont(*context, realized)) {
        return GDI_ERROR;
    }
    const UINT kind = format & ~(GGO_GLYPH_INDEX | GGO_UNHINTED);
    if (kind > GGO_GRAY8_BITMAP) {
        return GDI_ERROR;
    }
    TFontInstance& font = *realized.instance;
    const UINT glyph = (format & GGO_GLYPH_INDEX) != 0 ? ch : font.GlyphFor(ch);
    const bool bitmap = kind != GGO_METRICS && kind != GGO_NATIVE && kind != GGO_BEZIER;
    const TGlyphTransform transform = Combine(*matrix, FontTurn(context->State()));
    // Hinting fits the outline to the pixel grid upright; a turned or sheared glyph keeps the
    // design outline.
    const bool hinted = (format & GGO_UNHINTED) == 0 && transform.IsIdentity();
    TGlyphOutline outline;
    RECT box;
    if (!LoadOutline(font, glyph, hinted, transform, bitmap, outline, box)) {
        return GDI_ERROR;
    }
    const int advance = font.Advance(glyph);
    GLYPHMETRICS gm{};
    gm.gmBlackBoxX = static_cast<UINT>(box.right - box.left);
    gm.gmBlackBoxY = static_cast<UINT>(box.top - box.bottom);
    gm.gmptGlyphOrigin = {box.left, box.top};
    if (outline.empty) {
        gm.gmBlackBoxX = gm.gmBlackBoxY = 1;
        gm.gmptGlyphOrigin = {0, 0};
    }
    const auto incX = std::lround(std::clamp(advance * transform.xx, -1e9, 1e9));
    const auto incY = std::lround(std::clamp(advance * transform.yx, -1e9, 1e9));
    gm.gmCellIncX = static_cast<short>(std::clamp<long>(incX, SHRT_MIN, SHRT_MAX));
    gm.gmCellIncY = static_cast<short>(std::clamp<long>(incY, SHRT_MIN, SHRT_MAX));
    *metrics = gm;
    if (kind == GGO_METRICS) {
        return 0;
    }

    if (!bitmap) {
        TOutlineWriter writer(kind == GGO_BEZIER);
        for (const auto& contour : outline.contours) {
            writer.Contour(contour);
            if (writer.Bytes().size() > kMaxOutlineBytes) {
                return GDI_ERROR;
            }
        }
        const auto needed = static_cast<DWORD>(writer.Bytes().size());
        if (buffer == nullptr || size == 0) {
            return needed;
        }
        if (size < needed) {
            return GDI_ERROR;
        }
        std::memcpy(buffer, writer.Bytes().data(), needed);
        return needed;
    }

    // An empty glyph (a space) has no bitmap at all.
    if (outline.empty) {
        return 0;
    }
    const DWORD width = gm.gmBlackBoxX, height = gm.gmBlackBoxY;
    const DWORD pitch = kind == GGO_BITMAP ? ((width + 31) / 32) * 4 : (width + 3) & ~3u;
    const DWORD needed = pitch * height;
    if (buffer == nullptr || size == 0) {
        return needed;
    }
    if (size < needed) {
        return GDI_ERROR;
    }
    WriteBitmap(kind, outline, width, height, pitch, static_cast<BYTE*>(buffer));
    return needed;
}

DWORD GetGlyphOutlineA(HDC dc, UINT ch, UINT format, LPGLYPHMETRICS metrics, DWORD size,
                       LPVOID buffer, const MAT2* matrix) {
    TDeviceContext* context = GdiLookupDC(dc);
    if (context == nullptr) {
        return GDI_ERROR;
    }
    if ((format & GGO_GLYPH_INDEX) == 0) {
        // A character code of the font's code page: a double-byte character comes as
        // lead byte * 256 + trail byte.
        const char bytes[2] = {static_cast<char>(ch >> 8), static_cast<char>(ch & 0xFF)};
        const bool pair = ch > 0xFF;
        std::u16string wide =
            MultiByteToUtf16(TextCodePage(*context), pair ? bytes : bytes + 1, pair ? 2 : 1);
        ch = wide.empty() ? 0xFFFD : wide[0];
    }
    return GetGlyphOutlineW(dc, ch, format, metrics, size, buffer, matrix);
}
