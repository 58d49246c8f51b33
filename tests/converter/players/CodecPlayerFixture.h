// What the tests of the codec players share: a scratch directory with its own clipboard, a
// memory DC and a small page of four coloured bands. The players register the clipboard's
// bitmap format themselves, as they must in a program that has not used the clipboard yet.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "converter/players/RasterBitmap.h"
#include "converter/players/RasterPlayer.h"
#include "platform/WinUser.h"

namespace codec_test {

namespace fs = std::filesystem;

// Red, green, blue and a dark grey, 20 pixels wide each, on an 80 x 50 page.
inline const COLORREF kBandColors[] = {RGB(200, 30, 30), RGB(30, 160, 40), RGB(20, 40, 220),
                                       RGB(60, 60, 60)};
inline const TRect kPage{0, 0, 79, 49};

inline DrawCallback Bands() {
    return [](HDC dc, HRGN&) {
        for (int i = 0; i < 4; ++i) {
            HBRUSH brush = CreateSolidBrush(kBandColors[i]);
            const RECT band{i * 20, 0, i * 20 + 20, 50};
            FillRect(dc, &band, brush);
            DeleteObject(brush);
        }
    };
}

inline std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The colour of the player's bitmap at (x, y), as 0x00RRGGBB.
inline std::uint32_t BitmapColour(const TRasterState& state, int x, int y) {
    const BYTE* p = state.Bitmap.Bits() + y * state.Bitmap.Stride() + 4 * x;
    return (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
}

class CodecPlayerFixture : public testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("codecplayer-" + std::to_string(::getpid()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
        setenv("TALLYVANE_CLIPBOARD", (m_dir / "clipboard").c_str(), 1);
    }
    void TearDown() override {
        DeleteDC(m_dc);
        fs::remove_all(m_dir);
    }

    bool RenderPage(TPlayer& player) { return player.Render(m_dc, kPage, nullptr, Bands(), kPage); }

    fs::path m_dir;
    HDC m_dc = CreateCompatibleDC(nullptr);
};

} // namespace codec_test
