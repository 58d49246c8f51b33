// The raster players whose picture passes through a codec (JPEG, GIF).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "converter/gif/DibImage.h"
#include "converter/players/RasterPlayer.h"

// TCodecPlayer is what the JPEG and GIF players share. It renders the page into its bitmap
// through the shared raster Render and Paint, then at once encodes the bitmap, remembers the
// encoded size and puts the picture decoded back from the code into the bitmap, so the preview
// shows and measures exactly what will be written. A bitmap taken from the clipboard or from a
// handle is encoded the same way.
//
// A derived player supplies only its codec: the encoding step, reading and writing its files,
// the picture it places on the clipboard, and its options. Codec errors raised while Render
// encodes reach the caller; every other operation catches them and answers false.
class TCodecPlayer : public TPlayer {
public:
    bool Paint(HDC dc, const TRect& fullRect, const PrepareCallback& onPrepare,
               const DrawCallback& onDraw, const TRect& visibleRect, const PlayTransform& transform,
               HRGN& paintedRegion) override;
    // Encoding errors are not caught here: they reach the caller.
    bool Render(HDC dc, const TRect& fullRect, const PrepareCallback& onPrepare,
                const DrawCallback& onDraw, const TRect& visibleRect) override;
    // Reads a coded file; the bitmap and the encoded size stay as they are.
    bool LoadFromFile(const std::string& fileName) override;
    // Writes the code under fileName with its extension replaced by the codec's.
    bool SaveToFile(const std::string& fileName) override;
    // Encodes again and writes the decoded picture as ".bmp".
    bool SaveToBitmapFile(const std::string& fileName) override;
    std::int32_t GetEncodedSize() override { return m_state.EncodedSize; }
    bool LoadFromClipboard() override;
    // Places the decoded picture on the clipboard as a bitmap (CF_BITMAP only).
    bool CopyToClipboard() override;
    // Takes over a bitmap handle and encodes it.
    bool LoadFromHandle(HGDIOBJ handle) override;
    // Leaves a 1 x 1 bitmap and EncodedSize -1; the codec keeps its settings.
    bool Clear() override;

    bool IsPartial() const { return m_state.Partial; }
    const TRasterState& State() const { return m_state; }

    // Encodes the bitmap and shows the decoded result in it; nothing for an empty bitmap. After
    // a failure the codec holds nothing, so no stale picture can be saved, and EncodedSize is -1.
    void Encode();

protected:
    // extension: what SaveToFile gives the file name, dot included (".jpg").
    TCodecPlayer(void* owner, const char* extension);

    // Codes picture, puts the picture decoded back from the code into shown and answers the
    // size of the code in bytes. Raises the codec's exception on failure.
    virtual std::int32_t EncodePicture(const TDibImage& picture, TRasterBitmap& shown) = 0;
    // Forgets the coded picture after a failed encoding.
    virtual void ResetCodec() = 0;
    // True when the codec holds no picture (nothing to save or copy).
    virtual bool CodecEmpty() = 0;
    virtual void ReadCodedFile(const std::string& path) = 0;
    virtual void WriteCodedFile(const std::string& path) = 0;
    // The picture CopyToClipboard places; none when there is nothing to place.
    virtual std::optional<TDibImage> ClipboardPicture() = 0;
    // Clear's share of the derived player's own state.
    virtual void ClearOptions() {}

    TRasterState m_state;

private:
    const char* m_extension; // a string literal
};
