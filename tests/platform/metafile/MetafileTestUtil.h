// Helpers shared by the metafile tests: a white 32-bit picture to play into, PNG references and
// the difference figure used throughout (share of pixels off by more than 32 in any channel).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/WinMetafile.h"

namespace tallyvane::metafile::test {

// A top-down 32-bit DIB section in its own memory DC, filled white.
class TCanvas {
public:
    TCanvas(int width, int height);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    HDC dc() const { return m_dc; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    // 0x00RRGGBB of a pixel.
    std::uint32_t pixel(int x, int y) const;
    // Pixels as 24-bit RGB rows, top-down.
    std::vector<std::uint8_t> rgb() const;
    // Plays a page over the whole canvas.
    void play(HENHMETAFILE emf) const {
        const RECT all{0, 0, m_width, m_height};
        PlayEnhMetaFile(m_dc, emf, &all);
    }
    // Plays the enhanced metafile these bytes hold over the whole canvas.
    void play(const std::vector<std::uint8_t>& bytes) const {
        HENHMETAFILE emf = SetEnhMetaFileBits(UINT(bytes.size()), bytes.data());
        play(emf);
        DeleteEnhMetaFile(emf);
    }

private:
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    const std::uint8_t* m_bits = nullptr;
    int m_width, m_height;
};

struct TImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // top-down rows of R, G, B
};

// Reads a PNG (any colour type) as RGB; false when unreadable.
bool ReadPng(const std::string& path, TImage& image);
// Percent of pixels with any channel differing by more than 32; 100 when the sizes differ.
double PercentOff(const TImage& a, const TImage& b);

std::vector<std::uint8_t> ReadBytes(const std::string& path);

// The metafile of a file: an enhanced metafile as it is, a Windows metafile converted the way
// the references were drawn (placeable: an MM_ANISOTROPIC picture of its box; plain: none).
HENHMETAFILE OpenAsEnhanced(const std::vector<std::uint8_t>& bytes);

// The picture size the references use: the frame in reference-device pixels, at most 2000.
void DefaultSize(HENHMETAFILE emf, int& width, int& height);

} // namespace tallyvane::metafile::test
