// Writing enhanced metafiles: the record buffer behind a recording DC.
//
// TEmfWriter collects records after the header (which it writes last, when the bounds, the
// record count and the handle count are known). Objects are written the first time they are
// selected and get the lowest free index of the handle table; the index is given back when the
// object is deleted (an EMR_DELETEOBJECT is written then). Bounds are kept in device pixels of
// the reference device, inclusive.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/metafile/Metafile_p.h"

namespace gdi {
class TDeviceContext;
}

namespace tallyvane::metafile {

class TEmfWriter {
public:
    // Starts a record of `type`; fields are appended with put*; end() fixes its size.
    void begin(DWORD type);
    void put32(DWORD value);
    void puti(LONG value) { put32(DWORD(value)); }
    void putf(FLOAT value);
    void putRect(const RECT& r);
    void putBytes(const void* data, size_t size); // padded to 4 bytes by end()
    void end();
    // A whole record with 32-bit fields.
    void record(DWORD type, std::initializer_list<DWORD> fields);

    // Bounds in reference-device pixels.
    void addBounds(double x, double y);
    void addBoundsRect(double left, double top, double right, double bottom);
    bool hasBounds() const { return m_hasBounds; }
    RECT bounds() const { return m_hasBounds ? m_bounds : RECT{0, 0, -1, -1}; }
    // Keeps the final bounds inside limit (inclusive), as for a picture that is the device.
    void limitBounds(const RECT& limit) { m_limit = limit, m_hasLimit = true; }
    // A frame computed from the bounds spans them from their first to their last pixel's
    // position, leaving the last row and column out, as for a converted Windows metafile.
    void frameFromSpan() { m_frameFromSpan = true; }

    // Handle table indices.
    DWORD allocateIndex();
    void releaseIndex(DWORD index);
    DWORD handleCount() const { return m_highestIndex + 1; }

    // The whole metafile: header, records, EMR_EOF. frame null: computed from the bounds.
    std::vector<BYTE> finish(const RECT* frame, SIZE devicePixels, SIZE deviceMillimeters,
                             const std::u16string& description);

    size_t recordCount() const { return m_records; }

private:
    std::vector<BYTE> m_data; // records after the header
    size_t m_start = 0;       // offset of the record being written
    size_t m_records = 0;
    bool m_hasBounds = false;
    RECT m_bounds{0, 0, 0, 0};
    RECT m_limit{0, 0, 0, 0};
    bool m_hasLimit = false;
    bool m_frameFromSpan = false;
    std::vector<bool> m_used{true}; // slot 0 is the metafile itself
    DWORD m_highestIndex = 0;
};

// The stock-object index of a GDI object, or -1 for an object that is not stock.
int StockIndexOf(const gdi::TGdiObject& object);

} // namespace tallyvane::metafile
