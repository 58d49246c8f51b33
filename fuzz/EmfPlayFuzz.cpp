// Plays arbitrary bytes as an enhanced metafile onto a small picture, and walks them without
// a DC; nothing may read outside the input or allocate without bound.
#include <cstddef>
#include <cstdint>

#include "platform/TopDownDib.h"
#include "platform/WinMetafile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    HENHMETAFILE emf = SetEnhMetaFileBits(UINT(size), data);
    if (!emf)
        return 0;
    static HDC dc = nullptr;
    if (!dc) {
        dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info = TopDownDib32(64, 48);
        void* bits = nullptr;
        SelectObject(dc, CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    }
    RECT all{0, 0, 64, 48};
    PlayEnhMetaFile(dc, emf, &all);
    EnumEnhMetaFile(
        nullptr, emf, [](HDC, HANDLETABLE*, const ENHMETARECORD*, int, LPARAM) { return 1; },
        nullptr, nullptr);
    DeleteEnhMetaFile(emf);
    return 0;
}
