// A raster player renders the whole picture when it fits the byte budget (4,194,304 pixels at
// four bytes each). A larger picture is rendered, for the preview, only in a window centred on
// the visible part, k times its size in each direction where k = floor(sqrt(budget / visible
// bytes)), clamped to the picture. When the visible part alone exceeds the budget k is 0 and
// the window collapses to the middle of the visible part. Conversions ask for the whole
// picture whatever its size.
#include "converter/players/RasterPlayer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "converter/page/SoftTransform.h"

namespace {

std::int32_t Span(std::int32_t from, std::int32_t to) {
    const std::int64_t span = std::llabs(static_cast<std::int64_t>(to) - from);
    return static_cast<std::int32_t>(std::min<std::int64_t>(span, 0x7FFFFFFF));
}

struct TDeviceContextHolder {
    HDC dc;
    ~TDeviceContextHolder() {
        if (dc) {
            DeleteDC(dc);
        }
    }
};

} // namespace

bool WindowCovers(const TRect& full, const TRect& window, const TRect& visible,
                  TRect& intersection) {
    const bool insideLeft = visible.left > window.left;
    const bool insideTop = visible.top > window.top;
    const bool insideRight = visible.right < window.right;
    const bool insideBottom = visible.bottom < window.bottom;
    intersection.left = insideLeft ? visible.left : window.left;
    intersection.top = insideTop ? visible.top : window.top;
    intersection.right = insideRight ? visible.right : window.right;
    intersection.bottom = insideBottom ? visible.bottom : window.bottom;
    return (insideLeft || full.left >= window.left) && (insideTop || full.top >= window.top) &&
           (insideRight || full.right <= window.right) &&
           (insideBottom || full.bottom <= window.bottom);
}

bool StrictlyInside(const TRect& outer, const TRect& inner, TRect& intersection) {
    intersection.left = std::max(outer.left, inner.left);
    intersection.top = std::max(outer.top, inner.top);
    intersection.right = std::min(outer.right, inner.right);
    intersection.bottom = std::min(outer.bottom, inner.bottom);
    return inner.left > outer.left && inner.top > outer.top && inner.right < outer.right &&
           inner.bottom < outer.bottom;
}

TDeviceMeasure MeasureDeviceRect(HDC dc, const TRect& logical) {
    POINT corners[2] = {{logical.left, logical.top}, {logical.right + 1, logical.bottom + 1}};
    SoftLPtoDP(dc, corners, 2);
    TDeviceMeasure measure;
    measure.device = {corners[0].x, corners[0].y, corners[1].x - 1, corners[1].y - 1};
    measure.width = Span(corners[0].x, corners[1].x);
    measure.height = Span(corners[0].y, corners[1].y);
    measure.bytes = static_cast<std::uint64_t>(measure.width) *
                    static_cast<std::uint64_t>(measure.height) * BytesPerPixelEstimate;
    return measure;
}

TRect DeviceRectToLogical(HDC dc, const TRect& device) {
    POINT corners[2] = {{device.left, device.top}, {device.right + 1, device.bottom + 1}};
    SoftDPtoLP(dc, corners, 2);
    return {corners[0].x, corners[0].y, corners[1].x - 1, corners[1].y - 1};
}

bool RasterRender(TRasterState& state, bool renderWhole, HDC dc, const TRect& fullRect,
                  const PrepareCallback& onPrepare, const DrawCallback& onDraw,
                  const TRect& visibleRect, bool* allocationFailed) {
    if (allocationFailed) {
        *allocationFailed = false;
    }
    if (!dc) {
        return false;
    }
    const TDeviceMeasure vis = MeasureDeviceRect(dc, visibleRect);
    state.FullRect = fullRect;
    const TDeviceMeasure full = MeasureDeviceRect(dc, fullRect);

    if (!renderWhole && full.bytes > RenderMemoryLimit) {
        state.Partial = true;
        // A visible part of no area has no window factor; it gets the collapsed window.
        const double k = vis.bytes > 0
                             ? std::floor(std::sqrt(static_cast<double>(RenderMemoryLimit) /
                                                    static_cast<double>(vis.bytes)))
                             : 0.0;
        const std::int64_t dx = (static_cast<std::int64_t>(k) * vis.width - vis.width) / 2;
        const std::int64_t dy = (static_cast<std::int64_t>(k) * vis.height - vis.height) / 2;
        TRect window;
        window.left = static_cast<std::int32_t>(
            std::max<std::int64_t>(vis.device.left - dx, full.device.left));
        window.top =
            static_cast<std::int32_t>(std::max<std::int64_t>(vis.device.top - dy, full.device.top));
        window.right = static_cast<std::int32_t>(
            std::min<std::int64_t>(vis.device.right + dx, full.device.right));
        window.bottom = static_cast<std::int32_t>(
            std::min<std::int64_t>(vis.device.bottom + dy, full.device.bottom));
        state.Window = DeviceRectToLogical(dc, window);
        state.BitmapWidth = std::max(0, window.right - window.left + 1);
        state.BitmapHeight = std::max(0, window.bottom - window.top + 1);
    } else {
        state.Partial = false;
        state.Window = fullRect;
        state.BitmapWidth = full.width;
        state.BitmapHeight = full.height;
    }

    if (!state.Bitmap.SetSize(state.BitmapWidth, state.BitmapHeight)) {
        if (allocationFailed) {
            *allocationFailed = true;
        }
        state.BitmapWidth = state.BitmapHeight = 0;
        return false;
    }
    if (!onDraw) {
        return false;
    }
    TDeviceContextHolder memory{CreateCompatibleDC(dc)};
    if (!memory.dc) {
        return false;
    }
    HGDIOBJ previous = nullptr;
    if (!state.Bitmap.Empty()) {
        previous = SelectObject(memory.dc, state.Bitmap.Handle());
        const RECT all{0, 0, state.BitmapWidth, state.BitmapHeight};
        FillRect(memory.dc, &all, static_cast<HBRUSH>(GetCurrentObject(memory.dc, OBJ_BRUSH)));
    }
    if (onPrepare) {
        onPrepare(memory.dc, state.Window.left, state.Window.top);
    }
    HRGN region = nullptr;
    onDraw(memory.dc, region);
    if (region) {
        DeleteObject(region);
    }
    if (previous) {
        SelectObject(memory.dc, previous);
    }
    return true;
}

bool RasterPaint(TPlayer& player, TRasterState& state, HDC dc, const PrepareCallback& onPrepare,
                 const DrawCallback& onDraw, const TRect& visibleRect, HRGN& paintedRegion) {
    if (!dc) {
        return false;
    }
    TRect ignored;
    if (state.Partial && onDraw &&
        !WindowCovers(state.FullRect, state.Window, visibleRect, ignored)) {
        const TRect full = state.FullRect;
        player.Render(dc, full, onPrepare, onDraw, visibleRect);
    }
    TRect out;
    if (!StrictlyInside(state.FullRect, visibleRect, out)) {
        if (!paintedRegion) {
            paintedRegion = CreateRectRgn(0, 0, 1, 1);
        }
        SoftSetRectRgn(paintedRegion, out.left, out.top, out.right + 1, out.bottom + 1);
    }
    TDeviceContextHolder memory{CreateCompatibleDC(dc)};
    if (!memory.dc) {
        return false;
    }
    HGDIOBJ previous =
        state.Bitmap.Empty() ? nullptr : SelectObject(memory.dc, state.Bitmap.Handle());
    if (onPrepare) {
        onPrepare(memory.dc, state.Window.left, state.Window.top);
    }
    BitBlt(dc, out.left, out.top, out.right - out.left + 1, out.bottom - out.top + 1, memory.dc,
           out.left, out.top, SRCCOPY);
    if (previous) {
        SelectObject(memory.dc, previous);
    }
    return true;
}
