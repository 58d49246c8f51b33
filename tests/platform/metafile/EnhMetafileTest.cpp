// Enhanced metafiles: reading and checking the bytes, enumeration, the header queries, recording.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>

#include "MetafileTestUtil.h"

namespace tallyvane::metafile::test {
namespace {

// Builds an enhanced metafile record by record; the header is written by bytes().
class TEmfBuilder {
public:
    TEmfBuilder& record(DWORD type, std::vector<DWORD> params) {
        put(type);
        put(DWORD(8 + params.size() * 4));
        for (DWORD p : params)
            put(p);
        ++m_count;
        return *this;
    }
    std::vector<BYTE> bytes(std::u16string description = {}) const {
        std::vector<DWORD> head(27, 0);
        const size_t descBytes = (description.size() * 2 + 3) & ~size_t{3};
        const DWORD headerSize = DWORD(108 + descBytes);
        head[0] = EMR_HEADER;
        head[1] = headerSize;
        head[4] = 99; // bounds right
        head[5] = 99;
        head[8] = 2646; // frame: 100 pixels of the screen
        head[9] = 2643;
        head[10] = ENHMETA_SIGNATURE;
        head[11] = 0x10000;
        head[12] = DWORD(headerSize + m_body.size() + 20);
        head[13] = DWORD(m_count + 2);
        head[14] = 4; // nHandles
        head[15] = DWORD(description.size());
        head[16] = description.empty() ? 0 : 108;
        head[18] = 1024;
        head[19] = 768;
        head[20] = 271;
        head[21] = 203;
        std::vector<BYTE> out(headerSize, 0);
        std::memcpy(out.data(), head.data(), 108);
        std::memcpy(out.data() + 108, description.data(), description.size() * 2);
        out.insert(out.end(), m_body.begin(), m_body.end());
        const DWORD eof[5] = {EMR_EOF, 20, 0, 16, 20};
        const BYTE* e = reinterpret_cast<const BYTE*>(eof);
        out.insert(out.end(), e, e + 20);
        return out;
    }

private:
    void put(DWORD v) {
        const BYTE* b = reinterpret_cast<const BYTE*>(&v);
        m_body.insert(m_body.end(), b, b + 4);
    }
    std::vector<BYTE> m_body;
    size_t m_count = 0;
};

void setDword(std::vector<BYTE>& bytes, size_t at, DWORD value) {
    std::memcpy(bytes.data() + at, &value, 4);
}

// Types of the records an enumeration without a DC hands out, and its result.
std::vector<DWORD> walk(HENHMETAFILE emf, BOOL* result = nullptr, int stopAfter = -1) {
    struct TState {
        std::vector<DWORD> types;
        int stopAfter;
    } state{{}, stopAfter};
    const BOOL done = EnumEnhMetaFile(
        nullptr, emf,
        [](HDC, HANDLETABLE*, const ENHMETARECORD* rec, int, LPARAM data) -> int {
            auto* s = reinterpret_cast<TState*>(data);
            s->types.push_back(rec->iType);
            return s->stopAfter < 0 || int(s->types.size()) < s->stopAfter;
        },
        &state, nullptr);
    if (result)
        *result = done;
    return state.types;
}

TEST(EnhMetafileTest, RefusesBytesThatAreNoEnhancedMetafile) {
    const std::vector<BYTE> good = TEmfBuilder().record(EMR_SAVEDC, {}).bytes();
    struct {
        const char* name;
        std::function<void(std::vector<BYTE>&)> damage;
    } cases[] = {
        {"wrong signature", [](auto& b) { setDword(b, 40, 0x12345678); }},
        {"first record not a header", [](auto& b) { setDword(b, 0, EMR_EOF); }},
        {"header shorter than its fields", [](auto& b) { setDword(b, 4, 40); }},
        {"header longer than the file", [](auto& b) { setDword(b, 4, 100000); }},
        {"header size not a multiple of four", [](auto& b) { setDword(b, 4, 109); }},
        {"only part of a header", [](auto& b) { b.resize(60); }},
    };
    ASSERT_NE(SetEnhMetaFileBits(UINT(good.size()), good.data()), nullptr);
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<BYTE> bytes = good;
        c.damage(bytes);
        EXPECT_EQ(SetEnhMetaFileBits(UINT(bytes.size()), bytes.data()), nullptr);
    }
}

TEST(EnhMetafileTest, DamagedRecordsEndTheWalkButKeepWhatCameBefore) {
    const std::vector<BYTE> good =
        TEmfBuilder().record(EMR_SAVEDC, {}).record(EMR_SETBKMODE, {1}).bytes();
    const size_t second = 108 + 8; // header, EMR_SAVEDC
    struct {
        const char* name;
        std::function<void(std::vector<BYTE>&)> damage;
        std::vector<DWORD> expected;
    } cases[] = {
        {"sound file", [](auto&) {}, {EMR_HEADER, EMR_SAVEDC, EMR_SETBKMODE, EMR_EOF}},
        {"record size zero",
         [&](auto& b) { setDword(b, second + 4, 0); },
         {EMR_HEADER, EMR_SAVEDC}},
        {"record size not a multiple of four",
         [&](auto& b) { setDword(b, second + 4, 13); },
         {EMR_HEADER, EMR_SAVEDC}},
        {"record size past the end",
         [&](auto& b) { setDword(b, second + 4, 0x7FFFFFF0); },
         {EMR_HEADER, EMR_SAVEDC}},
        {"file cut inside a record",
         [&](auto& b) { b.resize(second + 6); },
         {EMR_HEADER, EMR_SAVEDC}},
        {"no end-of-file record",
         [](auto& b) { b.resize(b.size() - 20); },
         {EMR_HEADER, EMR_SAVEDC, EMR_SETBKMODE}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<BYTE> bytes = good;
        c.damage(bytes);
        HENHMETAFILE emf = SetEnhMetaFileBits(UINT(bytes.size()), bytes.data());
        ASSERT_NE(emf, nullptr);
        BOOL result = FALSE;
        EXPECT_EQ(walk(emf, &result), c.expected);
        EXPECT_EQ(result, c.expected.back() == EMR_EOF) << "success only for a sound file";
        DeleteEnhMetaFile(emf);
    }
}

TEST(EnhMetafileTest, CallbackStopsTheEnumeration) {
    const std::vector<BYTE> bytes = TEmfBuilder().record(EMR_SAVEDC, {}).bytes();
    HENHMETAFILE emf = SetEnhMetaFileBits(UINT(bytes.size()), bytes.data());
    BOOL result = TRUE;
    EXPECT_EQ(walk(emf, &result, 2), (std::vector<DWORD>{EMR_HEADER, EMR_SAVEDC}));
    EXPECT_FALSE(result);
    DeleteEnhMetaFile(emf);
}

TEST(EnhMetafileTest, BitsBeyondTheDeclaredSizeAreNotPartOfTheMetafile) {
    std::vector<BYTE> bytes = TEmfBuilder().record(EMR_SAVEDC, {}).bytes();
    const UINT declared = UINT(bytes.size());
    bytes.resize(bytes.size() + 64, 0xEE);
    HENHMETAFILE emf = SetEnhMetaFileBits(UINT(bytes.size()), bytes.data());
    ASSERT_NE(emf, nullptr);
    EXPECT_EQ(GetEnhMetaFileBits(emf, 0, nullptr), declared);
    std::vector<BYTE> copy(declared);
    EXPECT_EQ(GetEnhMetaFileBits(emf, declared, copy.data()), declared);
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), bytes.begin()));
    EXPECT_EQ(GetObjectType(emf), OBJ_ENHMETAFILE);
    DeleteEnhMetaFile(emf);
}

TEST(EnhMetafileTest, DescriptionIsReadOnlyWhereItFitsTheHeader) {
    const std::u16string text(u"App\0Pic\0\0", 9);
    std::vector<BYTE> bytes = TEmfBuilder().bytes(text);
    HENHMETAFILE emf = SetEnhMetaFileBits(UINT(bytes.size()), bytes.data());
    ASSERT_EQ(GetEnhMetaFileDescriptionW(emf, 0, nullptr), 9u);
    WCHAR got[9];
    EXPECT_EQ(GetEnhMetaFileDescriptionW(emf, 9, got), 9u);
    EXPECT_EQ(std::u16string(got, 9), text);
    DeleteEnhMetaFile(emf);

    setDword(bytes, 60, 5000); // more characters than the header holds
    emf = SetEnhMetaFileBits(UINT(bytes.size()), bytes.data());
    EXPECT_EQ(GetEnhMetaFileDescriptionW(emf, 0, nullptr), 0u);
    DeleteEnhMetaFile(emf);
}

TEST(EnhMetafileTest, HandlesDieWithTheirMetafile) {
    const std::vector<BYTE> bytes = TEmfBuilder().bytes();
    HENHMETAFILE emf = SetEnhMetaFileBits(UINT(bytes.size()), bytes.data());
    const std::string path = testing::TempDir() + "/copy.emf";
    HENHMETAFILE copy = CopyEnhMetaFile(emf, path.c_str());
    ASSERT_NE(copy, nullptr);
    HENHMETAFILE reread = GetEnhMetaFile(path.c_str());
    ASSERT_NE(reread, nullptr);
    EXPECT_EQ(GetEnhMetaFileBits(reread, 0, nullptr), bytes.size());
    EXPECT_TRUE(DeleteEnhMetaFile(emf));
    EXPECT_FALSE(DeleteEnhMetaFile(emf));
    EXPECT_EQ(GetEnhMetaFileBits(emf, 0, nullptr), 0u);
    EXPECT_EQ(GetEnhMetaFileHeader(copy, 0, nullptr), 108u);
    DeleteEnhMetaFile(copy);
    DeleteEnhMetaFile(reread);
    std::remove(path.c_str());
}

// A file is read in one piece of its own size. The comments make files of 236 bytes, of some
// 70 KB (past one 64 KB chunk) and of exactly five chunks.
TEST(EnhMetafileTest, FilesOfManyChunksReadBackWhole) {
    const std::string path = testing::TempDir() + "/chunks.emf";
    for (size_t dwords : {size_t{25}, size_t{17500}, size_t{(327680 - 136) / 4}}) {
        SCOPED_TRACE(dwords);
        std::vector<DWORD> data(dwords);
        data[0] = DWORD(4 * (dwords - 1)); // bytes of comment data
        for (size_t i = 1; i < data.size(); ++i)
            data[i] = DWORD(i * 2654435761u);
        const std::vector<BYTE> bytes = TEmfBuilder().record(EMR_GDICOMMENT, data).bytes();
        FILE* out = std::fopen(path.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), out), bytes.size());
        std::fclose(out);

        HENHMETAFILE emf = GetEnhMetaFile(path.c_str());
        ASSERT_NE(emf, nullptr);
        std::vector<BYTE> read(GetEnhMetaFileBits(emf, 0, nullptr));
        ASSERT_EQ(GetEnhMetaFileBits(emf, UINT(read.size()), read.data()), bytes.size());
        EXPECT_TRUE(read == bytes);
        DeleteEnhMetaFile(emf);
    }
    std::remove(path.c_str());
}

// Records whose contents lie about their sizes, offsets or indices are passed over.
TEST(EnhMetafileTest, HostileRecordsArePassedOverAndPlaybackGoesOn) {
    const DWORD huge = 0x40000000;
    TEmfBuilder b;
    b.record(EMR_CREATEBRUSHINDIRECT, {60000, BS_SOLID, RGB(255, 0, 0), 0}) // index too big
        .record(EMR_SELECTOBJECT, {3})                                      // empty slot
        .record(EMR_POLYGON16, {0, 0, 10, 10, huge, 0})                     // count too big
        .record(EMR_POLYPOLYGON16, {0, 0, 10, 10, 2, 3, 1, 1})              // counts disagree
        .record(EMR_STRETCHDIBITS, {0, 0, 9, 9, 0, 0, 0, 0, 4, 4, 200, 40, 240, 64, 0, SRCCOPY, 4,
                                    4}) // DIB past the end
        .record(EMR_EXTSELECTCLIPRGN, {huge, RGN_COPY})
        .record(EMR_EXTTEXTOUTW, {0, 0, 0, 0, 1, 0, 0, 0, 0, huge, 76, 0, 0, 0, 0, 0, 0})
        .record(EMR_CREATEBRUSHINDIRECT, {1, BS_SOLID, RGB(0, 0, 255), 0})
        .record(EMR_SELECTOBJECT, {1})
        .record(EMR_SELECTOBJECT, {ENHMETA_STOCK_OBJECT | NULL_PEN})
        .record(EMR_RECTANGLE, {20, 20, 59, 59});
    const std::vector<BYTE> bytes = b.bytes();
    HENHMETAFILE emf = SetEnhMetaFileBits(UINT(bytes.size()), bytes.data());
    TCanvas canvas(100, 100);
    RECT all{0, 0, 100, 100};
    EXPECT_TRUE(PlayEnhMetaFile(canvas.dc(), emf, &all));
    EXPECT_EQ(canvas.pixel(40, 40), 0x0000FFu) << "the drawing after the bad records";
    EXPECT_EQ(canvas.pixel(10, 10), 0xFFFFFFu);
    DeleteEnhMetaFile(emf);
}

// Hatch styles 6 to 11 of a stored brush are solid colours, not patterns: the box is painted
// whole in the brush's colour, and the cross-hatched brush before it is not left selected.
TEST(EnhMetafileTest, SolidColourHatchStylesPaintTheBrushColour) {
    for (DWORD hatch = 6; hatch <= 11; ++hatch) {
        const std::vector<BYTE> bytes =
            TEmfBuilder()
                .record(EMR_CREATEBRUSHINDIRECT, {1, BS_HATCHED, RGB(255, 0, 0), HS_DIAGCROSS})
                .record(EMR_SELECTOBJECT, {1})
                .record(EMR_CREATEBRUSHINDIRECT, {2, BS_HATCHED, RGB(0, 0, 255), hatch})
                .record(EMR_SELECTOBJECT, {2})
                .record(EMR_SELECTOBJECT, {ENHMETA_STOCK_OBJECT | NULL_PEN})
                .record(EMR_RECTANGLE, {0, 0, 99, 99})
                .bytes();
        TCanvas canvas(100, 100);
        canvas.play(bytes);
        int blue = 0;
        for (int y = 10; y < 20; ++y) {
            for (int x = 10; x < 20; ++x) {
                blue += canvas.pixel(x, y) == 0x0000FFu;
            }
        }
        EXPECT_EQ(blue, 100) << "hatch style " << hatch;
    }
}

TEST(EnhMetafileTest, FrameIsMappedOntoTheDestination) {
    // Frame 100 x 100 pixels of the screen; a box over its right half, played at twice the size.
    const std::vector<BYTE> bytes =
        TEmfBuilder()
            .record(EMR_SELECTOBJECT, {ENHMETA_STOCK_OBJECT | BLACK_BRUSH})
            .record(EMR_SELECTOBJECT, {ENHMETA_STOCK_OBJECT | NULL_PEN})
            .record(EMR_RECTANGLE, {50, 0, 99, 99})
            .bytes();
    TCanvas canvas(200, 200);
    canvas.play(bytes);
    EXPECT_EQ(canvas.pixel(90, 100), 0xFFFFFFu);
    EXPECT_EQ(canvas.pixel(110, 100), 0x000000u);
    EXPECT_EQ(canvas.pixel(195, 195), 0x000000u);
}

// The player scales its extents to the nearest unit: 100 x 2/3 is 67, not 66, so a box to 99
// of a 100-unit window reaches over pixel 65; a window of 67 x 3/2 is 101, not 100, and a box to
// 66 stops before pixel 65.
TEST(EnhMetafileTest, ScaledExtentsAreRoundedToTheNearestUnit) {
    for (DWORD type : {DWORD(EMR_SCALEVIEWPORTEXTEX), DWORD(EMR_SCALEWINDOWEXTEX)}) {
        SCOPED_TRACE(type == EMR_SCALEVIEWPORTEXTEX ? "viewport" : "window");
        const bool viewport = type == EMR_SCALEVIEWPORTEXTEX;
        const std::vector<BYTE> bytes =
            TEmfBuilder()
                .record(EMR_SETMAPMODE, {MM_ANISOTROPIC})
                .record(EMR_SETWINDOWEXTEX, {viewport ? 100u : 67u, 100})
                .record(EMR_SETVIEWPORTEXTEX, {100, 100})
                .record(type, {viewport ? 2u : 3u, viewport ? 3u : 2u, 1, 1})
                .record(EMR_SELECTOBJECT, {ENHMETA_STOCK_OBJECT | BLACK_BRUSH})
                .record(EMR_SELECTOBJECT, {ENHMETA_STOCK_OBJECT | NULL_PEN})
                .record(EMR_RECTANGLE, {0, 0, viewport ? 99u : 66u, 99})
                .bytes();
        TCanvas canvas(100, 100);
        canvas.play(bytes);
        EXPECT_EQ(canvas.pixel(64, 50), 0x000000u);
        EXPECT_EQ(canvas.pixel(65, 50), viewport ? 0x000000u : 0xFFFFFFu);
        EXPECT_EQ(canvas.pixel(67, 50), 0xFFFFFFu);
    }
}

// A box recorded under a scaling mapping keeps the fraction of a pixel its window origin
// gives: at 1/5 pixel per unit and the window at -2, unit 1 lies at 0.6 pixels, so the box
// starts on pixel 1 and ends with pixel 8 (unit 41 at 8.6, its right edge left out).
TEST(EnhMetafileTest, ScaledBoxesKeepTheOriginsFraction) {
    const std::vector<BYTE> bytes =
        TEmfBuilder()
            .record(EMR_SETMAPMODE, {MM_ANISOTROPIC})
            .record(EMR_SETWINDOWEXTEX, {500, 500})
            .record(EMR_SETVIEWPORTEXTEX, {100, 100})
            .record(EMR_SETWINDOWORGEX, {DWORD(-2), DWORD(-2)})
            .record(EMR_SELECTOBJECT, {ENHMETA_STOCK_OBJECT | BLACK_BRUSH})
            .record(EMR_SELECTOBJECT, {ENHMETA_STOCK_OBJECT | NULL_PEN})
            .record(EMR_RECTANGLE, {1, 1, 40, 40})
            .bytes();
    TCanvas canvas(100, 100);
    canvas.play(bytes);
    EXPECT_EQ(canvas.pixel(0, 4), 0xFFFFFFu);
    EXPECT_EQ(canvas.pixel(1, 4), 0x000000u);
    EXPECT_EQ(canvas.pixel(4, 0), 0xFFFFFFu);
    EXPECT_EQ(canvas.pixel(4, 1), 0x000000u);
}

// A meta region set inside a SaveDC block ends with the block: RestoreDC puts back the one
// before, and a later SETMETARGN with no clip keeps the whole picture.
TEST(EnhMetafileTest, RestoreDcPutsBackTheMetaRegion) {
    const std::vector<BYTE> bytes =
        TEmfBuilder()
            .record(EMR_SELECTOBJECT, {ENHMETA_STOCK_OBJECT | BLACK_BRUSH})
            .record(EMR_SELECTOBJECT, {ENHMETA_STOCK_OBJECT | NULL_PEN})
            .record(EMR_SAVEDC, {})
            .record(EMR_INTERSECTCLIPRECT, {0, 0, 10, 10})
            .record(EMR_SETMETARGN, {})
            .record(EMR_RECTANGLE, {0, 0, 49, 99})
            .record(EMR_RESTOREDC, {DWORD(-1)})
            .record(EMR_SETMETARGN, {})
            .record(EMR_RECTANGLE, {50, 0, 99, 99})
            .bytes();
    TCanvas canvas(100, 100);
    canvas.play(bytes);
    EXPECT_EQ(canvas.pixel(5, 5), 0x000000u);
    EXPECT_EQ(canvas.pixel(30, 50), 0xFFFFFFu) << "clipped by the block's meta region";
    EXPECT_EQ(canvas.pixel(75, 50), 0x000000u) << "drawn after the block";
}

// Colours given as palette indices are looked up in the palette the metafile selected, with
// the entries it set since; a palette that is not selected changes nothing.
TEST(EnhMetafileTest, PaletteIndexColoursUseTheSelectedPalette) {
    const DWORD red = 0x0000FF, green = 0x00FF00, blue = 0xFF0000; // PALETTEENTRY bytes
    auto play = [](const TEmfBuilder& b) {
        const std::vector<BYTE> bytes = b.bytes();
        TCanvas canvas(100, 100);
        canvas.play(bytes);
        return canvas.pixel(50, 50);
    };
    auto box = [](TEmfBuilder& b) {
        b.record(EMR_CREATEBRUSHINDIRECT, {2, BS_SOLID, PALETTEINDEX(1), 0})
            .record(EMR_SELECTOBJECT, {2})
            .record(EMR_SELECTOBJECT, {ENHMETA_STOCK_OBJECT | NULL_PEN})
            .record(EMR_RECTANGLE, {0, 0, 99, 99});
    };
    TEmfBuilder selected;
    selected.record(EMR_CREATEPALETTE, {1, 0x300 | 2 << 16, red, green})
        .record(EMR_SELECTPALETTE, {1})
        .record(EMR_REALIZEPALETTE, {});
    box(selected);
    EXPECT_EQ(play(selected), 0x00FF00u);

    TEmfBuilder changed;
    changed.record(EMR_CREATEPALETTE, {1, 0x300 | 2 << 16, red, green})
        .record(EMR_SELECTPALETTE, {1})
        .record(EMR_SETPALETTEENTRIES, {1, 1, 1, blue});
    box(changed);
    EXPECT_EQ(play(changed), 0x0000FFu);

    TEmfBuilder unselected;
    unselected.record(EMR_CREATEPALETTE, {1, 0x300 | 2 << 16, red, green});
    box(unselected);
    EXPECT_NE(play(unselected), 0x00FF00u);
}

// Every 16-bit point record draws as its 32-bit sibling: a shape over the middle of the frame.
TEST(EnhMetafileTest, SixteenBitPointRecordsDraw) {
    auto pt = [](int x, int y) { return DWORD(WORD(x)) | DWORD(WORD(y)) << 16; };
    struct TCase {
        const char* name;
        DWORD type;
        std::vector<DWORD> params;
    };
    const DWORD typesMoveLineLine = PT_MOVETO | PT_LINETO << 8 | (PT_LINETO | PT_CLOSEFIGURE) << 16;
    const TCase cases[] = {
        {"polyline", EMR_POLYLINE16, {0, 0, 99, 99, 2, pt(10, 50), pt(90, 50)}},
        {"polygon", EMR_POLYGON16, {0, 0, 99, 99, 3, pt(10, 50), pt(90, 50), pt(50, 70)}},
        {"polydraw",
         EMR_POLYDRAW16,
         {0, 0, 99, 99, 3, pt(10, 50), pt(90, 50), pt(50, 20), typesMoveLineLine}},
        {"polypolyline", EMR_POLYPOLYLINE16, {0, 0, 99, 99, 1, 2, 2, pt(10, 50), pt(90, 50)}},
        {"polylineto", EMR_POLYLINETO16, {0, 0, 99, 99, 2, pt(10, 50), pt(90, 50)}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<BYTE> bytes =
            TEmfBuilder().record(EMR_MOVETOEX, {10, 50}).record(c.type, c.params).bytes();
        TCanvas canvas(100, 100);
        canvas.play(bytes);
        EXPECT_EQ(canvas.pixel(50, 50), 0x000000u);
        EXPECT_EQ(canvas.pixel(50, 80), 0xFFFFFFu);
    }
}

// Text recorded in GM_COMPATIBLE keeps its glyphs upright whatever world transform the page
// is under; only the pen follows the transform. Recorded in GM_ADVANCED the glyphs turn too.
// An "l" under a half shear stands as a thin upright stroke, or leans over half its height.
TEST(EnhMetafileTest, CompatibleTextStaysUprightUnderAWorldTransform) {
    auto bits = [](float f) {
        DWORD d;
        std::memcpy(&d, &f, 4);
        return d;
    };
    LOGFONTW font{};
    font.lfHeight = -40;
    font.lfWeight = FW_NORMAL;
    std::memcpy(font.lfFaceName, u"Arial", 12);
    std::vector<DWORD> fontRecord(1 + sizeof font / 4);
    fontRecord[0] = 1;
    std::memcpy(&fontRecord[1], &font, sizeof font);
    struct TInk {
        int left = 100, right = -1;
    };
    auto ink = [&](DWORD graphicsMode) {
        // EMR_EXTTEXTOUTW: bounds, mode, scales, then the EMRTEXT of one "l" at (20, 40).
        std::vector<DWORD> text{0, 0, 0, 0, graphicsMode, bits(1), bits(1), 20, 40, 1, 76, 0,
                                0, 0, 0, 0, 80,           u'l',    30};
        const std::vector<BYTE> bytes =
            TEmfBuilder()
                .record(EMR_SETWORLDTRANSFORM, {bits(1), 0, bits(0.5f), bits(1), 0, 0})
                .record(EMR_EXTCREATEFONTINDIRECTW, fontRecord)
                .record(EMR_SELECTOBJECT, {1})
                .record(EMR_EXTTEXTOUTW, text)
                .bytes();
        TCanvas canvas(100, 100);
        canvas.play(bytes);
        TInk box;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x)
                if ((canvas.pixel(x, y) & 0xFF) < 0x80) {
                    box.left = std::min(box.left, x);
                    box.right = std::max(box.right, x);
                }
        return box;
    };
    const TInk upright = ink(GM_COMPATIBLE);
    // The reference point (20, 40) lies at x = 40 on the device.
    EXPECT_GE(upright.left, 40);
    EXPECT_LE(upright.right, 48);
    EXPECT_LE(upright.right - upright.left, 4);
    const TInk leaning = ink(GM_ADVANCED);
    EXPECT_GE(leaning.right - leaning.left, 10);
}

// Recording: the records Windows writes, the bounds and the frame computed from them.
TEST(EnhMetafileTest, RecordsInclusiveBoxesAndComputesTheFrame) {
    const WCHAR description[] = u"TPlayerEMF#0Ver.1#0#0\0";
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, description);
    ASSERT_NE(dc, nullptr);
    HBRUSH brush = CreateSolidBrush(RGB(0, 128, 0));
    HGDIOBJ old = SelectObject(dc, brush);
    Rectangle(dc, 10, 20, 110, 70);
    SelectObject(dc, old);
    DeleteObject(brush);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    ASSERT_NE(emf, nullptr);

    EXPECT_EQ(walk(emf),
              (std::vector<DWORD>{EMR_HEADER, EMR_CREATEBRUSHINDIRECT, EMR_SELECTOBJECT,
                                  EMR_RECTANGLE, EMR_SELECTOBJECT, EMR_DELETEOBJECT, EMR_EOF}));
    std::vector<BYTE> bits(GetEnhMetaFileBits(emf, 0, nullptr));
    GetEnhMetaFileBits(emf, UINT(bits.size()), bits.data());
    const DWORD* rec = nullptr;
    for (size_t at = 0; at < bits.size(); at += reinterpret_cast<DWORD*>(bits.data() + at)[1]) {
        if (reinterpret_cast<DWORD*>(bits.data() + at)[0] == EMR_RECTANGLE)
            rec = reinterpret_cast<DWORD*>(bits.data() + at);
    }
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(std::vector<DWORD>(rec + 2, rec + 6), (std::vector<DWORD>{10, 20, 109, 69}));

    ENHMETAHEADER h{};
    GetEnhMetaFileHeader(emf, sizeof h, &h);
    EXPECT_EQ(h.rclBounds.left, 10);
    EXPECT_EQ(h.rclBounds.top, 20);
    EXPECT_EQ(h.rclBounds.right, 109);
    EXPECT_EQ(h.rclBounds.bottom, 69);
    EXPECT_EQ(h.nBytes, bits.size());
    EXPECT_EQ(h.nRecords, 7u);
    int width = 0, height = 0;
    DefaultSize(emf, width, height);
    EXPECT_EQ(width, 100);
    EXPECT_EQ(height, 50);
    EXPECT_EQ(GetEnhMetaFileDescriptionW(emf, 0, nullptr), 23u);

    TCanvas canvas(100, 50);
    RECT all{0, 0, 100, 50};
    EXPECT_TRUE(PlayEnhMetaFile(canvas.dc(), emf, &all));
    EXPECT_EQ(canvas.pixel(50, 25), 0x008000u);
    EXPECT_EQ(canvas.pixel(0, 0), 0x000000u) << "the pen's top-left corner";
    EXPECT_EQ(canvas.pixel(99, 49), 0x000000u) << "the pen's bottom-right corner";
    DeleteEnhMetaFile(emf);
}

} // namespace
} // namespace tallyvane::metafile::test
