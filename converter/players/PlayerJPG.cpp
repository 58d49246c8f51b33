#include "converter/players/PlayerJPG.h"

#include "converter/players/RasterDib.h"
#include "platform/WinBase.h"
#include "platform/WinUser.h"

#include <charconv>
#include <exception>

namespace {

// A signed decimal integer and nothing else.
bool ParseInteger(const std::string& text, int& value) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+')
        ++first;
    int parsed = 0;
    const auto [end, error] = std::from_chars(first, last, parsed);
    if (error != std::errc{} || end != last || first == last)
        return false;
    value = parsed;
    return true;
}

} // namespace

TPlayerJPG::TPlayerJPG(void* owner) : TPlayer(owner) {
    m_state.EncodedSize = 0;
}

bool TPlayerJPG::Paint(HDC dc, const TRect&, const PrepareCallback& onPrepare,
                       const DrawCallback& onDraw, const TRect& visibleRect, const PlayTransform&,
                       HRGN& paintedRegion) {
    return RasterPaint(*this, m_state, dc, onPrepare, onDraw, visibleRect, paintedRegion);
}

bool TPlayerJPG::Render(HDC dc, const TRect& fullRect, const PrepareCallback& onPrepare,
                        const DrawCallback& onDraw, const TRect& visibleRect) {
    if (!dc)
        return false;
    // FIXME: show the crBusyJPG cursor until the encoding is done, once cursors exist.
    const bool result =
        RasterRender(m_state, RenderWhole, dc, fullRect, onPrepare, onDraw, visibleRect);
    Encode();
    return result;
}

void TPlayerJPG::Encode() {
    if (m_state.Bitmap.Empty())
        return;
    try {
        m_jpeg.Compress(RasterToDib(m_state.Bitmap));
        m_state.EncodedSize = static_cast<std::int32_t>(m_jpeg.Stream().size());
        if (!DibToRaster(m_jpeg.Picture(), m_state.Bitmap))
            throw EJpegError("JPEG: no memory for the decoded picture");
    } catch (...) {
        // The previous picture must not be saved in place of the one that failed.
        m_jpeg.Clear();
        m_state.EncodedSize = -1;
        throw;
    }
}

bool TPlayerJPG::LoadFromFile(const std::string& fileName) {
    try {
        m_jpeg.LoadFromFile(fileName);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TPlayerJPG::SaveToFile(const std::string& fileName) {
    if (m_jpeg.IsEmpty())
        return false;
    try {
        m_jpeg.SaveToFile(tallyvane::path::ChangeFileExt(fileName, ".jpg"));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TPlayerJPG::SaveToBitmapFile(const std::string& fileName) {
    if (m_jpeg.IsEmpty())
        return false;
    try {
        Encode();
        return m_state.Bitmap.WriteBmpFile(tallyvane::path::ChangeFileExt(fileName, ".bmp"));
    } catch (const std::exception&) {
        return false;
    }
}

bool TPlayerJPG::LoadFromClipboard() {
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

bool TPlayerJPG::CopyToClipboard() {
    if (m_jpeg.IsEmpty())
        return false;
    try {
        TRasterBitmap decoded;
        if (!DibToRaster(m_jpeg.Picture(), decoded) || decoded.Empty() || !OpenClipboard(nullptr))
            return false;
        EmptyClipboard();
        // The clipboard stores the bitmap's bytes; the temporary bitmap is ours to free.
        const bool placed = SetClipboardData(CF_BITMAP, decoded.Handle()) != nullptr;
        CloseClipboard();
        return placed;
    } catch (const std::exception&) {
        return false;
    }
}

bool TPlayerJPG::LoadFromHandle(HGDIOBJ handle) {
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

bool TPlayerJPG::Clear() {
    FileName.clear();
    m_state.Bitmap.SetSize(1, 1);
    m_state.Window = m_state.FullRect = TRect{};
    m_state.BitmapWidth = m_state.BitmapHeight = 0;
    m_state.EncodedSize = -1;
    m_state.Partial = false;
    return true;
}

bool TPlayerJPG::SetOption(const std::string& name, const std::string& value) {
    if (name == "ProgressiveEncoding") {
        m_jpeg.Progressive = value == "TRUE";
        return true;
    }
    if (name == "CompressionQuality") {
        // Out-of-range values are kept; the encoder treats them as 1 or 100.
        return ParseInteger(value, m_jpeg.Quality);
    }
    if (name == "GrayScale") {
        m_jpeg.GrayScale = value == "TRUE";
        return true;
    }
    return false;
}

std::unique_ptr<TPlayer> TPlayerJPG::Clone() const {
    auto copy = std::make_unique<TPlayerJPG>(GetOwner());
    copy->FileName = FileName;
    return copy;
}
