// The record buffer of a recording DC and the header written when recording ends.
#include <algorithm>
#include <cmath>

#include "platform/metafile/EnhMetafileWriter_p.h"

namespace tallyvane::metafile {

void TEmfWriter::begin(DWORD type) {
    m_start = m_data.size();
    put32(type);
    put32(0);
}

void TEmfWriter::put32(DWORD value) {
    const BYTE bytes[4] = {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
    m_data.insert(m_data.end(), bytes, bytes + 4);
}

void TEmfWriter::putf(FLOAT value) {
    DWORD bits;
    std::memcpy(&bits, &value, 4);
    put32(bits);
}

void TEmfWriter::putRect(const RECT& r) {
    puti(r.left);
    puti(r.top);
    puti(r.right);
    puti(r.bottom);
}

void TEmfWriter::putBytes(const void* data, size_t size) {
    const BYTE* bytes = static_cast<const BYTE*>(data);
    m_data.insert(m_data.end(), bytes, bytes + size);
}

void TEmfWriter::end() {
    while ((m_data.size() - m_start) % 4)
        m_data.push_back(0);
    const DWORD size = DWORD(m_data.size() - m_start);
    std::memcpy(m_data.data() + m_start + 4, &size, 4);
    ++m_records;
}

void TEmfWriter::record(DWORD type, std::initializer_list<DWORD> fields) {
    begin(type);
    for (DWORD field : fields)
        put32(field);
    end();
}

void TEmfWriter::addBounds(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y))
        return;
    const LONG ix = LONG(std::clamp(std::floor(x), -1e9, 1e9));
    const LONG iy = LONG(std::clamp(std::floor(y), -1e9, 1e9));
    if (!m_hasBounds) {
        m_bounds = RECT{ix, iy, ix, iy};
        m_hasBounds = true;
        return;
    }
    m_bounds.left = std::min(m_bounds.left, ix);
    m_bounds.top = std::min(m_bounds.top, iy);
    m_bounds.right = std::max(m_bounds.right, ix);
    m_bounds.bottom = std::max(m_bounds.bottom, iy);
}

void TEmfWriter::addBoundsRect(double left, double top, double right, double bottom) {
    addBounds(std::min(left, right), std::min(top, bottom));
    addBounds(std::max(left, right), std::max(top, bottom));
}

DWORD TEmfWriter::allocateIndex() {
    for (DWORD i = 1; i < m_used.size(); ++i) {
        if (!m_used[i]) {
            m_used[i] = true;
            return i;
        }
    }
    if (m_used.size() >= kMaxHandles)
        return 0;
    m_used.push_back(true);
    const DWORD index = DWORD(m_used.size() - 1);
    m_highestIndex = std::max(m_highestIndex, index);
    return index;
}

void TEmfWriter::releaseIndex(DWORD index) {
    if (index > 0 && index < m_used.size())
        m_used[index] = false;
}

std::vector<BYTE> TEmfWriter::finish(const RECT* frame, SIZE devicePixels, SIZE deviceMillimeters,
                                     const std::u16string& description) {
    // EMR_EOF: no palette; nSizeLast repeats the record size.
    record(EMR_EOF, {0, 16, 20});

    if (m_hasBounds && m_hasLimit) {
        m_bounds.left = std::max(m_bounds.left, m_limit.left);
        m_bounds.top = std::max(m_bounds.top, m_limit.top);
        m_bounds.right = std::min(m_bounds.right, m_limit.right);
        m_bounds.bottom = std::min(m_bounds.bottom, m_limit.bottom);
        m_hasBounds = m_bounds.left <= m_bounds.right && m_bounds.top <= m_bounds.bottom;
    }
    const RECT bounds = this->bounds();
    RECT frameRect;
    if (frame) {
        frameRect = *frame;
    } else {
        // The frame covers the bounds' pixels whole, in 0.01 mm of the reference device.
        const double sx = 100.0 * deviceMillimeters.cx / std::max<LONG>(1, devicePixels.cx);
        const double sy = 100.0 * deviceMillimeters.cy / std::max<LONG>(1, devicePixels.cy);
        if (!m_hasBounds) {
            frameRect = RECT{0, 0, 0, 0};
        } else if (m_frameFromSpan) {
            // From the first to the last pixel's position, each edge cut to whole 0.01 mm
            // towards zero.
            auto cut = [](LONG pixel, LONG millimetres, LONG pixels) {
                const LONGLONG v = LONGLONG{pixel} * millimetres * 100 / std::max<LONG>(1, pixels);
                return LONG(std::clamp<LONGLONG>(v, -0x7FFFFFFF, 0x7FFFFFFF));
            };
            frameRect = RECT{cut(bounds.left, deviceMillimeters.cx, devicePixels.cx),
                             cut(bounds.top, deviceMillimeters.cy, devicePixels.cy),
                             cut(bounds.right, deviceMillimeters.cx, devicePixels.cx),
                             cut(bounds.bottom, deviceMillimeters.cy, devicePixels.cy)};
        } else {
            frameRect =
                RECT{LONG(std::lround(bounds.left * sx)), LONG(std::lround(bounds.top * sy)),
                     LONG(std::lround((double(bounds.right) + 1) * sx)),
                     LONG(std::lround((double(bounds.bottom) + 1) * sy))};
        }
    }
    const size_t descriptionBytes = (description.size() * 2 + 3) & ~size_t{3};
    const DWORD headerSize = DWORD(108 + descriptionBytes);
    std::vector<BYTE> out;
    out.reserve(headerSize + m_data.size());
    auto put = [&](DWORD v) {
        const BYTE b[4] = {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
        out.insert(out.end(), b, b + 4);
    };
    put(EMR_HEADER);
    put(headerSize);
    put(DWORD(bounds.left));
    put(DWORD(bounds.top));
    put(DWORD(bounds.right));
    put(DWORD(bounds.bottom));
    put(DWORD(frameRect.left));
    put(DWORD(frameRect.top));
    put(DWORD(frameRect.right));
    put(DWORD(frameRect.bottom));
    put(ENHMETA_SIGNATURE);
    put(0x10000);
    put(DWORD(headerSize + m_data.size()));
    put(DWORD(m_records + 1));
    put(std::min<DWORD>(handleCount(), 0xFFFF)); // nHandles, sReserved 0
    put(DWORD(description.size()));
    put(description.empty() ? 0 : 108);
    put(0); // nPalEntries
    put(DWORD(devicePixels.cx));
    put(DWORD(devicePixels.cy));
    put(DWORD(deviceMillimeters.cx));
    put(DWORD(deviceMillimeters.cy));
    put(0); // cbPixelFormat
    put(0); // offPixelFormat
    put(0); // bOpenGL
    put(DWORD(deviceMillimeters.cx * 1000));
    put(DWORD(deviceMillimeters.cy * 1000));
    for (char16_t c : description) {
        out.push_back(BYTE(c));
        out.push_back(BYTE(c >> 8));
    }
    while (out.size() % 4)
        out.push_back(0);
    out.insert(out.end(), m_data.begin(), m_data.end());
    return out;
}

int StockIndexOf(const gdi::TGdiObject& object) {
    if (!object.IsStock())
        return -1;
    for (int i = 0; i <= STOCK_LAST; ++i) {
        const gdi::TGdiObject* stock = gdi::GdiStockObject(i);
        if (stock == &object)
            return i;
    }
    return -1;
}

} // namespace tallyvane::metafile
