// A paint is a sequence of region operations, all in device coordinates except the page's
// painted region, which comes back in image coordinates and is taken by its bounding box:
//   A = clip AND update      (nothing to do when empty)
//   page drawn with A as the clipping region, reporting P
//   A = A - box(P)           (what the page did not cover)
//   background filled over A AND update.
#include "converter/page/ClipDC.h"

#include <memory>

namespace {

struct RegionDeleter {
    void operator()(HRGN__* region) const { DeleteObject(region); }
};
using RegionHolder = std::unique_ptr<HRGN__, RegionDeleter>;

RegionHolder NewRegion() {
    return RegionHolder(CreateRectRgn(0, 0, 1, 1));
}

bool HasArea(int kind) {
    return kind == SIMPLEREGION || kind == COMPLEXREGION;
}

} // namespace

TClipDC::TClipDC(void* owner, HDC dc, std::int32_t width, std::int32_t height)
    : TFrameDC(owner, dc, width, height) {
    if (dc) {
        m_background = CreateSolidBrush(kBackgroundColor);
    }
}

TClipDC::~TClipDC() {
    if (m_background) {
        DeleteObject(m_background);
    }
}

void TClipDC::Paint(HRGN& update, HRGN clip) {
    HDC dc = GetDC();
    if (!IsValid() || !update || !clip || !OnPaintPage) {
        return;
    }
    RegionHolder area = NewRegion();
    if (!area || !HasArea(CombineRgn(area.get(), clip, update, RGN_AND))) {
        return;
    }
    SelectClipRgn(dc, area.get());

    HRGN painted = nullptr;
    OnPaintPage(dc, painted);
    if (!painted) {
        return;
    }
    RegionHolder paintedHolder(painted);
    RECT box{};
    GetRgnBox(painted, &box);
    POINT corners[2] = {{box.left, box.top}, {box.right, box.bottom}};
    LPtoDP(dc, corners, 2);
    RegionHolder pageArea = NewRegion();
    SetRectRgn(pageArea.get(), corners[0].x, corners[0].y, corners[1].x, corners[1].y);
    CombineRgn(area.get(), area.get(), pageArea.get(), RGN_DIFF);
    FillBackground(update, area.get());
}

void TClipDC::FillBackground(HRGN update, HRGN area) {
    HDC dc = GetDC();
    RECT box{};
    GetRgnBox(area, &box);
    POINT corners[2] = {{box.left, box.top}, {box.right, box.bottom}};
    DPtoLP(dc, corners, 2);
    RegionHolder fill = NewRegion();
    SetRectRgn(fill.get(), corners[0].x, corners[0].y, corners[1].x, corners[1].y);
    RegionHolder visible = NewRegion();
    if (HasArea(CombineRgn(visible.get(), area, update, RGN_AND))) {
        SelectClipRgn(dc, visible.get());
        FillRgn(dc, fill.get(), m_background);
    }
}
