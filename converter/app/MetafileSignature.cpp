#include "converter/app/MetafileSignature.h"

#include <cstdint>
#include <fstream>

namespace {

constexpr std::uint32_t kEmrHeader = 1;
constexpr std::uint32_t kEmfSignature = 0x464D4520; // " EMF"
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::uint16_t kWmfHeaderWords = 9;

std::uint32_t Dword(const unsigned char* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (std::uint32_t(bytes[3]) << 24);
}

std::uint16_t Word(const unsigned char* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

} // namespace

bool LooksLikeMetafile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    unsigned char head[44] = {};
    file.read(reinterpret_cast<char*>(head), sizeof head);
    const std::streamsize got = file.gcount();
    if (got >= 44 && Dword(head) == kEmrHeader && Dword(head + 40) == kEmfSignature)
        return true;
    if (got >= 4 && Dword(head) == kPlaceableKey)
        return true;
    const std::uint16_t type = got >= 4 ? Word(head) : 0;
    return got >= 18 && (type == 1 || type == 2) && Word(head + 2) == kWmfHeaderWords;
}
