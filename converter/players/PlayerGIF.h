// The raster player that writes GIF files.
#pragma once

#include "converter/gif/GifImage.h"
#include "converter/players/RasterPlayer.h"

// TPlayerGIF renders the page into its bitmap through the shared raster Render and Paint, then
// reduces it to 256 colours, encodes it as GIF, remembers the encoded size and reads the GIF
// back into the bitmap, so the preview shows and measures the reduced picture that will be
// written. GrayScale is stored and reported for the preview but takes no part in encoding.
class TPlayerGIF : public TPlayer {
public:
    explicit TPlayerGIF(void* owner);

    bool Paint(HDC dc, const TRect& fullRect, const PrepareCallback& onPrepare,
               const DrawCallback& onDraw, const TRect& visibleRect, const PlayTransform& transform,
               HRGN& paintedRegion) override;
    // Encoding errors (a page too large for GIF among them) are not caught here: they reach
    // the caller.
    bool Render(HDC dc, const TRect& fullRect, const PrepareCallback& onPrepare,
                const DrawCallback& onDraw, const TRect& visibleRect) override;
    bool LoadFromFile(const std::string& fileName) override;
    // Writes the GIF under fileName with its extension replaced by ".gif".
    bool SaveToFile(const std::string& fileName) override;
    // Encodes again and writes the reduced picture as ".bmp".
    bool SaveToBitmapFile(const std::string& fileName) override;
    std::int32_t GetEncodedSize() override { return m_state.EncodedSize; }
    std::int32_t GetWidth() const override { return m_gif.Width(); }
    std::int32_t GetHeight() const override { return m_gif.Height(); }
    std::string GetFormatName() const override { return "GIF"; }
    bool LoadFromClipboard() override;
    bool CopyToClipboard() override;
    bool LoadFromHandle(HGDIOBJ handle) override;
    bool Clear() override;
    bool SetOption(const std::string& name, const std::string& value) override;
    std::unique_ptr<TPlayer> Clone() const override;

    TGIFImage& GifImage() { return m_gif; }
    bool IsPartial() const { return m_state.Partial; }
    const TRasterState& State() const { return m_state; }

    // Set by the preview from the GIF preset and by "GrayScale"; not used by the encoding.
    bool GrayScale = false;

    // Reduces, encodes and reloads the bitmap; nothing for an empty bitmap.
    void Encode();

private:
    TRasterState m_state;
    // Asking a GIF for its size may decode its first frame.
    mutable TGIFImage m_gif;
};
