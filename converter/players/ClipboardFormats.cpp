#include "converter/players/ClipboardFormats.h"

#include <exception>
#include <mutex>

#include "converter/players/RasterBitmap.h"
#include "platform/WinMetafile.h"
#include "platform/WinUser.h"

namespace {

bool MetafileToBytes(HANDLE handle, std::vector<BYTE>& bytes) {
    HENHMETAFILE metafile = static_cast<HENHMETAFILE>(handle);
    const UINT size = GetEnhMetaFileBits(metafile, 0, nullptr);
    if (size == 0) {
        return false;
    }
    bytes.resize(size);
    return GetEnhMetaFileBits(metafile, size, bytes.data()) == size;
}

HANDLE MetafileFromBytes(const std::vector<BYTE>& bytes) {
    return SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
}

bool BitmapToBytes(HANDLE handle, std::vector<BYTE>& bytes) {
    TRasterBitmap borrowed;
    if (!borrowed.TakeOver(static_cast<HBITMAP>(handle))) {
        return false;
    }
    const bool encoded = borrowed.EncodeBmp(bytes);
    borrowed.Release();
    return encoded;
}

HANDLE BitmapFromBytes(const std::vector<BYTE>& bytes) {
    TRasterBitmap bitmap;
    if (!bitmap.DecodeBmp(bytes.data(), bytes.size())) {
        return nullptr;
    }
    return bitmap.Release();
}

} // namespace

void EnsurePlayerClipboardFormats() {
    static std::once_flag registered;
    std::call_once(registered, [] {
        tallyvane::user::RegisterClipboardHandleCodec(
            CF_ENHMETAFILE, MetafileToBytes, MetafileFromBytes,
            [](HANDLE handle) { DeleteEnhMetaFile(static_cast<HENHMETAFILE>(handle)); });
        tallyvane::user::RegisterClipboardHandleCodec(CF_BITMAP, BitmapToBytes, BitmapFromBytes,
                                                      [](HANDLE handle) { DeleteObject(handle); });
    });
}

bool CopyClipboardBitmap(TRasterBitmap& target) {
    EnsurePlayerClipboardFormats();
    if (!IsClipboardFormatAvailable(CF_BITMAP) || !OpenClipboard(nullptr)) {
        return false;
    }
    bool taken = false;
    try {
        TRasterBitmap borrowed;
        HBITMAP handle = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
        if (handle && borrowed.TakeOver(handle)) {
            HBITMAP copy = borrowed.CopyHandle();
            borrowed.Release();
            taken = copy && target.TakeOver(copy);
            if (copy && !taken) {
                DeleteObject(copy);
            }
        }
    } catch (const std::exception&) {
        taken = false;
    }
    CloseClipboard();
    return taken;
}
