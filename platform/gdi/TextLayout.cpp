#include "platform/gdi/TextLayout_p.h"

#include "platform/gdi/TextEncoding_p.h"

#include <hb.h>

#include <algorithm>

namespace gdi {

namespace {

// GDI neither kerns nor forms optional ligatures; required shaping stays on.
const hb_feature_t kFeatures[] = {
    {HB_TAG('k', 'e', 'r', 'n'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
    {HB_TAG('l', 'i', 'g', 'a'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
    {HB_TAG('c', 'l', 'i', 'g'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
    {HB_TAG('c', 'a', 'l', 't'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
};

TPointD Add(TPointD a, TPointD b, double scale) {
    return {a.x + b.x * scale, a.y + b.y * scale};
}

} // namespace

TGlyphRun ShapeText(TFontInstance& font, const WCHAR* text, size_t count, bool rtl) {
    TGlyphRun run;
    run.unitCount = count;
    if (text == nullptr || count == 0) {
        return run;
    }
    std::vector<char32_t> codePoints;
    std::vector<size_t> units;
    Utf16ToCodePoints(text, count, codePoints, &units);
    // Symbol fonts map their characters themselves; the shaper would not find them.
    if (font.Match().symbolMapped || font.Match().symbolEncoded) {
        for (size_t i = 0; i < codePoints.size(); ++i) {
            TFontInstance* drawnBy = nullptr;
            run.glyphs.push_back(font.Match().symbolEncoded
                                     ? font.SymbolGlyph(codePoints[i], drawnBy)
                                     : font.GlyphFor(codePoints[i]));
            run.units.push_back(units[i]);
            run.chars.push_back(codePoints[i]);
            run.zeroAdvance.push_back(false);
            run.offsets.push_back({});
            run.fonts.push_back(drawnBy);
        }
        return run;
    }
    hb_buffer_t* buffer = hb_buffer_create();
    // Clusters index the code point array; they are turned into code units below.
    hb_buffer_add_utf32(buffer, reinterpret_cast<const uint32_t*>(codePoints.data()),
                        static_cast<int>(codePoints.size()), 0,
                        static_cast<int>(codePoints.size()));
    hb_buffer_guess_segment_properties(buffer);
    hb_direction_t direction = hb_buffer_get_direction(buffer);
    if (rtl) {
        hb_buffer_set_direction(buffer, HB_DIRECTION_RTL);
    } else if (direction == HB_DIRECTION_TTB || direction == HB_DIRECTION_BTT) {
        hb_buffer_set_direction(buffer, HB_DIRECTION_LTR);
    }
    hb_shape(font.Face().ShapingFont(), buffer, kFeatures, std::size(kFeatures));
    unsigned length = 0;
    hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &length);
    hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &length);
    const double toPixels = font.Ppem() / static_cast<double>(font.Face().Metrics().unitsPerEm);
    const double toPixelsX = font.XPpem() / static_cast<double>(font.Face().Metrics().unitsPerEm);
    run.glyphs.reserve(length);
    for (unsigned i = 0; i < length; ++i) {
        size_t cluster = std::min<size_t>(infos[i].cluster, codePoints.size() - 1);
        run.glyphs.push_back(infos[i].codepoint);
        run.units.push_back(units[cluster]);
        run.chars.push_back(codePoints[cluster]);
        run.zeroAdvance.push_back(positions[i].x_advance == 0);
        run.offsets.push_back(
            {positions[i].x_offset * toPixelsX, positions[i].y_offset * toPixels});
        run.fonts.push_back(nullptr);
        if (infos[i].codepoint == 0) {
            // Font linking: the glyph comes from a face that has the character.
            if (TFontInstance* linked = font.FallbackFor(run.chars.back())) {
                run.glyphs.back() = linked->GlyphFor(run.chars.back());
                run.fonts.back() = linked;
                run.zeroAdvance.back() = false;
                run.offsets.back() = {};
            }
        }
    }
    hb_buffer_destroy(buffer);
    return run;
}

TGlyphRun GlyphIndexRun(const WCHAR* glyphs, size_t count) {
    TGlyphRun run;
    run.unitCount = count;
    if (glyphs == nullptr) {
        return run;
    }
    for (size_t i = 0; i < count; ++i) {
        run.glyphs.push_back(glyphs[i]);
        run.units.push_back(i);
        run.chars.push_back(0);
        run.zeroAdvance.push_back(false);
        run.offsets.push_back({});
        run.fonts.push_back(nullptr);
    }
    return run;
}

TTextPlacement PlaceGlyphs(TFontInstance& font, const TGlyphRun& run, const TTextFrame& frame,
                           TPointD start, const INT* dx, bool pdy, const TTextSpacing& spacing) {
    TTextPlacement placement;
    placement.glyphs.reserve(run.glyphs.size());
    TPointD pen = start;
    int breaksLeft = spacing.breakCount;
    int extraLeft = spacing.breakExtra;
    for (size_t i = 0; i < run.glyphs.size(); ++i) {
        TPointD origin = pen;
        origin = Add(origin, frame.fontAlong, run.offsets[i].x);
        origin = Add(origin, frame.fontUp, run.offsets[i].y);
        TFontInstance& face = run.fonts[i] != nullptr ? *run.fonts[i] : font;
        placement.glyphs.push_back({run.glyphs[i], run.fonts[i], origin});
        // The step to the next glyph: the spacing of every code unit up to the next cluster.
        if (dx != nullptr) {
            size_t first = run.units[i];
            size_t end = i + 1 < run.glyphs.size() ? run.units[i + 1] : run.unitCount;
            if (end < first) { // right-to-left runs list clusters backwards
                end = first + 1;
            }
            for (size_t unit = first; unit < end && unit < run.unitCount; ++unit) {
                double stepX = dx[pdy ? unit * 2 : unit];
                pen = Add(pen, frame.logicalAlong, stepX);
                if (pdy) {
                    pen = Add(pen, frame.logicalUp, dx[unit * 2 + 1]);
                }
            }
            continue;
        }
        if (run.zeroAdvance[i]) {
            continue;
        }
        pen = Add(pen, frame.fontAlong, face.Advance(run.glyphs[i]));
        double extra = spacing.charExtra;
        if (breaksLeft > 0 && run.chars[i] == spacing.breakChar) {
            // The remainder goes to the first breaks, one unit each.
            int share = extraLeft / breaksLeft;
            if (extraLeft % breaksLeft != 0) {
                share += extraLeft > 0 ? 1 : -1;
            }
            extra += share;
            extraLeft -= share;
            --breaksLeft;
        }
        pen = Add(pen, frame.logicalAlong, extra);
    }
    placement.advance = {pen.x - start.x, pen.y - start.y};
    return placement;
}

} // namespace gdi
