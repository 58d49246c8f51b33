// Character conversions for the text functions: the ANSI code pages of the "A" entry points,
// UTF-16 as the "W" entry points carry it, and UTF-8 for fontconfig.
//
// ANSI text is read in the code page of the selected font's character set, as the system does:
// Windows-1252 for ANSI_CHARSET and DEFAULT_CHARSET, 932 for SHIFTJIS_CHARSET, 1251 for
// RUSSIAN_CHARSET, and so on. Four of them (932, 936, 949, 950, and 1361 for JOHAB_CHARSET)
// are double-byte: a lead byte and the byte after it make one character. SYMBOL_CHARSET keeps
// each byte as a symbol code, U+F000 + byte. Every character of a code page is one UTF-16 code
// unit, so the text keeps one unit per character however many bytes it took.
//
// A byte the code page leaves undefined becomes its C1 control when it lies in 0x80..0x9F (the
// system's own tables do this) and U+FFFD otherwise; a lead byte with no valid trail byte, or
// at the end of the string, is one U+FFFD. Invalid UTF-16 (a lone surrogate) decodes to U+FFFD,
// so a damaged string still draws, one replacement glyph per bad code unit.
#pragma once

#include "platform/WinTypes.h"

#include <string>
#include <vector>

namespace gdi {

class TDeviceContext;

constexpr UINT kCodePageAnsi = 1252;
constexpr UINT kCodePageSymbol = 42; // bytes are symbol codes U+F000 + byte

// The code page a font of `charset` takes ANSI text in; 1252 for a set that has none.
UINT CodePageOfCharset(BYTE charset);

// True for the double-byte code pages (932, 936, 949, 950, 1361).
bool IsDoubleByteCodePage(UINT codePage);

// `count` bytes of `codePage` to UTF-16, one code unit per character. `firstByte`, when
// given, receives for each unit the index of the byte its character starts at. Never reads
// past `count`; a null text gives an empty string.
std::u16string MultiByteToUtf16(UINT codePage, const char* text, size_t count,
                                std::vector<size_t>* firstByte = nullptr);

// Windows-1252 bytes to UTF-16; the five undefined bytes map to the C1 controls, as the
// system's own table does.
std::u16string AnsiToUtf16(const char* text, size_t count);

// Spacing given per byte, as the A entry points and the ANSI text records carry it, made into
// one entry per character of `firstByte` (from MultiByteToUtf16): a double-byte character
// advances by the sum of its bytes' entries, so a lead byte carrying the whole advance and a
// trail byte carrying none give the same result as an advance split over both. With `pdy`
// each character has an x and a y entry. `dx` holds `byteCount` entries (twice that with pdy).
std::vector<INT> SpacingPerCharacter(const INT* dx, size_t byteCount,
                                     const std::vector<size_t>& firstByte, bool pdy);

// The code page of the font selected in a DC: its character set's, or kCodePageSymbol for a
// face that keeps its characters in a symbol map.
UINT TextCodePage(TDeviceContext& dc);

// UTF-16 to code points, one entry per code point; `units` receives, for each code point, the
// index of its first code unit. Lone surrogates become U+FFFD.
void Utf16ToCodePoints(const WCHAR* text, size_t count, std::vector<char32_t>& codePoints,
                       std::vector<size_t>* units = nullptr);

std::string Utf16ToUtf8(const std::u16string& text);
std::u16string Utf8ToUtf16(const std::string& text);

// Lower-cases ASCII letters only; face names compare this way.
std::u16string AsciiLower(std::u16string text);

} // namespace gdi
