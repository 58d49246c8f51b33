#include "converter/players/PlayerGIF.h"

#include "converter/players/RasterDib.h"
#include "platform/WinBase.h"
#include "platform/WinUser.h"

#include <exception>
#include <stdexcept>

TPlayerGIF::TPlayerGIF(void* owner) : TPlayer(owner) {
    m_state.EncodedSize = 0;
}

bool TPlayerGIF::Paint(HDC dc, const TRect&, const PrepareCallback& onPrepare,
                       const DrawCallback& onDraw, const TRect& visibleRect, const PlayTransform&,
                       HRGN& paintedRegion) {
    return RasterPaint(*this, m_state, dc, onPrepare, onDraw, visibleRect, paintedRegion);
}

bool TPlayerGIF::Render(HDC dc, const TRect& fullRect, const PrepareCallback& onPrepare,
                        const DrawCallback& onDraw, const TRect& visibleRect) {
    if (!dc)
        return false;
    // FIXME: show the crBusyGIF cursor until the encoding is done, once cursors exist.
    const bool result =
        RasterRender(m_state, RenderWhole, dc, fullRect, onPrepare, onDraw, visibleRect);
    Encode();
    return result;
}

void TPlayerGIF::Encode() {
    if (m_state.Bitmap.Empty())
        return;
    try {
        m_gif.SetFromBitmap(RasterToDib(m_state.Bitmap));
        m_gif.EncodePendingFrames(true);
        const std::vector<std::uint8_t> stream = m_gif.SaveGIF(false);
        m_state.EncodedSize = static_cast<std::int32_t>(stream.size());
        m_gif.LoadGIF(stream.data(), stream.size(), true);
        const TDibImage* picture = m_gif.Picture();
        if (picture == nullptr || !DibToRaster(*picture, m_state.Bitmap))
            throw std::runtime_error("GIF: no memory for the reduced picture");
    } catch (...) {
        // The previous picture must not be saved in place of the one that failed.
        m_gif.ResetImage();
        m_state.EncodedSize = -1;
        throw;
    }
}

bool TPlayerGIF::LoadFromFile(const std::string& fileName) {
    try {
        m_gif.LoadGIFFile(fileName);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TPlayerGIF::SaveToFile(const std::string& fileName) {
    try {
        if (m_gif.IsEmpty())
            return false;
        m_gif.SaveGIFFile(tallyvane::path::ChangeFileExt(fileName, ".gif"));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TPlayerGIF::SaveToBitmapFile(const std::string& fileName) {
    try {
        if (m_gif.IsEmpty())
            return false;
        Encode();
        return m_state.Bitmap.WriteBmpFile(tallyvane::path::ChangeFileExt(fileName, ".bmp"));
    } catch (const std::exception&) {
        return false;
    }
}

bool TPlayerGIF::LoadFromClipboard() {
    if (!IsClipboardFormatAvailable(CF_BITMAP) || !OpenClipboard(nullptr))
        return false;
    bool taken = false;
    try {
        // The clipboard's handle stays the clipboard's; the player takes a copy.
        TRasterBitmap borrowed;
        HBITMAP handle = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
        if (handle && borrowed.TakeOver(handle)) {
            HBITMAP copy = borrowed.CopyHandle();
            borrowed.Release();
            taken = copy && m_state.Bitmap.TakeOver(copy);
            if (copy && !taken)
                DeleteObject(copy);
        }
    } catch (const std::exception&) {
        taken = false;
    }
    CloseClipboard();
    if (!taken)
        return false;
    try {
        Encode();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TPlayerGIF::CopyToClipboard() {
    try {
        if (m_gif.IsEmpty())
            return false;
        // Asked while the clipboard is still closed, the GIF data do not reach it: the
        // clipboard ends up holding the picture as a bitmap only.
        const TGifClipboardData data = m_gif.ExportToClipboard();
        if (!data.Bitmap)
            return false;
        TRasterBitmap picture;
        if (!DibToRaster(*data.Bitmap, picture) || picture.Empty() || !OpenClipboard(nullptr))
            return false;
        EmptyClipboard();
        const bool placed = SetClipboardData(CF_BITMAP, picture.Handle()) != nullptr;
        CloseClipboard();
        return placed;
    } catch (const std::exception&) {
        return false;
    }
}

bool TPlayerGIF::LoadFromHandle(HGDIOBJ handle) {
    if (!handle)
        return false;
    try {
        if (!m_state.Bitmap.TakeOver(static_cast<HBITMAP>(handle)))
            return false;
        Encode();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TPlayerGIF::Clear() {
    FileName.clear();
    m_state.Bitmap.SetSize(1, 1);
    m_state.Window = m_state.FullRect = TRect{};
    m_state.BitmapWidth = m_state.BitmapHeight = 0;
    m_state.EncodedSize = -1;
    GrayScale = false;
    m_state.Partial = false;
    return true;
}

bool TPlayerGIF::SetOption(const std::string& name, const std::string& value) {
    if (name != "GrayScale")
        return false;
    GrayScale = value == "TRUE";
    return true;
}

std::unique_ptr<TPlayer> TPlayerGIF::Clone() const {
    auto copy = std::make_unique<TPlayerGIF>(GetOwner());
    copy->FileName = FileName;
    return copy;
}
