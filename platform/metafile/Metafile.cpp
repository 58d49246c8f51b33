// Windows metafiles in memory: making handles from files and bytes.
//
// The 18-byte METAHEADER is followed by records of rdSize 16-bit words each (the 6-byte record
// head included); META_EOF, a record of three words, ends the file.
#include <algorithm>
#include <memory>

#include "platform/metafile/Metafile_p.h"

namespace tallyvane::metafile {

bool ValidateWinMetaFile(TWinMetaFile& wmf) {
    TRecordReader file(wmf.bits.data(), wmf.bits.size());
    const WORD type = file.u16(0);
    const WORD headerWords = file.u16(2);
    const DWORD sizeWords = file.u32(6);
    if (!file.ok() || (type != 1 && type != 2))
        return false;
    if (headerWords < 9 || size_t{headerWords} * 2 > wmf.bits.size())
        return false;
    bool complete = true;
    const ULONGLONG declared = ULONGLONG{sizeWords} * 2;
    if (declared >= size_t{headerWords} * 2 && declared < wmf.bits.size())
        wmf.bits.resize(static_cast<size_t>(declared));
    else if (declared > wmf.bits.size())
        complete = false;

    size_t offset = size_t{headerWords} * 2;
    bool sawEof = false;
    while (offset + 6 <= wmf.bits.size()) {
        const ULONGLONG recBytes = ULONGLONG{file.u32(offset)} * 2;
        const WORD function = file.u16(offset + 4);
        if (recBytes < 6 || recBytes > wmf.bits.size() - offset)
            break;
        offset += static_cast<size_t>(recBytes);
        if (function == META_EOF) {
            sawEof = true;
            break;
        }
    }
    wmf.walkable = offset;
    wmf.sound = complete && sawEof;
    return true;
}

} // namespace tallyvane::metafile

using namespace tallyvane::metafile;

HMETAFILE SetMetaFileBitsEx(UINT cbBuffer, const BYTE* lpData) {
    if (!lpData || cbBuffer == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HMETAFILE handle = NewWinMetaFile(std::vector<BYTE>(lpData, lpData + cbBuffer));
    if (!handle)
        SetLastError(ERROR_INVALID_DATA);
    return handle;
}

HMETAFILE GetMetaFileA(LPCSTR lpName) {
    std::vector<BYTE> bits;
    if (!ReadWholeFile(lpName, bits)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    // A placeable file is taken by its metafile part, as every reader of such files does.
    TRecordReader file(bits.data(), bits.size());
    if (file.u32(0) == META_PLACEABLE_KEY && bits.size() > sizeof(PLACEABLEMETAHEADER))
        bits.erase(bits.begin(), bits.begin() + sizeof(PLACEABLEMETAHEADER));
    HMETAFILE handle = NewWinMetaFile(std::move(bits));
    if (!handle)
        SetLastError(ERROR_INVALID_DATA);
    return handle;
}

HMETAFILE GetMetaFile(LPCSTR lpName) {
    return GetMetaFileA(lpName);
}

UINT GetMetaFileBitsEx(HMETAFILE hMF, UINT cbBuffer, LPVOID lpData) {
    TWinMetaFile* wmf = LookupWinMetaFile(hMF);
    if (!wmf) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    const UINT size = static_cast<UINT>(wmf->bits.size());
    if (!lpData)
        return size;
    const UINT count = std::min(cbBuffer, size);
    std::memcpy(lpData, wmf->bits.data(), count);
    return count;
}

BOOL DeleteMetaFile(HMETAFILE hmf) {
    TWinMetaFile* wmf = LookupWinMetaFile(hmf);
    if (!wmf) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    gdi::GdiFreeObject(wmf);
    return TRUE;
}
