// Device-dependent bitmaps: CreateBitmap, CreateCompatibleBitmap, their bits and dimensions.
//
// A colour DDB has the display's depth, 32 bits per pixel, whatever depth CreateBitmap was
// asked for; GetObject still reports the depth asked for, and the bits CreateBitmap and
// SetBitmapBits take are read in that depth. A monochrome bitmap (one plane, one bit) keeps
// only black and white. DDB rows are padded to 16 bits, not 32 as in a DIB.
#include "platform/gdi/Bitmap_p.h"

#include <algorithm>
#include <cstring>

namespace gdi {
namespace {

std::size_t DdbStride(int width, int bitsPixel) {
    return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPixel) + 15) / 16) * 2;
}

bool IsDdbDepth(UINT bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Reads DDB rows of `bitsPixel` bits (16-bit padded, top row first) into the surface.
void ReadDdbRows(TBitmap& bitmap, const BYTE* bits, std::size_t size) {
    const int width = bitmap.Width();
    const std::size_t stride = DdbStride(width, bitmap.m_bitsPixel);
    const auto table = DefaultColorTable(bitmap.m_bitsPixel <= 8 ? bitmap.m_bitsPixel : 0);
    for (int y = 0; y < bitmap.Height() && (static_cast<std::size_t>(y) + 1) * stride <= size;
         ++y) {
        const BYTE* row = bits + static_cast<std::size_t>(y) * stride;
        std::uint32_t* out = bitmap.m_surface.Row(y);
        for (int x = 0; x < width; ++x) {
            std::uint32_t p = 0;
            switch (bitmap.m_bitsPixel) {
            case 1:
                p = (row[x >> 3] >> (7 - (x & 7))) & 1 ? 0xFFFFFF : 0;
                break;
            case 4:
                p = table[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F];
                break;
            case 8:
                p = table[row[x]];
                break;
            case 16: {
                const unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
                const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
                p = ((r << 3 | r >> 2) << 16) | ((g << 3 | g >> 2) << 8) | (b << 3 | b >> 2);
                break;
            }
            case 24:
                p = row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
                break;
            default:
                p = (row[4 * x] | (row[4 * x + 1] << 8) | (row[4 * x + 2] << 16)) & 0xFFFFFFu;
                break;
            }
            out[x] = p;
        }
    }
}

HBITMAP AddBitmap(std::unique_ptr<TBitmap> bitmap) {
    if (!bitmap) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return static_cast<HBITMAP>(GdiAddObject(std::move(bitmap)));
}

} // namespace

std::vector<std::uint32_t> PaletteColors(TDeviceContext& dc) {
    std::vector<std::uint32_t> colors;
    if (const TPalette* palette = dc.State().m_palette.Get()) {
        colors.reserve(palette->m_entries.size());
        for (const PALETTEENTRY& e : palette->m_entries)
            colors.push_back(static_cast<std::uint32_t>(e.peRed) << 16 |
                             static_cast<std::uint32_t>(e.peGreen) << 8 | e.peBlue);
    }
    return colors;
}

void RefreshBitmap(TBitmap& bitmap) {
    if (bitmap.m_beforeDraw)
        bitmap.m_beforeDraw(bitmap);
}

void CommitBitmap(TBitmap& bitmap) {
    if (bitmap.m_afterDraw)
        bitmap.m_afterDraw(bitmap);
}

TImage ReadSurfaceImage(TBitmap* bitmap, TSurface& surface, const RECT& rect) {
    if (bitmap != nullptr)
        RefreshBitmap(*bitmap);
    TImage image;
    const int width = std::max<LONG>(0, rect.right - rect.left);
    const int height = std::max<LONG>(0, rect.bottom - rect.top);
    image.Resize(width, height);
    const RECT inside{std::max<LONG>(rect.left, 0), std::max<LONG>(rect.top, 0),
                      std::min<LONG>(rect.right, surface.m_width),
                      std::min<LONG>(rect.bottom, surface.m_height)};
    const bool whole = inside.left == rect.left && inside.top == rect.top &&
                       inside.right == rect.right && inside.bottom == rect.bottom;
    if (!whole)
        image.defined.assign(image.pixels.size(), 0);
    for (int y = inside.top; y < inside.bottom; ++y) {
        const std::uint32_t* row = surface.Row(y);
        const std::size_t at = static_cast<std::size_t>(y - rect.top) * width +
                               static_cast<std::size_t>(inside.left - rect.left);
        if (inside.right > inside.left) {
            std::copy(row + inside.left, row + inside.right, image.pixels.begin() + at);
            if (!whole)
                std::fill_n(image.defined.begin() + at, inside.right - inside.left, 1);
        }
    }
    return image;
}

} // namespace gdi

using namespace gdi;

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
    if (width < 0 || height < 0 || planes != 1 || !IsDdbDepth(bitsPerPixel)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // A zero size gives the stock 1 x 1 monochrome bitmap, as on Windows.
    if (width == 0 || height == 0)
        return static_cast<HBITMAP>(GdiStockBitmap()->Handle());
    auto bitmap = MakeBitmap(width, height, bitsPerPixel == 1);
    if (!bitmap) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    bitmap->m_bitsPixel = static_cast<int>(bitsPerPixel);
    if (bits != nullptr)
        ReadDdbRows(*bitmap, static_cast<const BYTE*>(bits),
                    DdbStride(width, bitmap->m_bitsPixel) * static_cast<std::size_t>(height));
    return AddBitmap(std::move(bitmap));
}

HBITMAP CreateBitmapIndirect(const BITMAP* bitmap) {
    if (bitmap == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateBitmap(bitmap->bmWidth, bitmap->bmHeight, bitmap->bmPlanes, bitmap->bmBitsPixel,
                        bitmap->bmBits);
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (dc == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (width < 0 || height < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (width == 0 || height == 0)
        return static_cast<HBITMAP>(GdiStockBitmap()->Handle());
    // Compatible with a memory DC means the depth of the bitmap it holds: a fresh memory DC
    // holds the monochrome stock bitmap, so its compatible bitmaps are monochrome.
    bool monochrome = false;
    if (dc->m_kind == TDcKind::Memory)
        if (const TBitmap* selected = dc->State().m_bitmap.Get())
            monochrome = selected->IsMonochrome();
    return AddBitmap(MakeBitmap(width, height, monochrome));
}

HBITMAP CreateDiscardableBitmap(HDC dc, int width, int height) {
    return CreateCompatibleBitmap(dc, width, height);
}

LONG GetBitmapBits(HBITMAP handle, LONG size, LPVOID bits) {
    TBitmap* bitmap = GdiLookupBitmap(handle);
    if (bitmap == nullptr || size < 0)
        return 0;
    const std::size_t stride = DdbStride(bitmap->Width(), bitmap->IsMonochrome() ? 1 : 32);
    const std::size_t total = stride * static_cast<std::size_t>(bitmap->Height());
    if (bits == nullptr)
        return static_cast<LONG>(total);
    RefreshBitmap(*bitmap);
    auto* out = static_cast<BYTE*>(bits);
    const std::size_t wanted = std::min<std::size_t>(static_cast<std::size_t>(size), total);
    std::memset(out, 0, wanted);
    for (int y = 0; y < bitmap->Height(); ++y) {
        const std::size_t rowAt = static_cast<std::size_t>(y) * stride;
        if (rowAt >= wanted)
            break;
        const std::uint32_t* row = bitmap->m_surface.Row(y);
        for (int x = 0; x < bitmap->Width(); ++x) {
            if (bitmap->IsMonochrome()) {
                const std::size_t at = rowAt + static_cast<std::size_t>(x >> 3);
                if (at < wanted && (row[x] & 0xFFFFFF) != 0)
                    out[at] = static_cast<BYTE>(out[at] | (0x80 >> (x & 7)));
            } else {
                for (int b = 0; b < 4; ++b) {
                    const std::size_t at = rowAt + 4 * static_cast<std::size_t>(x) + b;
                    if (at < wanted)
                        out[at] = static_cast<BYTE>((row[x] >> (8 * b)) & (b == 3 ? 0 : 0xFF));
                }
            }
        }
    }
    return static_cast<LONG>(wanted);
}

LONG SetBitmapBits(HBITMAP handle, DWORD size, const void* bits) {
    TBitmap* bitmap = GdiLookupBitmap(handle);
    if (bitmap == nullptr || bits == nullptr || bitmap->IsStock())
        return 0;
    const int depth = bitmap->IsMonochrome() ? 1 : 32;
    const std::size_t stride = DdbStride(bitmap->Width(), depth);
    const std::size_t total = stride * static_cast<std::size_t>(bitmap->Height());
    const std::size_t used = std::min<std::size_t>(size, total);
    RefreshBitmap(*bitmap);
    const int saved = bitmap->m_bitsPixel;
    bitmap->m_bitsPixel = depth;
    ReadDdbRows(*bitmap, static_cast<const BYTE*>(bits), used);
    bitmap->m_bitsPixel = saved;
    CommitBitmap(*bitmap);
    return static_cast<LONG>(used);
}

BOOL GetBitmapDimensionEx(HBITMAP handle, LPSIZE size) {
    TBitmap* bitmap = GdiLookupBitmap(handle);
    if (bitmap == nullptr || size == nullptr)
        return FALSE;
    *size = bitmap->m_dimension;
    return TRUE;
}

BOOL SetBitmapDimensionEx(HBITMAP handle, int width, int height, LPSIZE previous) {
    TBitmap* bitmap = GdiLookupBitmap(handle);
    if (bitmap == nullptr)
        return FALSE;
    if (previous != nullptr)
        *previous = bitmap->m_dimension;
    bitmap->m_dimension = SIZE{width, height};
    return TRUE;
}
