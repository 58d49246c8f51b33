// The Win32 stand-in: enhanced and Windows metafiles: reading, playing, recording, converting.
//
// An enhanced metafile is a header record followed by records of 32-bit size, each naming one
// GDI call with its arguments in device units of a reference device ("bounds") and a picture
// frame in 0.01 mm. A Windows metafile is the older 16-bit form: an 18-byte header, then records
// whose size counts 16-bit words; a placeable file puts a 22-byte header with a bounding box in
// front. Both kinds live in memory behind a handle once read; the bytes are validated when the
// handle is made and again, record by record, whenever they are played, so a damaged file plays
// as far as it can and never reads outside itself.
#pragma once

#include "platform/WinGdi.h"
#include "platform/WinTypes.h"

// ---------------------------------------------------------------------------------------------
// Enhanced metafile records

constexpr DWORD ENHMETA_SIGNATURE = 0x464D4520u; // " EMF"
constexpr DWORD ENHMETA_STOCK_OBJECT = 0x80000000u;

constexpr DWORD EMR_HEADER = 1;
constexpr DWORD EMR_POLYBEZIER = 2;
constexpr DWORD EMR_POLYGON = 3;
constexpr DWORD EMR_POLYLINE = 4;
constexpr DWORD EMR_POLYBEZIERTO = 5;
constexpr DWORD EMR_POLYLINETO = 6;
constexpr DWORD EMR_POLYPOLYLINE = 7;
constexpr DWORD EMR_POLYPOLYGON = 8;
constexpr DWORD EMR_SETWINDOWEXTEX = 9;
constexpr DWORD EMR_SETWINDOWORGEX = 10;
constexpr DWORD EMR_SETVIEWPORTEXTEX = 11;
constexpr DWORD EMR_SETVIEWPORTORGEX = 12;
constexpr DWORD EMR_SETBRUSHORGEX = 13;
constexpr DWORD EMR_EOF = 14;
constexpr DWORD EMR_SETPIXELV = 15;
constexpr DWORD EMR_SETMAPPERFLAGS = 16;
constexpr DWORD EMR_SETMAPMODE = 17;
constexpr DWORD EMR_SETBKMODE = 18;
constexpr DWORD EMR_SETPOLYFILLMODE = 19;
constexpr DWORD EMR_SETROP2 = 20;
constexpr DWORD EMR_SETSTRETCHBLTMODE = 21;
constexpr DWORD EMR_SETTEXTALIGN = 22;
constexpr DWORD EMR_SETCOLORADJUSTMENT = 23;
constexpr DWORD EMR_SETTEXTCOLOR = 24;
constexpr DWORD EMR_SETBKCOLOR = 25;
constexpr DWORD EMR_OFFSETCLIPRGN = 26;
constexpr DWORD EMR_MOVETOEX = 27;
constexpr DWORD EMR_SETMETARGN = 28;
constexpr DWORD EMR_EXCLUDECLIPRECT = 29;
constexpr DWORD EMR_INTERSECTCLIPRECT = 30;
constexpr DWORD EMR_SCALEVIEWPORTEXTEX = 31;
constexpr DWORD EMR_SCALEWINDOWEXTEX = 32;
constexpr DWORD EMR_SAVEDC = 33;
constexpr DWORD EMR_RESTOREDC = 34;
constexpr DWORD EMR_SETWORLDTRANSFORM = 35;
constexpr DWORD EMR_MODIFYWORLDTRANSFORM = 36;
constexpr DWORD EMR_SELECTOBJECT = 37;
constexpr DWORD EMR_CREATEPEN = 38;
constexpr DWORD EMR_CREATEBRUSHINDIRECT = 39;
constexpr DWORD EMR_DELETEOBJECT = 40;
constexpr DWORD EMR_ANGLEARC = 41;
constexpr DWORD EMR_ELLIPSE = 42;
constexpr DWORD EMR_RECTANGLE = 43;
constexpr DWORD EMR_ROUNDRECT = 44;
constexpr DWORD EMR_ARC = 45;
constexpr DWORD EMR_CHORD = 46;
constexpr DWORD EMR_PIE = 47;
constexpr DWORD EMR_SELECTPALETTE = 48;
constexpr DWORD EMR_CREATEPALETTE = 49;
constexpr DWORD EMR_SETPALETTEENTRIES = 50;
constexpr DWORD EMR_RESIZEPALETTE = 51;
constexpr DWORD EMR_REALIZEPALETTE = 52;
constexpr DWORD EMR_EXTFLOODFILL = 53;
constexpr DWORD EMR_LINETO = 54;
constexpr DWORD EMR_ARCTO = 55;
constexpr DWORD EMR_POLYDRAW = 56;
constexpr DWORD EMR_SETARCDIRECTION = 57;
constexpr DWORD EMR_SETMITERLIMIT = 58;
constexpr DWORD EMR_BEGINPATH = 59;
constexpr DWORD EMR_ENDPATH = 60;
constexpr DWORD EMR_CLOSEFIGURE = 61;
constexpr DWORD EMR_FILLPATH = 62;
constexpr DWORD EMR_STROKEANDFILLPATH = 63;
constexpr DWORD EMR_STROKEPATH = 64;
constexpr DWORD EMR_FLATTENPATH = 65;
constexpr DWORD EMR_WIDENPATH = 66;
constexpr DWORD EMR_SELECTCLIPPATH = 67;
constexpr DWORD EMR_ABORTPATH = 68;
constexpr DWORD EMR_GDICOMMENT = 70;
constexpr DWORD EMR_FILLRGN = 71;
constexpr DWORD EMR_FRAMERGN = 72;
constexpr DWORD EMR_INVERTRGN = 73;
constexpr DWORD EMR_PAINTRGN = 74;
constexpr DWORD EMR_EXTSELECTCLIPRGN = 75;
constexpr DWORD EMR_BITBLT = 76;
constexpr DWORD EMR_STRETCHBLT = 77;
constexpr DWORD EMR_MASKBLT = 78;
constexpr DWORD EMR_PLGBLT = 79;
constexpr DWORD EMR_SETDIBITSTODEVICE = 80;
constexpr DWORD EMR_STRETCHDIBITS = 81;
constexpr DWORD EMR_EXTCREATEFONTINDIRECTW = 82;
constexpr DWORD EMR_EXTTEXTOUTA = 83;
constexpr DWORD EMR_EXTTEXTOUTW = 84;
constexpr DWORD EMR_POLYBEZIER16 = 85;
constexpr DWORD EMR_POLYGON16 = 86;
constexpr DWORD EMR_POLYLINE16 = 87;
constexpr DWORD EMR_POLYBEZIERTO16 = 88;
constexpr DWORD EMR_POLYLINETO16 = 89;
constexpr DWORD EMR_POLYPOLYLINE16 = 90;
constexpr DWORD EMR_POLYPOLYGON16 = 91;
constexpr DWORD EMR_POLYDRAW16 = 92;
constexpr DWORD EMR_CREATEMONOBRUSH = 93;
constexpr DWORD EMR_CREATEDIBPATTERNBRUSHPT = 94;
constexpr DWORD EMR_EXTCREATEPEN = 95;
constexpr DWORD EMR_POLYTEXTOUTA = 96;
constexpr DWORD EMR_POLYTEXTOUTW = 97;
constexpr DWORD EMR_SETICMMODE = 98;
constexpr DWORD EMR_CREATECOLORSPACE = 99;
constexpr DWORD EMR_SETCOLORSPACE = 100;
constexpr DWORD EMR_DELETECOLORSPACE = 101;
constexpr DWORD EMR_GLSRECORD = 102;
constexpr DWORD EMR_GLSBOUNDEDRECORD = 103;
constexpr DWORD EMR_PIXELFORMAT = 104;
constexpr DWORD EMR_DRAWESCAPE = 105;
constexpr DWORD EMR_EXTESCAPE = 106;
constexpr DWORD EMR_SMALLTEXTOUT = 108;
constexpr DWORD EMR_FORCEUFIMAPPING = 109;
constexpr DWORD EMR_NAMEDESCAPE = 110;
constexpr DWORD EMR_COLORCORRECTPALETTE = 111;
constexpr DWORD EMR_SETICMPROFILEA = 112;
constexpr DWORD EMR_SETICMPROFILEW = 113;
constexpr DWORD EMR_ALPHABLEND = 114;
constexpr DWORD EMR_SETLAYOUT = 115;
constexpr DWORD EMR_TRANSPARENTBLT = 116;
constexpr DWORD EMR_GRADIENTFILL = 118;
constexpr DWORD EMR_SETLINKEDUFIS = 119;
constexpr DWORD EMR_SETTEXTJUSTIFICATION = 120;
constexpr DWORD EMR_COLORMATCHTOTARGETW = 121;
constexpr DWORD EMR_CREATECOLORSPACEW = 122;
constexpr DWORD EMR_MIN = 1;
constexpr DWORD EMR_MAX = 122;

// Identifiers at the start of the data of an EMR_GDICOMMENT.
constexpr DWORD GDICOMMENT_IDENTIFIER = 0x43494447u; // "GDIC"
constexpr DWORD GDICOMMENT_WINDOWS_METAFILE = 0x80000001u;
constexpr DWORD GDICOMMENT_BEGINGROUP = 0x00000002u;
constexpr DWORD GDICOMMENT_ENDGROUP = 0x00000003u;
constexpr DWORD GDICOMMENT_MULTIFORMATS = 0x40000004u;
constexpr DWORD EMFPLUS_COMMENT_IDENTIFIER = 0x2B464D45u; // "EMF+"

// The header record (88 bytes; 100 with the pixel-format fields, 108 with the OpenGL ones).
struct ENHMETAHEADER {
    DWORD iType;          // EMR_HEADER
    DWORD nSize;          // bytes of this record, description included
    RECTL rclBounds;      // inclusive bounds of the drawing, device units of the reference device
    RECTL rclFrame;       // inclusive picture frame, 0.01 mm
    DWORD dSignature;     // ENHMETA_SIGNATURE
    DWORD nVersion;       // 0x10000
    DWORD nBytes;         // bytes of the whole metafile
    DWORD nRecords;       // records, header and EMR_EOF included
    WORD nHandles;        // entries of the handle table, entry 0 (the metafile) included
    WORD sReserved;       // 0
    DWORD nDescription;   // UTF-16 characters of the description, zeros included; 0 for none
    DWORD offDescription; // byte offset of the description from the start of this record
    DWORD nPalEntries;    // entries of the palette in the EMR_EOF record
    SIZEL szlDevice;      // reference device, pixels
    SIZEL szlMillimeters; // reference device, millimetres
    DWORD cbPixelFormat;  // bytes of the pixel format descriptor, 0 for none
    DWORD offPixelFormat; // its offset from the start of this record
    DWORD bOpenGL;        // TRUE when OpenGL records are present
    SIZEL szlMicrometers; // reference device, micrometres
};
using LPENHMETAHEADER = ENHMETAHEADER*;

struct ENHMETARECORD {
    DWORD iType;    // EMR_*
    DWORD nSize;    // bytes of the record, a multiple of 4
    DWORD dParm[1]; // parameters, nSize / 4 - 2 of them
};
using LPENHMETARECORD = ENHMETARECORD*;

struct EMR {
    DWORD iType;
    DWORD nSize;
};

struct EMRGDICOMMENT {
    EMR emr;
    DWORD cbData; // bytes of Data
    BYTE Data[1];
};

struct EMREOF {
    EMR emr;
    DWORD nPalEntries;   // palette entries stored in this record
    DWORD offPalEntries; // their offset from the start of the record
    DWORD nSizeLast;     // equal to nSize: lets a reader walk backwards
};

// One slot per object a metafile creates; slot 0 holds the metafile itself.
struct HANDLETABLE {
    HGDIOBJ objectHandle[1];
};
using LPHANDLETABLE = HANDLETABLE*;

// Called for every record in file order; a zero result stops the enumeration.
using ENHMFENUMPROC = int (*)(HDC hdc, HANDLETABLE* lpht, const ENHMETARECORD* lpmr, int nHandles,
                              LPARAM data);

// ---------------------------------------------------------------------------------------------
// Enhanced metafile functions

// Reads a file written as an enhanced metafile; a Windows metafile or a damaged header fails.
HENHMETAFILE GetEnhMetaFile(LPCSTR lpName);
HENHMETAFILE GetEnhMetaFileA(LPCSTR lpName);
// Makes a metafile from a copy of the bytes (the caller keeps its buffer).
HENHMETAFILE SetEnhMetaFileBits(UINT nSize, const BYTE* pb);
// With no buffer answers the size; otherwise copies min(nSize, size) bytes and answers that.
UINT GetEnhMetaFileBits(HENHMETAFILE hEMF, UINT nSize, LPBYTE lpData);
// With no buffer answers the header record's size; otherwise copies up to nSize bytes of it.
UINT GetEnhMetaFileHeader(HENHMETAFILE hemf, UINT nSize, LPENHMETAHEADER lpEnhMetaHeader);
// The description in UTF-16 characters, both zeros included; with no buffer, its length; 0 when
// the metafile has none, GDI_ERROR on a bad handle.
UINT GetEnhMetaFileDescriptionW(HENHMETAFILE hemf, UINT cchBuffer, LPWSTR lpDescription);
UINT GetEnhMetaFileDescription(HENHMETAFILE hemf, UINT cchBuffer, LPWSTR lpDescription);
// The same in single bytes (characters above 0xFF become '?').
UINT GetEnhMetaFileDescriptionA(HENHMETAFILE hemf, UINT cchBuffer, LPSTR lpDescription);
// Copies into memory (lpFileName null) or to a file; the new handle reads that copy.
HENHMETAFILE CopyEnhMetaFile(HENHMETAFILE hEnh, LPCSTR lpFileName);
HENHMETAFILE CopyEnhMetaFileA(HENHMETAFILE hEnh, LPCSTR lpFileName);
BOOL DeleteEnhMetaFile(HENHMETAFILE hmf);

// Walks the records; with a DC, lpRect is the destination the frame is mapped onto and the
// callback may play each record with PlayEnhMetaFileRecord. FALSE when the callback stopped the
// walk or the file is damaged (the sound part has then been enumerated all the same).
BOOL EnumEnhMetaFile(HDC hdc, HENHMETAFILE hmf, ENHMFENUMPROC proc, LPVOID param,
                     const RECT* lpRect);
BOOL PlayEnhMetaFile(HDC hdc, HENHMETAFILE hmf, const RECT* lprect);
// Plays one record. A record that fails its checks or is unknown is passed over (FALSE).
BOOL PlayEnhMetaFileRecord(HDC hdc, LPHANDLETABLE pht, const ENHMETARECORD* pmr, UINT cht);

// Writes an EMR_GDICOMMENT on a recording DC; TRUE (nothing written) on any other DC.
BOOL GdiComment(HDC hdc, UINT nSize, const BYTE* lpData);

// Starts recording. hdc is the reference device (null: the screen); lpFilename null records in
// memory; lprc is the frame in 0.01 mm (null: computed from what is drawn); lpDesc is the
// description, two zero-terminated parts ending in a double zero, or null.
HDC CreateEnhMetaFileW(HDC hdc, LPCSTR lpFilename, const RECT* lprc, LPCWSTR lpDesc);
HDC CreateEnhMetaFile(HDC hdc, LPCSTR lpFilename, const RECT* lprc, LPCWSTR lpDesc);
HDC CreateEnhMetaFileA(HDC hdc, LPCSTR lpFilename, const RECT* lprc, LPCSTR lpDesc);
HENHMETAFILE CloseEnhMetaFile(HDC hdc);

// ---------------------------------------------------------------------------------------------
// Windows metafile records

constexpr DWORD META_PLACEABLE_KEY = 0x9AC6CDD7u;

constexpr WORD META_EOF = 0x0000;
constexpr WORD META_REALIZEPALETTE = 0x0035;
constexpr WORD META_SETPALENTRIES = 0x0037;
constexpr WORD META_SETBKMODE = 0x0102;
constexpr WORD META_SETMAPMODE = 0x0103;
constexpr WORD META_SETROP2 = 0x0104;
constexpr WORD META_SETRELABS = 0x0105;
constexpr WORD META_SETPOLYFILLMODE = 0x0106;
constexpr WORD META_SETSTRETCHBLTMODE = 0x0107;
constexpr WORD META_SETTEXTCHAREXTRA = 0x0108;
constexpr WORD META_RESTOREDC = 0x0127;
constexpr WORD META_RESIZEPALETTE = 0x0139;
constexpr WORD META_DIBCREATEPATTERNBRUSH = 0x0142;
constexpr WORD META_SETLAYOUT = 0x0149;
constexpr WORD META_SETBKCOLOR = 0x0201;
constexpr WORD META_SETTEXTCOLOR = 0x0209;
constexpr WORD META_OFFSETVIEWPORTORG = 0x0211;
constexpr WORD META_LINETO = 0x0213;
constexpr WORD META_MOVETO = 0x0214;
constexpr WORD META_OFFSETCLIPRGN = 0x0220;
constexpr WORD META_FILLREGION = 0x0228;
constexpr WORD META_SETMAPPERFLAGS = 0x0231;
constexpr WORD META_SELECTPALETTE = 0x0234;
constexpr WORD META_POLYGON = 0x0324;
constexpr WORD META_POLYLINE = 0x0325;
constexpr WORD META_SETTEXTJUSTIFICATION = 0x020A;
constexpr WORD META_SETWINDOWORG = 0x020B;
constexpr WORD META_SETWINDOWEXT = 0x020C;
constexpr WORD META_SETVIEWPORTORG = 0x020D;
constexpr WORD META_SETVIEWPORTEXT = 0x020E;
constexpr WORD META_OFFSETWINDOWORG = 0x020F;
constexpr WORD META_SCALEWINDOWEXT = 0x0410;
constexpr WORD META_SCALEVIEWPORTEXT = 0x0412;
constexpr WORD META_EXCLUDECLIPRECT = 0x0415;
constexpr WORD META_INTERSECTCLIPRECT = 0x0416;
constexpr WORD META_ELLIPSE = 0x0418;
constexpr WORD META_FLOODFILL = 0x0419;
constexpr WORD META_FRAMEREGION = 0x0429;
constexpr WORD META_ANIMATEPALETTE = 0x0436;
constexpr WORD META_TEXTOUT = 0x0521;
constexpr WORD META_POLYPOLYGON = 0x0538;
constexpr WORD META_EXTFLOODFILL = 0x0548;
constexpr WORD META_RECTANGLE = 0x041B;
constexpr WORD META_SETPIXEL = 0x041F;
constexpr WORD META_ROUNDRECT = 0x061C;
constexpr WORD META_PATBLT = 0x061D;
constexpr WORD META_SAVEDC = 0x001E;
constexpr WORD META_PIE = 0x081A;
constexpr WORD META_STRETCHBLT = 0x0B23;
constexpr WORD META_ESCAPE = 0x0626;
constexpr WORD META_INVERTREGION = 0x012A;
constexpr WORD META_PAINTREGION = 0x012B;
constexpr WORD META_SELECTCLIPREGION = 0x012C;
constexpr WORD META_SELECTOBJECT = 0x012D;
constexpr WORD META_SETTEXTALIGN = 0x012E;
constexpr WORD META_ARC = 0x0817;
constexpr WORD META_CHORD = 0x0830;
constexpr WORD META_BITBLT = 0x0922;
constexpr WORD META_EXTTEXTOUT = 0x0A32;
constexpr WORD META_SETDIBTODEV = 0x0D33;
constexpr WORD META_DIBBITBLT = 0x0940;
constexpr WORD META_DIBSTRETCHBLT = 0x0B41;
constexpr WORD META_STRETCHDIB = 0x0F43;
constexpr WORD META_DELETEOBJECT = 0x01F0;
constexpr WORD META_CREATEPALETTE = 0x00F7;
constexpr WORD META_CREATEPATTERNBRUSH = 0x01F9;
constexpr WORD META_CREATEPENINDIRECT = 0x02FA;
constexpr WORD META_CREATEFONTINDIRECT = 0x02FB;
constexpr WORD META_CREATEBRUSHINDIRECT = 0x02FC;
constexpr WORD META_CREATEREGION = 0x06FF;

// Escape functions a Windows metafile may carry; none of them is acted on when played.
constexpr WORD MFCOMMENT = 15;
constexpr WORD SETABORTPROC = 9;

#pragma pack(push, 2)
// The 18-byte header of a Windows metafile.
struct METAHEADER {
    WORD mtType;         // 1 memory metafile, 2 disk metafile
    WORD mtHeaderSize;   // 9: words of this header
    WORD mtVersion;      // 0x0100 or 0x0300
    DWORD mtSize;        // words of the whole metafile, header included
    WORD mtNoObjects;    // entries of the object table
    DWORD mtMaxRecord;   // words of the largest record
    WORD mtNoParameters; // 0
};

// The 22-byte header of a placeable metafile, in front of the METAHEADER.
struct PLACEABLEMETAHEADER {
    DWORD key;      // META_PLACEABLE_KEY
    WORD hmf;       // 0 in files
    RECTS bbox;     // picture bounding box in metafile units
    WORD inch;      // metafile units per inch
    DWORD reserved; // 0
    WORD checksum;  // XOR of the ten words before it
};
#pragma pack(pop)
static_assert(sizeof(METAHEADER) == 18);
static_assert(sizeof(PLACEABLEMETAHEADER) == 22);

struct METARECORD {
    DWORD rdSize;    // words of the record, these six bytes included
    WORD rdFunction; // META_*: the low byte is the function, the high byte its parameter words
    WORD rdParm[1];
};
using LPMETARECORD = METARECORD*;

// A Windows metafile with the mapping mode and size it is meant to be shown at.
struct METAFILEPICT {
    LONG mm;       // mapping mode
    LONG xExt;     // width in 0.01 mm for MM_ISOTROPIC/MM_ANISOTROPIC (0: no size suggested),
    LONG yExt;     // otherwise in units of the mapping mode
    HMETAFILE hMF; // the metafile; not used by SetWinMetaFileBits
};
using LPMETAFILEPICT = METAFILEPICT*;

using MFENUMPROC = int (*)(HDC hdc, HANDLETABLE* lpht, METARECORD* lpMR, int nObj, LPARAM param);

// ---------------------------------------------------------------------------------------------
// Windows metafile functions

// Reads a plain Windows metafile file (placeable files are read with SetMetaFileBitsEx from the
// bytes after their 22-byte header).
HMETAFILE GetMetaFileA(LPCSTR lpName);
HMETAFILE GetMetaFile(LPCSTR lpName);
HMETAFILE SetMetaFileBitsEx(UINT cbBuffer, const BYTE* lpData);
UINT GetMetaFileBitsEx(HMETAFILE hMF, UINT cbBuffer, LPVOID lpData);
BOOL DeleteMetaFile(HMETAFILE hmf);
BOOL PlayMetaFile(HDC hdc, HMETAFILE hmf);
BOOL EnumMetaFile(HDC hdc, HMETAFILE hmf, MFENUMPROC proc, LPARAM param);
BOOL PlayMetaFileRecord(HDC hdc, LPHANDLETABLE lpHandleTable, LPMETARECORD lpMR, UINT noObjs);
// Converts Windows metafile bits into an enhanced metafile for the reference device hdcRef
// (null: the screen). With lpmfp null, or a picture without a mapping mode or size, the window is
// mapped onto the whole reference device and the frame is the bounds of what is drawn.
HENHMETAFILE SetWinMetaFileBits(UINT nSize, const BYTE* lpMeta16Data, HDC hdcRef,
                                const METAFILEPICT* lpMFP);
