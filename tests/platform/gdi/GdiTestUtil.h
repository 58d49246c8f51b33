// A small drawing surface for the GDI tests: a memory DC holding a white 32-bpp bitmap, with
// pixel queries in COLORREF terms.
#pragma once

#include "platform/WinGdi.h"
#include "platform/gdi/DeviceContext_p.h"

#include <string>

namespace gdi::test {

class TCanvas {
public:
    TCanvas(int width, int height) {
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = static_cast<HBITMAP>(GdiAddObject(MakeBitmap(width, height, false)));
        m_old = SelectObject(m_dc, m_bitmap);
        Clear(RGB(255, 255, 255));
    }
    ~TCanvas() {
        SelectObject(m_dc, m_old);
        DeleteDC(m_dc);
        DeleteObject(m_bitmap);
    }
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    HDC Dc() const { return m_dc; }
    TSurface& Surface() { return GdiLookupDC(m_dc)->Surface()[0]; }
    int Width() { return Surface().m_width; }
    int Height() { return Surface().m_height; }

    void Clear(COLORREF color) {
        TSurface& s = Surface();
        for (int y = 0; y < s.m_height; ++y) {
            for (int x = 0; x < s.m_width; ++x) {
                s.Set(x, y, ColorRefToPixel(color));
            }
        }
    }
    COLORREF At(int x, int y) { return PixelToColorRef(Surface().Get(x, y) & 0xFFFFFFu); }
    int Count(COLORREF color) {
        int n = 0;
        for (int y = 0; y < Height(); ++y) {
            for (int x = 0; x < Width(); ++x) {
                n += At(x, y) == color;
            }
        }
        return n;
    }
    // The bounding box of the pixels that are not `background` (exclusive).
    RECT Bounds(COLORREF background = RGB(255, 255, 255)) {
        RECT r{Width(), Height(), 0, 0};
        for (int y = 0; y < Height(); ++y) {
            for (int x = 0; x < Width(); ++x) {
                if (At(x, y) != background) {
                    r.left = std::min<LONG>(r.left, x);
                    r.top = std::min<LONG>(r.top, y);
                    r.right = std::max<LONG>(r.right, x + 1);
                    r.bottom = std::max<LONG>(r.bottom, y + 1);
                }
            }
        }
        return r;
    }
    // Rows of '#' (not background) and '.', for failure messages.
    std::string Picture(int x0, int y0, int x1, int y1, COLORREF background = RGB(255, 255, 255)) {
        std::string out;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                out += At(x, y) == background ? '.' : '#';
            }
            out += '\n';
        }
        return out;
    }

private:
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
};

inline bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

} // namespace gdi::test
