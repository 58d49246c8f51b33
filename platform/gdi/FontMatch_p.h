// Face matching: which installed font file draws a logical font.
//
// A logical font names a face the producer's machine had ("Arial", "Times New Roman"); this
// machine has other faces. The match goes, in order: the face name itself when a face of that
// family is installed; a metric-compatible substitute, so that text laid out on the producer's
// machine keeps its widths (Arial -> Liberation Sans, Calibri -> Carlito, ...); a face chosen by
// pitch and family; and for the CJK character sets a face that covers the script. Weight and
// italic then pick the file within the family; what the family lacks is synthesised.
//
// SYMBOL_CHARSET faces (Symbol, Wingdings) keep their characters in the private-use block
// U+F020..U+F0FF. When no face with such a symbol map is installed, the characters are still
// looked up there and come out as missing-glyph boxes, never as the Latin letters that share
// their low byte.
#pragma once

#include "platform/WinTypes.h"

#include <string>

namespace gdi {

// One resolved face: a file and the face index inside it, with the family it belongs to.
struct TFaceMatch {
    std::string file;              // absolute path of the font file
    int index = 0;                 // face index inside a collection, 0 for a single face
    std::string family;            // family name of the installed face ("Liberation Sans")
    std::u16string name;           // the name GetTextFace reports: the requested name when a
                                   // metric-compatible substitute stands in for it, else family
    bool symbolMapped = false;     // characters are looked up as U+F000 + low byte
    bool symbolEncoded = false;    // the face asked for is Symbol: its codes stand for the
                                   // characters of SymbolEncoding_p.h
    bool symbolFace = false;       // a symbol face, whatever the character set: its missing
                                   // characters stay boxes rather than borrow letters elsewhere
    bool syntheticBold = false;    // the file is lighter than the requested weight
    bool syntheticItalic = false;  // the file is upright but italic was asked for
    bool lowercaseAverage = false; // report the frequency-weighted lowercase average width, as
                                   // the face it stands in for does
    // A substitute that only keeps the look of the face it stands in for still takes that
    // face's vertical metrics (design units; 0 = the file's own), so cell heights, the em
    // and the baseline of top-aligned text come out where the producer's machine put them,
    // and that face's smoothing rule: sizes up to bilevelThrough pixels per em are drawn
    // without smoothing (0 = the file's own gasp table decides).
    int unitsPerEm = 0;
    int winAscent = 0;
    int winDescent = 0;
    int bilevelThrough = 0;
};

// What the match looks at; the fields of a LOGFONT that choose a face.
struct TFaceRequest {
    std::u16string faceName; // lfFaceName up to its terminator; may be empty
    LONG weight = 400;       // lfWeight, 0 = FW_DONTCARE (regular)
    bool italic = false;     // lfItalic
    BYTE charSet = 1;        // lfCharSet (DEFAULT_CHARSET = 1)
    BYTE pitchAndFamily = 0; // lfPitchAndFamily
};

// Resolves a request to an installed face. Answers false only when fontconfig finds no usable
// font file at all. Results are cached for the life of the process.
bool MatchFontFace(const TFaceRequest& request, TFaceMatch& match);

// A face that has `character`, for drawing the characters the matched face lacks (CJK,
// symbols), chosen by fontconfig's preferences for the request's weight and slant. False when
// no installed face has it. Results are cached for the life of the process.
bool MatchFallbackFace(char32_t character, const TFaceRequest& request, TFaceMatch& match);

// The metric-compatible substitute for a face name ("Arial" -> "Liberation Sans"), or an empty
// string when the name has none. Case-insensitive.
std::string SubstituteFaceName(const std::u16string& faceName);

} // namespace gdi
