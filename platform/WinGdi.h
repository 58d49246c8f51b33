// The Win32 stand-in: GDI drawing: device contexts, mapping, regions, objects, shapes, paths,
// bitmaps, text.
//
// Names, constants, structures and signatures are those of the Win32 API, so a metafile record
// maps onto the call it replays. Structures that appear in files (DIB headers, LOGFONTW,
// XFORM, ...) keep the 32-bit Windows layout field for field. Structures holding a ULONG_PTR
// or a pointer (LOGBRUSH, EXTLOGPEN, BITMAP, DIBSECTION, POLYTEXTW) have the host's width there
// and are never read straight from a file.
//
// Functions whose Win32 form comes in an A and a W flavour are declared under both names; the
// plain name is an overload set chosen by the argument types (a char string picks the A form,
// a WCHAR string or W structure the W form).
//
// A failed call returns what Win32 returns on failure (FALSE, 0, nullptr, GDI_ERROR,
// CLR_INVALID, ERROR) and never crashes on a null or wrong-type handle.
#pragma once

#include "platform/WinTypes.h"

using LPINT = int*;

// ---------------------------------------------------------------------------------------------
// General
// ---------------------------------------------------------------------------------------------

constexpr int GDI_ERROR = static_cast<int>(0xFFFFFFFF);
#define HGDI_ERROR (reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(-1)))

// Object types (GetObjectType).
constexpr DWORD OBJ_PEN = 1;
constexpr DWORD OBJ_BRUSH = 2;
constexpr DWORD OBJ_DC = 3;
constexpr DWORD OBJ_METADC = 4;
constexpr DWORD OBJ_PAL = 5;
constexpr DWORD OBJ_FONT = 6;
constexpr DWORD OBJ_BITMAP = 7;
constexpr DWORD OBJ_REGION = 8;
constexpr DWORD OBJ_METAFILE = 9;
constexpr DWORD OBJ_MEMDC = 10;
constexpr DWORD OBJ_EXTPEN = 11;
constexpr DWORD OBJ_ENHMETADC = 12;
constexpr DWORD OBJ_ENHMETAFILE = 13;
constexpr DWORD OBJ_COLORSPACE = 14;

// Stock objects (GetStockObject).
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int OEM_FIXED_FONT = 10;
constexpr int ANSI_FIXED_FONT = 11;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEVICE_DEFAULT_FONT = 14;
constexpr int DEFAULT_PALETTE = 15;
constexpr int SYSTEM_FIXED_FONT = 16;
constexpr int DEFAULT_GUI_FONT = 17;
constexpr int DC_BRUSH = 18;
constexpr int DC_PEN = 19;
constexpr int STOCK_LAST = 19;

// ---------------------------------------------------------------------------------------------
// Device capabilities (GetDeviceCaps)
// ---------------------------------------------------------------------------------------------

constexpr int DRIVERVERSION = 0;
constexpr int TECHNOLOGY = 2;
constexpr int HORZSIZE = 4;
constexpr int VERTSIZE = 6;
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMBRUSHES = 16;
constexpr int NUMPENS = 18;
constexpr int NUMMARKERS = 20;
constexpr int NUMFONTS = 22;
constexpr int NUMCOLORS = 24;
constexpr int PDEVICESIZE = 26;
constexpr int CURVECAPS = 28;
constexpr int LINECAPS = 30;
constexpr int POLYGONALCAPS = 32;
constexpr int TEXTCAPS = 34;
constexpr int CLIPCAPS = 36;
constexpr int RASTERCAPS = 38;
constexpr int ASPECTX = 40;
constexpr int ASPECTY = 42;
constexpr int ASPECTXY = 44;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int SIZEPALETTE = 104;
constexpr int NUMRESERVED = 106;
constexpr int COLORRES = 108;
constexpr int PHYSICALWIDTH = 110;
constexpr int PHYSICALHEIGHT = 111;
constexpr int PHYSICALOFFSETX = 112;
constexpr int PHYSICALOFFSETY = 113;
constexpr int SCALINGFACTORX = 114;
constexpr int SCALINGFACTORY = 115;
constexpr int VREFRESH = 116;
constexpr int DESKTOPVERTRES = 117;
constexpr int DESKTOPHORZRES = 118;
constexpr int BLTALIGNMENT = 119;
constexpr int SHADEBLENDCAPS = 120;
constexpr int COLORMGMTCAPS = 121;

// TECHNOLOGY
constexpr int DT_PLOTTER = 0;
constexpr int DT_RASDISPLAY = 1;
constexpr int DT_RASPRINTER = 2;
constexpr int DT_RASCAMERA = 3;
constexpr int DT_CHARSTREAM = 4;
constexpr int DT_METAFILE = 5;
constexpr int DT_DISPFILE = 6;

// CURVECAPS
constexpr int CC_NONE = 0;
constexpr int CC_CIRCLES = 1;
constexpr int CC_PIE = 2;
constexpr int CC_CHORD = 4;
constexpr int CC_ELLIPSES = 8;
constexpr int CC_WIDE = 16;
constexpr int CC_STYLED = 32;
constexpr int CC_WIDESTYLED = 64;
constexpr int CC_INTERIORS = 128;
constexpr int CC_ROUNDRECT = 256;

// LINECAPS
constexpr int LC_NONE = 0;
constexpr int LC_POLYLINE = 2;
constexpr int LC_MARKER = 4;
constexpr int LC_POLYMARKER = 8;
constexpr int LC_WIDE = 16;
constexpr int LC_STYLED = 32;
constexpr int LC_WIDESTYLED = 64;
constexpr int LC_INTERIORS = 128;

// POLYGONALCAPS
constexpr int PC_NONE = 0;
constexpr int PC_POLYGON = 1;
constexpr int PC_RECTANGLE = 2;
constexpr int PC_WINDPOLYGON = 4;
constexpr int PC_TRAPEZOID = 4;
constexpr int PC_SCANLINE = 8;
constexpr int PC_WIDE = 16;
constexpr int PC_STYLED = 32;
constexpr int PC_WIDESTYLED = 64;
constexpr int PC_INTERIORS = 128;
constexpr int PC_POLYPOLYGON = 256;
constexpr int PC_PATHS = 512;

// TEXTCAPS
constexpr int TC_OP_CHARACTER = 0x00000001;
constexpr int TC_OP_STROKE = 0x00000002;
constexpr int TC_CP_STROKE = 0x00000004;
constexpr int TC_CR_90 = 0x00000008;
constexpr int TC_CR_ANY = 0x00000010;
constexpr int TC_SF_X_YINDEP = 0x00000020;
constexpr int TC_SA_DOUBLE = 0x00000040;
constexpr int TC_SA_INTEGER = 0x00000080;
constexpr int TC_SA_CONTIN = 0x00000100;
constexpr int TC_EA_DOUBLE = 0x00000200;
constexpr int TC_IA_ABLE = 0x00000400;
constexpr int TC_UA_ABLE = 0x00000800;
constexpr int TC_SO_ABLE = 0x00001000;
constexpr int TC_RA_ABLE = 0x00002000;
constexpr int TC_VA_ABLE = 0x00004000;
constexpr int TC_RESERVED = 0x00008000;
constexpr int TC_SCROLLBLT = 0x00010000;

// CLIPCAPS
constexpr int CP_NONE = 0;
constexpr int CP_RECTANGLE = 1;
constexpr int CP_REGION = 2;

// RASTERCAPS
constexpr int RC_BITBLT = 0x0001;
constexpr int RC_BANDING = 0x0002;
constexpr int RC_SCALING = 0x0004;
constexpr int RC_BITMAP64 = 0x0008;
constexpr int RC_GDI20_OUTPUT = 0x0010;
constexpr int RC_GDI20_STATE = 0x0020;
constexpr int RC_SAVEBITMAP = 0x0040;
constexpr int RC_DI_BITMAP = 0x0080;
constexpr int RC_PALETTE = 0x0100;
constexpr int RC_DIBTODEV = 0x0200;
constexpr int RC_BIGFONT = 0x0400;
constexpr int RC_STRETCHBLT = 0x0800;
constexpr int RC_FLOODFILL = 0x1000;
constexpr int RC_STRETCHDIB = 0x2000;
constexpr int RC_OP_DX_OUTPUT = 0x4000;
constexpr int RC_DEVBITS = 0x8000;

// SHADEBLENDCAPS
constexpr int SB_NONE = 0x00;
constexpr int SB_CONST_ALPHA = 0x01;
constexpr int SB_PIXEL_ALPHA = 0x02;
constexpr int SB_PREMULT_ALPHA = 0x04;
constexpr int SB_GRAD_RECT = 0x10;
constexpr int SB_GRAD_TRI = 0x20;

// ---------------------------------------------------------------------------------------------
// Coordinate spaces
// ---------------------------------------------------------------------------------------------

constexpr int MM_TEXT = 1;
constexpr int MM_LOMETRIC = 2;
constexpr int MM_HIMETRIC = 3;
constexpr int MM_LOENGLISH = 4;
constexpr int MM_HIENGLISH = 5;
constexpr int MM_TWIPS = 6;
constexpr int MM_ISOTROPIC = 7;
constexpr int MM_ANISOTROPIC = 8;
constexpr int MM_MIN = MM_TEXT;
constexpr int MM_MAX = MM_ANISOTROPIC;
constexpr int MM_MAX_FIXEDSCALE = MM_TWIPS;

constexpr int GM_COMPATIBLE = 1;
constexpr int GM_ADVANCED = 2;

constexpr DWORD MWT_IDENTITY = 1;
constexpr DWORD MWT_LEFTMULTIPLY = 2;
constexpr DWORD MWT_RIGHTMULTIPLY = 3;
constexpr DWORD MWT_SET = 4; // as a metafile's world-transform record carries it

constexpr DWORD LAYOUT_RTL = 0x00000001;
constexpr DWORD LAYOUT_BITMAPORIENTATIONPRESERVED = 0x00000008;

// A 2-D affine transform: x' = x * eM11 + y * eM21 + eDx, y' = x * eM12 + y * eM22 + eDy.
struct XFORM {
    FLOAT eM11;
    FLOAT eM12;
    FLOAT eM21;
    FLOAT eM22;
    FLOAT eDx;
    FLOAT eDy;
};
using LPXFORM = XFORM*;

// ---------------------------------------------------------------------------------------------
// Regions and clipping
// ---------------------------------------------------------------------------------------------

// Region complexity (results of CombineRgn, GetRgnBox, SelectClipRgn, ...).
constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;
constexpr int RGN_ERROR = ERROR;

constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;
constexpr int RGN_MIN = RGN_AND;
constexpr int RGN_MAX = RGN_COPY;

constexpr int SYSRGN = 4; // GetRandomRgn

constexpr DWORD RDH_RECTANGLES = 1;

// Header of the rectangle list GetRegionData returns and ExtCreateRegion takes (32 bytes).
struct RGNDATAHEADER {
    DWORD dwSize;   // 32
    DWORD iType;    // RDH_RECTANGLES
    DWORD nCount;   // number of rectangles that follow
    DWORD nRgnSize; // bytes of rectangle data, may be 0
    RECT rcBound;
};

// A region as a list of non-overlapping rectangles, banded top to bottom, left to right.
struct RGNDATA {
    RGNDATAHEADER rdh;
    char Buffer[1]; // nCount RECTs
};
using LPRGNDATA = RGNDATA*;

// Polygon fill modes.
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;
constexpr int POLYFILL_LAST = 2;

// ---------------------------------------------------------------------------------------------
// Pens, brushes, colours, modes
// ---------------------------------------------------------------------------------------------

constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_DASHDOT = 3;
constexpr int PS_DASHDOTDOT = 4;
constexpr int PS_NULL = 5;
constexpr int PS_INSIDEFRAME = 6;
constexpr int PS_USERSTYLE = 7;
constexpr int PS_ALTERNATE = 8;
constexpr int PS_STYLE_MASK = 0x0000000F;
constexpr int PS_ENDCAP_ROUND = 0x00000000;
constexpr int PS_ENDCAP_SQUARE = 0x00000100;
constexpr int PS_ENDCAP_FLAT = 0x00000200;
constexpr int PS_ENDCAP_MASK = 0x00000F00;
constexpr int PS_JOIN_ROUND = 0x00000000;
constexpr int PS_JOIN_BEVEL = 0x00001000;
constexpr int PS_JOIN_MITER = 0x00002000;
constexpr int PS_JOIN_MASK = 0x0000F000;
constexpr int PS_COSMETIC = 0x00000000;
constexpr int PS_GEOMETRIC = 0x00010000;
constexpr int PS_TYPE_MASK = 0x000F0000;

constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;
constexpr UINT BS_HOLLOW = BS_NULL;
constexpr UINT BS_HATCHED = 2;
constexpr UINT BS_PATTERN = 3;
constexpr UINT BS_INDEXED = 4;
constexpr UINT BS_DIBPATTERN = 5;
constexpr UINT BS_DIBPATTERNPT = 6;
constexpr UINT BS_PATTERN8X8 = 7;
constexpr UINT BS_DIBPATTERN8X8 = 8;
constexpr UINT BS_MONOPATTERN = 9;

constexpr int HS_HORIZONTAL = 0; // -----
constexpr int HS_VERTICAL = 1;   // |||||
constexpr int HS_FDIAGONAL = 2;  // \\\\\ (top left to bottom right)
constexpr int HS_BDIAGONAL = 3;  // ///// (bottom left to top right)
constexpr int HS_CROSS = 4;      // +++++
constexpr int HS_DIAGCROSS = 5;  // xxxxx
constexpr int HS_API_MAX = 12;

// Binary raster operations (SetROP2): P is the pen or brush, D the destination.
constexpr int R2_BLACK = 1;        // 0
constexpr int R2_NOTMERGEPEN = 2;  // DPon
constexpr int R2_MASKNOTPEN = 3;   // DPna
constexpr int R2_NOTCOPYPEN = 4;   // Pn
constexpr int R2_MASKPENNOT = 5;   // PDna
constexpr int R2_NOT = 6;          // Dn
constexpr int R2_XORPEN = 7;       // DPx
constexpr int R2_NOTMASKPEN = 8;   // DPan
constexpr int R2_MASKPEN = 9;      // DPa
constexpr int R2_NOTXORPEN = 10;   // DPxn
constexpr int R2_NOP = 11;         // D
constexpr int R2_MERGENOTPEN = 12; // DPno
constexpr int R2_COPYPEN = 13;     // P
constexpr int R2_MERGEPENNOT = 14; // PDno
constexpr int R2_MERGEPEN = 15;    // DPo
constexpr int R2_WHITE = 16;       // 1
constexpr int R2_LAST = 16;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr int BKMODE_LAST = 2;

// Arc directions.
constexpr int AD_COUNTERCLOCKWISE = 1;
constexpr int AD_CLOCKWISE = 2;

// PolyDraw and GetPath point types.
constexpr BYTE PT_CLOSEFIGURE = 0x01;
constexpr BYTE PT_LINETO = 0x02;
constexpr BYTE PT_BEZIERTO = 0x04;
constexpr BYTE PT_MOVETO = 0x06;

// ExtFloodFill.
constexpr UINT FLOODFILLBORDER = 0;
constexpr UINT FLOODFILLSURFACE = 1;

// SetRelAbs.
constexpr int ABSOLUTE = 1;
constexpr int RELATIVE = 2;

// SetICMMode.
constexpr int ICM_OFF = 1;
constexpr int ICM_ON = 2;
constexpr int ICM_QUERY = 3;
constexpr int ICM_DONE_OUTSIDEDC = 4;

// SetBoundsRect / GetBoundsRect.
constexpr UINT DCB_RESET = 0x0001;
constexpr UINT DCB_ACCUMULATE = 0x0002;
constexpr UINT DCB_DIRTY = DCB_ACCUMULATE;
constexpr UINT DCB_SET = DCB_RESET | DCB_ACCUMULATE;
constexpr UINT DCB_ENABLE = 0x0004;
constexpr UINT DCB_DISABLE = 0x0008;

struct LOGPEN {
    UINT lopnStyle;
    POINT lopnWidth; // only x is used
    COLORREF lopnColor;
};
using LPLOGPEN = LOGPEN*;

struct LOGBRUSH {
    UINT lbStyle;     // BS_*
    COLORREF lbColor; // or DIB_RGB_COLORS/DIB_PAL_COLORS for the DIB pattern styles
    ULONG_PTR
    lbHatch; // HS_* for BS_HATCHED, HBITMAP for BS_PATTERN, packed DIB for BS_DIBPATTERNPT
};
using LPLOGBRUSH = LOGBRUSH*;

struct EXTLOGPEN {
    DWORD elpPenStyle;
    DWORD elpWidth;
    UINT elpBrushStyle;
    COLORREF elpColor;
    ULONG_PTR elpHatch;
    DWORD elpNumEntries;
    DWORD elpStyleEntry[1];
};
using PEXTLOGPEN = EXTLOGPEN*;

// ---------------------------------------------------------------------------------------------
// Palettes
// ---------------------------------------------------------------------------------------------

constexpr BYTE PC_RESERVED = 0x01;
constexpr BYTE PC_EXPLICIT = 0x02;
constexpr BYTE PC_NOCOLLAPSE = 0x04;

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};
using LPPALETTEENTRY = PALETTEENTRY*;

struct LOGPALETTE {
    WORD palVersion; // 0x300
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
};
using LPLOGPALETTE = LOGPALETTE*;

// ---------------------------------------------------------------------------------------------
// Bitmaps and DIBs
// ---------------------------------------------------------------------------------------------

constexpr UINT DIB_RGB_COLORS = 0;
constexpr UINT DIB_PAL_COLORS = 1;

constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;
constexpr DWORD BI_JPEG = 4;
constexpr DWORD BI_PNG = 5;

constexpr DWORD CBM_INIT = 0x04;

// Stretch modes.
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;
constexpr int MAXSTRETCHBLTMODE = 4;
constexpr int STRETCH_ANDSCANS = BLACKONWHITE;
constexpr int STRETCH_ORSCANS = WHITEONBLACK;
constexpr int STRETCH_DELETESCANS = COLORONCOLOR;
constexpr int STRETCH_HALFTONE = HALFTONE;

// Ternary raster operations: the middle byte of the low word indexes the 256 operations;
// bit n of that byte is the result for pattern/source/destination bits P S D = n's bits 2 1 0.
constexpr DWORD SRCCOPY = 0x00CC0020;     // S
constexpr DWORD SRCPAINT = 0x00EE0086;    // DSo
constexpr DWORD SRCAND = 0x008800C6;      // DSa
constexpr DWORD SRCINVERT = 0x00660046;   // DSx
constexpr DWORD SRCERASE = 0x00440328;    // SDna
constexpr DWORD NOTSRCCOPY = 0x00330008;  // Sn
constexpr DWORD NOTSRCERASE = 0x001100A6; // DSon
constexpr DWORD MERGECOPY = 0x00C000CA;   // PSa
constexpr DWORD MERGEPAINT = 0x00BB0226;  // DSno
constexpr DWORD PATCOPY = 0x00F00021;     // P
constexpr DWORD PATPAINT = 0x00FB0A09;    // DPSnoo
constexpr DWORD PATINVERT = 0x005A0049;   // DPx
constexpr DWORD DSTINVERT = 0x00550009;   // Dn
constexpr DWORD BLACKNESS = 0x00000042;   // 0
constexpr DWORD WHITENESS = 0x00FF0062;   // 1
constexpr DWORD NOMIRRORBITMAP = 0x80000000;
constexpr DWORD CAPTUREBLT = 0x40000000;

constexpr DWORD MAKEROP4(DWORD fore, DWORD back) {
    return ((back << 8) & 0xFF000000u) | fore;
}

// AlphaBlend.
constexpr BYTE AC_SRC_OVER = 0x00;
constexpr BYTE AC_SRC_ALPHA = 0x01;

// GradientFill.
constexpr ULONG GRADIENT_FILL_RECT_H = 0x00;
constexpr ULONG GRADIENT_FILL_RECT_V = 0x01;
constexpr ULONG GRADIENT_FILL_TRIANGLE = 0x02;
constexpr ULONG GRADIENT_FILL_OP_FLAG = 0xFF;

// Colour-space types of a V4/V5 header.
constexpr LONG LCS_CALIBRATED_RGB = 0x00000000;
constexpr LONG LCS_sRGB = 0x73524742;                // 'sRGB'
constexpr LONG LCS_WINDOWS_COLOR_SPACE = 0x57696E20; // 'Win '
constexpr LONG PROFILE_LINKED = 0x4C494E4B;          // 'LINK'
constexpr LONG PROFILE_EMBEDDED = 0x4D424544;        // 'MBED'
constexpr LONG LCS_GM_BUSINESS = 0x00000001;
constexpr LONG LCS_GM_GRAPHICS = 0x00000002;
constexpr LONG LCS_GM_IMAGES = 0x00000004;
constexpr LONG LCS_GM_ABS_COLORIMETRIC = 0x00000008;

// A device-dependent bitmap as GetObject describes it.
struct BITMAP {
    LONG bmType; // 0
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes; // bytes per row, a multiple of 2
    WORD bmPlanes;     // 1
    WORD bmBitsPixel;
    LPVOID bmBits; // the pixels of a DIB section, else null
};
using PBITMAP = BITMAP*;
using LPBITMAP = BITMAP*;

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};
using LPRGBQUAD = RGBQUAD*;

struct RGBTRIPLE {
    BYTE rgbtBlue;
    BYTE rgbtGreen;
    BYTE rgbtRed;
};

// The OS/2 1.x header (12 bytes): 16-bit sizes, RGBTRIPLE colour table.
struct BITMAPCOREHEADER {
    DWORD bcSize; // 12
    WORD bcWidth;
    WORD bcHeight;
    WORD bcPlanes;
    WORD bcBitCount;
};

// The usual DIB header (40 bytes). Rows are stored bottom-up and padded to 4 bytes; a negative
// height means top-down rows.
struct BITMAPINFOHEADER {
    DWORD biSize; // 40, or 108/124 for the V4/V5 forms
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;   // 1
    WORD biBitCount; // 0 (JPEG/PNG), 1, 4, 8, 16, 24, 32
    DWORD biCompression;
    DWORD biSizeImage; // may be 0 for BI_RGB
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed; // 0: the full table for the depth
    DWORD biClrImportant;
};
using LPBITMAPINFOHEADER = BITMAPINFOHEADER*;
using PBITMAPINFOHEADER = BITMAPINFOHEADER*;

using FXPT2DOT30 = LONG;
struct CIEXYZ {
    FXPT2DOT30 ciexyzX;
    FXPT2DOT30 ciexyzY;
    FXPT2DOT30 ciexyzZ;
};
struct CIEXYZTRIPLE {
    CIEXYZ ciexyzRed;
    CIEXYZ ciexyzGreen;
    CIEXYZ ciexyzBlue;
};

// 108 bytes.
struct BITMAPV4HEADER {
    DWORD bV4Size;
    LONG bV4Width;
    LONG bV4Height;
    WORD bV4Planes;
    WORD bV4BitCount;
    DWORD bV4V4Compression;
    DWORD bV4SizeImage;
    LONG bV4XPelsPerMeter;
    LONG bV4YPelsPerMeter;
    DWORD bV4ClrUsed;
    DWORD bV4ClrImportant;
    DWORD bV4RedMask;
    DWORD bV4GreenMask;
    DWORD bV4BlueMask;
    DWORD bV4AlphaMask;
    DWORD bV4CSType;
    CIEXYZTRIPLE bV4Endpoints;
    DWORD bV4GammaRed;
    DWORD bV4GammaGreen;
    DWORD bV4GammaBlue;
};
using PBITMAPV4HEADER = BITMAPV4HEADER*;

// 124 bytes.
struct BITMAPV5HEADER {
    DWORD bV5Size;
    LONG bV5Width;
    LONG bV5Height;
    WORD bV5Planes;
    WORD bV5BitCount;
    DWORD bV5Compression;
    DWORD bV5SizeImage;
    LONG bV5XPelsPerMeter;
    LONG bV5YPelsPerMeter;
    DWORD bV5ClrUsed;
    DWORD bV5ClrImportant;
    DWORD bV5RedMask;
    DWORD bV5GreenMask;
    DWORD bV5BlueMask;
    DWORD bV5AlphaMask;
    DWORD bV5CSType;
    CIEXYZTRIPLE bV5Endpoints;
    DWORD bV5GammaRed;
    DWORD bV5GammaGreen;
    DWORD bV5GammaBlue;
    DWORD bV5Intent;
    DWORD bV5ProfileData;
    DWORD bV5ProfileSize;
    DWORD bV5Reserved;
};
using PBITMAPV5HEADER = BITMAPV5HEADER*;

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1]; // the colour table, or three DWORD masks for BI_BITFIELDS
};
using LPBITMAPINFO = BITMAPINFO*;
using PBITMAPINFO = BITMAPINFO*;

struct BITMAPCOREINFO {
    BITMAPCOREHEADER bmciHeader;
    RGBTRIPLE bmciColors[1];
};

// The 14-byte header of a .bmp file.
#pragma pack(push, 2)
struct BITMAPFILEHEADER {
    WORD bfType; // 'BM'
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
};
#pragma pack(pop)

struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    DWORD dsBitfields[3];
    HANDLE dshSection;
    DWORD dsOffset;
};
using LPDIBSECTION = DIBSECTION*;

struct BLENDFUNCTION {
    BYTE BlendOp;             // AC_SRC_OVER
    BYTE BlendFlags;          // 0
    BYTE SourceConstantAlpha; // 0..255, applied on top of any per-pixel alpha
    BYTE AlphaFormat;         // 0 or AC_SRC_ALPHA (source is premultiplied BGRA)
};

using COLOR16 = USHORT;
struct TRIVERTEX {
    LONG x;
    LONG y;
    COLOR16 Red; // 0x0000..0xFF00, the high byte counts
    COLOR16 Green;
    COLOR16 Blue;
    COLOR16 Alpha;
};
using PTRIVERTEX = TRIVERTEX*;

struct GRADIENT_RECT {
    ULONG UpperLeft;
    ULONG LowerRight;
};

struct GRADIENT_TRIANGLE {
    ULONG Vertex1;
    ULONG Vertex2;
    ULONG Vertex3;
};

// ---------------------------------------------------------------------------------------------
// Fonts and text
// ---------------------------------------------------------------------------------------------

constexpr int LF_FACESIZE = 32;
constexpr int LF_FULLFACESIZE = 64;
constexpr int ELF_VENDOR_SIZE = 4;
constexpr int MM_MAX_NUMAXES = 16;

constexpr LONG FW_DONTCARE = 0;
constexpr LONG FW_THIN = 100;
constexpr LONG FW_EXTRALIGHT = 200;
constexpr LONG FW_ULTRALIGHT = 200;
constexpr LONG FW_LIGHT = 300;
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_REGULAR = 400;
constexpr LONG FW_MEDIUM = 500;
constexpr LONG FW_SEMIBOLD = 600;
constexpr LONG FW_DEMIBOLD = 600;
constexpr LONG FW_BOLD = 700;
constexpr LONG FW_EXTRABOLD = 800;
constexpr LONG FW_ULTRABOLD = 800;
constexpr LONG FW_HEAVY = 900;
constexpr LONG FW_BLACK = 900;

constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE SYMBOL_CHARSET = 2;
constexpr BYTE MAC_CHARSET = 77;
constexpr BYTE SHIFTJIS_CHARSET = 128;
constexpr BYTE HANGEUL_CHARSET = 129;
constexpr BYTE HANGUL_CHARSET = 129;
constexpr BYTE JOHAB_CHARSET = 130;
constexpr BYTE GB2312_CHARSET = 134;
constexpr BYTE CHINESEBIG5_CHARSET = 136;
constexpr BYTE GREEK_CHARSET = 161;
constexpr BYTE TURKISH_CHARSET = 162;
constexpr BYTE VIETNAMESE_CHARSET = 163;
constexpr BYTE HEBREW_CHARSET = 177;
constexpr BYTE ARABIC_CHARSET = 178;
constexpr BYTE BALTIC_CHARSET = 186;
constexpr BYTE RUSSIAN_CHARSET = 204;
constexpr BYTE THAI_CHARSET = 222;
constexpr BYTE EASTEUROPE_CHARSET = 238;
constexpr BYTE OEM_CHARSET = 255;

constexpr BYTE OUT_DEFAULT_PRECIS = 0;
constexpr BYTE OUT_STRING_PRECIS = 1;
constexpr BYTE OUT_CHARACTER_PRECIS = 2;
constexpr BYTE OUT_STROKE_PRECIS = 3;
constexpr BYTE OUT_TT_PRECIS = 4;
constexpr BYTE OUT_DEVICE_PRECIS = 5;
constexpr BYTE OUT_RASTER_PRECIS = 6;
constexpr BYTE OUT_TT_ONLY_PRECIS = 7;
constexpr BYTE OUT_OUTLINE_PRECIS = 8;
constexpr BYTE OUT_SCREEN_OUTLINE_PRECIS = 9;
constexpr BYTE OUT_PS_ONLY_PRECIS = 10;

constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
constexpr BYTE CLIP_CHARACTER_PRECIS = 1;
constexpr BYTE CLIP_STROKE_PRECIS = 2;
constexpr BYTE CLIP_MASK = 0x0F;
constexpr BYTE CLIP_LH_ANGLES = 0x10;
constexpr BYTE CLIP_TT_ALWAYS = 0x20;
constexpr BYTE CLIP_DFA_DISABLE = 0x40;
constexpr BYTE CLIP_EMBEDDED = 0x80;

constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE DRAFT_QUALITY = 1;
constexpr BYTE PROOF_QUALITY = 2;
constexpr BYTE NONANTIALIASED_QUALITY = 3;
constexpr BYTE ANTIALIASED_QUALITY = 4;
constexpr BYTE CLEARTYPE_QUALITY = 5;
constexpr BYTE CLEARTYPE_NATURAL_QUALITY = 6;

constexpr BYTE DEFAULT_PITCH = 0;
constexpr BYTE FIXED_PITCH = 1;
constexpr BYTE VARIABLE_PITCH = 2;
constexpr BYTE MONO_FONT = 8;
constexpr BYTE FF_DONTCARE = 0x00;
constexpr BYTE FF_ROMAN = 0x10;
constexpr BYTE FF_SWISS = 0x20;
constexpr BYTE FF_MODERN = 0x30;
constexpr BYTE FF_SCRIPT = 0x40;
constexpr BYTE FF_DECORATIVE = 0x50;

// tmPitchAndFamily bits of TEXTMETRIC (note: TMPF_FIXED_PITCH set means variable pitch).
constexpr BYTE TMPF_FIXED_PITCH = 0x01;
constexpr BYTE TMPF_VECTOR = 0x02;
constexpr BYTE TMPF_TRUETYPE = 0x04;
constexpr BYTE TMPF_DEVICE = 0x08;

// Font types passed to a font enumeration callback.
constexpr DWORD RASTER_FONTTYPE = 0x0001;
constexpr DWORD DEVICE_FONTTYPE = 0x0002;
constexpr DWORD TRUETYPE_FONTTYPE = 0x0004;

// Text alignment (SetTextAlign).
constexpr UINT TA_NOUPDATECP = 0;
constexpr UINT TA_UPDATECP = 1;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;
constexpr UINT TA_RTLREADING = 256;
constexpr UINT TA_MASK = TA_BASELINE + TA_CENTER + TA_UPDATECP + TA_RTLREADING;
constexpr UINT VTA_BASELINE = TA_BASELINE;
constexpr UINT VTA_LEFT = TA_BOTTOM;
constexpr UINT VTA_RIGHT = TA_TOP;
constexpr UINT VTA_CENTER = TA_CENTER;
constexpr UINT VTA_BOTTOM = TA_RIGHT;
constexpr UINT VTA_TOP = TA_LEFT;

// ExtTextOut options.
constexpr UINT ETO_GRAYED = 0x0001;
constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;
constexpr UINT ETO_GLYPH_INDEX = 0x0010;
constexpr UINT ETO_RTLREADING = 0x0080;
constexpr UINT ETO_NUMERICSLOCAL = 0x0400;
constexpr UINT ETO_NUMERICSLATIN = 0x0800;
constexpr UINT ETO_IGNORELANGUAGE = 0x1000;
constexpr UINT ETO_PDY = 0x2000;

// SetMapperFlags.
constexpr DWORD ASPECT_FILTERING = 0x0001;

// GetGlyphOutline formats.
constexpr UINT GGO_METRICS = 0;
constexpr UINT GGO_BITMAP = 1;
constexpr UINT GGO_NATIVE = 2;
constexpr UINT GGO_BEZIER = 3;
constexpr UINT GGO_GRAY2_BITMAP = 4;
constexpr UINT GGO_GRAY4_BITMAP = 5;
constexpr UINT GGO_GRAY8_BITMAP = 6;
constexpr UINT GGO_GLYPH_INDEX = 0x0080;
constexpr UINT GGO_UNHINTED = 0x0100;
// Glyph outline records.
constexpr DWORD TT_POLYGON_TYPE = 24;
constexpr WORD TT_PRIM_LINE = 1;
constexpr WORD TT_PRIM_QSPLINE = 2;
constexpr WORD TT_PRIM_CSPLINE = 3;

// GetGlyphIndices.
constexpr DWORD GGI_MARK_NONEXISTING_GLYPHS = 0x0001;

struct LOGFONTA {
    LONG lfHeight; // < 0: character height, > 0: cell height, 0: default; logical units
    LONG lfWidth;
    LONG lfEscapement;  // tenths of a degree, counter-clockwise
    LONG lfOrientation; // tenths of a degree
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];
};
using LPLOGFONTA = LOGFONTA*;

// 92 bytes; the form a font record in an enhanced metafile starts with.
struct LOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
};
using LPLOGFONTW = LOGFONTW*;

struct ENUMLOGFONTEXW {
    LOGFONTW elfLogFont;
    WCHAR elfFullName[LF_FULLFACESIZE];
    WCHAR elfStyle[LF_FACESIZE];
    WCHAR elfScript[LF_FACESIZE];
};

struct DESIGNVECTOR {
    DWORD dvReserved; // 0x08007664
    DWORD dvNumAxes;
    LONG dvValues[MM_MAX_NUMAXES];
};

struct ENUMLOGFONTEXDVW {
    ENUMLOGFONTEXW elfEnumLogfontEx;
    DESIGNVECTOR elfDesignVector;
};

struct TEXTMETRICA {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    BYTE tmFirstChar;
    BYTE tmLastChar;
    BYTE tmDefaultChar;
    BYTE tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};
using LPTEXTMETRICA = TEXTMETRICA*;

struct TEXTMETRICW {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    WCHAR tmFirstChar;
    WCHAR tmLastChar;
    WCHAR tmDefaultChar;
    WCHAR tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};
using LPTEXTMETRICW = TEXTMETRICW*;

struct NEWTEXTMETRICW {
    TEXTMETRICW tm; // laid out field for field as TEXTMETRICW
    DWORD ntmFlags;
    UINT ntmSizeEM;
    UINT ntmCellHeight;
    UINT ntmAvgWidth;
};

struct FONTSIGNATURE {
    DWORD fsUsb[4];
    DWORD fsCsb[2];
};

struct NEWTEXTMETRICEXW {
    NEWTEXTMETRICW ntmTm;
    FONTSIGNATURE ntmFontSig;
};

struct PANOSE {
    BYTE bFamilyType;
    BYTE bSerifStyle;
    BYTE bWeight;
    BYTE bProportion;
    BYTE bContrast;
    BYTE bStrokeVariation;
    BYTE bArmStyle;
    BYTE bLetterform;
    BYTE bMidline;
    BYTE bXHeight;
};

// The name fields hold byte offsets from the start of the structure to WCHAR strings that
// follow it in the caller's buffer.
struct OUTLINETEXTMETRICW {
    UINT otmSize;
    TEXTMETRICW otmTextMetrics;
    BYTE otmFiller;
    PANOSE otmPanoseNumber;
    UINT otmfsSelection;
    UINT otmfsType;
    int otmsCharSlopeRise;
    int otmsCharSlopeRun;
    int otmItalicAngle;
    UINT otmEMSquare;
    int otmAscent;
    int otmDescent;
    UINT otmLineGap;
    UINT otmsCapEmHeight;
    UINT otmsXHeight;
    RECT otmrcFontBox;
    int otmMacAscent;
    int otmMacDescent;
    UINT otmMacLineGap;
    UINT otmusMinimumPPEM;
    POINT otmptSubscriptSize;
    POINT otmptSubscriptOffset;
    POINT otmptSuperscriptSize;
    POINT otmptSuperscriptOffset;
    UINT otmsStrikeoutSize;
    int otmsStrikeoutPosition;
    int otmsUnderscoreSize;
    int otmsUnderscorePosition;
    char* otmpFamilyName;
    char* otmpFaceName;
    char* otmpStyleName;
    char* otmpFullName;
};
using LPOUTLINETEXTMETRICW = OUTLINETEXTMETRICW*;

struct ABC {
    int abcA;
    UINT abcB;
    int abcC;
};
using LPABC = ABC*;

struct ABCFLOAT {
    FLOAT abcfA;
    FLOAT abcfB;
    FLOAT abcfC;
};
using LPABCFLOAT = ABCFLOAT*;

struct POLYTEXTA {
    int x;
    int y;
    UINT n;
    LPCSTR lpstr;
    UINT uiFlags;
    RECT rcl;
    int* pdx;
};

struct POLYTEXTW {
    int x;
    int y;
    UINT n;
    LPCWSTR lpstr;
    UINT uiFlags;
    RECT rcl;
    int* pdx;
};

struct KERNINGPAIR {
    WORD wFirst;
    WORD wSecond;
    int iKernAmount;
};
using LPKERNINGPAIR = KERNINGPAIR*;

struct FIXED {
    WORD fract;
    short value;
};

struct MAT2 {
    FIXED eM11;
    FIXED eM12;
    FIXED eM21;
    FIXED eM22;
};

struct POINTFX {
    FIXED x;
    FIXED y;
};

struct TTPOLYGONHEADER {
    DWORD cb;
    DWORD dwType;
    POINTFX pfxStart;
};

struct TTPOLYCURVE {
    WORD wType;
    WORD cpfx;
    POINTFX apfx[1];
};

struct GLYPHMETRICS {
    UINT gmBlackBoxX;
    UINT gmBlackBoxY;
    POINT gmptGlyphOrigin;
    short gmCellIncX;
    short gmCellIncY;
};
using LPGLYPHMETRICS = GLYPHMETRICS*;

using FONTENUMPROCA = int(CALLBACK*)(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM);
using FONTENUMPROCW = int(CALLBACK*)(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM);

// Device modes are never inspected by the stand-in; only a null pointer is passed.
struct DEVMODEA;
struct DEVMODEW;

// The structures that files carry keep their Windows sizes.
static_assert(sizeof(XFORM) == 24);
static_assert(sizeof(RGNDATAHEADER) == 32);
static_assert(sizeof(BITMAPCOREHEADER) == 12);
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(BITMAPV4HEADER) == 108);
static_assert(sizeof(BITMAPV5HEADER) == 124);
static_assert(sizeof(BITMAPFILEHEADER) == 14);
static_assert(sizeof(LOGFONTW) == 92);
static_assert(sizeof(ENUMLOGFONTEXW) == 348);
static_assert(sizeof(ENUMLOGFONTEXDVW) == 420);
static_assert(sizeof(TEXTMETRICW) == 60);
static_assert(sizeof(PALETTEENTRY) == 4);
static_assert(sizeof(TRIVERTEX) == 16);

// =============================================================================================
// Functions
// =============================================================================================

// Device contexts -----------------------------------------------------------------------------

// Only the "DISPLAY" driver exists: the screen as DESIGN.md describes it.
HDC CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR port, const DEVMODEA* mode);
HDC CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR port, const DEVMODEW* mode);
HDC CreateICA(LPCSTR driver, LPCSTR device, LPCSTR port, const DEVMODEA* mode);
HDC CreateICW(LPCWSTR driver, LPCWSTR device, LPCWSTR port, const DEVMODEW* mode);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HDC GetDC(HWND window);
HDC GetWindowDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
HWND WindowFromDC(HDC dc);
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int savedDC);
int GetDeviceCaps(HDC dc, int index);
BOOL GdiFlush();
UINT SetBoundsRect(HDC dc, const RECT* rect, UINT flags);
UINT GetBoundsRect(HDC dc, LPRECT rect, UINT flags);
DWORD SetLayout(HDC dc, DWORD layout);
DWORD GetLayout(HDC dc);
int SetICMMode(HDC dc, int mode);

inline HDC CreateDC(LPCSTR d, LPCSTR v, LPCSTR p, const DEVMODEA* m) {
    return CreateDCA(d, v, p, m);
}
inline HDC CreateDC(LPCWSTR d, LPCWSTR v, LPCWSTR p, const DEVMODEW* m) {
    return CreateDCW(d, v, p, m);
}
inline HDC CreateIC(LPCSTR d, LPCSTR v, LPCSTR p, const DEVMODEA* m) {
    return CreateICA(d, v, p, m);
}
inline HDC CreateIC(LPCWSTR d, LPCWSTR v, LPCWSTR p, const DEVMODEW* m) {
    return CreateICW(d, v, p, m);
}

// Objects -------------------------------------------------------------------------------------

DWORD GetObjectType(HGDIOBJ object);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
HGDIOBJ GetStockObject(int index);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
int GetObjectA(HANDLE object, int size, LPVOID buffer);
int GetObjectW(HANDLE object, int size, LPVOID buffer);
inline int GetObject(HANDLE object, int size, LPVOID buffer) {
    return GetObjectW(object, size, buffer);
}
BOOL UnrealizeObject(HGDIOBJ object);

// Coordinate spaces ---------------------------------------------------------------------------

int SetMapMode(HDC dc, int mode);
int GetMapMode(HDC dc);
BOOL SetWindowOrgEx(HDC dc, int x, int y, LPPOINT previous);
BOOL GetWindowOrgEx(HDC dc, LPPOINT origin);
BOOL SetWindowExtEx(HDC dc, int x, int y, LPSIZE previous);
BOOL GetWindowExtEx(HDC dc, LPSIZE extent);
BOOL SetViewportOrgEx(HDC dc, int x, int y, LPPOINT previous);
BOOL GetViewportOrgEx(HDC dc, LPPOINT origin);
BOOL SetViewportExtEx(HDC dc, int x, int y, LPSIZE previous);
BOOL GetViewportExtEx(HDC dc, LPSIZE extent);
BOOL OffsetWindowOrgEx(HDC dc, int x, int y, LPPOINT previous);
BOOL OffsetViewportOrgEx(HDC dc, int x, int y, LPPOINT previous);
BOOL ScaleWindowExtEx(HDC dc, int xNum, int xDenom, int yNum, int yDenom, LPSIZE previous);
BOOL ScaleViewportExtEx(HDC dc, int xNum, int xDenom, int yNum, int yDenom, LPSIZE previous);
BOOL LPtoDP(HDC dc, LPPOINT points, int count);
BOOL DPtoLP(HDC dc, LPPOINT points, int count);
int SetGraphicsMode(HDC dc, int mode);
int GetGraphicsMode(HDC dc);
BOOL SetWorldTransform(HDC dc, const XFORM* xform);
BOOL ModifyWorldTransform(HDC dc, const XFORM* xform, DWORD mode);
BOOL GetWorldTransform(HDC dc, LPXFORM xform);
BOOL CombineTransform(LPXFORM result, const XFORM* first, const XFORM* second);
BOOL GetDCOrgEx(HDC dc, LPPOINT origin);

// Regions -------------------------------------------------------------------------------------

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreateEllipticRgnIndirect(const RECT* rect);
HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode);
HRGN CreatePolyPolygonRgn(const POINT* points, const INT* counts, int polygons, int fillMode);
HRGN ExtCreateRegion(const XFORM* xform, DWORD size, const RGNDATA* data);
DWORD GetRegionData(HRGN region, DWORD size, LPRGNDATA data);
int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode);
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);
int OffsetRgn(HRGN region, int x, int y);
int GetRgnBox(HRGN region, LPRECT rect);
BOOL PtInRegion(HRGN region, int x, int y);
BOOL RectInRegion(HRGN region, const RECT* rect);
BOOL EqualRgn(HRGN region1, HRGN region2);
BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush);
BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height);
BOOL InvertRgn(HDC dc, HRGN region);
BOOL PaintRgn(HDC dc, HRGN region);

// Clipping ------------------------------------------------------------------------------------

int SelectClipRgn(HDC dc, HRGN region);
int ExtSelectClipRgn(HDC dc, HRGN region, int mode);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int OffsetClipRgn(HDC dc, int x, int y);
int GetClipBox(HDC dc, LPRECT rect);
int GetClipRgn(HDC dc, HRGN region);
int GetMetaRgn(HDC dc, HRGN region);
int SetMetaRgn(HDC dc);
int GetRandomRgn(HDC dc, HRGN region, INT which);
BOOL PtVisible(HDC dc, int x, int y);
BOOL RectVisible(HDC dc, const RECT* rect);
BOOL SelectClipPath(HDC dc, int mode);

// Pens, brushes and attributes ----------------------------------------------------------------

HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* pen);
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount,
                  const DWORD* styleEntries);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HBRUSH CreateDIBPatternBrush(HGLOBAL packedDib, UINT usage);
HBRUSH CreateDIBPatternBrushPt(const void* packedDib, UINT usage);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
COLORREF SetDCBrushColor(HDC dc, COLORREF color);
COLORREF GetDCBrushColor(HDC dc);
COLORREF SetDCPenColor(HDC dc, COLORREF color);
COLORREF GetDCPenColor(HDC dc);
BOOL SetBrushOrgEx(HDC dc, int x, int y, LPPOINT previous);
BOOL GetBrushOrgEx(HDC dc, LPPOINT origin);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
int SetROP2(HDC dc, int rop2);
int GetROP2(HDC dc);
int SetPolyFillMode(HDC dc, int mode);
int GetPolyFillMode(HDC dc);
int SetArcDirection(HDC dc, int direction);
int GetArcDirection(HDC dc);
BOOL SetMiterLimit(HDC dc, FLOAT limit, FLOAT* previous);
BOOL GetMiterLimit(HDC dc, FLOAT* limit);
int SetRelAbs(HDC dc, int mode);
int GetRelAbs(HDC dc, DWORD reserved);
COLORREF GetNearestColor(HDC dc, COLORREF color);

// Palettes ------------------------------------------------------------------------------------

HPALETTE CreatePalette(const LOGPALETTE* palette);
HPALETTE CreateHalftonePalette(HDC dc);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC dc);
UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, LPPALETTEENTRY entries);
BOOL ResizePalette(HPALETTE palette, UINT count);
BOOL AnimatePalette(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries);
UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color);
UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, LPPALETTEENTRY entries);

// Lines, curves and shapes --------------------------------------------------------------------

BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous);
BOOL GetCurrentPositionEx(HDC dc, LPPOINT position);
BOOL LineTo(HDC dc, int x, int y);
BOOL Polyline(HDC dc, const POINT* points, int count);
BOOL PolylineTo(HDC dc, const POINT* points, DWORD count);
BOOL PolyPolyline(HDC dc, const POINT* points, const DWORD* counts, DWORD polylines);
BOOL Polygon(HDC dc, const POINT* points, int count);
BOOL PolyPolygon(HDC dc, const POINT* points, const INT* counts, int polygons);
BOOL PolyBezier(HDC dc, const POINT* points, DWORD count);
BOOL PolyBezierTo(HDC dc, const POINT* points, DWORD count);
BOOL PolyDraw(HDC dc, const POINT* points, const BYTE* types, int count);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
BOOL Arc(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
         int yEnd);
BOOL ArcTo(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
           int yEnd);
BOOL AngleArc(HDC dc, int x, int y, DWORD radius, FLOAT startAngle, FLOAT sweepAngle);
BOOL Chord(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
           int yEnd);
BOOL Pie(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
         int yEnd);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
BOOL SetPixelV(HDC dc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC dc, int x, int y);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL InvertRect(HDC dc, const RECT* rect);
BOOL ExtFloodFill(HDC dc, int x, int y, COLORREF color, UINT type);
BOOL FloodFill(HDC dc, int x, int y, COLORREF color);

// Paths ---------------------------------------------------------------------------------------

BOOL BeginPath(HDC dc);
BOOL EndPath(HDC dc);
BOOL AbortPath(HDC dc);
BOOL CloseFigure(HDC dc);
BOOL FillPath(HDC dc);
BOOL StrokePath(HDC dc);
BOOL StrokeAndFillPath(HDC dc);
BOOL FlattenPath(HDC dc);
BOOL WidenPath(HDC dc);
int GetPath(HDC dc, LPPOINT points, LPBYTE types, int count);
HRGN PathToRegion(HDC dc);

// Bitmaps and DIBs ----------------------------------------------------------------------------

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP CreateBitmapIndirect(const BITMAP* bitmap);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HBITMAP CreateDiscardableBitmap(HDC dc, int width, int height);
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage);
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
              UINT usage);
int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits,
              const BITMAPINFO* info, UINT usage);
int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                      UINT startScan, UINT lines, const void* bits, const BITMAPINFO* info,
                      UINT usage);
int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                  DWORD rop);
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors);
UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors);
LONG GetBitmapBits(HBITMAP bitmap, LONG size, LPVOID bits);
LONG SetBitmapBits(HBITMAP bitmap, DWORD size, const void* bits);
BOOL GetBitmapDimensionEx(HBITMAP bitmap, LPSIZE size);
BOOL SetBitmapDimensionEx(HBITMAP bitmap, int width, int height, LPSIZE previous);
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop);
BOOL StretchBlt(HDC dest, int xDest, int yDest, int destWidth, int destHeight, HDC src, int xSrc,
                int ySrc, int srcWidth, int srcHeight, DWORD rop);
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
BOOL MaskBlt(HDC dest, int xDest, int yDest, int width, int height, HDC src, int xSrc, int ySrc,
             HBITMAP mask, int xMask, int yMask, DWORD rop4);
BOOL PlgBlt(HDC dest, const POINT* points, HDC src, int xSrc, int ySrc, int width, int height,
            HBITMAP mask, int xMask, int yMask);
BOOL TransparentBlt(HDC dest, int xDest, int yDest, int destWidth, int destHeight, HDC src,
                    int xSrc, int ySrc, int srcWidth, int srcHeight, UINT transparent);
BOOL AlphaBlend(HDC dest, int xDest, int yDest, int destWidth, int destHeight, HDC src, int xSrc,
                int ySrc, int srcWidth, int srcHeight, BLENDFUNCTION blend);
BOOL GradientFill(HDC dc, const TRIVERTEX* vertices, ULONG vertexCount, const void* mesh,
                  ULONG meshCount, ULONG mode);

// Fonts and text ------------------------------------------------------------------------------

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName);
HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName);
HFONT CreateFontIndirectA(const LOGFONTA* font);
HFONT CreateFontIndirectW(const LOGFONTW* font);
// The fullest description of a font, as a metafile's font record carries it.
HFONT CreateFontIndirectExW(const ENUMLOGFONTEXDVW* font);
// The font record of an enhanced metafile: a LOGFONTW, ENUMLOGFONTEXW or ENUMLOGFONTEXDVW,
// told apart by size (bytes of the structure at font).
HFONT ExtCreateFontIndirectW(const void* font, DWORD size);
inline HFONT CreateFontIndirect(const LOGFONTA* font) {
    return CreateFontIndirectA(font);
}
inline HFONT CreateFontIndirect(const LOGFONTW* font) {
    return CreateFontIndirectW(font);
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count);
BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count);
BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const INT* dx);
BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count,
                 const INT* dx);
BOOL PolyTextOutA(HDC dc, const POLYTEXTA* texts, int count);
BOOL PolyTextOutW(HDC dc, const POLYTEXTW* texts, int count);
inline BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int count) {
    return TextOutA(dc, x, y, text, count);
}
inline BOOL TextOut(HDC dc, int x, int y, LPCWSTR text, int count) {
    return TextOutW(dc, x, y, text, count);
}
inline BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text,
                       UINT count, const INT* dx) {
    return ExtTextOutA(dc, x, y, options, rect, text, count, dx);
}
inline BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text,
                       UINT count, const INT* dx) {
    return ExtTextOutW(dc, x, y, options, rect, text, count, dx);
}

BOOL GetTextMetricsA(HDC dc, LPTEXTMETRICA metrics);
BOOL GetTextMetricsW(HDC dc, LPTEXTMETRICW metrics);
inline BOOL GetTextMetrics(HDC dc, LPTEXTMETRICA m) {
    return GetTextMetricsA(dc, m);
}
inline BOOL GetTextMetrics(HDC dc, LPTEXTMETRICW m) {
    return GetTextMetricsW(dc, m);
}
UINT GetOutlineTextMetricsW(HDC dc, UINT size, LPOUTLINETEXTMETRICW metrics);
BOOL GetTextExtentPointA(HDC dc, LPCSTR text, int count, LPSIZE size);
BOOL GetTextExtentPointW(HDC dc, LPCWSTR text, int count, LPSIZE size);
BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, LPSIZE size);
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, LPSIZE size);
inline BOOL GetTextExtentPoint32(HDC dc, LPCSTR text, int count, LPSIZE size) {
    return GetTextExtentPoint32A(dc, text, count, size);
}
inline BOOL GetTextExtentPoint32(HDC dc, LPCWSTR text, int count, LPSIZE size) {
    return GetTextExtentPoint32W(dc, text, count, size);
}
BOOL GetTextExtentExPointA(HDC dc, LPCSTR text, int count, int maxExtent, LPINT fit, LPINT dx,
                           LPSIZE size);
BOOL GetTextExtentExPointW(HDC dc, LPCWSTR text, int count, int maxExtent, LPINT fit, LPINT dx,
                           LPSIZE size);
BOOL GetTextExtentPointI(HDC dc, const WORD* glyphs, int count, LPSIZE size);
BOOL GetCharWidth32A(HDC dc, UINT first, UINT last, LPINT widths);
BOOL GetCharWidth32W(HDC dc, UINT first, UINT last, LPINT widths);
BOOL GetCharWidthW(HDC dc, UINT first, UINT last, LPINT widths);
BOOL GetCharABCWidthsA(HDC dc, UINT first, UINT last, LPABC widths);
BOOL GetCharABCWidthsW(HDC dc, UINT first, UINT last, LPABC widths);
BOOL GetCharABCWidthsFloatW(HDC dc, UINT first, UINT last, LPABCFLOAT widths);
BOOL GetCharABCWidthsI(HDC dc, UINT first, UINT count, const WORD* glyphs, LPABC widths);
int GetTextFaceA(HDC dc, int size, LPSTR name);
int GetTextFaceW(HDC dc, int size, LPWSTR name);
inline int GetTextFace(HDC dc, int size, LPSTR name) {
    return GetTextFaceA(dc, size, name);
}
inline int GetTextFace(HDC dc, int size, LPWSTR name) {
    return GetTextFaceW(dc, size, name);
}
int GetTextCharset(HDC dc);
DWORD GetGlyphIndicesW(HDC dc, LPCWSTR text, int count, WORD* glyphs, DWORD flags);
DWORD GetKerningPairsW(HDC dc, DWORD count, LPKERNINGPAIR pairs);
DWORD GetFontData(HDC dc, DWORD table, DWORD offset, LPVOID buffer, DWORD size);
DWORD GetGlyphOutlineW(HDC dc, UINT ch, UINT format, LPGLYPHMETRICS metrics, DWORD size,
                       LPVOID buffer, const MAT2* matrix);
DWORD GetGlyphOutlineA(HDC dc, UINT ch, UINT format, LPGLYPHMETRICS metrics, DWORD size,
                       LPVOID buffer, const MAT2* matrix);
int EnumFontFamiliesExA(HDC dc, LPLOGFONTA font, FONTENUMPROCA proc, LPARAM param, DWORD flags);
int EnumFontFamiliesExW(HDC dc, LPLOGFONTW font, FONTENUMPROCW proc, LPARAM param, DWORD flags);
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);
int SetTextCharacterExtra(HDC dc, int extra);
int GetTextCharacterExtra(HDC dc);
BOOL SetTextJustification(HDC dc, int extra, int breaks);
DWORD SetMapperFlags(HDC dc, DWORD flags);
