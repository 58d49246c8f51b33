// The raster player that writes JPEG files.
#pragma once

#include "converter/players/CodecPlayer.h"
#include "converter/players/JpegCodec.h"

// TPlayerJPG is the codec player for JPEG: the bitmap it shows is the JPEG decoded back,
// compression losses included. Settings come from "CompressionQuality", "ProgressiveEncoding"
// and "GrayScale", or are set on JpegImage() directly; Clear keeps them.
class TPlayerJPG : public TCodecPlayer {
public:
    explicit TPlayerJPG(void* owner) : TCodecPlayer(owner, ".jpg") {}

    std::int32_t GetWidth() const override { return m_jpeg.Width(); }
    std::int32_t GetHeight() const override { return m_jpeg.Height(); }
    std::string GetFormatName() const override { return "JPG"; }
    bool SetOption(const std::string& name, const std::string& value) override;
    std::unique_ptr<TPlayer> Clone() const override;

    TJpegImage& JpegImage() { return m_jpeg; }

protected:
    std::int32_t EncodePicture(const TDibImage& picture, TRasterBitmap& shown) override;
    void ResetCodec() override { m_jpeg.Clear(); }
    bool CodecEmpty() override { return m_jpeg.IsEmpty(); }
    void ReadCodedFile(const std::string& path) override { m_jpeg.LoadFromFile(path); }
    void WriteCodedFile(const std::string& path) override { m_jpeg.SaveToFile(path); }
    std::optional<TDibImage> ClipboardPicture() override { return m_jpeg.Picture(); }

private:
    TJpegImage m_jpeg;
};
