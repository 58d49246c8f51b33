// StretchDIBits and SetDIBitsToDevice with the lengths of their data known: the forms the
// metafile player and anything else reading DIBs out of a file should call, since the public
// calls can only trust the header they are given.
#pragma once

#include "platform/WinGdi.h"

#include <span>

namespace gdi {

// As StretchDIBits; `info` holds the header and colour table, `bits` the pixel data. A header,
// colour table or data that does not fit its span is refused (0) without reading past it.
int StretchDIBitsChecked(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc,
                         int ySrc, int srcWidth, int srcHeight, std::span<const BYTE> bits,
                         std::span<const BYTE> info, UINT usage, DWORD rop);

// As SetDIBitsToDevice; `bits` holds the `lines` scan lines from `startScan` on.
int SetDIBitsToDeviceChecked(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc,
                             int ySrc, UINT startScan, UINT lines, std::span<const BYTE> bits,
                             std::span<const BYTE> info, UINT usage);

} // namespace gdi
