#include "converter/page/SoftTransform.h"

#include "converter/page/Rounding.h"

namespace {

TSoftTransform g_transform;

std::int32_t Forward(std::int32_t value, float scale, std::int32_t offset) {
    return RoundToInt32(static_cast<double>(value) * scale) + offset;
}

std::int32_t Backward(std::int32_t value, float scale, std::int32_t offset) {
    // A zero scale has no inverse; the coordinate then stays as the DC gave it.
    if (scale == 0.0f) {
        return value;
    }
    return RoundToInt32((static_cast<double>(value) - offset) / scale);
}

} // namespace

void ResetSoftTransform() {
    g_transform = TSoftTransform{};
}
void SetSoftTransform(const TSoftTransform& transform) {
    g_transform = transform;
}
const TSoftTransform& GetSoftTransform() {
    return g_transform;
}

BOOL SoftLPtoDP(HDC dc, POINT* points, int count) {
    for (int i = 0; i < count; ++i) {
        points[i].x = Forward(points[i].x, g_transform.scaleX, g_transform.offsetX);
        points[i].y = Forward(points[i].y, g_transform.scaleY, g_transform.offsetY);
    }
    return LPtoDP(dc, points, count);
}

BOOL SoftDPtoLP(HDC dc, POINT* points, int count) {
    const BOOL result = DPtoLP(dc, points, count);
    for (int i = 0; i < count; ++i) {
        points[i].x = Backward(points[i].x, g_transform.scaleX, g_transform.offsetX);
        points[i].y = Backward(points[i].y, g_transform.scaleY, g_transform.offsetY);
    }
    return result;
}

BOOL SoftSetRectRgn(HRGN region, int left, int top, int right, int bottom) {
    if (!region) {
        return FALSE;
    }
    return SetRectRgn(region, Forward(left, g_transform.scaleX, g_transform.offsetX),
                      Forward(top, g_transform.scaleY, g_transform.offsetY),
                      Forward(right, g_transform.scaleX, g_transform.offsetX),
                      Forward(bottom, g_transform.scaleY, g_transform.offsetY));
}
