// The raster player that writes GIF files.
#pragma once

#include "converter/gif/GifImage.h"
#include "converter/players/CodecPlayer.h"

// TPlayerGIF is the codec player for GIF: the bitmap is reduced to 256 colours, encoded as GIF
// and read back, so the preview shows and measures the reduced picture that will be written. A
// page too large for GIF is refused by the encoder. GrayScale is stored and reported for the
// preview but takes no part in encoding; Clear resets it.
class TPlayerGIF : public TCodecPlayer {
public:
    explicit TPlayerGIF(void* owner) : TCodecPlayer(owner, ".gif") {}

    std::int32_t GetWidth() const override { return m_gif.Width(); }
    std::int32_t GetHeight() const override { return m_gif.Height(); }
    std::string GetFormatName() const override { return "GIF"; }
    bool SetOption(const std::string& name, const std::string& value) override;
    std::unique_ptr<TPlayer> Clone() const override;

    TGIFImage& GifImage() { return m_gif; }

    // Set by the preview from the GIF preset and by "GrayScale"; not used by the encoding.
    bool GrayScale = false;

protected:
    std::int32_t EncodePicture(const TDibImage& picture, TRasterBitmap& shown) override;
    void ResetCodec() override { m_gif.ResetImage(); }
    bool CodecEmpty() override { return m_gif.IsEmpty(); }
    void ReadCodedFile(const std::string& path) override { m_gif.LoadGIFFile(path); }
    void WriteCodedFile(const std::string& path) override { m_gif.SaveGIFFile(path); }
    // The first frame's picture as the GIF exports it; the "GIF Image" data are not placed.
    std::optional<TDibImage> ClipboardPicture() override {
        return m_gif.ExportToClipboard().Bitmap;
    }
    void ClearOptions() override { GrayScale = false; }

private:
    // Asking a GIF for its size may decode its first frame.
    mutable TGIFImage m_gif;
};
