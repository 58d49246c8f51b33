// A .bmp file is a 14-byte BITMAPFILEHEADER, a DIB header (12 to 124 bytes), an optional colour
// table or bit masks, then the rows, each padded to 4 bytes, bottom row first unless the
// height is negative. Files are written in the plainest form every reader accepts: a 40-byte
// BITMAPINFOHEADER and 24-bit BI_RGB rows, bottom-up. Reading checks every size and offset
// against the file before GDI sees the data.
#include "converter/players/RasterBitmap.h"
#include "platform/TopDownDib.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

constexpr std::uint64_t kMaxBitmapBytes = 0x7FFFFFFFull; // what one DIB section may hold
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
// Rows are converted into a band of about this many bytes at a time. A small band comes from
// heap memory the process has already touched; a picture-sized one would be fresh pages that the
// kernel clears before the conversion writes them, at more cost than the conversion itself.
constexpr std::size_t kBandBytes = std::size_t(64) << 10;

std::uint32_t Load32(const BYTE* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t Load16(const BYTE* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
void Store32(BYTE* p, std::uint32_t v) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
    p[2] = static_cast<BYTE>(v >> 16);
    p[3] = static_cast<BYTE>(v >> 24);
}
void Store16(BYTE* p, std::uint16_t v) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}

std::uint64_t Row24Bytes(std::int32_t width) {
    return (static_cast<std::uint64_t>(width) * 3 + 3) & ~std::uint64_t{3};
}

// One row of B, G, R, unused quadruples as a .bmp row of B, G, R triples with its padding
// zeroed. Four pixels at a time go out as three 32-bit words; the rest byte by byte.
void PackRow24(const BYTE* in, BYTE* out, std::int32_t width, std::size_t rowBytes) {
    static_assert(std::endian::native == std::endian::little, "pixels are read as words");
    std::int32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        std::uint32_t p[4];
        std::memcpy(p, in + 4 * static_cast<std::size_t>(x), sizeof p);
        const std::uint32_t first = (p[0] & 0xFFFFFF) | p[1] << 24;
        const std::uint32_t second = (p[1] >> 8 & 0xFFFF) | p[2] << 16;
        const std::uint32_t third = (p[2] >> 16 & 0xFF) | p[3] << 8;
        BYTE* at = out + 3 * static_cast<std::size_t>(x);
        std::memcpy(at, &first, 4);
        std::memcpy(at + 4, &second, 4);
        std::memcpy(at + 8, &third, 4);
    }
    for (; x < width; ++x) {
        out[3 * x + 0] = in[4 * x + 0];
        out[3 * x + 1] = in[4 * x + 1];
        out[3 * x + 2] = in[4 * x + 2];
    }
    std::memset(out + 3 * static_cast<std::size_t>(width), 0,
                rowBytes - 3 * static_cast<std::size_t>(width));
}

} // namespace

TRasterBitmap::~TRasterBitmap() {
    Reset();
}

void TRasterBitmap::Reset() {
    if (m_handle) {
        DeleteObject(m_handle);
    }
    m_handle = nullptr;
    m_bits = nullptr;
    m_width = m_height = 0;
}

HBITMAP TRasterBitmap::Release() {
    HBITMAP handle = m_handle;
    m_handle = nullptr;
    m_bits = nullptr;
    m_width = m_height = 0;
    return handle;
}

bool TRasterBitmap::SetSize(std::int32_t width, std::int32_t height) {
    Reset();
    if (width <= 0 || height <= 0) {
        return true;
    }
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 4 >
        kMaxBitmapBytes) {
        return false;
    }
    const BITMAPINFO info = TopDownDib32(width, height);
    void* bits = nullptr;
    HBITMAP handle = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!handle || !bits) {
        if (handle) {
            DeleteObject(handle);
        }
        return false;
    }
    m_handle = handle;
    m_bits = static_cast<BYTE*>(bits);
    m_width = width;
    m_height = height;
    return true;
}

bool TRasterBitmap::TakeOver(HBITMAP handle) {
    if (!handle || GetObjectType(handle) != OBJ_BITMAP) {
        return false;
    }
    BITMAP info{};
    if (GetObject(handle, sizeof info, &info) == 0 || info.bmWidth <= 0 || info.bmHeight <= 0) {
        return false;
    }
    Reset();
    m_handle = handle;
    m_width = info.bmWidth;
    m_height = info.bmHeight;
    DIBSECTION section{};
    if (info.bmBits && info.bmBitsPixel == 32 &&
        GetObject(handle, sizeof section, &section) == static_cast<int>(sizeof section) &&
        section.dsBmih.biHeight < 0) {
        m_bits = static_cast<BYTE*>(info.bmBits);
    }
    return true;
}

bool TRasterBitmap::MakeDIB() {
    if (m_bits || !m_handle) {
        return m_bits != nullptr;
    }
    BITMAPINFO info = TopDownDib32(m_width, m_height);
    void* bits = nullptr;
    HBITMAP converted = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!converted || !bits) {
        if (converted) {
            DeleteObject(converted);
        }
        return false;
    }
    HDC screen = CreateCompatibleDC(nullptr);
    const int lines =
        GetDIBits(screen, m_handle, 0, static_cast<UINT>(m_height), bits, &info, DIB_RGB_COLORS);
    DeleteDC(screen);
    if (lines != m_height) {
        DeleteObject(converted);
        return false;
    }
    const std::int32_t width = m_width, height = m_height;
    Reset();
    m_handle = converted;
    m_bits = static_cast<BYTE*>(bits);
    m_width = width;
    m_height = height;
    return true;
}

HBITMAP TRasterBitmap::CopyHandle() const {
    if (!m_handle) {
        return nullptr;
    }
    TRasterBitmap copy;
    if (!copy.SetSize(m_width, m_height)) {
        return nullptr;
    }
    if (m_bits) {
        std::memcpy(copy.m_bits, m_bits, static_cast<std::size_t>(Stride()) * m_height);
    } else {
        BITMAPINFO info = TopDownDib32(m_width, m_height);
        HDC screen = CreateCompatibleDC(nullptr);
        GetDIBits(screen, m_handle, 0, static_cast<UINT>(m_height), copy.m_bits, &info,
                  DIB_RGB_COLORS);
        DeleteDC(screen);
    }
    return copy.Release();
}

std::uint64_t TRasterBitmap::BmpFileSize() const {
    if (!m_handle) {
        return 0;
    }
    return kFileHeaderSize + kInfoHeaderSize + Row24Bytes(m_width) * m_height;
}

template <typename Sink> bool TRasterBitmap::EmitBmp(Sink&& sink) const {
    if (!m_handle) {
        return false;
    }
    const std::uint64_t fileSize = BmpFileSize();
    if (fileSize > 0xFFFFFFFFull) {
        return false;
    }
    BYTE header[kFileHeaderSize + kInfoHeaderSize] = {};
    // BITMAPFILEHEADER
    header[0] = 'B';
    header[1] = 'M';
    Store32(header + 2, static_cast<std::uint32_t>(fileSize));
    Store32(header + 10, kFileHeaderSize + kInfoHeaderSize);
    // BITMAPINFOHEADER
    BYTE* info = header + kFileHeaderSize;
    Store32(info + 0, kInfoHeaderSize);
    Store32(info + 4, static_cast<std::uint32_t>(m_width));
    Store32(info + 8, static_cast<std::uint32_t>(m_height));
    Store16(info + 12, 1);
    Store16(info + 14, 24);
    Store32(info + 16, BI_RGB);
    Store32(info + 20, static_cast<std::uint32_t>(Row24Bytes(m_width) * m_height));
    Store32(info + 24, 3780); // 96 dpi in pixels per metre
    Store32(info + 28, 3780);
    if (!sink(header, sizeof header)) {
        return false;
    }

    // The rows in the file's order, bottom row first: the DIB section's own rows read upward,
    // or for a bitmap that is no DIB section a bottom-up copy that GDI makes of the whole
    // bitmap at once. Read band by band, GDI would align each band's DIB with the bitmap's
    // bottom and redo the whole bitmap for every band.
    const BYTE* bottomRow =
        m_bits ? m_bits + static_cast<std::size_t>(m_height - 1) * Stride() : nullptr;
    std::ptrdiff_t rowStep = -static_cast<std::ptrdiff_t>(Stride());
    std::vector<BYTE> copy;
    if (!m_bits) {
        copy.resize(static_cast<std::size_t>(Stride()) * static_cast<std::size_t>(m_height));
        BITMAPINFO bottomUp = TopDownDib32(m_width, m_height);
        bottomUp.bmiHeader.biHeight = m_height;
        HDC screen = CreateCompatibleDC(nullptr);
        const int lines = GetDIBits(screen, m_handle, 0, static_cast<UINT>(m_height), copy.data(),
                                    &bottomUp, DIB_RGB_COLORS);
        DeleteDC(screen);
        if (lines != m_height) {
            return false;
        }
        bottomRow = copy.data();
        rowStep = Stride();
    }

    const std::size_t rowBytes = static_cast<std::size_t>(Row24Bytes(m_width));
    const std::int32_t bandRows = static_cast<std::int32_t>(
        std::clamp<std::size_t>(kBandBytes / rowBytes, 1, static_cast<std::size_t>(m_height)));
    std::unique_ptr<BYTE[]> band(new BYTE[rowBytes * static_cast<std::size_t>(bandRows)]);
    for (std::int32_t done = 0; done < m_height;) {
        const std::int32_t rows = std::min(bandRows, m_height - done);
        for (std::int32_t r = 0; r < rows; ++r, ++done) {
            PackRow24(bottomRow + done * rowStep,
                      band.get() + static_cast<std::size_t>(r) * rowBytes, m_width, rowBytes);
        }
        if (!sink(band.get(), rowBytes * static_cast<std::size_t>(rows))) {
            return false;
        }
    }
    return true;
}

bool TRasterBitmap::EncodeBmp(std::vector<BYTE>& out) const {
    out.clear();
    try {
        out.reserve(static_cast<std::size_t>(BmpFileSize()));
        return EmitBmp([&out](const BYTE* data, std::size_t size) {
            out.insert(out.end(), data, data + size);
            return true;
        });
    } catch (const std::bad_alloc&) {
        out.clear();
        return false;
    }
}

bool TRasterBitmap::WriteBmpFile(const std::string& path) const {
    if (!m_handle) {
        return false;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        return false;
    }
    const bool written = EmitBmp([&file](const BYTE* data, std::size_t size) {
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        return static_cast<bool>(file);
    });
    file.close();
    if (!written || !file) {
        std::remove(path.c_str());
        return false;
    }
    return true;
}

bool TRasterBitmap::DecodeBmp(const BYTE* data, std::size_t size) {
    if (!data || size < kFileHeaderSize + 12 || data[0] != 'B' || data[1] != 'M') {
        return false;
    }
    const std::uint32_t bitsOffset = Load32(data + 10);
    const BYTE* dib = data + kFileHeaderSize;
    const std::size_t dibSpace = size - kFileHeaderSize;
    const std::uint32_t headerSize = Load32(dib);
    if (headerSize < 12 || headerSize > dibSpace || bitsOffset > size ||
        bitsOffset < kFileHeaderSize + headerSize) {
        return false;
    }
    std::int64_t width = 0, height = 0;
    std::uint32_t bitCount = 0, compression = BI_RGB, colorsUsed = 0;
    std::size_t entrySize = 4;
    if (headerSize == 12) {
        width = Load16(dib + 4);
        height = static_cast<std::int16_t>(Load16(dib + 6));
        bitCount = Load16(dib + 10);
        entrySize = 3;
    } else if (headerSize >= kInfoHeaderSize) {
        width = static_cast<std::int32_t>(Load32(dib + 4));
        height = static_cast<std::int32_t>(Load32(dib + 8));
        bitCount = Load16(dib + 14);
        compression = Load32(dib + 16);
        colorsUsed = Load32(dib + 32);
    } else {
        return false;
    }
    const std::int64_t rows = height < 0 ? -height : height;
    if (width <= 0 || rows <= 0 || width > 0x7FFFFFFF || rows > 0x7FFFFFFF) {
        return false;
    }
    if (compression != BI_RGB && compression != BI_BITFIELDS) {
        return false; // run-length data carries no length GDI could check against
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32) {
        return false;
    }
    // Colour table (or the three masks) between the header and the bits.
    std::uint64_t tableEntries = 0;
    if (bitCount <= 8) {
        tableEntries = colorsUsed ? colorsUsed : (1u << bitCount);
        if (tableEntries > (1u << bitCount)) {
            return false;
        }
    }
    std::uint64_t tableBytes = tableEntries * entrySize;
    if (compression == BI_BITFIELDS && headerSize == kInfoHeaderSize) {
        tableBytes = 12;
    }
    if (kFileHeaderSize + headerSize + tableBytes > size) {
        return false;
    }
    const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bitCount + 31) / 32) * 4;
    if (stride * rows > size - bitsOffset) {
        return false;
    }
    if (!SetSize(static_cast<std::int32_t>(width), static_cast<std::int32_t>(rows))) {
        return false;
    }
    // GDI reads the header as a structure: hand it an aligned copy.
    std::vector<BYTE> info(dib, dib + headerSize + tableBytes);
    info.resize(std::max<std::size_t>(info.size(), sizeof(BITMAPINFO)), 0);
    HDC screen = CreateCompatibleDC(nullptr);
    const int lines = SetDIBits(screen, m_handle, 0, static_cast<UINT>(rows), data + bitsOffset,
                                reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
    DeleteDC(screen);
    if (lines != rows) {
        Reset();
        return false;
    }
    return true;
}

bool TRasterBitmap::ReadBmpFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    std::vector<BYTE> data((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    return DecodeBmp(data.data(), data.size());
}
