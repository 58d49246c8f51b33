// The header of the pictures this system draws into: 32 bits a pixel, no colour table, rows
// from the top down (a negative height), so row y starts at y * width * 4 bytes.
#pragma once

#include "platform/WinGdi.h"

inline BITMAPINFO TopDownDib32(LONG width, LONG height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}
