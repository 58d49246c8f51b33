// A conversion draws the page exactly as playing the metafile onto a picture of the same size
// does: the frame DC's mapping, the fitted bounds and the scale marker add no error of their own.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "converter/page/ImageProperty.h"
#include "converter/ui/ImagePreview.h"
#include "platform/TopDownDib.h"
#include "platform/WinMetafile.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(TALLYVANE_SHARED_DIR) / "corpus" / "emf";

struct TPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // 0x00RRGGBB, top row first
};

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

// A 24- or 32-bit BMP file; an empty picture when it is anything else.
TPicture ReadBmp(const fs::path& path) {
    const std::vector<std::uint8_t> b = ReadAll(path);
    TPicture picture;
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M')
        return picture;
    const int width = static_cast<int>(Le32(b, 18));
    const int rawHeight = static_cast<int>(Le32(b, 22));
    const int bits = b[28] | b[29] << 8;
    const std::size_t offset = Le32(b, 10);
    const int height = rawHeight < 0 ? -rawHeight : rawHeight;
    if ((bits != 24 && bits != 32) || width <= 0 || height <= 0)
        return picture;
    const std::size_t stride = (static_cast<std::size_t>(width) * (bits / 8) + 3) & ~std::size_t(3);
    if (offset + stride * height > b.size())
        return picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const std::size_t row = offset + stride * (rawHeight < 0 ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = &b[row + static_cast<std::size_t>(x) * (bits / 8)];
            picture.pixels[static_cast<std::size_t>(y) * width + x] = p[0] | p[1] << 8 | p[2] << 16;
        }
    }
    return picture;
}

// The metafile played onto a white 32-bit DIB of the given size, the frame on the whole picture.
TPicture Play(const fs::path& path, int width, int height) {
    const std::vector<std::uint8_t> bytes = ReadAll(path);
    HENHMETAFILE emf = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
    TPicture picture;
    if (!emf)
        return picture;
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = TopDownDib32(width, height);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    PlayEnhMetaFile(dc, emf, &all);
    GdiFlush();
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(static_cast<std::size_t>(width) * height);
    const auto* source = static_cast<const std::uint32_t*>(bits);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i)
        picture.pixels[i] = source[i] & 0xFFFFFFu;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    DeleteEnhMetaFile(emf);
    return picture;
}

class ConvertPipeline : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("convert-pipeline-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        ImgProperty = TImgProperty();
        ImgProperty.ResetDefaults();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path m_dir;
};

TEST_F(ConvertPipeline, ConvertedPagesMatchThePlayedMetafile) {
    // Text and clipping, a chart of 90,000 records, a browser page and a memo, each at the width
    // of its reference picture.
    const struct {
        const char* file;
        float width;
    } pages[] = {
        {"e2s-test-001.emf", 563},
        {"lo-bug3.emf", 2000},
        {"chrome-test4.emf", 674},
        {"dtf-Memo.emf", 1038},
    };
    for (const auto& page : pages) {
        SCOPED_TRACE(page.file);
        ImgProperty = TImgProperty();
        ImgProperty.ResetDefaults();
        ImgProperty.SetWidthPixels(page.width);
        TfrmImagePreview form;
        ASSERT_TRUE(form.OpenEmfPage((kCorpus / page.file).string()));
        const fs::path target = m_dir / page.file;
        ASSERT_TRUE(form.ConvertPage(target.string(), false, false));
        ASSERT_TRUE(form.PageWritten(0));
        const TPicture converted = ReadBmp(fs::path(target).replace_extension(".bmp"));
        ASSERT_GT(converted.width, 0);
        EXPECT_EQ(converted.width, static_cast<int>(page.width));

        const TPicture played = Play(kCorpus / page.file, converted.width, converted.height);
        ASSERT_EQ(played.pixels.size(), converted.pixels.size());
        std::size_t differing = 0, first = played.pixels.size();
        for (std::size_t i = 0; i < played.pixels.size(); ++i) {
            if (played.pixels[i] != converted.pixels[i]) {
                ++differing;
                first = std::min(first, i);
            }
        }
        EXPECT_EQ(differing, 0u) << "first at x " << first % converted.width << ", y "
                                 << first / converted.width << " of " << converted.width << " x "
                                 << converted.height;
    }
}

} // namespace
