// Converts arbitrary bytes as a Windows metafile into an enhanced one (with and without a
// picture description) and plays the result onto a small picture.
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "platform/TopDownDib.h"
#include "platform/WinMetafile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static HDC dc = nullptr;
    if (!dc) {
        dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info = TopDownDib32(64, 48);
        void* bits = nullptr;
        SelectObject(dc, CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    }
    const METAFILEPICT picture{MM_ANISOTROPIC, 2000, 1500, nullptr};
    for (const METAFILEPICT* mfp : {static_cast<const METAFILEPICT*>(nullptr), &picture}) {
        HENHMETAFILE emf = SetWinMetaFileBits(UINT(size), data, nullptr, mfp);
        if (!emf)
            return 0;
        RECT all{0, 0, 64, 48};
        PlayEnhMetaFile(dc, emf, &all);
        DeleteEnhMetaFile(emf);
    }
    return 0;
}
