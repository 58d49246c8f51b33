// Builds small enhanced metafiles byte by byte for the page tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/WinMetafile.h"

class EmfBuilder {
public:
    // bounds in reference-device pixels, frame in 0.01 mm, both inclusive; the reference device
    // is 1000 x 1000 pixels on 250 x 250 mm (0.25 mm per pixel) unless changed.
    EmfBuilder(RECT bounds, RECT frame) : m_bounds(bounds), m_frame(frame) {}

    EmfBuilder& Device(int pixelsX, int pixelsY, int mmX, int mmY) {
        m_devicePixels = {pixelsX, pixelsY};
        m_deviceMM = {mmX, mmY};
        return *this;
    }

    EmfBuilder& Rectangle(int left, int top, int right, int bottom) {
        std::vector<std::uint32_t> record = {EMR_RECTANGLE,
                                             24,
                                             static_cast<std::uint32_t>(left),
                                             static_cast<std::uint32_t>(top),
                                             static_cast<std::uint32_t>(right),
                                             static_cast<std::uint32_t>(bottom)};
        Append(record);
        return *this;
    }

    EmfBuilder& Comment(const std::vector<std::uint8_t>& data) {
        const std::uint32_t padded = (static_cast<std::uint32_t>(data.size()) + 3) & ~3u;
        std::vector<std::uint32_t> record(3 + padded / 4, 0);
        record[0] = EMR_GDICOMMENT;
        record[1] = 12 + padded;
        record[2] = static_cast<std::uint32_t>(data.size());
        std::memcpy(record.data() + 3, data.data(), data.size());
        Append(record);
        return *this;
    }

    // The scale marker with the given transform.
    EmfBuilder& ScaleMarker(std::int32_t offsetX, float scaleX, std::int32_t offsetY,
                            float scaleY) {
        std::vector<std::uint8_t> data(28, 0);
        const std::uint32_t id1 = 70000, id2 = 70001;
        std::memcpy(&data[0], &id1, 4);
        std::memcpy(&data[4], &id2, 4);
        data[8] = 1;
        std::memcpy(&data[12], &offsetX, 4);
        std::memcpy(&data[16], &scaleX, 4);
        std::memcpy(&data[20], &offsetY, 4);
        std::memcpy(&data[24], &scaleY, 4);
        return Comment(data);
    }

    std::vector<std::uint8_t> Bytes() const {
        std::vector<std::uint32_t> words(22, 0);
        words[0] = EMR_HEADER;
        words[1] = 88;
        std::memcpy(&words[2], &m_bounds, 16);
        std::memcpy(&words[6], &m_frame, 16);
        words[10] = ENHMETA_SIGNATURE;
        words[11] = 0x10000;
        words[13] = static_cast<std::uint32_t>(m_recordCount + 2);
        words[14] = 1; // nHandles
        words[18] = static_cast<std::uint32_t>(m_devicePixels.cx);
        words[19] = static_cast<std::uint32_t>(m_devicePixels.cy);
        words[20] = static_cast<std::uint32_t>(m_deviceMM.cx);
        words[21] = static_cast<std::uint32_t>(m_deviceMM.cy);
        words.insert(words.end(), m_records.begin(), m_records.end());
        const std::vector<std::uint32_t> eof = {EMR_EOF, 20, 0, 16, 20};
        words.insert(words.end(), eof.begin(), eof.end());
        words[12] = static_cast<std::uint32_t>(words.size() * 4);
        std::vector<std::uint8_t> bytes(words.size() * 4);
        std::memcpy(bytes.data(), words.data(), bytes.size());
        return bytes;
    }

    HENHMETAFILE Handle() const {
        const std::vector<std::uint8_t> bytes = Bytes();
        return SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
    }

private:
    void Append(const std::vector<std::uint32_t>& record) {
        m_records.insert(m_records.end(), record.begin(), record.end());
        ++m_recordCount;
    }

    RECT m_bounds;
    RECT m_frame;
    SIZE m_devicePixels{1000, 1000};
    SIZE m_deviceMM{250, 250};
    std::vector<std::uint32_t> m_records;
    int m_recordCount = 0;
};
