// A white 32-bpp DIB section in a memory DC with one font selected, for the text tests.
#pragma once

#include "platform/TopDownDib.h"
#include "platform/WinGdi.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tallyvane_test {

// Pixels are 0x00RRGGBB; Ink() is the box of pixels darker than mid grey.
class TTextCanvas {
public:
    TTextCanvas(int width, int height, LONG fontHeight = -20, const char16_t* face = u"Arial",
                BYTE charSet = DEFAULT_CHARSET)
        : m_width(width), m_height(height) {
        BITMAPINFO info = TopDownDib32(width, height);
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &m_bits, nullptr, 0);
        m_oldBitmap = SelectObject(m_dc, m_bitmap);
        Clear();
        LOGFONTW font{};
        font.lfHeight = fontHeight;
        font.lfWeight = FW_NORMAL;
        font.lfCharSet = charSet;
        std::u16string name(face);
        std::copy(name.begin(), name.end(), font.lfFaceName);
        m_font = CreateFontIndirectW(&font);
        m_oldFont = SelectObject(m_dc, m_font);
        SetBkMode(m_dc, TRANSPARENT);
    }
    ~TTextCanvas() {
        SelectObject(m_dc, m_oldFont);
        SelectObject(m_dc, m_oldBitmap);
        DeleteObject(m_font);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    TTextCanvas(const TTextCanvas&) = delete;
    TTextCanvas& operator=(const TTextCanvas&) = delete;

    HDC Dc() const { return m_dc; }
    void Clear() { std::memset(m_bits, 0xFF, static_cast<size_t>(m_width) * m_height * 4); }
    std::uint32_t Pixel(int x, int y) const {
        return static_cast<const std::uint32_t*>(m_bits)[y * m_width + x] & 0xFFFFFF;
    }
    bool Valid() const { return m_dc && m_bitmap && m_bits && m_font; }

    // Bounding box of pixels darker than mid grey; all zero when there are none.
    RECT Ink() const {
        RECT box{m_width, m_height, 0, 0};
        for (int y = 0; y < m_height; ++y) {
            for (int x = 0; x < m_width; ++x) {
                if ((Pixel(x, y) & 0xFF) < 128) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
            }
        }
        return box.right == 0 ? RECT{0, 0, 0, 0} : box;
    }
    int Count(std::uint32_t colour) const {
        int count = 0;
        for (int y = 0; y < m_height; ++y) {
            for (int x = 0; x < m_width; ++x) {
                count += Pixel(x, y) == colour ? 1 : 0;
            }
        }
        return count;
    }

    // Whether any channel of any pixel is darker than mid grey.
    bool Inked() const {
        auto* p = static_cast<const BYTE*>(m_bits);
        return std::any_of(p, p + size_t(m_width) * m_height * 4, [](BYTE b) { return b < 128; });
    }
    std::vector<BYTE> Pixels() const {
        auto* p = static_cast<const BYTE*>(m_bits);
        return {p, p + size_t(m_width) * m_height * 4};
    }

private:
    int m_width;
    int m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HFONT m_font = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    HGDIOBJ m_oldFont = nullptr;
    void* m_bits = nullptr;
};

} // namespace tallyvane_test
