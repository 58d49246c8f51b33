// Logical fonts realised for a DC.
//
// A TFont keeps the LOGFONT it was made from; what it resolves to is hung on it as a
// TFontCache: the matched face, opened once, and one TFontInstance per device size and glyph
// transform it has been drawn at. RealizeFont picks the instance for the DC's selected font
// under the DC's current mapping, world transform and graphics mode, and the frame that text
// is laid out in.
//
// In GM_COMPATIBLE the font is sized by the mapping's vertical scale and glyphs stay upright
// on the device whatever the mapping does to the axes; escapement turns both the baseline and
// the glyphs. In GM_ADVANCED the world transform applies to the text as to any drawing: the
// baseline follows lfEscapement and the glyphs lfOrientation, both then transformed.
#pragma once

#include "platform/gdi/DeviceContext_p.h"
#include "platform/gdi/FontInstance_p.h"
#include "platform/gdi/TextLayout_p.h"

#include <map>
#include <memory>

namespace gdi {

struct TFontCache {
    TFaceMatch match;
    std::shared_ptr<TFontFace> face;
    // Instances keyed by scale and transform, each rounded to 1/4096.
    std::map<std::array<long long, 6>, std::unique_ptr<TFontInstance>> instances;
};

struct TRealizedFont {
    TFontInstance* instance = nullptr; // owned by the font's cache
    TTextFrame frame;
    double scaleX = 1; // device pixels per logical unit, horizontally (absolute)
    double scaleY = 1; // ... vertically
};

// The instance of the DC's selected font for the DC's current transform. False when no face
// can be found at all.
bool RealizeFont(TDeviceContext& dc, TRealizedFont& realized);

// The same for a given font and scale, glyphs upright: for measuring.
TFontInstance* RealizeFontAt(const TFont& font, double scaleX, double scaleY);

} // namespace gdi
