// The program-wide software transform: an offset and scale applied to logical coordinates
// around the GDI conversions. It stays the identity unless someone sets it; the frame DC resets
// it whenever its window changes. Every rounding is to nearest, ties to even.
#pragma once

#include <cstdint>

#include "platform/WinGdi.h"

struct TSoftTransform {
    std::int32_t offsetX = 0;
    float scaleX = 1.0f;
    std::int32_t offsetY = 0;
    float scaleY = 1.0f;
};

void ResetSoftTransform();
void SetSoftTransform(const TSoftTransform& transform);
const TSoftTransform& GetSoftTransform();

// x := round(x * scaleX) + offsetX (and y), then LPtoDP.
BOOL SoftLPtoDP(HDC dc, POINT* points, int count);
// DPtoLP, then x := round((x - offsetX) / scaleX) (and y); the result is DPtoLP's.
BOOL SoftDPtoLP(HDC dc, POINT* points, int count);
// SetRectRgn with each corner scaled and offset as SoftLPtoDP does, without the DC's mapping.
BOOL SoftSetRectRgn(HRGN region, int left, int top, int right, int bottom);
