// mfdump: lists the records of an enhanced or Windows metafile.
//
//   mfdump IN [MAX_RECORDS]
//
// A Windows metafile is first converted with SetWinMetaFileBits, as mfrender does, so the listing
// shows what is played. The header line gives the bounds (reference-device pixels), the frame
// (0.01 mm) and the reference device; then one line per record: index, byte offset, name, size
// and the first parameters as signed 32-bit numbers (points of the 16-bit records show as one
// number each: y * 65536 + x).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/WinMetafile.h"
#include "tools/OpenMetafile.h"

namespace {

const char* recordName(DWORD type) {
    switch (type) {
#define X(name)                                                                                    \
    case EMR_##name:                                                                               \
        return #name;
        X(HEADER)
        X(POLYBEZIER)
        X(POLYGON)
        X(POLYLINE)
        X(POLYBEZIERTO)
        X(POLYLINETO)
        X(POLYPOLYLINE)
        X(POLYPOLYGON)
        X(SETWINDOWEXTEX)
        X(SETWINDOWORGEX)
        X(SETVIEWPORTEXTEX)
        X(SETVIEWPORTORGEX)
        X(SETBRUSHORGEX)
        X(EOF)
        X(SETPIXELV)
        X(SETMAPPERFLAGS)
        X(SETMAPMODE)
        X(SETBKMODE)
        X(SETPOLYFILLMODE)
        X(SETROP2)
        X(SETSTRETCHBLTMODE)
        X(SETTEXTALIGN)
        X(SETCOLORADJUSTMENT)
        X(SETTEXTCOLOR)
        X(SETBKCOLOR)
        X(OFFSETCLIPRGN)
        X(MOVETOEX)
        X(SETMETARGN)
        X(EXCLUDECLIPRECT)
        X(INTERSECTCLIPRECT)
        X(SCALEVIEWPORTEXTEX)
        X(SCALEWINDOWEXTEX)
        X(SAVEDC)
        X(RESTOREDC)
        X(SETWORLDTRANSFORM)
        X(MODIFYWORLDTRANSFORM)
        X(SELECTOBJECT)
        X(CREATEPEN)
        X(CREATEBRUSHINDIRECT)
        X(DELETEOBJECT)
        X(ANGLEARC)
        X(ELLIPSE)
        X(RECTANGLE)
        X(ROUNDRECT)
        X(ARC)
        X(CHORD)
        X(PIE)
        X(SELECTPALETTE)
        X(CREATEPALETTE)
        X(SETPALETTEENTRIES)
        X(RESIZEPALETTE)
        X(REALIZEPALETTE)
        X(EXTFLOODFILL)
        X(LINETO)
        X(ARCTO)
        X(POLYDRAW)
        X(SETARCDIRECTION)
        X(SETMITERLIMIT)
        X(BEGINPATH)
        X(ENDPATH)
        X(CLOSEFIGURE)
        X(FILLPATH)
        X(STROKEANDFILLPATH)
        X(STROKEPATH)
        X(FLATTENPATH)
        X(WIDENPATH)
        X(SELECTCLIPPATH)
        X(ABORTPATH)
        X(GDICOMMENT)
        X(FILLRGN)
        X(FRAMERGN)
        X(INVERTRGN)
        X(PAINTRGN)
        X(EXTSELECTCLIPRGN)
        X(BITBLT)
        X(STRETCHBLT)
        X(MASKBLT)
        X(PLGBLT)
        X(SETDIBITSTODEVICE)
        X(STRETCHDIBITS)
        X(EXTCREATEFONTINDIRECTW)
        X(EXTTEXTOUTA)
        X(EXTTEXTOUTW)
        X(POLYBEZIER16)
        X(POLYGON16)
        X(POLYLINE16)
        X(POLYBEZIERTO16)
        X(POLYLINETO16)
        X(POLYPOLYLINE16)
        X(POLYPOLYGON16)
        X(POLYDRAW16)
        X(CREATEMONOBRUSH)
        X(CREATEDIBPATTERNBRUSHPT)
        X(EXTCREATEPEN)
        X(POLYTEXTOUTA)
        X(POLYTEXTOUTW)
        X(SETICMMODE)
        X(CREATECOLORSPACE)
        X(SETCOLORSPACE)
        X(DELETECOLORSPACE)
        X(GLSRECORD)
        X(GLSBOUNDEDRECORD)
        X(PIXELFORMAT)
        X(DRAWESCAPE)
        X(EXTESCAPE)
        X(SMALLTEXTOUT)
        X(FORCEUFIMAPPING)
        X(NAMEDESCAPE)
        X(COLORCORRECTPALETTE)
        X(SETICMPROFILEA)
        X(SETICMPROFILEW)
        X(ALPHABLEND)
        X(SETLAYOUT)
        X(TRANSPARENTBLT)
        X(GRADIENTFILL)
        X(SETLINKEDUFIS)
        X(SETTEXTJUSTIFICATION)
        X(COLORMATCHTOTARGETW)
        X(CREATECOLORSPACEW)
#undef X
    }
    return nullptr;
}

struct TWalk {
    long limit;
    long index = 0;
    DWORD offset = 0;
};

int printRecord(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data) {
    auto* walk = reinterpret_cast<TWalk*>(data);
    if (walk->limit >= 0 && walk->index >= walk->limit)
        return 0;
    const char* name = recordName(record->iType);
    if (name)
        std::printf("%ld\t%lu\t%s\t%lu", walk->index, static_cast<unsigned long>(walk->offset),
                    name, static_cast<unsigned long>(record->nSize));
    else
        std::printf("%ld\t%lu\t%lu\t%lu", walk->index, static_cast<unsigned long>(walk->offset),
                    static_cast<unsigned long>(record->iType),
                    static_cast<unsigned long>(record->nSize));
    const DWORD params = record->nSize >= 8 ? (record->nSize - 8) / 4 : 0;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(record) + 8;
    for (DWORD i = 0; i < params && i < 16; ++i) {
        LONG value;
        std::memcpy(&value, bytes + size_t{i} * 4, 4);
        std::printf(" %ld", static_cast<long>(value));
    }
    std::printf(params > 16 ? " ...\n" : "\n");
    ++walk->index;
    walk->offset += record->nSize;
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: mfdump IN [MAX_RECORDS]\n");
        return 2;
    }
    HENHMETAFILE emf = OpenMetafileBytes(ReadMetafileFile(argv[1]));
    if (!emf) {
        std::fprintf(stderr, "mfdump: %s: not a metafile\n", argv[1]);
        return 1;
    }
    ENHMETAHEADER h{};
    GetEnhMetaFileHeader(emf, sizeof h, &h);
    std::printf(
        "bounds %ld %ld %ld %ld  frame %ld %ld %ld %ld  device %ld x %ld px, %ld x %ld mm\n",
        long(h.rclBounds.left), long(h.rclBounds.top), long(h.rclBounds.right),
        long(h.rclBounds.bottom), long(h.rclFrame.left), long(h.rclFrame.top),
        long(h.rclFrame.right), long(h.rclFrame.bottom), long(h.szlDevice.cx), long(h.szlDevice.cy),
        long(h.szlMillimeters.cx), long(h.szlMillimeters.cy));
    TWalk walk{argc == 3 ? std::atol(argv[2]) : -1};
    const BOOL sound = EnumEnhMetaFile(nullptr, emf, printRecord, &walk, nullptr);
    DeleteEnhMetaFile(emf);
    if (!sound && (walk.limit < 0 || walk.index < walk.limit))
        std::printf("(the metafile is damaged: the walk stopped early)\n");
    return 0;
}
