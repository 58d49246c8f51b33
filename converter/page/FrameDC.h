// The mapping between the picture's pixels and a device context's pixels.
#pragma once

#include <cstdint>

#include "converter/players/Player.h"
#include "platform/WinGdi.h"

// TFrameDC wraps a device context (not owned: its creator releases it) and keeps it in the
// anisotropic mapping mode so that a rectangle of the picture, the frame, fills the drawing
// area exactly. Two coordinate spaces meet here:
//   - image coordinates: the picture's pixel grid (the page's bounds units), in which the
//     players draw;
//   - device coordinates: the pixels of the DC.
// The DC stands for a physical area, the paper, in millimetres. The picture has its own
// millimetres per pixel, and the scale says how many millimetres of picture one millimetre of
// paper shows (1: physical size, 2: half size). From these the frame's size in image pixels
// follows; moving the frame pans over the picture.
//
// Validity is decided once at creation (a DC and a positive size); an invalid frame DC ignores
// every operation.
class TFrameDC {
public:
    TFrameDC(void* owner, HDC dc, std::int32_t width, std::int32_t height);
    virtual ~TFrameDC() = default;
    TFrameDC(const TFrameDC&) = delete;
    TFrameDC& operator=(const TFrameDC&) = delete;

    void SetPaperSize(float widthMM, float heightMM);
    // Both > 0: the picture's own millimetres per pixel; otherwise the DC's are used.
    void SetImageResolution(float mmPerPixelX, float mmPerPixelY);
    void SetScale(float scale);
    // Separate factors per axis (scale itself takes the x factor), for a frame that must map a
    // given picture exactly onto a given number of pixels in both directions.
    void SetScales(float scaleX, float scaleY);
    void SetZoom(float zoom);
    bool SetFramePos(std::int32_t left, std::int32_t top);
    // Frame in image pixels; right = left + width (exclusive).
    bool GetFrameRect(std::int32_t& left, std::int32_t& top, std::int32_t& right,
                      std::int32_t& bottom) const;
    bool GetViewportRect(std::int32_t& left, std::int32_t& top, std::int32_t& right,
                         std::int32_t& bottom) const;
    void RefreshMapping();
    bool ApplyMapping();
    // The same mapping on another DC, with (x, y) at the device origin; the PrepareCallback
    // the players use to set up their memory DCs.
    void ApplyMappingTo(HDC other, std::int32_t x, std::int32_t y);
    PrepareCallback MappingCallback();

    HDC GetDC() const { return m_dc; }
    bool IsValid() const { return m_valid; }
    float GetDCMMPerPixelX() const { return m_dcMMPerPixelX; }
    float GetDCMMPerPixelY() const { return m_dcMMPerPixelY; }
    std::int32_t GetFrameLeft() const { return m_frameLeft; }
    std::int32_t GetFrameTop() const { return m_frameTop; }
    std::int32_t GetPixelWidth() const { return m_pixelWidth; }
    std::int32_t GetPixelHeight() const { return m_pixelHeight; }
    std::int32_t GetFrameWidth() const { return m_frameWidth; }
    std::int32_t GetFrameHeight() const { return m_frameHeight; }
    float GetScale() const { return m_scale; }
    const PlayTransform* GetPlayTransform() const { return &m_playTransform; }
    void* GetOwner() const { return m_owner; }

private:
    void ReadDeviceResolution();
    void RecalcFrame();
    void RecalcPixelSize();
    void RecalcWindow();

    void* m_owner;
    HDC m_dc = nullptr;
    bool m_valid = false;
    float m_dcMMPerPixelX = 0; // HORZSIZE / HORZRES of the DC
    float m_dcMMPerPixelY = 0;
    float m_paperWidth = 0; // mm the drawing area stands for
    float m_paperHeight = 0;
    float m_zoomX = 1, m_zoomY = 1, m_zoom = 1; // stored only
    std::int32_t m_pixelWidth = 0;              // drawing area in device pixels
    std::int32_t m_pixelHeight = 0;
    std::int32_t m_viewportWidth = 0; // always the pixel size
    std::int32_t m_viewportHeight = 0;
    std::int32_t m_viewportOrgX = 0, m_viewportOrgY = 0;
    std::int32_t m_viewportRight = 0, m_viewportBottom = 0;
    bool m_imageResolutionGiven = false;
    float m_imageMMPerPixelX = 0; // the picture's physical pixel size
    float m_imageMMPerPixelY = 0;
    float m_scale = 1, m_scaleX = 1, m_scaleY = 1;
    std::int32_t m_frameWidth = 0; // image pixels
    std::int32_t m_frameHeight = 0;
    std::int32_t m_frameLeft = 0, m_frameTop = 0, m_frameRight = 0, m_frameBottom = 0;
    PlayTransform m_playTransform; // always disabled
    std::int32_t m_windowOrgX = 0, m_windowOrgY = 0;
    std::int32_t m_windowExtX = 0, m_windowExtY = 0;
};
