#include "MetafileTestUtil.h"
#include "platform/TopDownDib.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tallyvane::metafile::test {

TCanvas::TCanvas(int width, int height) : m_width(width), m_height(height) {
    m_dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = TopDownDib32(width, height);
    void* bits = nullptr;
    m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_bits = static_cast<const std::uint8_t*>(bits);
    m_old = SelectObject(m_dc, m_bitmap);
    RECT all{0, 0, width, height};
    FillRect(m_dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

TCanvas::~TCanvas() {
    SelectObject(m_dc, m_old);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
}

std::uint32_t TCanvas::pixel(int x, int y) const {
    GdiFlush();
    const std::uint8_t* p = m_bits + (size_t(y) * size_t(m_width) + size_t(x)) * 4;
    return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

std::vector<std::uint8_t> TCanvas::rgb() const {
    GdiFlush();
    std::vector<std::uint8_t> out(size_t(m_width) * size_t(m_height) * 3);
    for (size_t i = 0; i < size_t(m_width) * size_t(m_height); ++i) {
        out[i * 3] = m_bits[i * 4 + 2];
        out[i * 3 + 1] = m_bits[i * 4 + 1];
        out[i * 3 + 2] = m_bits[i * 4];
    }
    return out;
}

bool ReadPng(const std::string& path, TImage& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
        return false;
    png.format = PNG_FORMAT_RGB;
    image.width = int(png.width);
    image.height = int(png.height);
    image.rgb.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr)) {
        png_image_free(&png);
        return false;
    }
    return true;
}

double PercentOff(const TImage& a, const TImage& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size() || a.rgb.empty())
        return 100.0;
    size_t off = 0;
    const size_t pixels = size_t(a.width) * size_t(a.height);
    for (size_t i = 0; i < pixels; ++i) {
        for (int c = 0; c < 3; ++c) {
            if (std::abs(int(a.rgb[i * 3 + c]) - int(b.rgb[i * 3 + c])) > 32) {
                ++off;
                break;
            }
        }
    }
    return 100.0 * double(off) / double(pixels);
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    std::uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(file);
    return bytes;
}

HENHMETAFILE OpenAsEnhanced(const std::vector<std::uint8_t>& bytes) {
    auto le32 = [&](size_t at) -> DWORD {
        if (at + 4 > bytes.size())
            return 0;
        DWORD v;
        std::memcpy(&v, bytes.data() + at, 4);
        return v;
    };
    auto le16 = [&](size_t at) -> SHORT {
        if (at + 2 > bytes.size())
            return 0;
        SHORT v;
        std::memcpy(&v, bytes.data() + at, 2);
        return v;
    };
    if (bytes.empty())
        return nullptr;
    if (le32(0) == EMR_HEADER && le32(40) == ENHMETA_SIGNATURE)
        return SetEnhMetaFileBits(UINT(bytes.size()), bytes.data());
    if (le32(0) == META_PLACEABLE_KEY && bytes.size() > 22) {
        int inch = WORD(le16(14));
        if (!inch)
            inch = 1440;
        METAFILEPICT picture{
            MM_ANISOTROPIC, LONG(std::lround(std::abs(le16(10) - le16(6)) * 2540.0 / inch)),
            LONG(std::lround(std::abs(le16(12) - le16(8)) * 2540.0 / inch)), nullptr};
        return SetWinMetaFileBits(UINT(bytes.size() - 22), bytes.data() + 22, nullptr, &picture);
    }
    return SetWinMetaFileBits(UINT(bytes.size()), bytes.data(), nullptr, nullptr);
}

void DefaultSize(HENHMETAFILE emf, int& width, int& height) {
    ENHMETAHEADER h{};
    GetEnhMetaFileHeader(emf, sizeof h, &h);
    double w, hh;
    if (h.szlMillimeters.cx > 0 && h.szlMillimeters.cy > 0) {
        w = (double(h.rclFrame.right) - h.rclFrame.left) / 100.0 * h.szlDevice.cx /
            h.szlMillimeters.cx;
        hh = (double(h.rclFrame.bottom) - h.rclFrame.top) / 100.0 * h.szlDevice.cy /
             h.szlMillimeters.cy;
    } else {
        w = double(h.rclBounds.right) - h.rclBounds.left + 1;
        hh = double(h.rclBounds.bottom) - h.rclBounds.top + 1;
    }
    w = std::fabs(w);
    hh = std::fabs(hh);
    if (w > 2000 || hh > 2000) {
        const double s = 2000 / std::max(w, hh);
        w *= s;
        hh *= s;
    }
    width = std::max(1, int(std::lround(w)));
    height = std::max(1, int(std::lround(hh)));
}

} // namespace tallyvane::metafile::test
