#pragma once

// TJpegImage holds one encoded JPEG stream together with its decoded picture and the three
// encoder settings the presets choose (quality, progressive, grey scale). Compressing a
// picture replaces the stream and decodes it straight back, so the held picture always shows
// what the stream holds, compression losses included. Everything else the encoder and
// decoder do is libjpeg's default.
//
// Pictures in and out are TDibImage (bottom-up rows). The decoded picture is always 24 bits
// per pixel; a grey-scale stream decodes to equal red, green and blue.
//
// Errors of the JPEG library (and of files) raise EJpegError with the library's own message.

#include "converter/gif/DibImage.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class EJpegError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The largest picture the decoder will allocate, in bytes of 24-bit rows: what one DIB section
// can hold, so every page a raster player can render also decodes back. A stream that declares
// more is refused before any pixel memory is taken.
inline std::int64_t MaxJpegPictureBytes = 0x7FFFFFFF;
// A progressive stream with more scans than this is damaged or hostile: real encoders write
// about ten.
inline constexpr int kMaxJpegScans = 1000;

// Encodes a picture of any depth as three-component input. Quality is clamped to 1..100 by
// the encoder's quality scaling; tables are always baseline-compatible.
std::vector<std::uint8_t> JpegCompress(const TDibImage& picture, int quality, bool progressive,
                                       bool grayScale);

// Decodes at full size with the most accurate DCT, fancy upsampling and block smoothing.
TDibImage JpegDecompress(const std::uint8_t* data, std::size_t size);

class TJpegImage {
public:
    int Quality = 90;         // "CompressionQuality"; <= 0 acts as 1, > 100 as 100
    bool Progressive = false; // "ProgressiveEncoding"
    bool GrayScale = false;   // "GrayScale": one-component output

    // Encodes `picture` with the settings above, then decodes the new stream back.
    void Compress(const TDibImage& picture);
    // Replaces the stream with `data` and decodes it.
    void LoadFromBytes(const std::uint8_t* data, std::size_t size);
    void LoadFromFile(const std::string& path);
    void SaveToFile(const std::string& path) const;
    void Clear();

    bool IsEmpty() const { return m_Stream.empty(); }
    const std::vector<std::uint8_t>& Stream() const { return m_Stream; }
    const TDibImage& Picture() const { return m_Picture; }
    std::int32_t Width() const { return m_Picture.Width; }
    std::int32_t Height() const { return m_Picture.Height; }

private:
    std::vector<std::uint8_t> m_Stream;
    TDibImage m_Picture;
};
