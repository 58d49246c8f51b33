#include "converter/players/PlayerBMP.h"

#include <exception>

#include "converter/players/ClipboardFormats.h"
#include "platform/WinBase.h"
#include "platform/WinUser.h"

TPlayerBMP::TPlayerBMP(void* owner) : TPlayer(owner) {
    m_state.EncodedSize = 0;
}

bool TPlayerBMP::Paint(HDC dc, const TRect&, const PrepareCallback& onPrepare,
                       const DrawCallback& onDraw, const TRect& visibleRect, const PlayTransform&,
                       HRGN& paintedRegion) {
    return RasterPaint(*this, m_state, dc, onPrepare, onDraw, visibleRect, paintedRegion);
}

bool TPlayerBMP::Render(HDC dc, const TRect& fullRect, const PrepareCallback& onPrepare,
                        const DrawCallback& onDraw, const TRect& visibleRect) {
    const bool result = RasterRender(m_state, RenderWhole, dc, fullRect, onPrepare, onDraw,
                                     visibleRect, &m_allocationFailed);
    if (dc && onDraw) {
        m_sizeValid = false;
    }
    return result;
}

bool TPlayerBMP::LoadFromFile(const std::string& fileName) {
    try {
        return m_state.Bitmap.ReadBmpFile(fileName);
    } catch (const std::exception&) {
        return false;
    }
}

bool TPlayerBMP::SaveToFile(const std::string& fileName) {
    if (m_state.Bitmap.Empty()) {
        return false;
    }
    try {
        return m_state.Bitmap.WriteBmpFile(tallyvane::path::ChangeFileExt(fileName, ".bmp"));
    } catch (const std::exception&) {
        return false;
    }
}

std::int32_t TPlayerBMP::GetEncodedSize() {
    if (!m_sizeValid) {
        if (m_state.Bitmap.Empty()) {
            return 0;
        }
        // The file image's size follows from the header and the padded rows alone.
        const std::uint64_t size = m_state.Bitmap.BmpFileSize();
        m_state.EncodedSize = size > 0x7FFFFFFF ? -1 : static_cast<std::int32_t>(size);
        m_sizeValid = true;
    }
    return m_state.EncodedSize;
}

bool TPlayerBMP::LoadFromClipboard() {
    return CopyClipboardBitmap(m_state.Bitmap);
}

bool TPlayerBMP::CopyToClipboard() {
    EnsurePlayerClipboardFormats();
    if (m_state.Bitmap.Empty() || !OpenClipboard(nullptr)) {
        return false;
    }
    EmptyClipboard();
    // The clipboard stores the bitmap's bytes; the player keeps its own handle.
    const bool placed = SetClipboardData(CF_BITMAP, m_state.Bitmap.Handle()) != nullptr;
    CloseClipboard();
    return placed;
}

bool TPlayerBMP::LoadFromHandle(HGDIOBJ handle) {
    if (!handle) {
        return false;
    }
    return m_state.Bitmap.TakeOver(static_cast<HBITMAP>(handle));
}

bool TPlayerBMP::Clear() {
    FileName.clear();
    m_state.Bitmap.SetSize(1, 1);
    m_state.Window = m_state.FullRect = TRect{};
    m_state.BitmapWidth = m_state.BitmapHeight = 0;
    m_state.EncodedSize = -1;
    m_sizeValid = true;
    m_state.Partial = false;
    return true;
}

std::unique_ptr<TPlayer> TPlayerBMP::Clone() const {
    auto copy = std::make_unique<TPlayerBMP>(GetOwner());
    copy->FileName = FileName;
    return copy;
}
