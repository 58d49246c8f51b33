// The paint cycle of the page view.
#pragma once

#include <functional>

#include "converter/page/FrameDC.h"

// TClipDC is the frame DC of the page view with the paint cycle added: Paint restricts drawing
// to the invalid area, lets the owner draw the page through OnPaintPage and fills whatever the
// page did not cover with a dark blue background. Created by the page view on its own DC and
// freed with it; it owns only its background brush.
class TClipDC : public TFrameDC {
public:
    // Draws the page into dc; on return region is null or a region in image coordinates
    // covering what was painted, which TClipDC deletes.
    using PaintPageCallback = std::function<void(HDC dc, HRGN& region)>;

    TClipDC(void* owner, HDC dc, std::int32_t width, std::int32_t height);
    ~TClipDC() override;

    // update and clip are device-coordinate regions; neither is taken over. The clipping region
    // selected last stays selected in the DC.
    void Paint(HRGN& update, HRGN clip);

    PaintPageCallback OnPaintPage;

    static constexpr COLORREF kBackgroundColor = RGB(0, 0, 64);

private:
    void FillBackground(HRGN update, HRGN area);

    HBRUSH m_background = nullptr;
};
