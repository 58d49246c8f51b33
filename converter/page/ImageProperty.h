// The output geometry of a conversion: format, target size and the scale factor that maps the
// page onto that target.
#pragma once

#include <cstdint>
#include <utility>

class TPlayerEMF;

// Output format codes shared with job control, the preview and the preset list.
constexpr std::uint8_t kFormatNone = 0;
constexpr std::uint8_t kFormatBMP = 3;
constexpr std::uint8_t kFormatJPG = 4;
constexpr std::uint8_t kFormatGIF = 5;

// Scale modes and size units of TImgProperty.
constexpr std::uint8_t kScaleFit = 0;
constexpr std::uint8_t kScaleFactor = 1;
constexpr std::uint8_t kScaleByWidth = 2;
constexpr std::uint8_t kScaleByHeight = 3;

constexpr std::uint8_t kUnitNone = 0;
constexpr std::uint8_t kUnitPixels = 1;
constexpr std::uint8_t kUnitMM = 2;
constexpr std::uint8_t kUnitInches = 3;

// What the image properties need to know of a loaded page, all taken from its metafile header.
struct TPageGeometry {
    float mmPerPixelX = 0; // frame extent in mm / bounds extent, extents inclusive
    float mmPerPixelY = 0;
    float frameWidthMM = 0; // frame extent in millimetres
    float frameHeightMM = 0;
    std::int32_t width = 0; // picture size in bounds units
    std::int32_t height = 0;
};

// The screen as the image properties see it: its size in pixels and millimetres.
struct TDisplayMetrics {
    std::int32_t horzRes = 0; // pixels
    std::int32_t vertRes = 0;
    std::int32_t horzSize = 0; // millimetres
    std::int32_t vertSize = 0;
};

// TImgProperty holds what the output image is to be: the output format code, the target size
// kept in step in screen pixels, millimetres and inches, the scale mode and the scale factor
// (a divisor: target = page size / factor). Pixels are screen pixels; the display's pixels per
// inch convert between the units, each axis with its own resolution. Reals are stored as floats
// and computed in double; every rounding to an integer is to nearest, ties to even.
//
// One instance, ImgProperty, lives for the whole process. Job control fills it from the preset
// and the command line; the conversion worker hands it each page it shows or saves
// (AssignMetafile) and reads back the sizes and the factor.
class TImgProperty {
public:
    // Reads the screen's size in pixels and millimetres; false when the screen cannot be
    // queried. Replaceable so that tests can present any screen.
    using DisplayQuery = bool (*)(TDisplayMetrics& metrics);

    TImgProperty() = default;

    // Format BMP, display resolution and the screen size as target, in pixels.
    void ResetDefaults();
    // Forgets the page; mode, unit, targets and factors stay.
    void ClearMetafile();

    void SetFormat(std::uint8_t format) { m_format = format; }
    std::uint8_t GetFormat() const { return m_format; }

    void ReadDisplayResolution();
    std::pair<float, float> GetDisplayResolution() const { return {m_displayPpiX, m_displayPpiY}; }
    void ReadScreenSize();

    // Each setter ignores a non-positive dimension and re-derives the other two units.
    void SetPixelSize(std::int32_t width, std::int32_t height);
    void SetMMSize(float width, float height);
    void SetInchSize(float width, float height);
    std::pair<std::int32_t, std::int32_t> GetPixelSize() const {
        return {m_targetPxW, m_targetPxH};
    }
    std::pair<float, float> GetMMSize() const { return {m_targetMMW, m_targetMMH}; }
    std::pair<float, float> GetInchSize() const { return {m_targetInW, m_targetInH}; }

    // Chooses the unit in which later sizes are given while keeping the current target box
    // (after ResetDefaults: the screen), so that a conversion with no scale option fits the
    // page to the screen rather than to a one-unit placeholder. Units other than pixels,
    // millimetres and inches are ignored.
    void SelectUnit(std::uint8_t unit);
    std::uint8_t GetUnit() const { return m_unit; }
    std::uint8_t GetScaleMode() const { return m_scaleMode; }

    std::pair<float, float> GetScaleFactors() const { return {m_factorX, m_factorY}; }

    // Takes the page geometry and re-applies the scale mode. With no page: ClearMetafile,
    // ResetDefaults and false. The player overload lives with the player (PlayerEMF.cpp).
    bool AssignMetafile(const TPageGeometry* page);
    bool AssignMetafile(const TPlayerEMF* player);
    bool HasMetafile() const { return m_metafilePresent; }
    std::pair<std::int32_t, std::int32_t> GetMetafilePixelSize() const {
        return {m_metafilePxW, m_metafilePxH};
    }

    void ApplyScaleMode(std::uint8_t mode);

    // p <= 0 shows "Incorrect Scale = p" and changes nothing.
    void SetPercentScale(float percent);
    float GetPercentScale() const;
    void SetScaleFactor(float factor);
    float GetScaleFactor() const;

    void SetWidthPixels(float width);
    void SetWidthMM(float width);
    void SetWidthInches(float width);
    void SetHeightPixels(float height);
    void SetHeightMM(float height);
    void SetHeightInches(float height);
    float GetWidthPixels() const;
    float GetHeightPixels() const;

    // Returns the previous query. Passing nullptr restores the real display.
    static DisplayQuery SetDisplayQuery(DisplayQuery query);

private:
    void ConvertFrom(std::uint8_t unit);
    void SetWidth(std::uint8_t unit, float width);
    void SetHeight(std::uint8_t unit, float height);
    void ApplyFit(double mw, double mh, double tw, double th, double perUnit);
    void ApplyScale(double mw, double mh, double perUnit);
    void ApplyByWidth(double mw, double mh, double tw, double th, double perUnit);
    void ApplyByHeight(double mw, double mh, double tw, double th, double perUnit);
    void SetSizeInUnit(double width, double height);

    bool m_metafilePresent = false;
    float m_metafileDpiX = 0; // dots per inch of the page's reference device
    float m_metafileDpiY = 0;
    std::int32_t m_metafilePxW = 0; // page size in screen pixels
    std::int32_t m_metafilePxH = 0;
    float m_metafileMMW = 0; // page frame size in millimetres
    float m_metafileMMH = 0;
    std::uint8_t m_format = kFormatNone;
    float m_displayPpiX = 0; // screen pixels per inch; 0 until read
    float m_displayPpiY = 0;
    std::uint8_t m_scaleMode = kScaleFit;
    std::uint8_t m_unit = kUnitNone;
    std::int32_t m_targetPxW = 0;
    std::int32_t m_targetPxH = 0;
    float m_targetMMW = 0;
    float m_targetMMH = 0;
    float m_targetInW = 0;
    float m_targetInH = 0;
    float m_factorX = 0; // divisor: target = page size / factor
    float m_factorY = 0;
};

// The single instance, alive for the whole process.
extern TImgProperty ImgProperty;
