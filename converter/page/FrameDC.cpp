// The frame DC keeps one invariant: the DC is anisotropic, its window is the frame (origin at
// the frame's top-left, extent the frame's size) and its viewport is the drawing area (origin
// 0, 0, extent the pixel size). Image point (x, y) thus lands on device pixel
// ((x - left) * pixel width / frame width, (y - top) * pixel height / frame height).
//
// Frame size = paper * scale / image mm per pixel; pixel size = paper / DC mm per pixel. A
// resolution of zero (a device without a physical size) gives a size of zero rather than a
// division by zero.
#include "converter/page/FrameDC.h"

#include "converter/page/Rounding.h"
#include "converter/page/SoftTransform.h"

namespace {

std::int32_t RoundedRatio(double numerator, double denominator) {
    return denominator > 0 ? RoundToInt32(numerator / denominator) : 0;
}

} // namespace

TFrameDC::TFrameDC(void* owner, HDC dc, std::int32_t width, std::int32_t height) : m_owner(owner) {
    m_valid = dc != nullptr && width > 0 && height > 0;
    if (!m_valid) {
        return;
    }
    m_dc = dc;
    SetMapMode(m_dc, MM_ANISOTROPIC);
    ReadDeviceResolution();
}

void TFrameDC::ReadDeviceResolution() {
    if (!m_dc) {
        return;
    }
    const int horzRes = GetDeviceCaps(m_dc, HORZRES);
    const int vertRes = GetDeviceCaps(m_dc, VERTRES);
    m_dcMMPerPixelX =
        horzRes > 0
            ? static_cast<float>(static_cast<double>(GetDeviceCaps(m_dc, HORZSIZE)) / horzRes)
            : 0;
    m_dcMMPerPixelY =
        vertRes > 0
            ? static_cast<float>(static_cast<double>(GetDeviceCaps(m_dc, VERTSIZE)) / vertRes)
            : 0;
    if (!m_imageResolutionGiven) {
        m_imageMMPerPixelX = m_dcMMPerPixelX;
        m_imageMMPerPixelY = m_dcMMPerPixelY;
    }
}

void TFrameDC::SetPaperSize(float widthMM, float heightMM) {
    if (!m_valid) {
        return;
    }
    m_paperWidth = widthMM;
    m_paperHeight = heightMM;
    RecalcFrame();
    RecalcPixelSize();
}

void TFrameDC::SetImageResolution(float mmPerPixelX, float mmPerPixelY) {
    // Without a DC there is no device resolution to fall back on.
    if (!m_valid) {
        return;
    }
    if (mmPerPixelX > 0 && mmPerPixelY > 0) {
        m_imageResolutionGiven = true;
        m_imageMMPerPixelX = mmPerPixelX;
        m_imageMMPerPixelY = mmPerPixelY;
    } else {
        m_imageResolutionGiven = false;
    }
    ReadDeviceResolution();
    RecalcFrame();
}

void TFrameDC::SetScale(float scale) {
    if (!m_valid) {
        return;
    }
    m_scale = m_scaleX = m_scaleY = scale;
    RecalcFrame();
}

void TFrameDC::SetScales(float scaleX, float scaleY) {
    if (!m_valid) {
        return;
    }
    m_scale = m_scaleX = scaleX;
    m_scaleY = scaleY;
    RecalcFrame();
}

void TFrameDC::SetZoom(float zoom) {
    if (!m_valid) {
        return;
    }
    m_zoom = m_zoomX = m_zoomY = zoom;
    RecalcPixelSize();
}

bool TFrameDC::SetFramePos(std::int32_t left, std::int32_t top) {
    if (!m_valid) {
        return false;
    }
    m_frameLeft = left;
    m_frameTop = top;
    m_frameRight = left + m_frameWidth;
    m_frameBottom = top + m_frameHeight;
    RecalcWindow();
    return true;
}

bool TFrameDC::GetFrameRect(std::int32_t& left, std::int32_t& top, std::int32_t& right,
                            std::int32_t& bottom) const {
    if (!m_valid) {
        return false;
    }
    left = m_frameLeft;
    top = m_frameTop;
    right = m_frameRight;
    bottom = m_frameBottom;
    return true;
}

bool TFrameDC::GetViewportRect(std::int32_t& left, std::int32_t& top, std::int32_t& right,
                               std::int32_t& bottom) const {
    if (!m_valid) {
        return false;
    }
    left = m_viewportOrgX;
    top = m_viewportOrgY;
    right = m_viewportRight;
    bottom = m_viewportBottom;
    return true;
}

void TFrameDC::RefreshMapping() {
    if (m_valid) {
        RecalcWindow();
    }
}

void TFrameDC::RecalcFrame() {
    m_frameWidth = RoundedRatio(static_cast<double>(m_paperWidth) * m_scaleX, m_imageMMPerPixelX);
    m_frameHeight = RoundedRatio(static_cast<double>(m_paperHeight) * m_scaleY, m_imageMMPerPixelY);
    m_frameRight = m_frameLeft + m_frameWidth;
    m_frameBottom = m_frameTop + m_frameHeight;
    RecalcWindow();
}

void TFrameDC::RecalcPixelSize() {
    m_pixelWidth = RoundedRatio(m_paperWidth, m_dcMMPerPixelX);
    m_pixelHeight = RoundedRatio(m_paperHeight, m_dcMMPerPixelY);
    m_viewportWidth = m_pixelWidth;
    m_viewportHeight = m_pixelHeight;
    ApplyMapping();
}

void TFrameDC::RecalcWindow() {
    ResetSoftTransform();
    m_playTransform = PlayTransform{};
    m_windowOrgX = m_frameLeft;
    m_windowOrgY = m_frameTop;
    m_windowExtX = m_frameWidth;
    m_windowExtY = m_frameHeight;
    ApplyMapping();
}

bool TFrameDC::ApplyMapping() {
    if (!m_valid) {
        return false;
    }
    SetMapMode(m_dc, MM_ANISOTROPIC);
    SetWindowOrgEx(m_dc, m_windowOrgX, m_windowOrgY, nullptr);
    SetWindowExtEx(m_dc, m_windowExtX, m_windowExtY, nullptr);
    bool result = SetViewportExtEx(m_dc, m_viewportWidth, m_viewportHeight, nullptr) != FALSE;
    m_viewportOrgX = (m_pixelWidth - m_viewportWidth) / 2;
    m_viewportOrgY = (m_pixelHeight - m_viewportHeight) / 2;
    m_viewportRight = m_viewportWidth + m_viewportOrgX;
    m_viewportBottom = m_viewportHeight + m_viewportOrgY;
    if (!SetViewportOrgEx(m_dc, m_viewportOrgX, m_viewportOrgY, nullptr)) {
        result = false;
    }
    return result;
}

void TFrameDC::ApplyMappingTo(HDC other, std::int32_t x, std::int32_t y) {
    if (!m_valid || !other) {
        return;
    }
    SetMapMode(other, MM_ANISOTROPIC);
    SetWindowOrgEx(other, x, y, nullptr);
    SetWindowExtEx(other, m_windowExtX, m_windowExtY, nullptr);
    SetViewportExtEx(other, m_viewportWidth, m_viewportHeight, nullptr);
    SetViewportOrgEx(other, m_viewportOrgX, m_viewportOrgY, nullptr);
}

PrepareCallback TFrameDC::MappingCallback() {
    return [this](HDC dc, std::int32_t x, std::int32_t y) { ApplyMappingTo(dc, x, y); };
}
