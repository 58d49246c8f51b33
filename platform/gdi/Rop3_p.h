// Ternary raster operations: the 256 boolean functions of pattern (P), source (S) and
// destination (D) that BitBlt and its relatives apply to every bit of a pixel.
//
// A ROP code carries the function's truth table in bits 16..23: bit P * 4 + S * 2 + D of that
// byte is the result for those three input bits (so SRCCOPY's byte is 0xCC, the table of S
// itself when P, S and D are 0xF0, 0xCC and 0xAA). The low word only names a recipe for
// the operation and is ignored.
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>

namespace gdi {

// The truth-table byte of a ROP code.
constexpr BYTE Rop3Index(DWORD rop) {
    return static_cast<BYTE>((rop >> 16) & 0xFF);
}

// Whether the result depends on each operand at all; an operand that does not matter need not
// be fetched (and a source DC need not exist).
constexpr bool Rop3UsesPattern(DWORD rop) {
    const unsigned t = Rop3Index(rop);
    return (((t >> 4) ^ t) & 0x0F) != 0;
}
constexpr bool Rop3UsesSource(DWORD rop) {
    const unsigned t = Rop3Index(rop);
    return (((t >> 2) ^ t) & 0x33) != 0;
}
constexpr bool Rop3UsesDestination(DWORD rop) {
    const unsigned t = Rop3Index(rop);
    return (((t >> 1) ^ t) & 0x55) != 0;
}

// Applies the truth table `index` to every bit of three pixel words.
constexpr std::uint32_t ApplyRop3(BYTE index, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
    switch (index) { // the ones drawing spends its time in
    case 0x00:
        return 0;
    case 0xFF:
        return ~0u;
    case 0xCC:
        return s;
    case 0x33:
        return ~s;
    case 0xF0:
        return p;
    case 0x55:
        return ~d;
    case 0x88:
        return s & d;
    case 0xEE:
        return s | d;
    case 0x66:
        return s ^ d;
    case 0x5A:
        return p ^ d;
    case 0xAA:
        return d;
    default:
        break;
    }
    std::uint32_t result = 0;
    for (unsigned bit = 0; bit < 8; ++bit) {
        if ((index >> bit) & 1) {
            const std::uint32_t mp = (bit & 4) ? p : ~p;
            const std::uint32_t ms = (bit & 2) ? s : ~s;
            const std::uint32_t md = (bit & 1) ? d : ~d;
            result |= mp & ms & md;
        }
    }
    return result;
}

} // namespace gdi
