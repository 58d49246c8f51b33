#pragma once

// Bounds-checked little-endian access to GIF data held in memory. Every read that would run
// past the end raises "Stream read error"; nothing is ever read beyond the data.

#include "converter/gif/GifError.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class TByteReader {
public:
    TByteReader(const std::uint8_t* data, std::size_t size) : m_Data(data), m_Size(size) {}

    std::size_t Remaining() const { return m_Size - m_Pos; }
    std::size_t Position() const { return m_Pos; }
    const std::uint8_t* Here() const { return m_Data + m_Pos; }

    std::uint8_t Byte() {
        Need(1);
        return m_Data[m_Pos++];
    }
    std::uint16_t Le16() {
        Need(2);
        const auto v = static_cast<std::uint16_t>(m_Data[m_Pos] | (m_Data[m_Pos + 1] << 8));
        m_Pos += 2;
        return v;
    }
    std::uint32_t Le32() {
        const std::uint32_t lo = Le16();
        return lo | (std::uint32_t{Le16()} << 16);
    }
    void Bytes(std::uint8_t* out, std::size_t n) {
        Need(n);
        for (std::size_t i = 0; i < n; ++i)
            out[i] = m_Data[m_Pos + i];
        m_Pos += n;
    }
    std::vector<std::uint8_t> Bytes(std::size_t n) {
        std::vector<std::uint8_t> out(n);
        Bytes(out.data(), n);
        return out;
    }
    void Skip(std::size_t n) {
        Need(n);
        m_Pos += n;
    }

private:
    void Need(std::size_t n) const {
        if (n > Remaining())
            throw EInvalidGraphicOperation(GifMessages::kStreamRead);
    }

    const std::uint8_t* m_Data;
    std::size_t m_Size;
    std::size_t m_Pos = 0;
};

inline void PutLe16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

inline std::uint32_t GetLe32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

inline std::uint16_t GetLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
