// The image properties keep one target size in three units and derive a single scale factor
// from it and the page. The arithmetic follows a fixed order: every formula reads the stored
// 32-bit values, computes in double and stores a float again, so the same command line gives the
// same pixel size on every run and every platform.
//
// A zero anywhere a formula divides (no display resolution, a zero target dimension, a page of
// zero extent) leaves the target and the factors as they were rather than storing an infinity
// that a later conversion would turn into a nonsense bitmap size.
#include "converter/page/ImageProperty.h"

#include <algorithm>
#include <cstdio>

#include "converter/page/PageMessage.h"
#include "converter/page/Rounding.h"
#include "platform/WinGdi.h"

TImgProperty ImgProperty;

namespace {

constexpr double kMMPerInch = 25.4;

// The screen as the "DISPLAY" information context describes it.
bool QueryRealDisplay(TDisplayMetrics& metrics) {
    HDC ic = CreateIC("DISPLAY", nullptr, nullptr, nullptr);
    if (!ic) {
        return false;
    }
    metrics.horzRes = GetDeviceCaps(ic, HORZRES);
    metrics.vertRes = GetDeviceCaps(ic, VERTRES);
    metrics.horzSize = GetDeviceCaps(ic, HORZSIZE);
    metrics.vertSize = GetDeviceCaps(ic, VERTSIZE);
    DeleteDC(ic);
    return true;
}

TImgProperty::DisplayQuery g_displayQuery = &QueryRealDisplay;

void ReportNoDisplay() {
    ShowPageMessage(TMessageKind::Information, "Can't CreateIC.");
}

} // namespace

TImgProperty::DisplayQuery TImgProperty::SetDisplayQuery(DisplayQuery query) {
    DisplayQuery previous = g_displayQuery;
    g_displayQuery = query ? query : &QueryRealDisplay;
    return previous;
}

void TImgProperty::ResetDefaults() {
    SetFormat(kFormatBMP);
    ReadDisplayResolution();
    ReadScreenSize();
}

void TImgProperty::ClearMetafile() {
    m_metafilePresent = false;
    m_metafileDpiX = m_metafileDpiY = 0;
    m_metafilePxW = m_metafilePxH = 0;
    m_metafileMMW = m_metafileMMH = 0;
}

void TImgProperty::ReadDisplayResolution() {
    TDisplayMetrics metrics;
    if (!g_displayQuery(metrics)) {
        ReportNoDisplay();
        return;
    }
    // A device that reports no physical size has no resolution; keep the one read before.
    if (metrics.horzSize > 0) {
        m_displayPpiX = static_cast<float>(metrics.horzRes * kMMPerInch / metrics.horzSize);
    }
    if (metrics.vertSize > 0) {
        m_displayPpiY = static_cast<float>(metrics.vertRes * kMMPerInch / metrics.vertSize);
    }
}

void TImgProperty::ReadScreenSize() {
    TDisplayMetrics metrics;
    if (!g_displayQuery(metrics)) {
        ReportNoDisplay();
        return;
    }
    SetPixelSize(metrics.horzRes, metrics.vertRes);
}

void TImgProperty::SetPixelSize(std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) {
        return;
    }
    m_unit = kUnitPixels;
    m_targetPxW = width;
    m_targetPxH = height;
    ConvertFrom(kUnitPixels);
}

void TImgProperty::SetMMSize(float width, float height) {
    if (!(width > 0) || !(height > 0)) {
        return;
    }
    m_unit = kUnitMM;
    m_targetMMW = width;
    m_targetMMH = height;
    ConvertFrom(kUnitMM);
}

void TImgProperty::SetInchSize(float width, float height) {
    if (!(width > 0) || !(height > 0)) {
        return;
    }
    m_unit = kUnitInches;
    m_targetInW = width;
    m_targetInH = height;
    ConvertFrom(kUnitInches);
}

void TImgProperty::SelectUnit(std::uint8_t unit) {
    if (unit == kUnitPixels || unit == kUnitMM || unit == kUnitInches) {
        m_unit = unit;
    }
}

void TImgProperty::ConvertFrom(std::uint8_t unit) {
    // One axis at a time with its own resolution; an axis without a resolution keeps its other
    // units as they were.
    auto convert = [unit](float ppi, std::int32_t& px, float& mm, float& in) {
        if (!(ppi > 0)) {
            return;
        }
        switch (unit) {
        case kUnitPixels:
            in = static_cast<float>(static_cast<double>(px) / ppi);
            mm = static_cast<float>(static_cast<double>(in) * kMMPerInch);
            break;
        case kUnitMM:
            in = static_cast<float>(static_cast<double>(mm) / kMMPerInch);
            px = RoundToInt32(static_cast<double>(in) * ppi);
            break;
        case kUnitInches:
            mm = static_cast<float>(static_cast<double>(in) * kMMPerInch);
            px = RoundToInt32(static_cast<double>(in) * ppi);
            break;
        default:
            break;
        }
    };
    convert(m_displayPpiX, m_targetPxW, m_targetMMW, m_targetInW);
    convert(m_displayPpiY, m_targetPxH, m_targetMMH, m_targetInH);
}

bool TImgProperty::AssignMetafile(const TPageGeometry* page) {
    if (!page) {
        ClearMetafile();
        ResetDefaults();
        return false;
    }
    m_metafilePresent = true;
    m_metafileDpiX = page->mmPerPixelX > 0 ? static_cast<float>(kMMPerInch / page->mmPerPixelX) : 0;
    m_metafileDpiY = page->mmPerPixelY > 0 ? static_cast<float>(kMMPerInch / page->mmPerPixelY) : 0;
    m_metafileMMW = page->frameWidthMM;
    m_metafileMMH = page->frameHeightMM;
    m_metafilePxW =
        m_metafileDpiX > 0
            ? RoundToInt32(page->width / static_cast<double>(m_metafileDpiX) * m_displayPpiX)
            : 0;
    m_metafilePxH =
        m_metafileDpiY > 0
            ? RoundToInt32(page->height / static_cast<double>(m_metafileDpiY) * m_displayPpiY)
            : 0;
    ApplyScaleMode(m_scaleMode);
    return true;
}

void TImgProperty::ApplyScaleMode(std::uint8_t mode) {
    m_scaleMode = mode;
    if (m_unit == kUnitNone || mode > kScaleByHeight) {
        return;
    }
    double mw = 0, mh = 0, tw = 0, th = 0;
    if (m_unit == kUnitPixels) {
        mw = m_metafilePxW;
        mh = m_metafilePxH;
        tw = m_targetPxW;
        th = m_targetPxH;
    } else {
        mw = m_metafileMMW;
        mh = m_metafileMMH;
        tw = m_unit == kUnitMM ? m_targetMMW : m_targetInW;
        th = m_unit == kUnitMM ? m_targetMMH : m_targetInH;
    }
    // Page sizes are kept in pixels or millimetres; an inch target divides by 25.4 first.
    const double perUnit = m_unit == kUnitInches ? kMMPerInch : 1.0;
    switch (mode) {
    case kScaleFit:
        ApplyFit(mw, mh, tw, th, perUnit);
        break;
    case kScaleFactor:
        ApplyScale(mw, mh, perUnit);
        break;
    case kScaleByWidth:
        ApplyByWidth(mw, mh, tw, th, perUnit);
        break;
    case kScaleByHeight:
        ApplyByHeight(mw, mh, tw, th, perUnit);
        break;
    }
}

void TImgProperty::ApplyFit(double mw, double mh, double tw, double th, double perUnit) {
    if (!(tw > 0) || !(th > 0)) {
        return;
    }
    const float factor = static_cast<float>(std::max(mw / perUnit / tw, mh / perUnit / th));
    m_factorX = m_factorY = factor;
    SetSizeInUnit(tw, th);
}

void TImgProperty::ApplyScale(double mw, double mh, double perUnit) {
    if (!(m_factorX > 0) || !(m_factorY > 0)) {
        return;
    }
    SetSizeInUnit(mw / perUnit / m_factorX, mh / perUnit / m_factorY);
}

void TImgProperty::ApplyByWidth(double mw, double mh, double tw, double /*th*/, double perUnit) {
    if (!(tw > 0) || !(mw > 0)) {
        return;
    }
    const double height = mh / mw * tw;
    m_factorX = m_factorY = static_cast<float>(mw / perUnit / tw);
    SetSizeInUnit(tw, height);
}

void TImgProperty::ApplyByHeight(double mw, double mh, double /*tw*/, double th, double perUnit) {
    if (!(th > 0) || !(mh > 0)) {
        return;
    }
    const double width = mw / mh * th;
    m_factorX = m_factorY = static_cast<float>(mh / perUnit / th);
    SetSizeInUnit(width, th);
}

void TImgProperty::SetSizeInUnit(double width, double height) {
    switch (m_unit) {
    case kUnitPixels:
        SetPixelSize(RoundToInt32(width), RoundToInt32(height));
        break;
    case kUnitMM:
        SetMMSize(static_cast<float>(width), static_cast<float>(height));
        break;
    case kUnitInches:
        SetInchSize(static_cast<float>(width), static_cast<float>(height));
        break;
    default:
        break;
    }
}

void TImgProperty::SetPercentScale(float percent) {
    if (!(percent > 0)) {
        char text[64];
        std::snprintf(text, sizeof text, "Incorrect Scale = %.4f", static_cast<double>(percent));
        ShowPageMessage(TMessageKind::Error, text);
        return;
    }
    m_factorX = m_factorY = static_cast<float>(100.0 / percent);
    ApplyScaleMode(kScaleFactor);
}

float TImgProperty::GetPercentScale() const {
    if (m_scaleMode != kScaleFactor || !(m_factorX > 0)) {
        return 0;
    }
    return static_cast<float>(100.0 / m_factorX);
}

void TImgProperty::SetScaleFactor(float factor) {
    if (!(factor > 0)) {
        return;
    }
    m_factorX = m_factorY = factor;
    ApplyScaleMode(kScaleFactor);
}

float TImgProperty::GetScaleFactor() const {
    return m_scaleMode == kScaleFactor ? m_factorX : 0;
}

void TImgProperty::SetWidth(std::uint8_t unit, float width) {
    m_unit = unit;
    m_scaleMode = kScaleByWidth;
    switch (unit) {
    case kUnitPixels:
        m_targetPxW = RoundToInt32(width);
        break;
    case kUnitMM:
        m_targetMMW = width;
        break;
    default:
        m_targetInW = width;
        break;
    }
    if (width > 0 && m_metafilePresent) {
        ApplyScaleMode(kScaleByWidth);
    }
}

void TImgProperty::SetHeight(std::uint8_t unit, float height) {
    m_unit = unit;
    m_scaleMode = kScaleByHeight;
    switch (unit) {
    case kUnitPixels:
        m_targetPxH = RoundToInt32(height);
        break;
    case kUnitMM:
        m_targetMMH = height;
        break;
    default:
        m_targetInH = height;
        break;
    }
    if (height > 0 && m_metafilePresent) {
        ApplyScaleMode(kScaleByHeight);
    }
}

void TImgProperty::SetWidthPixels(float width) {
    SetWidth(kUnitPixels, width);
}
void TImgProperty::SetWidthMM(float width) {
    SetWidth(kUnitMM, width);
}
void TImgProperty::SetWidthInches(float width) {
    SetWidth(kUnitInches, width);
}
void TImgProperty::SetHeightPixels(float height) {
    SetHeight(kUnitPixels, height);
}
void TImgProperty::SetHeightMM(float height) {
    SetHeight(kUnitMM, height);
}
void TImgProperty::SetHeightInches(float height) {
    SetHeight(kUnitInches, height);
}

float TImgProperty::GetWidthPixels() const {
    return m_scaleMode == kScaleByWidth && m_unit == kUnitPixels ? static_cast<float>(m_targetPxW)
                                                                 : 0;
}

float TImgProperty::GetHeightPixels() const {
    return m_scaleMode == kScaleByHeight && m_unit == kUnitPixels ? static_cast<float>(m_targetPxH)
                                                                  : 0;
}
