// Drawing surfaces and the bitmap objects that own them.
#include "platform/gdi/Surface_p.h"

#include <new>

namespace gdi {

bool TSurface::Allocate(int width, int height, std::uint32_t fill) {
    m_storage.clear();
    m_bits = nullptr;
    m_stride = 0;
    m_width = 0;
    m_height = 0;
    if (width <= 0 || height <= 0 ||
        static_cast<std::int64_t>(width) * height > kMaxSurfacePixels) {
        return false;
    }
    try {
        m_storage.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_bits = reinterpret_cast<std::uint8_t*>(m_storage.data());
    m_stride = static_cast<std::ptrdiff_t>(width) * 4;
    m_width = width;
    m_height = height;
    return true;
}

void TSurface::Borrow(std::uint8_t* topRow, std::ptrdiff_t stride, int width, int height) {
    m_storage.clear();
    m_bits = topRow;
    m_stride = stride;
    m_width = width;
    m_height = height;
}

std::unique_ptr<TBitmap> MakeBitmap(int width, int height, bool monochrome) {
    auto bitmap = std::make_unique<TBitmap>();
    if (!bitmap->m_surface.Allocate(width, height, 0u)) {
        return nullptr;
    }
    bitmap->m_surface.m_monochrome = monochrome;
    bitmap->m_bitsPixel = monochrome ? 1 : 32;
    return bitmap;
}

TBitmap* GdiStockBitmap() {
    static TBitmap* stock = [] {
        std::unique_ptr<TBitmap> bitmap = MakeBitmap(1, 1, true);
        bitmap->m_stock = true;
        TBitmap* raw = bitmap.get();
        GdiAddObject(std::move(bitmap));
        return raw;
    }();
    return stock;
}

} // namespace gdi
