// The characters of the Symbol face by their codes: Greek letters, mathematical operators,
// arrows and the pieces of large brackets, each at one byte (0x61 is alpha, 0xB4 the
// multiplication sign). Text in that face stores those bytes, or U+F000 plus the byte; when
// no installed face maps them, the table gives the Unicode character each stands for, so
// that any face with that character can draw it.
#pragma once

namespace gdi {

// The Unicode character a Symbol code stands for: `code` is the byte or U+F000 plus the byte.
// 0 for a code the face leaves empty.
char32_t SymbolCharacter(char32_t code);

} // namespace gdi
