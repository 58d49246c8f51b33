// Internal interfaces of the metafile stand-in, shared by the files of platform/metafile.
//
// A metafile handle points at a TEnhMetaFile or TWinMetaFile, which owns a validated copy of the
// file's bytes. Validation happens once, when the handle is made: the header is checked and the
// records are walked until EMR_EOF (META_EOF) or the first record whose size does not fit; the
// walkable length and whether the walk ended cleanly are kept. Every later reader (playback,
// enumeration, conversion) still checks each field against its record through TRecordReader,
// because a record's size can be sound while its contents lie.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform/WinMetafile.h"
#include "platform/gdi/GdiObject_p.h"

namespace tallyvane::metafile {

// Limits that keep a hostile file from turning into huge allocations or endless loops.
constexpr DWORD kMaxHandles = 65535;           // handle table entries (EMF and WMF object table)
constexpr DWORD kMaxPoints = 4u * 1024 * 1024; // points of one poly record
constexpr DWORD kMaxPolys = 1024 * 1024;       // polygons of one polypolygon record
constexpr LONG kMaxBitmapSide = 32768;         // pixels of one side of an embedded bitmap
constexpr ULONGLONG kMaxBitmapPixels = 64ull * 1024 * 1024;
constexpr DWORD kMaxSaveDepth = 4096;   // nested SaveDC levels followed by the players
constexpr DWORD kEnhHeaderMinSize = 88; // header record without the OpenGL fields

// Bounded little-endian reading of one record. Every read is checked against the record's
// size; a failed read answers zero and leaves the reader failed, so a caller may read all its
// fields and check ok() once.
class TRecordReader {
public:
    TRecordReader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}

    bool ok() const { return m_ok; }
    size_t size() const { return m_size; }
    const BYTE* data() const { return m_data; }
    bool has(size_t offset, size_t bytes) const {
        return offset <= m_size && bytes <= m_size - offset;
    }
    // Bytes at offset of count elements of elementSize, or null (and failed).
    const BYTE* span(size_t offset, size_t count, size_t elementSize) {
        if (elementSize != 0 && count > (SIZE_MAX / elementSize))
            return fail<const BYTE*>();
        if (!has(offset, count * elementSize))
            return fail<const BYTE*>();
        return m_data + offset;
    }
    DWORD u32(size_t offset) { return read<DWORD>(offset); }
    LONG i32(size_t offset) { return read<LONG>(offset); }
    WORD u16(size_t offset) { return read<WORD>(offset); }
    SHORT i16(size_t offset) { return read<SHORT>(offset); }
    BYTE u8(size_t offset) { return read<BYTE>(offset); }
    FLOAT f32(size_t offset) { return read<FLOAT>(offset); }
    RECT rectl(size_t offset) {
        return RECT{i32(offset), i32(offset + 4), i32(offset + 8), i32(offset + 12)};
    }
    POINT pointl(size_t offset) { return POINT{i32(offset), i32(offset + 4)}; }

private:
    template <typename T> T read(size_t offset) {
        if (!has(offset, sizeof(T)))
            return fail<T>();
        T value;
        std::memcpy(&value, m_data + offset, sizeof(T));
        return value;
    }
    template <typename T> T fail() {
        m_ok = false;
        return T{};
    }

    const BYTE* m_data;
    size_t m_size;
    bool m_ok = true;
};

// An enhanced metafile held in memory. It lives in the GDI handle table as an object of type
// OBJ_ENHMETAFILE, so GetObjectType knows it and a stale handle fails cleanly.
class TEnhMetaFile : public gdi::TGdiObject {
public:
    TEnhMetaFile() : TGdiObject(OBJ_ENHMETAFILE) {}
    std::vector<BYTE> bits; // the file as read, cut to the header's nBytes when that is shorter
    size_t walkable = 0;    // bytes from the start covered by whole, well-sized records
    bool sound = false;     // the walk reached EMR_EOF with every size in bounds
};

// A Windows metafile held in memory (never with a placeable header); type OBJ_METAFILE.
class TWinMetaFile : public gdi::TGdiObject {
public:
    TWinMetaFile() : TGdiObject(OBJ_METAFILE) {}
    std::vector<BYTE> bits;
    size_t walkable = 0;
    bool sound = false;
};

// Handles; lookups answer null for anything else (or a metafile already deleted).
HENHMETAFILE NewEnhMetaFile(std::vector<BYTE> bits); // validates; null when the header is bad
TEnhMetaFile* LookupEnhMetaFile(HENHMETAFILE handle);
HMETAFILE NewWinMetaFile(std::vector<BYTE> bits);
TWinMetaFile* LookupWinMetaFile(HMETAFILE handle);

// The checks of an enhanced metafile header; fills walkable/sound on success.
bool ValidateEnhMetaFile(TEnhMetaFile& emf);
bool ValidateWinMetaFile(TWinMetaFile& wmf);

// Keeps the bounds of a recording DC inside limit (reference-device pixels, inclusive).
void LimitRecordingBounds(HDC recording, const RECT& limit);
// Bounds for a Windows metafile turned into an enhanced one without a picture size: every call
// counts by its points or by the corners of its inclusive box, rounded to the nearest device
// pixel, with no pen width; the frame spans the bounds without their last pixel, each edge cut
// to whole 0.01 mm, so a window drawn over edge to edge gives exactly the device.
void UseConversionBounds(HDC recording);

// Helpers of those bounds (ConversionBounds.cpp).
// A device coordinate rounded to the nearest pixel, halves upwards.
LONG RoundToDevicePixel(double v);
// The logical box an arc, chord, pie (type EMR_ARC...) counts by: box is the stored inclusive
// box; current is the current position, reached by EMR_ARCTO.
RECT ArcConversionBounds(DWORD type, const RECT& box, POINT start, POINT end, POINT current);

// The device-dependent bitmap whose 16-bit BITMAP fields lie at offset at of a Windows metafile
// record and whose rows start at rowsAt, or null when the record cannot hold it
// (WmfDeviceBitmap.cpp).
HBITMAP DeviceBitmapAt(TRecordReader& rec, size_t at, size_t rowsAt);

// A palette of count entries (PALETTEENTRY, as stored in both formats' palette records).
HPALETTE PaletteFromEntries(const BYTE* entries, WORD count);

// Whole-file helpers.
bool ReadWholeFile(const char* path, std::vector<BYTE>& out);
bool WriteWholeFile(const char* path, const std::vector<BYTE>& bits);

// UTF-16 from the double-zero-terminated description given to the recorder.
std::u16string DescriptionFromWide(LPCWSTR desc);
std::u16string DescriptionFromNarrow(LPCSTR desc);

} // namespace tallyvane::metafile
