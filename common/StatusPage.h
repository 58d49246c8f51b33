// What the status window of the installer and the remover shows, and how it is drawn.
//
// A status page is a list of items in window pixels: texts placed by their top-left corner
// and horizontal rules one pixel high. The page is built from the program's state on every
// paint request and drawn through GDI with one font, bold Arial with a cell height of 17
// pixels, which is also the line height of the debug view. Texts are Windows-1252 strings;
// without a display the same page is printed as lines of UTF-8 text.
#pragma once

#include "platform/WinTypes.h"

#include <string>
#include <string_view>
#include <vector>

constexpr int kStatusFontHeight = 17;  // cell height of the status font, pixels
constexpr int kStatusFontWeight = 700; // bold
inline constexpr const char* kStatusFontFace = "Arial";

constexpr COLORREF kStatusRed = RGB(255, 0, 0);
constexpr COLORREF kStatusBlue = RGB(0, 0, 255);
constexpr COLORREF kStatusGrey = RGB(130, 130, 130);
constexpr COLORREF kStatusBlack = RGB(0, 0, 0);

// The maker's web address, shown in the version window and named in the installer's message.
inline constexpr const char* kMakerWebAddress = "http://www.orvan.com";
// "Integrated part of Tallyvane!(TM) v1.0.0" in Windows-1252.
inline constexpr const char* kIntegratedPartText = "Integrated part of Tallyvane!\x99 v1.0.0";

struct TStatusItem {
    enum class Kind { Text, Rule };
    Kind kind = Kind::Text;
    int x = 0;                 // left of the text, or first pixel of the rule
    int y = 0;                 // top of the text cell, or row of the rule
    int xEnd = 0;              // rule only: the line runs up to, not including, this column
    bool defaultColour = true; // text only: keep the device context's text colour
    COLORREF colour = 0;
    std::string text; // Windows-1252
};

class TStatusPage {
public:
    void AddText(int x, int y, COLORREF colour, std::string text);
    void AddDefaultText(int x, int y, std::string text);
    void AddRule(int x, int xEnd, int y);

    const std::vector<TStatusItem>& Items() const { return m_items; }
    // The texts in paint order, converted to UTF-8.
    std::vector<std::string> TextLines() const;

private:
    std::vector<TStatusItem> m_items;
};

// Builds the debug view: lines at x = 10 from y = 10, one font height apart.
class TDebugLines {
public:
    explicit TDebugLines(TStatusPage& page) : m_page(page) {}

    void Line(COLORREF colour, std::string text);
    void Text(COLORREF colour, std::string_view label, std::string_view value); // "%s%s;"
    void Number(COLORREF colour, std::string_view label, long value);           // "%s%d;"
    void Empty() { ++m_row; }
    // A rule from x 10 to 650 at the top of the next line to be written.
    void Rule();

private:
    TStatusPage& m_page;
    int m_row = 0;
};

// The version window: the program line in red, the product line in blue and the web address
// in red; with withInfo the line naming the log comes first, in the default text colour.
TStatusPage VersionPage(const std::string& programText, bool withInfo, const std::string& infoText);

// Where the status window goes: widthChars average character widths by heightLines font
// heights, centred on the screen with topLines font heights for the vertical centring
// (halves truncated toward zero).
struct TStatusPlacement {
    int left;
    int top;
    int width;
    int height;
};
TStatusPlacement PlaceStatusWindow(int widthChars, int heightLines, int topLines, int charWidth,
                                   int screenWidth, int screenHeight);

// The average character width of the status font on dc; the font is created, selected,
// measured and deleted again. Returns 0 when the font cannot be measured.
int StatusCharWidth(HDC dc);

// Draws every item of page on dc with the status font; the caller has cleared the background.
void PaintStatusPage(HDC dc, const TStatusPage& page);

std::string Cp1252ToUtf8(std::string_view text);
