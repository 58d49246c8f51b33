// Font queries on a DC: metrics, widths, face names, glyph indices and font tables.
//
// The selected font is realised for the DC's transform, so every answer is first worked out
// in device pixels and then brought back to logical units: heights by the vertical scale,
// widths by the horizontal one.
#include "platform/gdi/CoreFaces_p.h"
#include "platform/gdi/Font_p.h"
#include "platform/gdi/TextEncoding_p.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

using namespace gdi;

namespace {

int ToLogical(int device, double scale) {
    return static_cast<int>(std::lround(device / scale));
}

// The realised font of a DC, or false for a bad handle or an unusable font.
bool Realize(HDC hdc, TRealizedFont& realized) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    return dc != nullptr && RealizeFont(*dc, realized);
}

TEXTMETRICW LogicalMetrics(const TRealizedFont& realized) {
    TEXTMETRICW tm = realized.instance->Metrics();
    const double sx = realized.scaleX, sy = realized.scaleY;
    if (sx == 1 && sy == 1) {
        return tm;
    }
    tm.tmAscent = ToLogical(tm.tmAscent, sy);
    tm.tmDescent = ToLogical(tm.tmDescent, sy);
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = ToLogical(tm.tmInternalLeading, sy);
    tm.tmExternalLeading = ToLogical(tm.tmExternalLeading, sy);
    tm.tmAveCharWidth = ToLogical(tm.tmAveCharWidth, sx);
    tm.tmMaxCharWidth = ToLogical(tm.tmMaxCharWidth, sx);
    tm.tmOverhang = ToLogical(tm.tmOverhang, sx);
    return tm;
}

BYTE NarrowChar(WCHAR c) {
    return c < 0x100 ? static_cast<BYTE>(c) : static_cast<BYTE>('?');
}

// Character codes of the A functions are in the code page of the selected font: a byte, or
// for a double-byte character lead byte * 256 + trail byte.
char32_t CharacterOf(UINT code, UINT codePage) {
    if (codePage == 0 || code > 0xFFFF || (code > 0xFF && !IsDoubleByteCodePage(codePage))) {
        return code;
    }
    const char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    const bool pair = code > 0xFF;
    std::u16string wide = MultiByteToUtf16(codePage, pair ? bytes : bytes + 1, pair ? 2 : 1);
    return wide.empty() ? 0xFFFD : wide[0];
}

template <class Fill> BOOL ForEachCharacter(HDC hdc, UINT first, UINT last, bool ansi, Fill fill) {
    TRealizedFont realized;
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (first > last || last - first > 0x10FFFF || dc == nullptr || !RealizeFont(*dc, realized)) {
        return FALSE;
    }
    const UINT codePage = ansi ? TextCodePage(*dc) : 0;
    for (UINT code = first; code <= last; ++code) {
        UINT glyph = realized.instance->GlyphFor(CharacterOf(code, codePage));
        fill(code - first, glyph, realized);
    }
    return TRUE;
}

BOOL CharWidths(HDC hdc, UINT first, UINT last, LPINT widths, bool ansi) {
    if (widths == nullptr) {
        return FALSE;
    }
    return ForEachCharacter(
        hdc, first, last, ansi, [&](UINT i, UINT glyph, const TRealizedFont& realized) {
            widths[i] = ToLogical(realized.instance->Advance(glyph), realized.scaleX);
        });
}

ABC LogicalAbc(const TRealizedFont& realized, UINT glyph) {
    ABC abc = realized.instance->AbcWidths(glyph);
    abc.abcA = ToLogical(abc.abcA, realized.scaleX);
    abc.abcB = static_cast<UINT>(ToLogical(static_cast<int>(abc.abcB), realized.scaleX));
    abc.abcC = ToLogical(abc.abcC, realized.scaleX);
    return abc;
}

BOOL AbcWidths(HDC hdc, UINT first, UINT last, LPABC widths, bool ansi) {
    if (widths == nullptr) {
        return FALSE;
    }
    return ForEachCharacter(hdc, first, last, ansi,
                            [&](UINT i, UINT glyph, const TRealizedFont& realized) {
                                widths[i] = LogicalAbc(realized, glyph);
                            });
}

} // namespace

BOOL GetTextMetricsW(HDC dc, LPTEXTMETRICW metrics) {
    TRealizedFont realized;
    if (metrics == nullptr || !Realize(dc, realized)) {
        return FALSE;
    }
    *metrics = LogicalMetrics(realized);
    return TRUE;
}

BOOL GetTextMetricsA(HDC dc, LPTEXTMETRICA metrics) {
    TEXTMETRICW wide;
    if (metrics == nullptr || !GetTextMetricsW(dc, &wide)) {
        return FALSE;
    }
    std::memcpy(metrics, &wide, offsetof(TEXTMETRICA, tmFirstChar));
    // The A form reports the range in the ANSI code page.
    bool symbol = wide.tmCharSet == SYMBOL_CHARSET;
    metrics->tmFirstChar = symbol ? NarrowChar(wide.tmFirstChar & 0xFF) : 0x1E;
    metrics->tmLastChar = symbol ? NarrowChar(wide.tmLastChar & 0xFF) : 0xFF;
    metrics->tmDefaultChar = symbol ? NarrowChar(wide.tmDefaultChar & 0xFF) : 0x1F;
    metrics->tmBreakChar = symbol ? NarrowChar(wide.tmBreakChar & 0xFF) : 0x20;
    metrics->tmItalic = wide.tmItalic;
    metrics->tmUnderlined = wide.tmUnderlined;
    metrics->tmStruckOut = wide.tmStruckOut;
    metrics->tmPitchAndFamily = wide.tmPitchAndFamily;
    metrics->tmCharSet = wide.tmCharSet;
    return TRUE;
}

UINT GetOutlineTextMetricsW(HDC dc, UINT size, LPOUTLINETEXTMETRICW metrics) {
    TRealizedFont realized;
    if (!Realize(dc, realized)) {
        return 0;
    }
    TFontInstance& font = *realized.instance;
    const TFaceMatch& match = font.Match();
    std::u16string family = Utf8ToUtf16(match.family);
    std::u16string face = match.name;
    std::u16string style = font.Metrics().tmWeight >= FW_BOLD
                               ? (font.Metrics().tmItalic ? u"Bold Italic" : u"Bold")
                               : (font.Metrics().tmItalic ? u"Italic" : u"Regular");
    std::u16string full = face + u" " + style;
    const UINT strings = static_cast<UINT>(
        (family.size() + face.size() + style.size() + full.size() + 4) * sizeof(WCHAR));
    const UINT total = static_cast<UINT>(sizeof(OUTLINETEXTMETRICW)) + strings;
    if (metrics == nullptr) {
        return total;
    }
    if (size < sizeof(OUTLINETEXTMETRICW)) {
        return 0;
    }
    const TFaceMetrics& design = font.Face().Metrics();
    const double scale = font.Ppem() / static_cast<double>(design.unitsPerEm);
    const double sy = realized.scaleY;
    auto scaled = [&](int units) {
        return ToLogical(static_cast<int>(std::lround(units * scale)), sy);
    };
    OUTLINETEXTMETRICW otm{};
    otm.otmSize = size >= total ? total : static_cast<UINT>(sizeof(OUTLINETEXTMETRICW));
    otm.otmTextMetrics = LogicalMetrics(realized);
    std::memcpy(&otm.otmPanoseNumber, design.panose, sizeof(otm.otmPanoseNumber));
    otm.otmfsSelection = static_cast<UINT>(design.fsSelection);
    otm.otmfsType = static_cast<UINT>(design.fsType);
    otm.otmsCharSlopeRise = 1;
    otm.otmsCharSlopeRun = 0;
    otm.otmItalicAngle = design.italicAngle;
    otm.otmEMSquare = static_cast<UINT>(design.unitsPerEm);
    otm.otmAscent = scaled(design.typoAscender);
    otm.otmDescent = scaled(design.typoDescender);
    otm.otmLineGap = static_cast<UINT>(std::max(0, scaled(design.typoLineGap)));
    otm.otmsCapEmHeight = static_cast<UINT>(std::max(0, scaled(design.capHeight)));
    otm.otmsXHeight = static_cast<UINT>(std::max(0, scaled(design.xHeight)));
    otm.otmrcFontBox = {scaled(design.xMin), scaled(design.yMax), scaled(design.xMax),
                        scaled(design.yMin)};
    otm.otmMacAscent = scaled(design.hheaAscender);
    otm.otmMacDescent = scaled(design.hheaDescender);
    otm.otmMacLineGap = static_cast<UINT>(std::max(0, scaled(design.hheaLineGap)));
    otm.otmusMinimumPPEM = 9;
    otm.otmsStrikeoutSize = static_cast<UINT>(std::max(1, scaled(design.strikeoutSize)));
    otm.otmsStrikeoutPosition = scaled(design.strikeoutPosition);
    otm.otmsUnderscoreSize = std::max(1, scaled(design.underlineThickness));
    otm.otmsUnderscorePosition = scaled(design.underlinePosition);
    otm.otmptSubscriptSize = {scaled(design.unitsPerEm * 65 / 100),
                              scaled(design.unitsPerEm * 60 / 100)};
    otm.otmptSubscriptOffset = {0, scaled(design.unitsPerEm * 14 / 100)};
    otm.otmptSuperscriptSize = otm.otmptSubscriptSize;
    otm.otmptSuperscriptOffset = {0, scaled(design.unitsPerEm * 48 / 100)};
    if (size < total) {
        std::memcpy(metrics, &otm, sizeof(otm));
        return sizeof(otm);
    }
    // The names follow the structure; their fields hold byte offsets from its start.
    auto* base = reinterpret_cast<BYTE*>(metrics);
    size_t offset = sizeof(OUTLINETEXTMETRICW);
    auto place = [&](const std::u16string& text) {
        std::memcpy(base + offset, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
        char* field = reinterpret_cast<char*>(offset);
        offset += (text.size() + 1) * sizeof(WCHAR);
        return field;
    };
    otm.otmpFamilyName = place(family);
    otm.otmpFaceName = place(face);
    otm.otmpStyleName = place(style);
    otm.otmpFullName = place(full);
    std::memcpy(metrics, &otm, sizeof(otm));
    return total;
}

int GetTextFaceW(HDC hdc, int size, LPWSTR name) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (dc == nullptr || !dc->State().m_font) {
        return 0;
    }
    TRealizedFont realized;
    std::u16string face;
    if (RealizeFont(*dc, realized)) {
        face = realized.instance->Match().name;
    }
    if (name == nullptr) {
        return static_cast<int>(face.size() + 1);
    }
    if (size <= 0) {
        return 0;
    }
    size_t copied = std::min(face.size(), static_cast<size_t>(size - 1));
    std::copy(face.begin(), face.begin() + static_cast<std::ptrdiff_t>(copied), name);
    name[copied] = 0;
    return static_cast<int>(copied + 1);
}

int GetTextFaceA(HDC hdc, int size, LPSTR name) {
    WCHAR wide[LF_FULLFACESIZE];
    int length = GetTextFaceW(hdc, LF_FULLFACESIZE, wide);
    if (length == 0) {
        return 0;
    }
    if (name == nullptr) {
        return length;
    }
    if (size <= 0) {
        return 0;
    }
    int copied = std::min(length - 1, size - 1);
    for (int i = 0; i < copied; ++i) {
        name[i] = static_cast<char>(NarrowChar(wide[i]));
    }
    name[copied] = 0;
    return copied + 1;
}

UINT gdi::TextCodePage(TDeviceContext& dc) {
    TRealizedFont realized;
    if (!RealizeFont(dc, realized)) {
        return kCodePageAnsi;
    }
    // A face that keeps its characters in a symbol map is a symbol font whatever character
    // set the LOGFONT asked for, and takes its bytes as symbol codes.
    const TFontInstance& font = *realized.instance;
    if (font.Match().symbolMapped || font.Match().symbolEncoded ||
        font.Face().Metrics().hasSymbolMap) {
        return kCodePageSymbol;
    }
    return CodePageOfCharset(font.Metrics().tmCharSet);
}

int GetTextCharset(HDC dc) {
    TEXTMETRICW tm;
    return GetTextMetricsW(dc, &tm) ? tm.tmCharSet : DEFAULT_CHARSET;
}

BOOL GetCharWidth32W(HDC dc, UINT first, UINT last, LPINT widths) {
    return CharWidths(dc, first, last, widths, false);
}

BOOL GetCharWidth32A(HDC dc, UINT first, UINT last, LPINT widths) {
    return CharWidths(dc, first, last, widths, true);
}

BOOL GetCharWidthW(HDC dc, UINT first, UINT last, LPINT widths) {
    return CharWidths(dc, first, last, widths, false);
}

BOOL GetCharABCWidthsW(HDC dc, UINT first, UINT last, LPABC widths) {
    return AbcWidths(dc, first, last, widths, false);
}

BOOL GetCharABCWidthsA(HDC dc, UINT first, UINT last, LPABC widths) {
    return AbcWidths(dc, first, last, widths, true);
}

BOOL GetCharABCWidthsFloatW(HDC dc, UINT first, UINT last, LPABCFLOAT widths) {
    if (widths == nullptr) {
        return FALSE;
    }
    return ForEachCharacter(
        dc, first, last, false, [&](UINT i, UINT glyph, const TRealizedFont& realized) {
            ABC abc = LogicalAbc(realized, glyph);
            widths[i] = {static_cast<FLOAT>(abc.abcA), static_cast<FLOAT>(abc.abcB),
                         static_cast<FLOAT>(abc.abcC)};
        });
}

BOOL GetCharABCWidthsI(HDC dc, UINT first, UINT count, const WORD* glyphs, LPABC widths) {
    TRealizedFont realized;
    if (widths == nullptr || count > 0x10000 || !Realize(dc, realized)) {
        return FALSE;
    }
    for (UINT i = 0; i < count; ++i) {
        widths[i] = LogicalAbc(realized, glyphs != nullptr ? glyphs[i] : first + i);
    }
    return TRUE;
}

DWORD GetGlyphIndicesW(HDC dc, LPCWSTR text, int count, WORD* glyphs, DWORD flags) {
    TRealizedFont realized;
    if (text == nullptr || glyphs == nullptr || count < 0 || !Realize(dc, realized)) {
        return GDI_ERROR;
    }
    for (int i = 0; i < count; ++i) {
        UINT glyph = realized.instance->GlyphFor(text[i]);
        if (glyph == 0 && (flags & GGI_MARK_NONEXISTING_GLYPHS) != 0) {
            glyph = 0xFFFF;
        }
        glyphs[i] = static_cast<WORD>(glyph);
    }
    return static_cast<DWORD>(count);
}

DWORD GetKerningPairsW(HDC /*dc*/, DWORD /*count*/, LPKERNINGPAIR /*pairs*/) {
    // FIXME: the kern table is not read; text is drawn without kerning anyway.
    return 0;
}

DWORD GetFontData(HDC dc, DWORD table, DWORD offset, LPVOID buffer, DWORD size) {
    TRealizedFont realized;
    if (!Realize(dc, realized)) {
        return GDI_ERROR;
    }
    const TFontFace& face = realized.instance->Face();
    std::lock_guard<std::mutex> guard(face.Lock());
    // The tag comes in the byte order it has in the file; FreeType wants it as a number.
    FT_ULong tag = table == 0 ? 0
                              : ((table & 0xFF) << 24) | ((table & 0xFF00) << 8) |
                                    ((table >> 8) & 0xFF00) | ((table >> 24) & 0xFF);
    FT_ULong length = 0;
    if (FT_Load_Sfnt_Table(face.Face(), tag, 0, nullptr, &length) != 0 || offset > length) {
        return GDI_ERROR;
    }
    FT_ULong available = length - offset;
    if (buffer == nullptr || size == 0) {
        return static_cast<DWORD>(available);
    }
    FT_ULong wanted = std::min<FT_ULong>(available, size);
    if (wanted == 0) {
        return 0;
    }
    if (FT_Load_Sfnt_Table(face.Face(), tag, static_cast<FT_Long>(offset),
                           static_cast<FT_Byte*>(buffer), &wanted) != 0) {
        return GDI_ERROR;
    }
    return static_cast<DWORD>(wanted);
}

int EnumFontFamiliesExW(HDC hdc, LPLOGFONTW font, FONTENUMPROCW proc, LPARAM param,
                        DWORD /*flags*/) {
    if (GdiLookupDC(hdc) == nullptr || proc == nullptr) {
        return 0;
    }
    std::u16string wanted;
    if (font != nullptr) {
        for (int i = 0; i < LF_FACESIZE && font->lfFaceName[i] != 0; ++i) {
            wanted += font->lfFaceName[i];
        }
    }
    // Every installed scalable family once, in fontconfig's order.
    AddCoreFaces();
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_SPACING, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    std::set<std::u16string> seen;
    int result = 1;
    for (int i = 0; set != nullptr && i < set->nfont && result != 0; ++i) {
        FcChar8* name = nullptr;
        if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &name) != FcResultMatch) {
            continue;
        }
        std::u16string family = Utf8ToUtf16(reinterpret_cast<const char*>(name));
        if (family.size() >= LF_FACESIZE || !seen.insert(AsciiLower(family)).second ||
            (!wanted.empty() && AsciiLower(family) != AsciiLower(wanted))) {
            continue;
        }
        int spacing = FC_PROPORTIONAL;
        FcPatternGetInteger(set->fonts[i], FC_SPACING, 0, &spacing);
        LOGFONTW log{};
        log.lfHeight = 16;
        log.lfWeight = FW_NORMAL;
        log.lfCharSet = ANSI_CHARSET;
        log.lfOutPrecision = OUT_STROKE_PRECIS;
        log.lfClipPrecision = CLIP_STROKE_PRECIS;
        log.lfQuality = DRAFT_QUALITY;
        log.lfPitchAndFamily = spacing == FC_MONO ? FIXED_PITCH | FF_MODERN : VARIABLE_PITCH;
        std::copy(family.begin(), family.end(), log.lfFaceName);
        TEXTMETRICW tm{};
        tm.tmHeight = 16;
        tm.tmWeight = FW_NORMAL;
        tm.tmPitchAndFamily = static_cast<BYTE>((spacing == FC_MONO ? 0 : TMPF_FIXED_PITCH) |
                                                TMPF_VECTOR | TMPF_TRUETYPE);
        result = proc(&log, &tm, TRUETYPE_FONTTYPE, param);
    }
    if (set != nullptr) {
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return result;
}

int EnumFontFamiliesExA(HDC dc, LPLOGFONTA font, FONTENUMPROCA proc, LPARAM param, DWORD flags) {
    if (proc == nullptr) {
        return 0;
    }
    LOGFONTW wide{};
    if (font != nullptr) {
        for (int i = 0; i < LF_FACESIZE - 1 && font->lfFaceName[i] != 0; ++i) {
            wide.lfFaceName[i] = static_cast<unsigned char>(font->lfFaceName[i]);
        }
    }
    struct TForward {
        FONTENUMPROCA proc;
        LPARAM param;
    } forward{proc, param};
    auto thunk = [](const LOGFONTW* log, const TEXTMETRICW* tm, DWORD type, LPARAM data) {
        auto* f = reinterpret_cast<TForward*>(data);
        LOGFONTA narrow{};
        std::memcpy(&narrow, log, offsetof(LOGFONTA, lfFaceName));
        for (int i = 0; i < LF_FACESIZE - 1 && log->lfFaceName[i] != 0; ++i) {
            narrow.lfFaceName[i] = static_cast<char>(NarrowChar(log->lfFaceName[i]));
        }
        TEXTMETRICA tmA{};
        std::memcpy(&tmA, tm, offsetof(TEXTMETRICA, tmFirstChar));
        tmA.tmPitchAndFamily = tm->tmPitchAndFamily;
        tmA.tmCharSet = tm->tmCharSet;
        return f->proc(&narrow, &tmA, type, f->param);
    };
    return EnumFontFamiliesExW(dc, font != nullptr ? &wide : nullptr, thunk,
                               reinterpret_cast<LPARAM>(&forward), flags);
}
