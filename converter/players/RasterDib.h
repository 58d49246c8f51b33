// Moving pictures between the raster players' GDI bitmaps and the codecs' DIB container.
#pragma once

#include "converter/gif/DibImage.h"
#include "converter/players/RasterBitmap.h"

// The bitmap's picture as a 32-bit bottom-up DIB; an empty DIB for an empty bitmap. A bitmap
// that is not yet a DIB section is converted first. Raises std::runtime_error when the pixels
// cannot be read.
TDibImage RasterToDib(TRasterBitmap& bitmap);

// Replaces the bitmap's picture with `picture` (any depth). False when the bitmap cannot be
// allocated; an empty picture leaves an empty bitmap.
bool DibToRaster(const TDibImage& picture, TRasterBitmap& bitmap);
