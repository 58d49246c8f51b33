// Character conversions for the text functions: the ANSI code page of the "A" entry points,
// UTF-16 as the "W" entry points carry it, and UTF-8 for fontconfig.
//
// The ANSI code page is Windows-1252. Invalid UTF-16 (a lone surrogate) decodes to U+FFFD, so
// a damaged string still draws, one replacement glyph per bad code unit.
#pragma once

#include "platform/WinTypes.h"

#include <string>
#include <vector>

namespace gdi {

// Windows-1252 bytes to UTF-16; the five undefined bytes map to the C1 controls, as the
// system's own table does.
std::u16string AnsiToUtf16(const char* text, size_t count);

// UTF-16 to code points, one entry per code point; `units` receives, for each code point, the
// index of its first code unit. Lone surrogates become U+FFFD.
void Utf16ToCodePoints(const WCHAR* text, size_t count, std::vector<char32_t>& codePoints,
                       std::vector<size_t>* units = nullptr);

std::string Utf16ToUtf8(const std::u16string& text);
std::u16string Utf8ToUtf16(const std::string& text);

// Lower-cases ASCII letters only; face names compare this way.
std::u16string AsciiLower(std::u16string text);

} // namespace gdi
