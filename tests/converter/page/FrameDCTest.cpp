#include "converter/page/FrameDC.h"
#include "converter/page/ClipDC.h"
#include "platform/TopDownDib.h"

#include <gtest/gtest.h>

#include "converter/page/SoftTransform.h"

namespace {

struct DcHolder {
    HDC dc = CreateCompatibleDC(nullptr);
    ~DcHolder() { DeleteDC(dc); }
};

struct FrameRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

FrameRect Frame(const TFrameDC& frame) {
    FrameRect r;
    frame.GetFrameRect(r.left, r.top, r.right, r.bottom);
    return r;
}

// The worked example, on whatever resolution the DC reports: a view of 800 x 600 pixels whose
// paper is 800 x 600 DC pixels, and a picture four times finer than the DC.
TEST(TFrameDC, MapsThePaperOntoThePixelsAndTheFrame) {
    DcHolder holder;
    TFrameDC frame(nullptr, holder.dc, 800, 600);
    ASSERT_TRUE(frame.IsValid());
    const float mmX = frame.GetDCMMPerPixelX();
    const float mmY = frame.GetDCMMPerPixelY();
    ASSERT_GT(mmX, 0.0f);
    frame.SetPaperSize(800 * mmX, 600 * mmY);
    EXPECT_EQ(frame.GetPixelWidth(), 800);
    EXPECT_EQ(frame.GetPixelHeight(), 600);
    std::int32_t l, t, r, b;
    ASSERT_TRUE(frame.GetViewportRect(l, t, r, b));
    EXPECT_EQ(r, 800);
    EXPECT_EQ(b, 600);

    frame.SetImageResolution(mmX / 4, mmY / 4);
    EXPECT_EQ(frame.GetFrameWidth(), 3200);
    EXPECT_EQ(frame.GetFrameHeight(), 2400);

    frame.SetScale(2);
    EXPECT_EQ(frame.GetFrameWidth(), 6400);
    EXPECT_EQ(Frame(frame).left, 0);

    ASSERT_TRUE(frame.SetFramePos(-100, 50));
    const FrameRect moved = Frame(frame);
    EXPECT_EQ(moved.left, -100);
    EXPECT_EQ(moved.top, 50);
    EXPECT_EQ(moved.right, 6300);
    EXPECT_EQ(moved.bottom, 4850);

    // Image point (left, top) lands on device (0, 0), the frame's far corner on (800, 600).
    POINT points[2] = {{-100, 50}, {6300, 4850}};
    LPtoDP(holder.dc, points, 2);
    EXPECT_EQ(points[0].x, 0);
    EXPECT_EQ(points[0].y, 0);
    EXPECT_EQ(points[1].x, 800);
    EXPECT_EQ(points[1].y, 600);

    // Half a resolution given: the DC's own is used.
    frame.SetScale(1);
    frame.SetImageResolution(0, 0.1f);
    EXPECT_EQ(frame.GetFrameWidth(), 800);
}

TEST(TFrameDC, InvalidFrameIgnoresEverything) {
    DcHolder holder;
    const struct {
        const char* name;
        HDC dc;
        int width, height;
    } cases[] = {{"no DC", nullptr, 10, 10},
                 {"zero width", holder.dc, 0, 10},
                 {"negative height", holder.dc, 10, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TFrameDC frame(nullptr, c.dc, c.width, c.height);
        EXPECT_FALSE(frame.IsValid());
        frame.SetPaperSize(100, 100);
        frame.SetScale(3);
        frame.SetImageResolution(0.1f, 0.1f);
        EXPECT_FALSE(frame.SetFramePos(5, 5));
        EXPECT_FALSE(frame.ApplyMapping());
        std::int32_t l, t, r, b;
        EXPECT_FALSE(frame.GetFrameRect(l, t, r, b));
        EXPECT_EQ(frame.GetPixelWidth(), 0);
        EXPECT_EQ(frame.GetFrameWidth(), 0);
        EXPECT_FLOAT_EQ(frame.GetScale(), 1.0f);
    }
}

TEST(TFrameDC, MappingMovesToAnotherDCAtTheGivenOrigin) {
    DcHolder view, memory;
    TFrameDC frame(nullptr, view.dc, 100, 100);
    const float mm = frame.GetDCMMPerPixelX();
    frame.SetPaperSize(100 * mm, 100 * frame.GetDCMMPerPixelY());
    frame.SetImageResolution(mm / 2, frame.GetDCMMPerPixelY() / 2);
    frame.MappingCallback()(memory.dc, 40, 60);
    POINT p{40 + 20, 60 + 10};
    LPtoDP(memory.dc, &p, 1);
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 5);
}

TEST(SoftTransform, RoundsTiesToEvenAndIsUndoneByItsInverse) {
    DcHolder holder;
    SetSoftTransform({10, 0.5f, -4, 2.0f});
    POINT p[2] = {{5, 3}, {7, -1}};
    SoftLPtoDP(holder.dc, p, 2);
    EXPECT_EQ(p[0].x, 12); // round(2.5) = 2, + 10
    EXPECT_EQ(p[1].x, 14); // round(3.5) = 4, + 10
    EXPECT_EQ(p[0].y, 2);
    SoftDPtoLP(holder.dc, p, 2);
    EXPECT_EQ(p[0].y, 3);
    HRGN region = CreateRectRgn(0, 0, 1, 1);
    EXPECT_TRUE(SoftSetRectRgn(region, 0, 0, 4, 4));
    RECT box;
    GetRgnBox(region, &box);
    EXPECT_EQ(box.left, 10);
    EXPECT_EQ(box.bottom, 4);
    EXPECT_FALSE(SoftSetRectRgn(nullptr, 0, 0, 1, 1));
    DeleteObject(region);
    ResetSoftTransform();
}

// A 400 x 300 view whose frame maps one to one, for the paint cycle.
class ClipDCPaint : public ::testing::Test {
protected:
    void SetUp() override {
        m_dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info = TopDownDib32(400, 300);
        void* bits = nullptr;
        m_bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<DWORD*>(bits);
        std::fill(m_bits, m_bits + 400 * 300, 0x00FFFFFFu);
        m_old = SelectObject(m_dc, m_bitmap);
        m_clip = std::make_unique<TClipDC>(nullptr, m_dc, 400, 300);
        m_clip->SetPaperSize(400 * m_clip->GetDCMMPerPixelX(), 300 * m_clip->GetDCMMPerPixelY());
        m_update = CreateRectRgn(0, 0, 400, 300);
        m_whole = CreateRectRgn(0, 0, 400, 300);
    }
    void TearDown() override {
        m_clip.reset();
        DeleteObject(m_update);
        DeleteObject(m_whole);
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    DWORD Pixel(int x, int y) const { return m_bits[y * 400 + x] & 0xFFFFFF; }

    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    DWORD* m_bits = nullptr;
    std::unique_ptr<TClipDC> m_clip;
    HRGN m_update = nullptr;
    HRGN m_whole = nullptr;
};

TEST_F(ClipDCPaint, FillsWhatThePageLeftUncovered) {
    m_clip->OnPaintPage = [](HDC dc, HRGN& region) {
        const RECT square{150, 100, 250, 200};
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        FillRect(dc, &square, red);
        DeleteObject(red);
        region = CreateRectRgn(150, 100, 250, 200);
    };
    m_clip->Paint(m_update, m_whole);
    const DWORD background = 0x000040; // RGB(0, 0, 64) as B, G, R in memory
    EXPECT_EQ(Pixel(0, 0), background);
    EXPECT_EQ(Pixel(399, 299), background);
    EXPECT_EQ(Pixel(149, 150), background);
    EXPECT_EQ(Pixel(150, 100), 0xFF0000u);
    EXPECT_EQ(Pixel(249, 199), 0xFF0000u);
    EXPECT_EQ(Pixel(250, 150), background);
}

TEST_F(ClipDCPaint, NoRegionMeansNoFillAndOutsideTheClipNoCall) {
    int calls = 0;
    m_clip->OnPaintPage = [&calls](HDC, HRGN&) { ++calls; };
    m_clip->Paint(m_update, m_whole);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Pixel(0, 0), 0xFFFFFFu);

    HRGN elsewhere = CreateRectRgn(500, 500, 600, 600);
    m_clip->Paint(m_update, elsewhere);
    EXPECT_EQ(calls, 1);
    DeleteObject(elsewhere);
}

} // namespace
