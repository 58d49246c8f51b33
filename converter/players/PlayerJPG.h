// The raster player that writes JPEG files.
#pragma once

#include "converter/players/JpegCodec.h"
#include "converter/players/RasterPlayer.h"

// TPlayerJPG renders the page into its bitmap through the shared raster Render and Paint, then
// encodes the bitmap as JPEG with the settings of its JpegImage, remembers the encoded size
// and decodes the stream back into the bitmap, so the preview shows and measures exactly what
// will be written. Settings come from "CompressionQuality", "ProgressiveEncoding" and
// "GrayScale", or are set on JpegImage() directly.
class TPlayerJPG : public TPlayer {
public:
    explicit TPlayerJPG(void* owner);

    bool Paint(HDC dc, const TRect& fullRect, const PrepareCallback& onPrepare,
               const DrawCallback& onDraw, const TRect& visibleRect, const PlayTransform& transform,
               HRGN& paintedRegion) override;
    // Encoding errors are not caught here: they reach the caller.
    bool Render(HDC dc, const TRect& fullRect, const PrepareCallback& onPrepare,
                const DrawCallback& onDraw, const TRect& visibleRect) override;
    bool LoadFromFile(const std::string& fileName) override;
    // Writes the JPEG stream under fileName with its extension replaced by ".jpg".
    bool SaveToFile(const std::string& fileName) override;
    // Encodes again and writes the decoded picture as ".bmp".
    bool SaveToBitmapFile(const std::string& fileName) override;
    std::int32_t GetEncodedSize() override { return m_state.EncodedSize; }
    std::int32_t GetWidth() const override { return m_jpeg.Width(); }
    std::int32_t GetHeight() const override { return m_jpeg.Height(); }
    std::string GetFormatName() const override { return "JPG"; }
    bool LoadFromClipboard() override;
    bool CopyToClipboard() override;
    bool LoadFromHandle(HGDIOBJ handle) override;
    bool Clear() override;
    bool SetOption(const std::string& name, const std::string& value) override;
    std::unique_ptr<TPlayer> Clone() const override;

    TJpegImage& JpegImage() { return m_jpeg; }
    bool IsPartial() const { return m_state.Partial; }
    const TRasterState& State() const { return m_state; }

    // Encodes the bitmap and shows the decoded result in it; nothing for an empty bitmap.
    void Encode();

private:
    TRasterState m_state;
    TJpegImage m_jpeg;
};
