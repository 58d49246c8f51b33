#include "platform/gdi/FontFace_p.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_DRIVER_H
#include FT_MODULE_H

#include <hb.h>

#include <map>
#include <utility>

namespace gdi {

namespace {

// The one FreeType library of the process. The TrueType interpreter runs in its default mode,
// which hints vertically only; monochrome rendering switches to full hinting by itself.
FT_Library Library() {
    static FT_Library library = [] {
        FT_Library created = nullptr;
        if (FT_Init_FreeType(&created) != 0) {
            return static_cast<FT_Library>(nullptr);
        }
        FT_UInt interpreter = TT_INTERPRETER_VERSION_40;
        FT_Property_Set(created, "truetype", "interpreter-version", &interpreter);
        return created;
    }();
    return library;
}

// How often each of a..z and the space occur in English text, per thousand: the weights of the
// average character width that OS/2 tables before version 3 define.
constexpr int kLetterWeights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6,  35, 20, 56,
                                    56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2,  166};

std::mutex g_facesLock;
std::map<std::pair<std::string, int>, std::weak_ptr<TFontFace>>& Faces() {
    static std::map<std::pair<std::string, int>, std::weak_ptr<TFontFace>> faces;
    return faces;
}

} // namespace

std::shared_ptr<TFontFace> TFontFace::Open(const std::string& file, int index) {
    std::lock_guard<std::mutex> guard(g_facesLock);
    auto key = std::make_pair(file, index);
    auto& faces = Faces();
    auto it = faces.find(key);
    if (it != faces.end()) {
        if (auto face = it->second.lock()) {
            return face;
        }
    }
    FT_Library library = Library();
    if (library == nullptr) {
        return nullptr;
    }
    std::shared_ptr<TFontFace> face(new TFontFace());
    if (FT_New_Face(library, file.c_str(), index, &face->m_face) != 0 ||
        !FT_IS_SCALABLE(face->m_face)) {
        return nullptr;
    }
    face->m_file = file;
    hb_blob_t* blob = hb_blob_create_from_file(file.c_str());
    hb_face_t* hbFace = hb_face_create(blob, static_cast<unsigned>(index));
    face->m_hbFont = hb_font_create(hbFace);
    hb_face_destroy(hbFace);
    hb_blob_destroy(blob);
    face->ReadMetrics();
    hb_font_set_scale(face->m_hbFont, face->m_metrics.unitsPerEm, face->m_metrics.unitsPerEm);
    faces[key] = face;
    return face;
}

TFontFace::~TFontFace() {
    if (m_hbFont != nullptr) {
        hb_font_destroy(m_hbFont);
    }
    if (m_face != nullptr) {
        FT_Done_Face(m_face);
    }
}

int TFontFace::GlyphCount() const {
    return static_cast<int>(m_face->num_glyphs);
}

void TFontFace::ReadMetrics() {
    TFaceMetrics& m = m_metrics;
    m.unitsPerEm = m_face->units_per_EM > 0 ? m_face->units_per_EM : 2048;
    m.xMin = static_cast<int>(m_face->bbox.xMin);
    m.yMin = static_cast<int>(m_face->bbox.yMin);
    m.xMax = static_cast<int>(m_face->bbox.xMax);
    m.yMax = static_cast<int>(m_face->bbox.yMax);
    m.maxAdvance = m_face->max_advance_width;
    m.underlinePosition = m_face->underline_position;
    m.underlineThickness = m_face->underline_thickness;
    m.fixedPitch = FT_IS_FIXED_WIDTH(m_face);
    auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(m_face, FT_SFNT_HHEA));
    if (hhea != nullptr) {
        m.hheaAscender = hhea->Ascender;
        m.hheaDescender = hhea->Descender;
        m.hheaLineGap = hhea->Line_Gap;
    } else {
        m.hheaAscender = m_face->ascender;
        m.hheaDescender = m_face->descender;
    }
    auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(m_face, FT_SFNT_POST));
    if (post != nullptr) {
        // FreeType moves the position by half the thickness; keep the table's own value.
        m.underlinePosition = post->underlinePosition;
        m.underlineThickness = post->underlineThickness;
        m.italicAngle = static_cast<int>((post->italicAngle * 10) / 65536);
    }
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(m_face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF) {
        m.winAscent = os2->usWinAscent;
        m.winDescent = os2->usWinDescent;
        m.typoAscender = os2->sTypoAscender;
        m.typoDescender = os2->sTypoDescender;
        m.typoLineGap = os2->sTypoLineGap;
        m.avgCharWidth = os2->xAvgCharWidth;
        m.strikeoutPosition = os2->yStrikeoutPosition;
        m.strikeoutSize = os2->yStrikeoutSize;
        m.weightClass = os2->usWeightClass;
        m.fsSelection = os2->fsSelection;
        m.fsType = os2->fsType;
        m.capHeight = os2->version >= 2 ? os2->sCapHeight : 0;
        m.xHeight = os2->version >= 2 ? os2->sxHeight : 0;
        m.firstChar = os2->usFirstCharIndex;
        m.lastChar = os2->usLastCharIndex;
        for (int i = 0; i < 10; ++i) {
            m.panose[i] = os2->panose[i];
        }
    }
    // Fonts without usable Windows metrics fall back to the horizontal header.
    if (m.winAscent == 0 && m.winDescent == 0) {
        m.winAscent = m.hheaAscender;
        m.winDescent = -m.hheaDescender;
    }
    if (m.avgCharWidth <= 0) {
        m.avgCharWidth = m.maxAdvance > 0 ? m.maxAdvance / 2 : m.unitsPerEm / 2;
    }
    if (m.strikeoutSize <= 0) {
        m.strikeoutSize = m.underlineThickness > 0 ? m.underlineThickness : m.unitsPerEm / 20;
        m.strikeoutPosition = m.unitsPerEm * 3 / 10;
    }
    if (m.underlineThickness <= 0) {
        m.underlineThickness = m.unitsPerEm / 20;
        m.underlinePosition = -m.unitsPerEm / 10;
    }
    for (int i = 0; i < m_face->num_charmaps; ++i) {
        FT_CharMap map = m_face->charmaps[i];
        if (map->platform_id == 3 && map->encoding_id == 0) {
            m.hasSymbolMap = true;
        }
    }
    long weighted = 0;
    for (int i = 0; i < 27; ++i) {
        FT_UInt glyph = FT_Get_Char_Index(m_face, i < 26 ? 'a' + i : ' ');
        if (glyph == 0) {
            weighted = 0;
            break;
        }
        weighted +=
            kLetterWeights[i] * static_cast<long>(hb_font_get_glyph_h_advance(m_hbFont, glyph));
    }
    m.lowercaseAvgWidth = static_cast<int>(weighted / 1000);
}

UINT TFontFace::GlyphIndex(char32_t character, bool symbolMapped) const {
    std::lock_guard<std::mutex> guard(m_lock);
    if (symbolMapped && character < 0x100) {
        character += 0xF000;
    }
    if (m_metrics.hasSymbolMap && character >= 0xF000 && character <= 0xF0FF) {
        // The symbol cmap is keyed by U+F0xx; FreeType selects the Unicode map by default.
        for (int i = 0; i < m_face->num_charmaps; ++i) {
            FT_CharMap map = m_face->charmaps[i];
            if (map->platform_id == 3 && map->encoding_id == 0) {
                FT_CharMap previous = m_face->charmap;
                FT_Set_Charmap(m_face, map);
                FT_UInt glyph = FT_Get_Char_Index(m_face, character);
                if (previous != nullptr) {
                    FT_Set_Charmap(m_face, previous);
                }
                return glyph;
            }
        }
    }
    return FT_Get_Char_Index(m_face, character);
}

int TFontFace::DesignAdvance(UINT glyph) const {
    return static_cast<int>(hb_font_get_glyph_h_advance(m_hbFont, glyph));
}

} // namespace gdi
