// Drawing a status page through GDI.
#include "common/StatusPage.h"

#include "platform/WinGdi.h"

#include <cstring>

namespace {

// The status font: bold Arial with a 17-pixel cell, every other field left at 0.
HFONT CreateStatusFont() {
    LOGFONTA font;
    std::memset(&font, 0, sizeof font);
    font.lfHeight = kStatusFontHeight;
    font.lfWeight = kStatusFontWeight;
    std::strncpy(font.lfFaceName, kStatusFontFace, LF_FACESIZE - 1);
    return CreateFontIndirect(&font);
}

// Selects an object for the lifetime of the scope and puts the previous one back.
class TSelection {
public:
    TSelection(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(SelectObject(dc, object)) {}
    TSelection(const TSelection&) = delete;
    TSelection& operator=(const TSelection&) = delete;
    ~TSelection() {
        if (m_previous)
            SelectObject(m_dc, m_previous);
    }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

} // namespace

int StatusCharWidth(HDC dc) {
    HFONT font = CreateStatusFont();
    if (!font)
        return 0;
    TEXTMETRICA metrics{};
    BOOL measured = FALSE;
    {
        TSelection selected(dc, font);
        measured = GetTextMetrics(dc, &metrics);
    }
    DeleteObject(font);
    return measured ? metrics.tmAveCharWidth : 0;
}

void PaintStatusPage(HDC dc, const TStatusPage& page) {
    HFONT font = CreateStatusFont();
    {
        TSelection selected(dc, font);
        for (const auto& item : page.Items()) {
            if (item.kind == TStatusItem::Kind::Rule) {
                MoveToEx(dc, item.x, item.y, nullptr);
                LineTo(dc, item.xEnd, item.y);
                continue;
            }
            if (!item.defaultColour)
                SetTextColor(dc, item.colour);
            TextOut(dc, item.x, item.y, item.text.c_str(), static_cast<int>(item.text.size()));
        }
    }
    if (font)
        DeleteObject(font);
}
