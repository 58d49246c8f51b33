#include "tools/OpenMetafile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

std::vector<BYTE> ReadMetafileFile(const char* path) {
    std::vector<BYTE> bytes;
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return bytes;
    BYTE chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(file);
    return bytes;
}

namespace {

DWORD le32(const std::vector<BYTE>& b, size_t at) {
    if (at + 4 > b.size())
        return 0;
    return DWORD(b[at]) | DWORD(b[at + 1]) << 8 | DWORD(b[at + 2]) << 16 | DWORD(b[at + 3]) << 24;
}

SHORT le16s(const std::vector<BYTE>& b, size_t at) {
    if (at + 2 > b.size())
        return 0;
    return SHORT(WORD(b[at] | b[at + 1] << 8));
}

} // namespace

HENHMETAFILE OpenMetafileBytes(const std::vector<BYTE>& bytes) {
    if (bytes.size() >= 88 && le32(bytes, 0) == EMR_HEADER && le32(bytes, 40) == ENHMETA_SIGNATURE)
        return SetEnhMetaFileBits(UINT(bytes.size()), bytes.data());
    if (le32(bytes, 0) == META_PLACEABLE_KEY && bytes.size() > 22) {
        const int width = std::abs(le16s(bytes, 10) - le16s(bytes, 6));
        const int height = std::abs(le16s(bytes, 12) - le16s(bytes, 8));
        int inch = WORD(le16s(bytes, 14));
        if (inch == 0)
            inch = 1440;
        METAFILEPICT picture{MM_ANISOTROPIC, LONG(std::lround(width * 2540.0 / inch)),
                             LONG(std::lround(height * 2540.0 / inch)), nullptr};
        return SetWinMetaFileBits(UINT(bytes.size() - 22), bytes.data() + 22, nullptr, &picture);
    }
    if (!bytes.empty())
        return SetWinMetaFileBits(UINT(bytes.size()), bytes.data(), nullptr, nullptr);
    return nullptr;
}
