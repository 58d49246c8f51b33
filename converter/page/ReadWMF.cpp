// A Windows metafile file is either plain (an 18-byte METAHEADER, then 16-bit records) or
// placeable (a 22-byte PLACEABLEMETAHEADER in front of the plain form). A plain file is opened
// by name; a placeable one is read past its 22 bytes into memory and made into a metafile from
// there. The placeable header's box, units and checksum are handed back but not checked: files
// with a wrong checksum are common and load all the same.
#include "converter/page/ReadWMF.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "converter/page/PageMessage.h"

namespace {

constexpr std::size_t kPlaceableHeaderSize = 22;
constexpr std::size_t kMetaHeaderSize = 18;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHolder = std::unique_ptr<std::FILE, FileCloser>;

void Fail(const std::string& text) {
    ShowPageMessage(TMessageKind::Error, text.c_str());
}

// Reads exactly count bytes at offset; false on a seek or read error or a short read.
bool ReadAt(std::FILE* file, long offset, BYTE* buffer, std::size_t count) {
    if (std::fseek(file, offset, SEEK_SET) != 0) {
        return false;
    }
    return std::fread(buffer, 1, count, file) == count;
}

std::uint32_t ReadLE32(const BYTE* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}

bool ReadPlaceableMetafile(std::FILE* file, HMETAFILE& handle, BYTE* placeableHeader,
                           BYTE* metafileHeader, bool& headerRead) {
    if (!ReadAt(file, 0, placeableHeader, kPlaceableHeaderSize)) {
        Fail("Unable to read placeable header");
        return false;
    }
    if (!ReadAt(file, kPlaceableHeaderSize, metafileHeader, kMetaHeaderSize)) {
        Fail("Unable to read metafile header");
        return false;
    }
    headerRead = true;
    // mtSize counts 16-bit words of the whole metafile, header included. A header that claims
    // more than the file holds gets a buffer only as large as what follows the placeable
    // header, so a few bytes of file can never ask for gigabytes of memory.
    std::uint64_t byteCount = static_cast<std::uint64_t>(ReadLE32(metafileHeader + 6)) * 2;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long end = std::ftell(file);
        if (end >= static_cast<long>(kPlaceableHeaderSize)) {
            byteCount = std::min<std::uint64_t>(byteCount, static_cast<std::uint64_t>(end) -
                                                               kPlaceableHeaderSize);
        }
    }
    std::vector<BYTE> bits;
    try {
        bits.resize(static_cast<std::size_t>(byteCount));
    } catch (const std::bad_alloc&) {
        Fail("Unable to allocate memory for metafile bits!");
        return false;
    } catch (const std::length_error&) {
        Fail("Unable to allocate memory for metafile bits!");
        return false;
    }
    if (std::fseek(file, kPlaceableHeaderSize, SEEK_SET) != 0) {
        Fail("Unable to read metafile bits");
        return false;
    }
    const std::size_t got = std::fread(bits.data(), 1, bits.size(), file);
    if (std::ferror(file)) {
        Fail("Unable to read metafile bits");
        return false;
    }
    // A file shorter than its header announces gives a metafile of the bytes it holds; the
    // rest of the buffer was never read and is not handed on.
    handle = SetMetaFileBitsEx(static_cast<UINT>(got), bits.data());
    if (!handle) {
        Fail("Unable to create the windows metafile!");
        return false;
    }
    return true;
}

} // namespace

HMETAFILE ReadWindowsMetafile(const char* path, BYTE* placeableHeader, BYTE* metafileHeader) {
    if (!path || !placeableHeader || !metafileHeader) {
        return nullptr;
    }
    const std::string pathCopy = path;
    FileHolder file(std::fopen(pathCopy.c_str(), "rb"));
    if (!file) {
        Fail("Unable to open this file:\n" + pathCopy);
        return nullptr;
    }
    BYTE key[4];
    if (!ReadAt(file.get(), 0, key, sizeof key)) {
        file.reset();
        Fail("unable to read file\n" + pathCopy);
        return nullptr;
    }

    HMETAFILE handle = nullptr;
    bool headerRead = false;
    if (ReadLE32(key) == META_PLACEABLE_KEY) {
        ReadPlaceableMetafile(file.get(), handle, placeableHeader, metafileHeader, headerRead);
        file.reset();
    } else {
        headerRead = ReadAt(file.get(), 0, metafileHeader, kMetaHeaderSize);
        file.reset();
        if (!headerRead) {
            Fail("unable to read metafile header");
        } else {
            handle = GetMetaFileA(pathCopy.c_str());
        }
    }

    // The type check only looks at a header that was actually read; a buffer the caller left
    // uninitialised proves nothing about the file.
    if (headerRead) {
        const WORD type = static_cast<WORD>(metafileHeader[0] | (metafileHeader[1] << 8));
        if (type != 1 && type != 2) {
            Fail("This file is not a valid metafile");
        }
    }
    return handle;
}
