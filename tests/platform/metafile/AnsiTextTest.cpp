// ANSI text records read in the code page of the font they are drawn with: a Shift-JIS string
// in an EMR_EXTTEXTOUTA and in the Windows metafile text records draws the characters it
// encodes, with one spacing entry per byte.
#include "MetafileTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace tallyvane::metafile::test {
namespace {

// "日本" in Shift-JIS and in UTF-16.
const std::string kSjis = "\x93\xFA\x96\x7B";
const std::u16string kText = u"\u65E5\u672C";

class TBytes {
public:
    void u16(unsigned v) { put(&v, 2); }
    void u32(unsigned v) { put(&v, 4); }
    void i32(int v) { put(&v, 4); }
    void put(const void* p, size_t n) {
        auto* b = static_cast<const std::uint8_t*>(p);
        data.insert(data.end(), b, b + n);
    }
    void pad4() {
        while (data.size() % 4)
            data.push_back(0);
    }
    void setU32(size_t at, unsigned v) { std::memcpy(data.data() + at, &v, 4); }
    std::vector<std::uint8_t> data;
};

// An enhanced metafile that selects a SHIFTJIS_CHARSET font and draws one text record, ANSI
// or wide, with the given spacing (per byte for ANSI, per character for wide).
std::vector<std::uint8_t> EmfWithText(bool ansi, const std::vector<int>& dx) {
    TBytes b;
    // EMR_HEADER: a 200 x 60 pixel frame of a 1 pixel = 1 mm device.
    b.u32(EMR_HEADER);
    b.u32(88);
    for (int v : {0, 0, 199, 59, 0, 0, 19900, 5900})
        b.i32(v);
    b.u32(0x464D4520);
    b.u32(0x10000);
    const size_t bytesAt = b.data.size();
    b.u32(0); // nBytes
    const size_t recordsAt = b.data.size();
    b.u32(0); // nRecords
    b.u16(2);
    b.u16(0);
    for (unsigned v : {0u, 0u, 0u, 1000u, 1000u, 1000u, 1000u})
        b.u32(v);
    unsigned records = 1;
    // EMR_EXTCREATEFONTINDIRECTW, object 1.
    LOGFONTW font{};
    font.lfHeight = -24;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = SHIFTJIS_CHARSET;
    std::u16string face = u"MS Gothic";
    std::copy(face.begin(), face.end(), font.lfFaceName);
    b.u32(EMR_EXTCREATEFONTINDIRECTW);
    b.u32(12 + sizeof(font));
    b.u32(1);
    b.put(&font, sizeof(font));
    b.u32(EMR_SELECTOBJECT);
    b.u32(12);
    b.u32(1);
    b.u32(EMR_SETBKMODE);
    b.u32(12);
    b.u32(TRANSPARENT);
    records += 3;
    // EMR_EXTTEXTOUTA / W.
    const size_t start = b.data.size();
    const size_t count = ansi ? kSjis.size() : kText.size();
    const size_t stringBytes = ansi ? count : count * 2;
    const size_t offString = 76;
    const size_t offDx = offString + ((stringBytes + 3) & ~size_t{3});
    b.u32(ansi ? EMR_EXTTEXTOUTA : EMR_EXTTEXTOUTW);
    b.u32(0);
    for (int v : {0, 0, -1, -1})
        b.i32(v);
    b.u32(GM_COMPATIBLE);
    b.u32(0);
    b.u32(0);
    b.i32(10); // reference point
    b.i32(20);
    b.u32(static_cast<unsigned>(count));
    b.u32(static_cast<unsigned>(offString));
    b.u32(0x100); // no rectangle
    for (int v : {0, 0, -1, -1})
        b.i32(v);
    b.u32(dx.empty() ? 0 : static_cast<unsigned>(offDx));
    if (ansi)
        b.put(kSjis.data(), kSjis.size());
    else
        b.put(kText.data(), kText.size() * 2);
    b.pad4();
    for (int v : dx)
        b.i32(v);
    b.setU32(start + 4, static_cast<unsigned>(b.data.size() - start));
    ++records;
    b.u32(EMR_EOF);
    b.u32(20);
    b.u32(0);
    b.u32(0);
    b.u32(20);
    ++records;
    b.setU32(bytesAt, static_cast<unsigned>(b.data.size()));
    b.setU32(recordsAt, records);
    return b.data;
}

std::vector<std::uint8_t> Play(const std::vector<std::uint8_t>& bytes) {
    TCanvas canvas(200, 60);
    HENHMETAFILE emf = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
    EXPECT_NE(emf, nullptr);
    RECT box{0, 0, 200, 60};
    EXPECT_TRUE(PlayEnhMetaFile(canvas.dc(), emf, &box));
    DeleteEnhMetaFile(emf);
    return canvas.rgb();
}

bool Inked(const std::vector<std::uint8_t>& rgb) {
    for (auto v : rgb)
        if (v < 128)
            return true;
    return false;
}

TEST(AnsiTextRecords, EnhancedAnsiTextDrawsTheCharactersOfItsCodePage) {
    const std::vector<std::uint8_t> wide = Play(EmfWithText(false, {}));
    EXPECT_TRUE(Inked(wide));
    EXPECT_EQ(Play(EmfWithText(true, {})), wide);
    // Spacing per byte: the lead byte carries the character's advance.
    EXPECT_EQ(Play(EmfWithText(true, {40, 0, 40, 0})), Play(EmfWithText(false, {40, 40})));
    EXPECT_NE(Play(EmfWithText(true, {40, 0, 40, 0})), wide);
}

// A Windows metafile with the same font, drawing the string with META_TEXTOUT or, given
// spacing, META_EXTTEXTOUT.
std::vector<std::uint8_t> WmfWithText(const std::vector<int>& dx) {
    TBytes b;
    for (unsigned v : {1u, 9u, 0x300u, 0u, 0u, 1u, 0u, 0u, 0u})
        b.u16(v); // header; sizes filled in below
    auto record = [&](unsigned function, const std::vector<unsigned>& words,
                      const std::string& tail = {}) {
        const size_t size = 3 + words.size() + (tail.size() + 1) / 2;
        b.u32(static_cast<unsigned>(size));
        b.u16(function);
        for (unsigned w : words)
            b.u16(w);
        b.put(tail.data(), tail.size());
        if (tail.size() % 2)
            b.data.push_back(0);
    };
    // LOGFONT16: height -24, weight 400, charset 128, face "MS Gothic".
    std::string font(18, '\0');
    font[0] = static_cast<char>(0xE8);
    font[1] = static_cast<char>(0xFF);
    font[8] = static_cast<char>(0x90); // FW_NORMAL
    font[9] = 0x01;
    font[13] = static_cast<char>(SHIFTJIS_CHARSET);
    font += std::string("MS Gothic") + '\0';
    record(META_CREATEFONTINDIRECT, {}, font);
    record(META_SELECTOBJECT, {0});
    record(META_SETBKMODE, {TRANSPARENT});
    if (dx.empty()) {
        // META_TEXTOUT: the count, the string (of even length here), then y and x.
        record(META_TEXTOUT, {static_cast<unsigned>(kSjis.size())},
               kSjis + std::string("\x14\0\x0A\0", 4));
    } else {
        std::string tail = kSjis;
        for (int v : dx) {
            tail += static_cast<char>(v & 0xFF);
            tail += static_cast<char>((v >> 8) & 0xFF);
        }
        record(META_EXTTEXTOUT, {20, 10, static_cast<unsigned>(kSjis.size()), 0}, tail);
    }
    record(0, {});
    const unsigned words = static_cast<unsigned>(b.data.size() / 2);
    std::memcpy(b.data.data() + 6, &words, 4);
    unsigned largest = 0;
    for (size_t at = 18; at < b.data.size();) {
        unsigned size;
        std::memcpy(&size, b.data.data() + at, 4);
        largest = std::max(largest, size);
        at += size_t{size} * 2;
    }
    std::memcpy(b.data.data() + 12, &largest, 4);
    return b.data;
}

// What the records must draw: the same font, the characters themselves.
std::vector<std::uint8_t> DrawDirectly(const INT* spacing) {
    TCanvas direct(200, 60);
    HFONT font =
        CreateFontW(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, u"MS Gothic");
    HGDIOBJ old = SelectObject(direct.dc(), font);
    SetBkMode(direct.dc(), TRANSPARENT);
    EXPECT_TRUE(ExtTextOutW(direct.dc(), 10, 20, 0, nullptr, kText.data(), 2, spacing));
    SelectObject(direct.dc(), old);
    DeleteObject(font);
    return direct.rgb();
}

std::vector<std::uint8_t> PlayWmf(const std::vector<std::uint8_t>& bytes) {
    HMETAFILE wmf = SetMetaFileBitsEx(static_cast<UINT>(bytes.size()), bytes.data());
    EXPECT_NE(wmf, nullptr);
    TCanvas played(200, 60);
    EXPECT_TRUE(PlayMetaFile(played.dc(), wmf));
    DeleteMetaFile(wmf);
    return played.rgb();
}

TEST(AnsiTextRecords, WindowsMetafileTextDrawsTheCharactersOfItsCodePage) {
    const std::vector<std::uint8_t> plain = DrawDirectly(nullptr);
    ASSERT_TRUE(Inked(plain));
    EXPECT_EQ(PlayWmf(WmfWithText({})), plain);
    const INT spacing[] = {40, 40};
    EXPECT_EQ(PlayWmf(WmfWithText({40, 0, 40, 0})), DrawDirectly(spacing));
}

} // namespace
} // namespace tallyvane::metafile::test
