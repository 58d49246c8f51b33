#pragma once

// TGIFImage holds a GIF picture: a logical screen with an optional global colour table and an
// ordered list of frames, each with its own placement, optional colour table, extension
// blocks and LZW code data. A frame keeps both forms of its picture: the bitmap it was built
// from (or decoded into) and the `CodeStream` that is written as it stands, so saving twice
// writes the same bytes and decoding happens at most once until the frame is reset.
//
// The image owns its frames; a frame owns its bitmap and extensions. The encoded data of a
// frame (`TGIFItem`) and the image-wide data (`TGIFData`) are shared records: copies share
// them, and the last holder frees them.
//
// Sizes are pixels. Colours are 0x00BBGGRR values; `NoColor` stands for "no colour".

#include "converter/gif/DibImage.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

inline constexpr std::uint32_t NoColor = 0x1FFFFFFF;

// The largest decoded frame, in bytes of indexed rows: what one DIB section can hold, so every
// page a raster player can render also decodes. The size fields allow 65535 x 65535 (4 GB at
// 8 bits); a stream declaring more than this is refused before the memory is taken.
inline std::int64_t MaxGifFrameBytes = 0x7FFFFFFF;

// The registered clipboard format that carries GIF data (length-prefixed).
inline constexpr const char* kGifClipboardFormat = "GIF Image";

inline constexpr std::uint32_t GifColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return std::uint32_t{r} | (std::uint32_t{g} << 8) | (std::uint32_t{b} << 16);
}

struct TGifRgb {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    bool operator==(const TGifRgb&) const = default;
};

struct GIFColorTable {
    std::int32_t Count = 0; // 0 = no table; only the first Count entries mean anything
    std::array<TGifRgb, 256> Entries{};
    std::uint32_t ColorOf(int index) const {
        const TGifRgb& e = Entries[static_cast<std::size_t>(index)];
        return GifColor(e.Red, e.Green, e.Blue);
    }
};

// One extension block as read: the block-size byte and the fixed bytes, then one line per
// data sub-block.
struct TExtension {
    enum Kind : std::uint8_t { GraphicControl = 0, PlainText = 1, Application = 2, Comment = 3 };
    Kind ExtensionKind = Comment;
    std::vector<std::uint8_t> Fixed;
    std::vector<std::vector<std::uint8_t>> Lines;
};

// The encoded part of a frame.
struct TGIFItem {
    std::shared_ptr<std::vector<std::uint8_t>> CodeStream; // none until encoded or read
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint8_t DescriptorFlags = 0;
    std::uint8_t BitsPerPixel = 8; // 1..8
    GIFColorTable ColorTable;
};

// What the image's frames share.
struct TGIFData {
    GIFColorTable GlobalColorTable;
    std::uint8_t GlobalBitsPerPixel = 1;
    std::uint8_t ColorResolution = 8;
    std::uint8_t AspectRatio = 0;
    std::vector<std::string> CommentLines;
};

class TGIFImage;
class TByteReader;

// One image of a GIF, placed at (Left, Top) on the logical screen. Owned by its TGIFImage.
class TGIFFrame {
public:
    explicit TGIFFrame(TGIFImage* owner); // does not take ownership of the owner

    // Replaces the frame with a copy of `source`; an empty source leaves an empty frame.
    void SetFromGraphic(const TDibImage* source);
    // Builds the CodeStream from the bitmap (reducing colours when it is not indexed).
    void EncodeBitmap();
    // Builds the CodeStream from an indexed picture in BMP file layout.
    void EncodeIndexedImage(const std::vector<std::uint8_t>& stream);
    // Brings the extension blocks in line with delay, transparency and disposal.
    void RefreshExtensions();

    // The frame's picture, decoded from the CodeStream on first use. A decoded picture is
    // indexed (1, 4 or 8 bits) with the frame's palette. Null when there is nothing to show.
    const TDibImage* Bitmap();
    bool HasBitmap() const { return m_Bitmap != nullptr; }
    void FreeBitmap() { m_Bitmap.reset(); }

    const std::vector<std::uint8_t>* CodeStream() const { return m_Item->CodeStream.get(); }
    bool HasCode() const { return m_Item->CodeStream && !m_Item->CodeStream->empty(); }
    std::int32_t Width() const;
    std::int32_t Height() const;
    std::int32_t Left() const { return m_Left; }
    std::int32_t Top() const { return m_Top; }
    int BitsPerPixel() const { return m_Item->BitsPerPixel; }
    const GIFColorTable& ColorTable() const { return m_Item->ColorTable; }
    bool OwnColorTable() const { return m_OwnColorTable; }
    bool IsInterlaced() const { return m_IsInterlaced; }
    bool IsCorrupted() const { return m_IsCorrupted; }
    std::uint32_t TransparentColor() const { return m_TransparentColor; }
    std::uint16_t FrameDelay() const { return m_FrameDelay; }
    std::uint8_t DisposalCode() const { return m_DisposalCode; }
    const std::vector<TExtension>& Extensions() const { return m_Extensions; }

private:
    friend class TGIFImage;

    void Reset();
    void ReadImageBlock(TByteReader& reader, std::int32_t logicalWidth, std::int32_t logicalHeight,
                        const GIFColorTable& global);
    std::unique_ptr<TDibImage> DecodeBitmap();

    TGIFImage* m_Owner;
    std::unique_ptr<TDibImage> m_Bitmap;
    std::shared_ptr<TGIFItem> m_Item;
    std::vector<TExtension> m_Extensions;
    std::int32_t m_Left = 0;
    std::int32_t m_Top = 0;
    bool m_IsInterlaced = false;
    bool m_IsCorrupted = false;
    bool m_GrayScale = false;
    bool m_OwnColorTable = false;
    std::uint32_t m_TransparentColor = NoColor;
    std::uint16_t m_FrameDelay = 0; // milliseconds
    std::uint8_t m_DisposalCode = 0;
};

// What ExportToClipboard hands over: the first frame's picture for the bitmap format and,
// when every frame is encoded, the GIF with its length prefix for the "GIF Image" format.
struct TGifClipboardData {
    std::optional<TDibImage> Bitmap;
    std::vector<std::uint8_t> GifData;
};

class TGIFImage {
public:
    TGIFImage();
    ~TGIFImage();
    TGIFImage(const TGIFImage&) = delete;
    TGIFImage& operator=(const TGIFImage&) = delete;

    // Writing.
    void SetFromBitmap(const TDibImage& bitmap);
    TGIFFrame& AddFrame(const TDibImage* bitmap);
    void EncodePendingFrames(bool decodeBack);
    // The whole GIF, optionally preceded by its 32-bit little-endian length.
    std::vector<std::uint8_t> SaveGIF(bool lengthPrefix);
    void SaveGIFFile(const std::string& path);
    TGifClipboardData ExportToClipboard();

    // Reading. A successful load replaces the whole image; a failed one leaves it reset.
    void LoadGIF(const std::uint8_t* data, std::size_t count, bool decodeNow);
    void LoadGIFFile(const std::string& path);
    // A 32-bit little-endian length, then that many bytes of GIF data.
    void ReadGIFProperty(const std::uint8_t* data, std::size_t size);

    void ResetImage();
    void RecomputeLogicalSize();

    bool IsEmpty();
    std::int32_t Width();
    std::int32_t Height();
    // The selected frame's picture (decoded if needed), or null.
    const TDibImage* Picture();

    std::vector<std::unique_ptr<TGIFFrame>>& Frames() { return m_Frames; }
    TGIFData& Data() { return *m_Data; }
    std::uint8_t FormatVersion() const { return m_FormatVersion; }
    std::int32_t SelectedFrame() const { return m_SelectedFrame; }
    std::int64_t LogicalWidth() const { return m_LogicalWidth; }
    std::int64_t LogicalHeight() const { return m_LogicalHeight; }
    std::uint32_t BackgroundColor() const { return m_BackgroundColor; }
    bool LoopAnimation() const { return m_LoopAnimation; }
    std::uint16_t LoopCount() const { return m_LoopCount; }

private:
    friend class TGIFFrame;

    void ParseGIF(TByteReader& reader);
    void WriteFrame(std::vector<std::uint8_t>& out, TGIFFrame& frame);

    std::shared_ptr<TGIFData> m_Data;
    std::uint8_t m_FormatVersion = 0; // 0 unknown, 1 = 87a, 2 = 89a
    std::vector<std::unique_ptr<TGIFFrame>> m_Frames;
    std::int32_t m_SelectedFrame = -1;
    // Wider than the 16-bit fields they are written to, so that an oversize picture is
    // refused instead of being cut.
    std::int64_t m_LogicalWidth = 0;
    std::int64_t m_LogicalHeight = 0;
    std::uint32_t m_BackgroundColor = NoColor;
    bool m_LoopAnimation = false;
    std::uint16_t m_LoopCount = 1;
};

// Bits for a colour count that is a power of two from 2 to 256; raises otherwise.
int ColorCountToBits(std::int32_t count);
