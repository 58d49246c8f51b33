#include "platform/gdi/TextEncoding_p.h"

namespace gdi {

namespace {

// 0x80..0x9F of Windows-1252; zero marks the bytes the code page leaves undefined.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::u16string AnsiToUtf16(const char* text, size_t count) {
    std::u16string out;
    if (text == nullptr) {
        return out;
    }
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        char16_t unit = byte;
        if (byte >= 0x80 && byte < 0xA0 && kCp1252High[byte - 0x80] != 0) {
            unit = kCp1252High[byte - 0x80];
        }
        out += unit;
    }
    return out;
}

void Utf16ToCodePoints(const WCHAR* text, size_t count, std::vector<char32_t>& codePoints,
                       std::vector<size_t>* units) {
    codePoints.clear();
    if (units != nullptr) {
        units->clear();
    }
    if (text == nullptr) {
        return;
    }
    codePoints.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        char32_t c = text[i];
        size_t first = i;
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < count && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        codePoints.push_back(c);
        if (units != nullptr) {
            units->push_back(first);
        }
    }
}

std::string Utf16ToUtf8(const std::u16string& text) {
    std::vector<char32_t> codePoints;
    Utf16ToCodePoints(text.data(), text.size(), codePoints);
    std::string out;
    out.reserve(text.size());
    for (char32_t c : codePoints) {
        AppendUtf8(out, c);
    }
    return out;
}

std::u16string Utf8ToUtf16(const std::string& text) {
    std::u16string out;
    size_t i = 0;
    while (i < text.size()) {
        auto lead = static_cast<unsigned char>(text[i]);
        char32_t c = 0xFFFD;
        size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (lead >= 0x80 && lead < 0xC0) {
            length = 1;
        } else if (i + length <= text.size()) {
            c = length == 1   ? lead
                : length == 2 ? lead & 0x1F
                : length == 3 ? lead & 0x0F
                              : lead & 0x07;
            for (size_t k = 1; k < length; ++k) {
                c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
            }
        } else {
            length = text.size() - i;
        }
        i += length;
        if (c >= 0x10000 && c < 0x110000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c < 0x110000 ? c : 0xFFFD);
        }
    }
    return out;
}

std::u16string AsciiLower(std::u16string text) {
    for (auto& c : text) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return text;
}

} // namespace gdi
