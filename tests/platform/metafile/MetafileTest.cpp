// Windows metafiles: reading, playing and converting to enhanced metafiles.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "MetafileTestUtil.h"
#include "platform/metafile/Metafile_p.h"

namespace tallyvane::metafile::test {
namespace {

// Builds a Windows metafile; parameters are the record's 16-bit words in file order.
class TWmfBuilder {
public:
    explicit TWmfBuilder(WORD objects = 4) : m_objects(objects) {}
    TWmfBuilder& record(WORD function, std::vector<WORD> params) {
        const DWORD words = DWORD(3 + params.size());
        put(WORD(words));
        put(WORD(words >> 16));
        put(function);
        for (WORD p : params)
            put(p);
        return *this;
    }
    std::vector<BYTE> bytes() const {
        std::vector<WORD> all = {1, 9, 0x300, 0, 0, m_objects, 0, 0, 0};
        all.insert(all.end(), m_body.begin(), m_body.end());
        all.insert(all.end(), {3, 0, META_EOF});
        all[3] = WORD(all.size());
        all[4] = WORD(all.size() >> 16);
        std::vector<BYTE> out(all.size() * 2);
        std::memcpy(out.data(), all.data(), out.size());
        return out;
    }

private:
    void put(WORD w) { m_body.push_back(w); }
    std::vector<WORD> m_body;
    WORD m_objects;
};

// A 200 x 150 window, filled with a blue box over its left half: drawn to (101, 151), it is
// stored as the inclusive box (0, 0)-(100, 150), whose corners are the window's middle and
// bottom.
TWmfBuilder blueLeftHalf() {
    TWmfBuilder b;
    b.record(META_SETMAPMODE, {MM_ANISOTROPIC})
        .record(META_SETWINDOWORG, {0, 0})
        .record(META_SETWINDOWEXT, {150, 200})
        .record(META_CREATEBRUSHINDIRECT, {BS_SOLID, 0, 0x00FF, 0}) // blue
        .record(META_SELECTOBJECT, {0})
        .record(META_CREATEPENINDIRECT, {PS_NULL, 0, 0, 0, 0})
        .record(META_SELECTOBJECT, {1})
        .record(META_RECTANGLE, {151, 101, 0, 0});
    return b;
}

TEST(MetafileTest, RefusesBytesThatAreNoWindowsMetafile) {
    std::vector<BYTE> good = TWmfBuilder().bytes();
    EXPECT_NE(SetMetaFileBitsEx(UINT(good.size()), good.data()), nullptr);
    struct {
        const char* name;
        size_t at;
        WORD value;
    } cases[] = {{"type 3", 0, 3}, {"header of 8 words", 2, 8}, {"header past the end", 2, 4000}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<BYTE> bytes = good;
        std::memcpy(bytes.data() + c.at, &c.value, 2);
        EXPECT_EQ(SetMetaFileBitsEx(UINT(bytes.size()), bytes.data()), nullptr);
    }
    EXPECT_EQ(SetMetaFileBitsEx(10, good.data()), nullptr);
}

TEST(MetafileTest, PlaceableFileIsReadByItsMetafilePart) {
    const std::vector<BYTE> plain = blueLeftHalf().bytes();
    std::vector<BYTE> file(22, 0);
    const DWORD key = META_PLACEABLE_KEY;
    std::memcpy(file.data(), &key, 4);
    file.insert(file.end(), plain.begin(), plain.end());
    const std::string path = testing::TempDir() + "/placeable.wmf";
    FILE* out = std::fopen(path.c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
    HMETAFILE wmf = GetMetaFileA(path.c_str());
    ASSERT_NE(wmf, nullptr);
    EXPECT_EQ(GetObjectType(wmf), OBJ_METAFILE);
    EXPECT_EQ(GetMetaFileBitsEx(wmf, 0, nullptr), plain.size());
    std::vector<BYTE> back(plain.size());
    EXPECT_EQ(GetMetaFileBitsEx(wmf, UINT(back.size()), back.data()), plain.size());
    EXPECT_EQ(back, plain);
    EXPECT_TRUE(DeleteMetaFile(wmf));
    EXPECT_FALSE(DeleteMetaFile(wmf));
    std::remove(path.c_str());
}

TEST(MetafileTest, PlainFileConvertsOntoTheWholeReferenceDevice) {
    const std::vector<BYTE> bytes = blueLeftHalf().bytes();
    const METAFILEPICT zero{0, 0, 0, nullptr};
    for (const METAFILEPICT* picture : {static_cast<const METAFILEPICT*>(nullptr), &zero}) {
        SCOPED_TRACE(picture ? "all-zero picture" : "no picture");
        HENHMETAFILE emf = SetWinMetaFileBits(UINT(bytes.size()), bytes.data(), nullptr, picture);
        ASSERT_NE(emf, nullptr);
        int width = 0, height = 0;
        DefaultSize(emf, width, height);
        EXPECT_EQ(width, 512) << "half of the 1024-pixel screen";
        EXPECT_EQ(height, 768);
        DeleteEnhMetaFile(emf);
    }
}

// Drawing that runs off the device still counts: the frame is all the drawing covers.
TEST(MetafileTest, PlainFileFrameReachesPastTheDevice) {
    TWmfBuilder b;
    b.record(META_SETMAPMODE, {MM_ANISOTROPIC})
        .record(META_SETWINDOWEXT, {150, 200})
        .record(META_RECTANGLE, {151, 251, 0, 0}); // 250 units across a 200-unit window
    const std::vector<BYTE> bytes = b.bytes();
    HENHMETAFILE emf = SetWinMetaFileBits(UINT(bytes.size()), bytes.data(), nullptr, nullptr);
    ASSERT_NE(emf, nullptr);
    int width = 0, height = 0;
    DefaultSize(emf, width, height);
    EXPECT_EQ(width, 1280) << "250 units at 5.12 pixels each";
    EXPECT_EQ(height, 768);
    DeleteEnhMetaFile(emf);
}

ENHMETAHEADER ConvertedHeader(const TWmfBuilder& b) {
    const std::vector<BYTE> bytes = b.bytes();
    HENHMETAFILE emf = SetWinMetaFileBits(UINT(bytes.size()), bytes.data(), nullptr, nullptr);
    ENHMETAHEADER h{};
    if (emf)
        GetEnhMetaFileHeader(emf, sizeof h, &h);
    DeleteEnhMetaFile(emf);
    return h;
}

// Without a picture size every call counts by its points alone (units are device pixels here):
// a wide pen adds nothing, an arc counts by its ends and the extreme points it passes, and a
// text call with no characters still counts its point.
TEST(MetafileTest, PlainFileBoundsCountPointsOnly) {
    {
        SCOPED_TRACE("a line 20 units wide");
        TWmfBuilder b;
        b.record(META_CREATEPENINDIRECT, {PS_SOLID, 20, 0, 0, 0})
            .record(META_SELECTOBJECT, {0})
            .record(META_MOVETO, {100, 100})
            .record(META_LINETO, {120, 200});
        const RECT r = ConvertedHeader(b).rclBounds;
        EXPECT_EQ(r.left, 100);
        EXPECT_EQ(r.top, 100);
        EXPECT_EQ(r.right, 200);
        EXPECT_EQ(r.bottom, 120);
    }
    {
        SCOPED_TRACE("a quarter arc of the box (100, 100)-(301, 301)");
        TWmfBuilder b;
        b.record(META_ARC, {0, 200, 200, 400, 301, 301, 100, 100}); // 0 to 90 degrees
        const RECT r = ConvertedHeader(b).rclBounds;
        EXPECT_EQ(r.left, 200);
        EXPECT_EQ(r.top, 100);
        EXPECT_EQ(r.right, 300);
        EXPECT_EQ(r.bottom, 200);
    }
    {
        SCOPED_TRACE("an opaque text call with no characters");
        TWmfBuilder b;
        b.record(META_EXTTEXTOUT, {40, 30, 0, ETO_OPAQUE, 0, 0, 500, 400});
        const RECT r = ConvertedHeader(b).rclBounds;
        EXPECT_EQ(r.left, 30);
        EXPECT_EQ(r.top, 40);
        EXPECT_EQ(r.right, 31);
        EXPECT_EQ(r.bottom, 41);
    }
}

// The frame runs from the first to the last pixel of the bounds, each edge cut to whole
// 0.01 mm: the whole 1024 x 768 screen (271 x 203 mm) gives 27073 x 20273, not 27074 x 20274.
TEST(MetafileTest, PlainFileFrameEdgesAreCutToWholeHundredths) {
    TWmfBuilder b;
    b.record(META_RECTANGLE, {768, 1024, 0, 0});
    const ENHMETAHEADER h = ConvertedHeader(b);
    EXPECT_EQ(h.rclBounds.right, 1023);
    EXPECT_EQ(h.rclBounds.bottom, 767);
    EXPECT_EQ(h.rclFrame.right, 27073);
    EXPECT_EQ(h.rclFrame.bottom, 20273);
}

// Arcs in logical units: the quarter turns an arc passes widen it, a pie reaches its centre,
// and an arc that runs on past the x axis wraps round.
TEST(MetafileTest, ArcBoundsFollowTheTurnsPassed) {
    const RECT box{0, 0, 100, 100}; // centre (50, 50), radii 50
    const POINT none{0, 0};
    // From the top (90 degrees) to the bottom (270) through the left side.
    RECT r = ArcConversionBounds(EMR_ARC, box, POINT{50, -10}, POINT{50, 200}, none);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 50);
    EXPECT_EQ(r.bottom, 100);
    // From the bottom round through the right side to the top.
    r = ArcConversionBounds(EMR_ARC, box, POINT{50, 200}, POINT{50, -10}, none);
    EXPECT_GE(r.left, 49); // the ends' fractions are cut, either side of the centre
    EXPECT_LE(r.left, 50);
    EXPECT_EQ(r.right, 100);
    // A narrow pie on the right reaches back to its centre.
    r = ArcConversionBounds(EMR_PIE, box, POINT{200, 40}, POINT{200, 30}, none);
    EXPECT_EQ(r.left, 50);
    // An arc drawn to reaches from the current position.
    r = ArcConversionBounds(EMR_ARCTO, box, POINT{200, 40}, POINT{200, 30}, POINT{-20, 300});
    EXPECT_EQ(r.left, -20);
    EXPECT_EQ(r.bottom, 300);
}

// A box in palette entry 1 of a selected two-entry palette (red, green); played directly the
// palette's entries may change on the way, converted the selected palette goes with the page.
TEST(MetafileTest, PaletteIndexColoursUseTheSelectedPalette) {
    auto build = [](bool setEntries) {
        TWmfBuilder b;
        b.record(META_CREATEPALETTE, {0x300, 2, 0x00FF, 0, 0xFF00, 0})
            .record(META_SELECTPALETTE, {0})
            .record(META_REALIZEPALETTE, {});
        if (setEntries)
            b.record(META_SETPALENTRIES, {1, 1, 0, 0x00FF});         // entry 1 becomes blue
        b.record(META_CREATEBRUSHINDIRECT, {BS_SOLID, 1, 0x0100, 0}) // PALETTEINDEX(1)
            .record(META_SELECTOBJECT, {1})
            .record(META_CREATEPENINDIRECT, {PS_NULL, 0, 0, 0, 0})
            .record(META_SELECTOBJECT, {2})
            .record(META_RECTANGLE, {100, 100, 0, 0});
        return b.bytes();
    };
    {
        SCOPED_TRACE("played");
        const std::vector<BYTE> bytes = build(true);
        HMETAFILE wmf = SetMetaFileBitsEx(UINT(bytes.size()), bytes.data());
        ASSERT_NE(wmf, nullptr);
        TCanvas canvas(100, 100);
        PlayMetaFile(canvas.dc(), wmf);
        EXPECT_EQ(canvas.pixel(50, 50), 0x0000FFu);
        DeleteMetaFile(wmf);
    }
    {
        SCOPED_TRACE("converted");
        const std::vector<BYTE> bytes = build(false);
        HENHMETAFILE emf = SetWinMetaFileBits(UINT(bytes.size()), bytes.data(), nullptr, nullptr);
        ASSERT_NE(emf, nullptr);
        TCanvas canvas(100, 100);
        canvas.play(emf);
        EXPECT_EQ(canvas.pixel(50, 50), 0x00FF00u);
        DeleteEnhMetaFile(emf);
    }
}

// The oldest bitmap records carry device-dependent bitmaps: a monochrome one takes the DC's
// text colour for its 0 bits and the background colour for its 1 bits.
TEST(MetafileTest, DeviceDependentBitmapsDraw) {
    const std::vector<WORD> mono4x4{0,      4,      4,      2,     0x0101, // type .. bits per pixel
                                    0x0030, 0x0030, 0x0030, 0x0030};       // rows: 0 0 1 1
    TWmfBuilder b;
    b.record(META_SETTEXTCOLOR, {0x00FF, 0})                    // red
        .record(META_SETBKCOLOR, {0, 0x00FF});                  // blue
    std::vector<WORD> blit{0x0020, 0x00CC, 0, 0, 4, 4, 10, 10}; // SRCCOPY to (10, 10)
    blit.insert(blit.end(), mono4x4.begin(), mono4x4.end());
    b.record(META_BITBLT, blit);
    std::vector<WORD> stretch{0x0020, 0x00CC, 4, 4, 0, 0, 8, 8, 30, 30}; // twice the size
    stretch.insert(stretch.end(), mono4x4.begin(), mono4x4.end());
    b.record(META_STRETCHBLT, stretch);
    std::vector<WORD> pattern{0, 8, 8, 2, 0x0101, 0, 0}; // the BITMAP with its pointer field
    pattern.resize(pattern.size() + 9, 0);               // reserved
    pattern.resize(pattern.size() + 8, 0x0000);          // eight rows of 0 bits
    b.record(META_CREATEPATTERNBRUSH, pattern)
        .record(META_SELECTOBJECT, {0})
        .record(META_CREATEPENINDIRECT, {PS_NULL, 0, 0, 0, 0})
        .record(META_SELECTOBJECT, {1})
        .record(META_RECTANGLE, {70, 70, 50, 50});
    const std::vector<BYTE> bytes = b.bytes();
    HMETAFILE wmf = SetMetaFileBitsEx(UINT(bytes.size()), bytes.data());
    ASSERT_NE(wmf, nullptr);
    TCanvas canvas(100, 100);
    PlayMetaFile(canvas.dc(), wmf);
    EXPECT_EQ(canvas.pixel(10, 10), 0xFF0000u);
    EXPECT_EQ(canvas.pixel(12, 13), 0x0000FFu);
    EXPECT_EQ(canvas.pixel(14, 10), 0xFFFFFFu);
    EXPECT_EQ(canvas.pixel(33, 37), 0xFF0000u);
    EXPECT_EQ(canvas.pixel(34, 30), 0x0000FFu);
    EXPECT_EQ(canvas.pixel(38, 30), 0xFFFFFFu);
    EXPECT_EQ(canvas.pixel(60, 60), 0xFF0000u) << "the pattern brush, not a grey stand-in";

    // Rows the record cannot hold draw nothing, and playback goes on.
    std::vector<BYTE> cut = bytes;
    const size_t bitblt = 18 + 10 + 10; // header, the two colour records
    cut[bitblt + 6 + 16 + 2] = 40;      // the first bitmap claims 40 pixels across
    HMETAFILE damaged = SetMetaFileBitsEx(UINT(cut.size()), cut.data());
    ASSERT_NE(damaged, nullptr);
    TCanvas other(100, 100);
    PlayMetaFile(other.dc(), damaged);
    EXPECT_EQ(other.pixel(10, 10), 0xFFFFFFu);
    EXPECT_EQ(other.pixel(33, 37), 0xFF0000u);
    DeleteMetaFile(damaged);
    DeleteMetaFile(wmf);
}

// A Windows metafile converted for a 200 x 150 picture at 96 DPI (5292 x 3969 in 0.01 mm).
HENHMETAFILE ConvertFor200x150(const std::vector<BYTE>& bytes) {
    const METAFILEPICT picture{MM_ANISOTROPIC, 5292, 3969, nullptr};
    return SetWinMetaFileBits(UINT(bytes.size()), bytes.data(), nullptr, &picture);
}

TEST(MetafileTest, PictureSizeBecomesTheFrame) {
    const std::vector<BYTE> bytes = blueLeftHalf().bytes();
    HENHMETAFILE emf = ConvertFor200x150(bytes);
    ASSERT_NE(emf, nullptr);
    ENHMETAHEADER h{};
    GetEnhMetaFileHeader(emf, sizeof h, &h);
    EXPECT_EQ(h.rclFrame.right, 5292);
    EXPECT_EQ(h.rclFrame.bottom, 3969);
    TCanvas canvas(200, 150);
    canvas.play(emf);
    EXPECT_EQ(canvas.pixel(50, 75), 0x0000FFu);
    EXPECT_EQ(canvas.pixel(150, 75), 0xFFFFFFu);
    DeleteEnhMetaFile(emf);
}

// A metafile that never sets its window draws one logical unit to a pixel of the picture.
TEST(MetafileTest, PictureWithoutWindowMapsUnitsToPixels) {
    TWmfBuilder b;
    b.record(META_SETMAPMODE, {MM_ANISOTROPIC})
        .record(META_CREATEBRUSHINDIRECT, {BS_SOLID, 0, 0x00FF, 0}) // blue
        .record(META_SELECTOBJECT, {0})
        .record(META_CREATEPENINDIRECT, {PS_NULL, 0, 0, 0, 0})
        .record(META_SELECTOBJECT, {1})
        .record(META_RECTANGLE, {21, 21, 0, 0});
    const std::vector<BYTE> bytes = b.bytes();
    HENHMETAFILE emf = ConvertFor200x150(bytes);
    ASSERT_NE(emf, nullptr);
    TCanvas canvas(200, 150);
    canvas.play(emf);
    EXPECT_EQ(canvas.pixel(10, 10), 0x0000FFu);
    EXPECT_EQ(canvas.pixel(30, 30), 0xFFFFFFu);
    EXPECT_EQ(canvas.pixel(150, 100), 0xFFFFFFu);
    DeleteEnhMetaFile(emf);
}

// A metafile made from an enhanced one carries the original in comment escapes; when its
// checksum holds, the original comes back whole instead of the records drawn for old readers.
TEST(MetafileTest, EmbeddedEnhancedMetafileComesBackWhenItsChecksumHolds) {
    const RECT frame{0, 0, 2646, 1323}; // 100 x 50 screen pixels
    HDC rec = CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
    SelectObject(rec, GetStockObject(BLACK_BRUSH));
    Rectangle(rec, 0, 0, 100, 50);
    HENHMETAFILE original = CloseEnhMetaFile(rec);
    std::vector<BYTE> emf(GetEnhMetaFileBits(original, 0, nullptr));
    GetEnhMetaFileBits(original, UINT(emf.size()), emf.data());
    DeleteEnhMetaFile(original);
    ASSERT_EQ(emf.size() % 2, 0u);

    // Two pieces, then the drawing for older readers.
    auto piece = [&](size_t from, size_t size) {
        std::vector<WORD> p = {15, WORD(34 + size), 0x4D57, 0x4346, 1, 0, 0, 1, 0, 0, 0, 2, 0};
        auto add32 = [&](DWORD v) { p.insert(p.end(), {WORD(v), WORD(v >> 16)}); };
        add32(DWORD(size));
        add32(DWORD(emf.size() - from - size));
        add32(DWORD(emf.size()));
        for (size_t i = from; i < from + size; i += 2)
            p.push_back(WORD(emf[i] | emf[i + 1] << 8));
        return p;
    };
    const size_t half = emf.size() / 4 * 2;
    TWmfBuilder b = blueLeftHalf();
    TWmfBuilder withCopy;
    withCopy.record(META_ESCAPE, piece(0, half))
        .record(META_ESCAPE, piece(half, emf.size() - half));
    std::vector<BYTE> bytes = withCopy.bytes();
    const std::vector<BYTE> drawing = b.bytes();
    bytes.erase(bytes.end() - 6, bytes.end()); // the EOF record
    bytes.insert(bytes.end(), drawing.begin() + 18, drawing.end());
    const DWORD words = DWORD(bytes.size() / 2);
    std::memcpy(bytes.data() + 6, &words, 4);
    WORD sum = 0;
    for (size_t i = 0; i < bytes.size(); i += 2)
        sum = WORD(sum + (bytes[i] | bytes[i + 1] << 8));
    const WORD checksum = WORD(0x10000 - sum); // first piece, word 11 of its record
    std::memcpy(bytes.data() + 18 + 22, &checksum, 2);

    struct {
        const char* name;
        bool intact;
    } cases[] = {{"checksum holds", true}, {"edited since", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<BYTE> file = bytes;
        if (!c.intact)
            file[18 + 22] ^= 1;
        HENHMETAFILE converted =
            SetWinMetaFileBits(UINT(file.size()), file.data(), nullptr, nullptr);
        ASSERT_NE(converted, nullptr);
        ENHMETAHEADER h{};
        GetEnhMetaFileHeader(converted, sizeof h, &h);
        if (c.intact) {
            EXPECT_EQ(h.rclFrame.right, frame.right);
            EXPECT_EQ(h.rclFrame.bottom, frame.bottom);
        } else {
            int width = 0, height = 0;
            DefaultSize(converted, width, height);
            EXPECT_EQ(width, 512) << "the blue half of the screen";
        }
        DeleteEnhMetaFile(converted);
    }
}

// The DIB blit records count the source's y as StretchDIBits does: from the bottom of a
// bottom-up DIB. A one-row band at y 0 of a two-row DIB is its bottom row.
TEST(MetafileTest, DibBlitsCountTheSourceRowsFromTheBottom) {
    // 1 x 2, 24 bpp, bottom-up: blue bottom row, red top row.
    const std::vector<WORD> dib = {40, 0, 1, 0, 2, 0, 1, 24,     0, 0,      8,      0, 0,
                                   0,  0, 0, 0, 0, 0, 0, 0x00FF, 0, 0x0000, 0xFF00, 0, 0};
    struct {
        const char* name;
        WORD function;
        std::vector<WORD> head; // rop, source band, destination: everything before the DIB
    } cases[] = {
        {"DIBBITBLT", META_DIBBITBLT, {0x0020, 0x00CC, 0, 0, 1, 1, 0, 0}},
        {"DIBSTRETCHBLT", META_DIBSTRETCHBLT, {0x0020, 0x00CC, 1, 1, 0, 0, 150, 200, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<WORD> params = c.head;
        params.insert(params.end(), dib.begin(), dib.end());
        TWmfBuilder b;
        b.record(META_SETMAPMODE, {MM_ANISOTROPIC})
            .record(META_SETWINDOWEXT, {150, 200})
            .record(c.function, params);
        const std::vector<BYTE> bytes = b.bytes();
        HENHMETAFILE emf = ConvertFor200x150(bytes);
        ASSERT_NE(emf, nullptr);
        TCanvas canvas(200, 150);
        canvas.play(emf);
        EXPECT_EQ(canvas.pixel(0, 0), 0x0000FFu) << "the bottom row is blue";
        DeleteEnhMetaFile(emf);
    }
}

// Escapes are passed over (never a call into code named by the file), object indices are
// checked, and drawing goes on after every refused record.
TEST(MetafileTest, EscapesAndBadObjectIndicesDoNotStopPlayback) {
    TWmfBuilder b(2);
    b.record(META_ESCAPE, {SETABORTPROC, 8, 0x1234, 0x5678, 0x9ABC, 0xDEF0})
        .record(META_SELECTOBJECT, {7})
        .record(META_CREATEBRUSHINDIRECT, {BS_SOLID, 0xFF00, 0x0000, 0}) // green
        .record(META_CREATEPENINDIRECT, {PS_NULL, 0, 0, 0, 0})
        .record(META_CREATEBRUSHINDIRECT, {BS_SOLID, 0, 0, 0}) // no free slot
        .record(META_POLYGON, {60000, 1, 2})                   // more points than the record
        .record(META_SELECTOBJECT, {0})
        .record(META_SELECTOBJECT, {1})
        .record(META_RECTANGLE, {40, 40, 10, 10});
    const std::vector<BYTE> bytes = b.bytes();
    HMETAFILE wmf = SetMetaFileBitsEx(UINT(bytes.size()), bytes.data());
    ASSERT_NE(wmf, nullptr);
    TCanvas canvas(50, 50);
    EXPECT_TRUE(PlayMetaFile(canvas.dc(), wmf));
    EXPECT_EQ(canvas.pixel(20, 20), 0x00FF00u);
    EXPECT_EQ(canvas.pixel(45, 45), 0xFFFFFFu);
    DeleteMetaFile(wmf);
}

} // namespace
} // namespace tallyvane::metafile::test
