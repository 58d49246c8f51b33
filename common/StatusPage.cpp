#include "common/StatusPage.h"

namespace {

constexpr int kDebugLeft = 10;
constexpr int kDebugTop = 10;
constexpr int kDebugRuleEnd = 650;

// Unicode code points of Windows-1252 bytes 0x80..0x9F; 0 marks the five unassigned bytes,
// which are shown as U+FFFD.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

void TStatusPage::AddText(int x, int y, COLORREF colour, std::string text) {
    TStatusItem item;
    item.x = x;
    item.y = y;
    item.defaultColour = false;
    item.colour = colour;
    item.text = std::move(text);
    m_items.push_back(std::move(item));
}

void TStatusPage::AddDefaultText(int x, int y, std::string text) {
    TStatusItem item;
    item.x = x;
    item.y = y;
    item.text = std::move(text);
    m_items.push_back(std::move(item));
}

void TStatusPage::AddRule(int x, int xEnd, int y) {
    TStatusItem item;
    item.kind = TStatusItem::Kind::Rule;
    item.x = x;
    item.xEnd = xEnd;
    item.y = y;
    m_items.push_back(std::move(item));
}

std::vector<std::string> TStatusPage::TextLines() const {
    std::vector<std::string> lines;
    for (const auto& item : m_items) {
        if (item.kind == TStatusItem::Kind::Text)
            lines.push_back(Cp1252ToUtf8(item.text));
    }
    return lines;
}

void TDebugLines::Line(COLORREF colour, std::string text) {
    m_page.AddText(kDebugLeft, kDebugTop + m_row * kStatusFontHeight, colour, std::move(text));
    ++m_row;
}

void TDebugLines::Text(COLORREF colour, std::string_view label, std::string_view value) {
    std::string text(label);
    text += value;
    text += ';';
    Line(colour, std::move(text));
}

void TDebugLines::Number(COLORREF colour, std::string_view label, long value) {
    Text(colour, label, std::to_string(value));
}

void TDebugLines::Rule() {
    m_page.AddRule(kDebugLeft, kDebugRuleEnd, kDebugTop + m_row * kStatusFontHeight);
}

TStatusPage VersionPage(const std::string& programText, bool withInfo,
                        const std::string& infoText) {
    TStatusPage page;
    int y = 30;
    if (withInfo) {
        page.AddDefaultText(20, y, infoText);
        y += 34;
    }
    page.AddText(20, y, kStatusRed, programText);
    y += 34;
    page.AddText(20, y, kStatusBlue, kIntegratedPartText);
    y += 51;
    page.AddText(20, y, kStatusRed, kMakerWebAddress);
    return page;
}

TStatusPlacement PlaceStatusWindow(int widthChars, int heightLines, int topLines, int charWidth,
                                   int screenWidth, int screenHeight) {
    TStatusPlacement placement;
    placement.width = widthChars * charWidth;
    placement.height = heightLines * kStatusFontHeight;
    placement.left = (screenWidth - widthChars * charWidth) / 2;
    placement.top = (screenHeight - topLines * kStatusFontHeight) / 2;
    return placement;
}

std::string Cp1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        auto byte = static_cast<unsigned char>(ch);
        char32_t c = byte;
        if (byte >= 0x80 && byte < 0xA0)
            c = kCp1252High[byte - 0x80] ? kCp1252High[byte - 0x80] : 0xFFFD;
        AppendUtf8(out, c);
    }
    return out;
}
