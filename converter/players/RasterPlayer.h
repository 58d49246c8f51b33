// What the raster players (BMP, JPEG, GIF) share: their state, the rectangle helpers and the
// Render and Paint that draw the page into their bitmap and copy it onto a DC.
#pragma once

#include <cstdint>

#include "converter/players/Player.h"
#include "converter/players/RasterBitmap.h"

// The largest bitmap a raster player renders whole for the preview, and the bytes per pixel
// assumed when a bitmap's size is estimated.
constexpr std::uint64_t RenderMemoryLimit = 16777216;
constexpr std::uint64_t BytesPerPixelEstimate = 4;

// The state every raster player keeps. Window is the logical rectangle the bitmap holds;
// it is FullRect unless Partial, when only a window around the visible part was rendered.
struct TRasterState {
    TRasterBitmap Bitmap;
    TRect Window;
    TRect FullRect;
    std::int32_t BitmapWidth = 0;
    std::int32_t BitmapHeight = 0;
    bool Partial = false;
    std::int32_t EncodedSize = -1; // bytes of the last encoding; -1 unknown
};

// True when the rendered window already shows everything of visible that the full picture
// has; intersection receives, per side, the visible edge where it lies inside the window and
// the window's edge otherwise.
bool WindowCovers(const TRect& full, const TRect& window, const TRect& visible,
                  TRect& intersection);
// True when inner lies strictly inside outer on all four sides; intersection receives the
// intersection of the two.
bool StrictlyInside(const TRect& outer, const TRect& inner, TRect& intersection);

struct TDeviceMeasure {
    TRect device; // inclusive device rectangle
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint64_t bytes = 0; // width * height * BytesPerPixelEstimate
};
// The device rectangle a logical rectangle covers on dc through the software transform and
// the DC's mapping. The rectangle's outer edge (right + 1, bottom + 1) is mapped, so that a
// scaled rectangle measures exactly its scaled extent.
TDeviceMeasure MeasureDeviceRect(HDC dc, const TRect& logical);
// The inverse of MeasureDeviceRect.
TRect DeviceRectToLogical(HDC dc, const TRect& device);

// Render of a raster player, steps common to all formats: measure, choose whole picture or a
// window, size the bitmap, fill it white and draw onDraw into it through onPrepare. With
// renderWhole the byte budget does not apply. allocationFailed is set when the bitmap could not
// be had at the size required.
bool RasterRender(TRasterState& state, bool renderWhole, HDC dc, const TRect& fullRect,
                  const PrepareCallback& onPrepare, const DrawCallback& onDraw,
                  const TRect& visibleRect, bool* allocationFailed = nullptr);

// Paint of a raster player: re-renders through player.Render when a partial bitmap no longer
// covers visibleRect, then copies the bitmap onto dc. paintedRegion is set to the covered part
// when visibleRect is not strictly inside the picture.
bool RasterPaint(TPlayer& player, TRasterState& state, HDC dc, const PrepareCallback& onPrepare,
                 const DrawCallback& onDraw, const TRect& visibleRect, HRGN& paintedRegion);
