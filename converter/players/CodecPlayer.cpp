// Every operation but Render turns a codec's exception into false: the players are the one place
// where exceptions end.
#include "converter/players/CodecPlayer.h"

#include <exception>

#include "converter/players/ClipboardFormats.h"
#include "converter/players/RasterDib.h"
#include "platform/WinBase.h"
#include "platform/WinUser.h"

TCodecPlayer::TCodecPlayer(void* owner, const char* extension)
    : TPlayer(owner), m_extension(extension) {
    m_state.EncodedSize = 0;
}

bool TCodecPlayer::Paint(HDC dc, const TRect&, const PrepareCallback& onPrepare,
                         const DrawCallback& onDraw, const TRect& visibleRect, const PlayTransform&,
                         HRGN& paintedRegion) {
    return RasterPaint(*this, m_state, dc, onPrepare, onDraw, visibleRect, paintedRegion);
}

bool TCodecPlayer::Render(HDC dc, const TRect& fullRect, const PrepareCallback& onPrepare,
                          const DrawCallback& onDraw, const TRect& visibleRect) {
    if (!dc) {
        return false;
    }
    // The busy cursor is the preview window's business (it wraps this call): the players also
    // run in headless jobs, where there is no cursor to set.
    // A render without a drawing still encodes the bitmap it sized.
    const bool result =
        RasterRender(m_state, RenderWhole, dc, fullRect, onPrepare, onDraw, visibleRect);
    Encode();
    return result;
}

void TCodecPlayer::Encode() {
    if (m_state.Bitmap.Empty()) {
        return;
    }
    try {
        m_state.EncodedSize = EncodePicture(RasterToDib(m_state.Bitmap), m_state.Bitmap);
    } catch (...) {
        ResetCodec();
        m_state.EncodedSize = -1;
        throw;
    }
}

bool TCodecPlayer::LoadFromFile(const std::string& fileName) {
    try {
        ReadCodedFile(fileName);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TCodecPlayer::SaveToFile(const std::string& fileName) {
    try {
        if (CodecEmpty()) {
            return false;
        }
        WriteCodedFile(tallyvane::path::ChangeFileExt(fileName, m_extension));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TCodecPlayer::SaveToBitmapFile(const std::string& fileName) {
    try {
        if (CodecEmpty()) {
            return false;
        }
        Encode();
        return m_state.Bitmap.WriteBmpFile(tallyvane::path::ChangeFileExt(fileName, ".bmp"));
    } catch (const std::exception&) {
        return false;
    }
}

bool TCodecPlayer::LoadFromClipboard() {
    if (!CopyClipboardBitmap(m_state.Bitmap)) {
        return false;
    }
    try {
        Encode();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TCodecPlayer::CopyToClipboard() {
    EnsurePlayerClipboardFormats();
    try {
        if (CodecEmpty()) {
            return false;
        }
        // The picture is taken before the clipboard opens: a failure leaves the clipboard as
        // it was.
        const std::optional<TDibImage> picture = ClipboardPicture();
        TRasterBitmap bitmap;
        if (!picture || !DibToRaster(*picture, bitmap) || bitmap.Empty() ||
            !OpenClipboard(nullptr)) {
            return false;
        }
        EmptyClipboard();
        // The clipboard stores the bitmap's bytes; the temporary bitmap is ours to free.
        const bool placed = SetClipboardData(CF_BITMAP, bitmap.Handle()) != nullptr;
        CloseClipboard();
        return placed;
    } catch (const std::exception&) {
        return false;
    }
}

bool TCodecPlayer::LoadFromHandle(HGDIOBJ handle) {
    if (!handle) {
        return false;
    }
    try {
        if (!m_state.Bitmap.TakeOver(static_cast<HBITMAP>(handle))) {
            return false;
        }
        Encode();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TCodecPlayer::Clear() {
    FileName.clear();
    m_state.Bitmap.SetSize(1, 1);
    m_state.Window = m_state.FullRect = TRect{};
    m_state.BitmapWidth = m_state.BitmapHeight = 0;
    m_state.EncodedSize = -1;
    m_state.Partial = false;
    ClearOptions();
    return true;
}
