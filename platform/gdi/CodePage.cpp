// The ANSI code pages: bytes of the A entry points and the ANSI text records to UTF-16.
//
// Windows-1252 and the symbol code page are worked out here directly. The others come from the
// C library's iconv, read once per code page into a table: 256 single bytes, and for the
// double-byte pages every lead and trail pair. The tables are built byte by byte (pair by
// pair), so a converter that combines a base letter with a following accent (1255, 1258) still
// gives one character per byte, as the system's tables do, and spacing arrays keep lining up.
#include "platform/gdi/TextEncoding_p.h"

#include "platform/WinGdi.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace gdi {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

struct TCodePageTable {
    std::array<char16_t, 256> single{}; // the character of each byte on its own
    std::array<bool, 256> lead{};       // the byte starts a double-byte character
    std::vector<char16_t> pairs;        // lead << 8 | trail; kReplacement when undefined
};

const char* IconvName(UINT codePage) {
    switch (codePage) {
    case 437:
        return "CP437";
    case 874:
        return "CP874";
    case 932:
        return "CP932";
    case 936:
        return "CP936";
    case 949:
        return "CP949";
    case 950:
        return "CP950";
    case 1250:
        return "CP1250";
    case 1251:
        return "CP1251";
    case 1253:
        return "CP1253";
    case 1254:
        return "CP1254";
    case 1255:
        return "CP1255";
    case 1256:
        return "CP1256";
    case 1257:
        return "CP1257";
    case 1258:
        return "CP1258";
    case 1361:
        return "JOHAB";
    }
    return nullptr;
}

// Lead bytes of the double-byte code pages.
bool IsLeadByte(UINT codePage, unsigned byte) {
    switch (codePage) {
    case 932:
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:
    case 949:
    case 950:
        return byte >= 0x81 && byte <= 0xFE;
    case 1361:
        return (byte >= 0x84 && byte <= 0xD3) || (byte >= 0xD8 && byte <= 0xDE) ||
               (byte >= 0xE0 && byte <= 0xF9);
    }
    return false;
}

// One complete byte sequence through the converter: its single UTF-16 unit, or 0 when the
// converter refuses it or makes more than one unit of it.
char16_t ConvertOne(iconv_t cd, const unsigned char* bytes, size_t length) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in[2] = {static_cast<char>(bytes[0]), static_cast<char>(length > 1 ? bytes[1] : 0)};
    char out[16];
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = length, outLeft = sizeof(out);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) {
        return 0;
    }
    // Flush what a combining converter holds back.
    if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
        return 0;
    }
    if (sizeof(out) - outLeft != 2) {
        return 0;
    }
    auto unit = static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                      (static_cast<unsigned char>(out[1]) << 8));
    return unit >= 0xD800 && unit < 0xE000 ? 0 : unit;
}

std::unique_ptr<TCodePageTable> BuildTable(UINT codePage) {
    auto table = std::make_unique<TCodePageTable>();
    for (unsigned byte = 0; byte < 0x80; ++byte) {
        table->single[byte] = static_cast<char16_t>(byte);
    }
    for (unsigned byte = 0x80; byte < 0x100; ++byte) {
        table->single[byte] = byte < 0xA0 ? static_cast<char16_t>(byte) : kReplacement;
    }
    const char* name = IconvName(codePage);
    iconv_t cd = name != nullptr ? iconv_open("UTF-16LE", name) : reinterpret_cast<iconv_t>(-1);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // No converter: the bytes stay Latin-1 below 0xA0, replacement glyphs above.
        return table;
    }
    const bool doubleByte = IsDoubleByteCodePage(codePage);
    for (unsigned byte = 0; byte < 0x100; ++byte) {
        if (doubleByte && IsLeadByte(codePage, byte)) {
            table->lead[byte] = true;
            table->single[byte] = kReplacement;
            continue;
        }
        const auto b = static_cast<unsigned char>(byte);
        if (char16_t unit = ConvertOne(cd, &b, 1); unit != 0 || byte == 0) {
            table->single[byte] = unit;
        }
    }
    if (doubleByte) {
        table->pairs.assign(0x10000, kReplacement);
        for (unsigned lead = 0x80; lead < 0x100; ++lead) {
            if (!table->lead[lead]) {
                continue;
            }
            for (unsigned trail = 0x40; trail < 0x100; ++trail) {
                const unsigned char pair[2] = {static_cast<unsigned char>(lead),
                                               static_cast<unsigned char>(trail)};
                if (char16_t unit = ConvertOne(cd, pair, 2); unit != 0) {
                    table->pairs[lead << 8 | trail] = unit;
                }
            }
        }
    }
    iconv_close(cd);
    return table;
}

const TCodePageTable& TableFor(UINT codePage) {
    static std::mutex lock;
    static std::map<UINT, std::unique_ptr<TCodePageTable>> tables;
    std::lock_guard<std::mutex> guard(lock);
    auto& table = tables[codePage];
    if (!table) {
        table = BuildTable(codePage);
    }
    return *table;
}

} // namespace

UINT CodePageOfCharset(BYTE charset) {
    // MAC_CHARSET has none: no face carries that set, so the system realises such a font in
    // its Western one and reads the text as 1252.
    switch (charset) {
    case SYMBOL_CHARSET:
        return kCodePageSymbol;
    case SHIFTJIS_CHARSET:
        return 932;
    case HANGUL_CHARSET:
        return 949;
    case JOHAB_CHARSET:
        return 1361;
    case GB2312_CHARSET:
        return 936;
    case CHINESEBIG5_CHARSET:
        return 950;
    case GREEK_CHARSET:
        return 1253;
    case TURKISH_CHARSET:
        return 1254;
    case VIETNAMESE_CHARSET:
        return 1258;
    case HEBREW_CHARSET:
        return 1255;
    case ARABIC_CHARSET:
        return 1256;
    case BALTIC_CHARSET:
        return 1257;
    case RUSSIAN_CHARSET:
        return 1251;
    case THAI_CHARSET:
        return 874;
    case EASTEUROPE_CHARSET:
        return 1250;
    case OEM_CHARSET:
        return 437;
    }
    return kCodePageAnsi;
}

bool IsDoubleByteCodePage(UINT codePage) {
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 ||
           codePage == 1361;
}

std::u16string MultiByteToUtf16(UINT codePage, const char* text, size_t count,
                                std::vector<size_t>* firstByte) {
    std::u16string out;
    if (firstByte != nullptr) {
        firstByte->clear();
    }
    if (text == nullptr || count == 0) {
        return out;
    }
    out.reserve(count);
    if (firstByte != nullptr) {
        firstByte->reserve(count);
    }
    auto bytes = reinterpret_cast<const unsigned char*>(text);
    if (codePage == kCodePageSymbol || codePage == kCodePageAnsi) {
        std::u16string converted =
            codePage == kCodePageAnsi ? AnsiToUtf16(text, count) : std::u16string();
        for (size_t i = 0; i < count; ++i) {
            out +=
                codePage == kCodePageAnsi ? converted[i] : static_cast<char16_t>(0xF000 + bytes[i]);
            if (firstByte != nullptr) {
                firstByte->push_back(i);
            }
        }
        return out;
    }
    const TCodePageTable& table = TableFor(codePage);
    for (size_t i = 0; i < count;) {
        const size_t start = i;
        const unsigned byte = bytes[i++];
        char16_t unit = table.single[byte];
        if (table.lead[byte]) {
            unit = kReplacement;
            // A trail byte below 0x40 is never part of the pair: it stays a character of its
            // own, so a damaged lead byte cannot swallow the control or digit after it.
            if (i < count && bytes[i] >= 0x40 && !table.pairs.empty()) {
                unit = table.pairs[byte << 8 | bytes[i]];
                ++i;
            }
        }
        out += unit;
        if (firstByte != nullptr) {
            firstByte->push_back(start);
        }
    }
    return out;
}

std::vector<INT> SpacingPerCharacter(const INT* dx, size_t byteCount,
                                     const std::vector<size_t>& firstByte, bool pdy) {
    std::vector<INT> spacing;
    if (dx == nullptr) {
        return spacing;
    }
    const size_t stride = pdy ? 2 : 1;
    spacing.reserve(firstByte.size() * stride);
    for (size_t i = 0; i < firstByte.size(); ++i) {
        const size_t begin = firstByte[i];
        const size_t end = i + 1 < firstByte.size() ? firstByte[i + 1] : byteCount;
        for (size_t axis = 0; axis < stride; ++axis) {
            long long sum = 0;
            for (size_t b = begin; b < end && b < byteCount; ++b) {
                sum += dx[b * stride + axis];
            }
            spacing.push_back(static_cast<INT>(std::clamp<long long>(sum, INT32_MIN, INT32_MAX)));
        }
    }
    return spacing;
}

} // namespace gdi
