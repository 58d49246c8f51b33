// Feeds arbitrary DIB headers, colour tables and pixel data to StretchDIBits and
// SetDIBitsToDevice, with the lengths a metafile record would give. Refusals are expected;
// reads past either span, crashes and sanitizer reports are not.
//
// Input: 12 bytes of call parameters, a 16-bit little-endian header length, the header and
// colour table, then the pixel data.
#include "platform/WinGdi.h"
#include "platform/gdi/StretchDib_p.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace {

// A 64 x 48 memory DC drawing on a 32-bpp DIB section, made once.
HDC Canvas() {
    static HDC dc = [] {
        HDC memory = CreateCompatibleDC(nullptr);
        BITMAPINFO info{};
        info.bmiHeader = BITMAPINFOHEADER{40, 64, -48, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        SelectObject(memory, CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        return memory;
    }();
    return dc;
}

int Signed(std::uint8_t v) {
    return static_cast<std::int8_t>(v);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 14)
        return 0;
    const std::uint8_t* p = data;
    const std::size_t infoSize = static_cast<std::size_t>(data[12] | (data[13] << 8));
    if (14 + infoSize > size)
        return 0;
    const std::span<const BYTE> info(data + 14, infoSize);
    const std::span<const BYTE> bits(data + 14 + infoSize, size - 14 - infoSize);
    const UINT usage = p[1] % 3;
    static const DWORD kRops[] = {SRCCOPY, SRCAND, PATCOPY, 0x00B8074A, NOTSRCCOPY};
    const DWORD rop = kRops[p[2] % 5];
    HDC dc = Canvas();
    SetStretchBltMode(dc, 1 + p[3] % 4);
    if (p[0] & 1) {
        gdi::StretchDIBitsChecked(dc, Signed(p[4]), Signed(p[5]), Signed(p[6]), Signed(p[7]),
                                  Signed(p[8]), Signed(p[9]), Signed(p[10]), Signed(p[11]), bits,
                                  info, usage, rop);
    } else {
        gdi::SetDIBitsToDeviceChecked(dc, Signed(p[4]), Signed(p[5]), p[6], p[7], Signed(p[8]),
                                      Signed(p[9]), p[10], p[11], bits, info, usage);
    }
    return 0;
}
