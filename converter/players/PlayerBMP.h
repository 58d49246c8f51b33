// The raster player that writes Windows bitmap files.
#pragma once

#include "converter/players/RasterPlayer.h"

// TPlayerBMP renders the page into its bitmap through the shared raster Render and Paint and
// writes that bitmap unchanged as a .bmp file (24 bits per pixel). The encoded size is the
// size of that file image, computed once per render.
class TPlayerBMP : public TPlayer {
public:
    explicit TPlayerBMP(void* owner);

    bool Paint(HDC dc, const TRect& fullRect, const PrepareCallback& onPrepare,
               const DrawCallback& onDraw, const TRect& visibleRect, const PlayTransform& transform,
               HRGN& paintedRegion) override;
    bool Render(HDC dc, const TRect& fullRect, const PrepareCallback& onPrepare,
                const DrawCallback& onDraw, const TRect& visibleRect) override;
    bool LoadFromFile(const std::string& fileName) override;
    // Writes under fileName with its extension replaced by ".bmp".
    bool SaveToFile(const std::string& fileName) override;
    bool SaveToBitmapFile(const std::string& fileName) override { return SaveToFile(fileName); }
    std::int32_t GetEncodedSize() override;
    std::int32_t GetWidth() const override { return m_state.Bitmap.Width(); }
    std::int32_t GetHeight() const override { return m_state.Bitmap.Height(); }
    std::string GetFormatName() const override { return "BMP"; }
    bool LoadFromClipboard() override;
    bool CopyToClipboard() override;
    // Takes over a bitmap handle.
    bool LoadFromHandle(HGDIOBJ handle) override;
    bool Clear() override;
    bool SetOption(const std::string&, const std::string&) override { return false; }
    std::unique_ptr<TPlayer> Clone() const override;

    bool IsPartial() const { return m_state.Partial; }
    // Set by Render when the bitmap could not be allocated at the size required.
    bool AllocationFailed() const { return m_allocationFailed; }
    const TRasterState& State() const { return m_state; }

private:
    TRasterState m_state;
    bool m_sizeValid = false;
    bool m_allocationFailed = false;
};
