// The player interface: one object per picture format that holds a picture and can draw it,
// rebuild it from a drawing callback, load, save and exchange it with the clipboard.
//
// The metafile player (TPlayerEMF) holds the page and is always the source; the raster players
// (TPlayerBMP, TPlayerJPG, TPlayerGIF) are targets: a raster player's Render calls back into
// code that plays the page into the raster player's bitmap.
//
// Rectangles are page rectangles with inclusive corners: width = right - left + 1.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/WinTypes.h"

// A page rectangle, (left, top, right, bottom) with inclusive corners.
struct TRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    std::int32_t Width() const { return right - left + 1; }
    std::int32_t Height() const { return bottom - top + 1; }
    bool operator==(const TRect&) const = default;
};

// An offset and scale applied to logical coordinates before the DC's own mapping:
// x' = round(x * ScaleX) + OffsetX. Laid out as 20 little-endian bytes, the same layout as the
// tail of the scale marker a page may carry.
struct PlayTransform {
    std::uint8_t Enabled = 0; // nonzero: apply
    std::uint8_t Padding[3] = {0, 0, 0};
    std::int32_t OffsetX = 0;
    float ScaleX = 1.0f;
    std::int32_t OffsetY = 0;
    float ScaleY = 1.0f;
};
static_assert(sizeof(PlayTransform) == 20, "PlayTransform is a 20-byte record");

// Draws the source picture into dc. The region starts as none; a region the callback creates
// there is deleted by the player that called it.
using DrawCallback = std::function<void(HDC dc, HRGN& region)>;

// Gives dc the caller's logical-to-device mapping, placed so that logical (x, y) falls on the
// device origin.
using PrepareCallback = std::function<void(HDC dc, std::int32_t x, std::int32_t y)>;

// Cursor ids registered at start-up; the players set the busy ones while they encode.
constexpr int crMoveHandOpen = 1;
constexpr int crMoveHandClose = 2;
constexpr int crBusyBMP = 3;
constexpr int crBusyGIF = 4;
constexpr int crBusyJPG = 5;

// TPlayer is the abstract base of every player. A player belongs to an owner (the window object
// that created it), which is only recorded here so that Clone can give the copy the same owner;
// the creator frees the player (players are held in std::unique_ptr).
class TPlayer {
public:
    explicit TPlayer(void* owner) : m_owner(owner) {}
    virtual ~TPlayer() = default;
    TPlayer(const TPlayer&) = delete;
    TPlayer& operator=(const TPlayer&) = delete;

    // Draws the picture onto dc. paintedRegion receives (or keeps) the part of visibleRect the
    // player covered, in logical coordinates.
    virtual bool Paint(HDC dc, const TRect& fullRect, const PrepareCallback& onPrepare,
                       const DrawCallback& onDraw, const TRect& visibleRect,
                       const PlayTransform& transform, HRGN& paintedRegion) = 0;
    // Rebuilds the picture from onDraw, drawn through onPrepare's mapping of dc.
    virtual bool Render(HDC dc, const TRect& fullRect, const PrepareCallback& onPrepare,
                        const DrawCallback& onDraw, const TRect& visibleRect) = 0;
    virtual bool LoadFromFile(const std::string& fileName) = 0;
    virtual bool SaveToFile(const std::string& fileName) = 0;
    virtual bool SaveToBitmapFile(const std::string& fileName) = 0;
    // Bytes of the encoded picture; -1 when unknown.
    virtual std::int32_t GetEncodedSize() = 0;
    virtual std::int32_t GetWidth() const = 0;
    virtual std::int32_t GetHeight() const = 0;
    virtual std::string GetFormatName() const = 0;
    virtual bool LoadFromClipboard() = 0;
    virtual bool CopyToClipboard() = 0;
    // A metafile handle for the metafile player, a bitmap handle for the raster players.
    virtual bool LoadFromHandle(HGDIOBJ handle) = 0;
    virtual bool Clear() = 0;
    virtual bool SetOption(const std::string& name, const std::string& value) = 0;
    // A new player of the same class, owner and FileName; null when it cannot be made.
    virtual std::unique_ptr<TPlayer> Clone() const = 0;

    void* GetOwner() const { return m_owner; }

    // Where the picture came from (metafile player) or is going (set by users before a
    // conversion). Raster players keep it empty.
    std::string FileName;

    // For raster players: render the whole picture whatever its size instead of a window within
    // the preview's byte budget. Conversions set it; the preview leaves it off.
    bool RenderWhole = false;

private:
    void* m_owner;
};
