// Enhanced metafiles in memory: making handles from files and bytes, and the header queries.
//
// The bytes behind a handle never change once the handle exists: copies and the bits handed
// out are taken from them, and the player reads them record by record.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "platform/metafile/Metafile_p.h"

namespace tallyvane::metafile {
// A file of known size comes in one read into a buffer of its size: growing the buffer chunk
// by chunk copies the bytes again at every step and takes fresh memory for each larger buffer.
// Whatever the file holds beyond the size it reported is read after it.
bool ReadWholeFile(const char* path, std::vector<BYTE>& out) {
    if (!path)
        return false;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "rb"), &std::fclose);
    if (!file)
        return false;
    out.clear();
    struct stat info {};
    if (::fstat(::fileno(file.get()), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        out.resize(static_cast<size_t>(info.st_size));
        out.resize(std::fread(out.data(), 1, out.size(), file.get()));
        if (out.size() < static_cast<size_t>(info.st_size))
            return !std::ferror(file.get());
    }
    BYTE chunk[65536];
    for (;;) {
        size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
        out.insert(out.end(), chunk, chunk + got);
        if (got < sizeof chunk)
            break;
    }
    return !std::ferror(file.get());
}

bool WriteWholeFile(const char* path, const std::vector<BYTE>& bits) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "wb"), &std::fclose);
    if (!file)
        return false;
    if (!bits.empty() && std::fwrite(bits.data(), 1, bits.size(), file.get()) != bits.size())
        return false;
    return std::fflush(file.get()) == 0;
}

bool ValidateEnhMetaFile(TEnhMetaFile& emf) {
    TRecordReader file(emf.bits.data(), emf.bits.size());
    const DWORD type = file.u32(0);
    const DWORD headerSize = file.u32(4);
    const DWORD signature = file.u32(40);
    const DWORD declaredBytes = file.u32(48);
    if (!file.ok() || type != EMR_HEADER || signature != ENHMETA_SIGNATURE)
        return false;
    // A header the record walk cannot step over leaves nothing to play, not even the header
    // that every reader copies first.
    if (headerSize < kEnhHeaderMinSize || headerSize % 4 != 0 || headerSize > emf.bits.size())
        return false;
    // Trailing bytes past the declared size belong to no record (files padded by their
    // container); a declared size past the end means the file was cut short.
    bool complete = true;
    if (declaredBytes >= headerSize && declaredBytes < emf.bits.size())
        emf.bits.resize(declaredBytes);
    else if (declaredBytes > emf.bits.size())
        complete = false;

    size_t offset = 0;
    bool sawEof = false;
    while (offset + 8 <= emf.bits.size()) {
        DWORD recType = file.u32(offset);
        DWORD recSize = file.u32(offset + 4);
        if (recSize < 8 || recSize % 4 != 0 || recSize > emf.bits.size() - offset)
            break;
        offset += recSize;
        if (recType == EMR_EOF) {
            sawEof = true;
            break;
        }
    }
    emf.walkable = offset;
    emf.sound = complete && sawEof;
    return true;
}

HENHMETAFILE NewEnhMetaFile(std::vector<BYTE> bits) {
    auto emf = std::make_unique<TEnhMetaFile>();
    emf->bits = std::move(bits);
    if (!ValidateEnhMetaFile(*emf))
        return nullptr;
    return static_cast<HENHMETAFILE>(
        gdi::GdiAddObject(std::unique_ptr<gdi::TGdiObject>(std::move(emf))));
}

TEnhMetaFile* LookupEnhMetaFile(HENHMETAFILE handle) {
    return gdi::GdiLookupAs<TEnhMetaFile>(handle, {OBJ_ENHMETAFILE});
}

HMETAFILE NewWinMetaFile(std::vector<BYTE> bits) {
    auto wmf = std::make_unique<TWinMetaFile>();
    wmf->bits = std::move(bits);
    if (!ValidateWinMetaFile(*wmf))
        return nullptr;
    return static_cast<HMETAFILE>(
        gdi::GdiAddObject(std::unique_ptr<gdi::TGdiObject>(std::move(wmf))));
}

TWinMetaFile* LookupWinMetaFile(HMETAFILE handle) {
    return gdi::GdiLookupAs<TWinMetaFile>(handle, {OBJ_METAFILE});
}

std::u16string DescriptionFromWide(LPCWSTR desc) {
    std::u16string text;
    if (!desc)
        return text;
    // Two parts, each ending in a zero; the second zero of a double zero ends the text.
    size_t i = 0;
    for (int part = 0; part < 2; ++part) {
        while (desc[i])
            text.push_back(desc[i++]);
        text.push_back(0);
        ++i;
        if (!desc[i])
            break;
    }
    text.push_back(0);
    return text;
}

std::u16string DescriptionFromNarrow(LPCSTR desc) {
    std::u16string text;
    if (!desc)
        return text;
    size_t i = 0;
    for (int part = 0; part < 2; ++part) {
        while (desc[i])
            text.push_back(static_cast<unsigned char>(desc[i++]));
        text.push_back(0);
        ++i;
        if (!desc[i])
            break;
    }
    text.push_back(0);
    return text;
}

} // namespace tallyvane::metafile

using namespace tallyvane::metafile;

HENHMETAFILE GetEnhMetaFile(LPCSTR lpName) {
    std::vector<BYTE> bits;
    if (!ReadWholeFile(lpName, bits)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    HENHMETAFILE handle = NewEnhMetaFile(std::move(bits));
    if (!handle)
        SetLastError(ERROR_INVALID_DATA);
    return handle;
}

HENHMETAFILE GetEnhMetaFileA(LPCSTR lpName) {
    return GetEnhMetaFile(lpName);
}

HENHMETAFILE SetEnhMetaFileBits(UINT nSize, const BYTE* pb) {
    if (!pb || nSize == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HENHMETAFILE handle = NewEnhMetaFile(std::vector<BYTE>(pb, pb + nSize));
    if (!handle)
        SetLastError(ERROR_INVALID_DATA);
    return handle;
}

UINT GetEnhMetaFileBits(HENHMETAFILE hEMF, UINT nSize, LPBYTE lpData) {
    TEnhMetaFile* emf = LookupEnhMetaFile(hEMF);
    if (!emf) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    const UINT size = static_cast<UINT>(emf->bits.size());
    if (!lpData)
        return size;
    const UINT count = std::min(nSize, size);
    std::memcpy(lpData, emf->bits.data(), count);
    return count;
}

UINT GetEnhMetaFileHeader(HENHMETAFILE hemf, UINT nSize, LPENHMETAHEADER lpEnhMetaHeader) {
    TEnhMetaFile* emf = LookupEnhMetaFile(hemf);
    if (!emf) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    TRecordReader file(emf->bits.data(), emf->bits.size());
    const UINT headerSize = file.u32(4);
    if (!lpEnhMetaHeader)
        return headerSize;
    // The caller's structure is at least the classic header; copy what both hold, zero the rest.
    const UINT count = std::min<UINT>(nSize, headerSize);
    std::memcpy(lpEnhMetaHeader, emf->bits.data(), count);
    if (count < sizeof(ENHMETAHEADER) && nSize >= sizeof(ENHMETAHEADER))
        std::memset(reinterpret_cast<BYTE*>(lpEnhMetaHeader) + count, 0,
                    sizeof(ENHMETAHEADER) - count);
    return count;
}

namespace {

// The description's characters in the header record, or empty when the header has none or its
// offset and length do not fit the record.
std::u16string headerDescription(const TEnhMetaFile& emf) {
    TRecordReader file(emf.bits.data(), emf.bits.size());
    const DWORD headerSize = file.u32(4);
    const DWORD count = file.u32(60);
    const DWORD offset = file.u32(64);
    if (!file.ok() || count == 0 || offset < kEnhHeaderMinSize)
        return {};
    TRecordReader header(emf.bits.data(), headerSize);
    const BYTE* chars = header.span(offset, count, 2);
    if (!chars)
        return {};
    std::u16string text(count, u'\0');
    std::memcpy(text.data(), chars, count * 2);
    return text;
}

} // namespace

UINT GetEnhMetaFileDescriptionW(HENHMETAFILE hemf, UINT cchBuffer, LPWSTR lpDescription) {
    TEnhMetaFile* emf = LookupEnhMetaFile(hemf);
    if (!emf) {
        SetLastError(ERROR_INVALID_HANDLE);
        return UINT(GDI_ERROR);
    }
    std::u16string text = headerDescription(*emf);
    if (!lpDescription)
        return static_cast<UINT>(text.size());
    const UINT count = std::min<UINT>(cchBuffer, static_cast<UINT>(text.size()));
    std::memcpy(lpDescription, text.data(), count * sizeof(WCHAR));
    return count;
}

UINT GetEnhMetaFileDescription(HENHMETAFILE hemf, UINT cchBuffer, LPWSTR lpDescription) {
    return GetEnhMetaFileDescriptionW(hemf, cchBuffer, lpDescription);
}

UINT GetEnhMetaFileDescriptionA(HENHMETAFILE hemf, UINT cchBuffer, LPSTR lpDescription) {
    TEnhMetaFile* emf = LookupEnhMetaFile(hemf);
    if (!emf) {
        SetLastError(ERROR_INVALID_HANDLE);
        return UINT(GDI_ERROR);
    }
    std::u16string text = headerDescription(*emf);
    if (!lpDescription)
        return static_cast<UINT>(text.size());
    const UINT count = std::min<UINT>(cchBuffer, static_cast<UINT>(text.size()));
    for (UINT i = 0; i < count; ++i)
        lpDescription[i] = text[i] <= 0xFF ? static_cast<char>(text[i]) : '?';
    return count;
}

HENHMETAFILE CopyEnhMetaFile(HENHMETAFILE hEnh, LPCSTR lpFileName) {
    TEnhMetaFile* emf = LookupEnhMetaFile(hEnh);
    if (!emf) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (lpFileName && !WriteWholeFile(lpFileName, emf->bits)) {
        SetLastError(ERROR_CANTWRITE);
        return nullptr;
    }
    return NewEnhMetaFile(emf->bits);
}

HENHMETAFILE CopyEnhMetaFileA(HENHMETAFILE hEnh, LPCSTR lpFileName) {
    return CopyEnhMetaFile(hEnh, lpFileName);
}

BOOL DeleteEnhMetaFile(HENHMETAFILE hmf) {
    TEnhMetaFile* emf = LookupEnhMetaFile(hmf);
    if (!emf) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    gdi::GdiFreeObject(emf);
    return TRUE;
}
