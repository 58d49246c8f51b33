// The page view's size and paint handling. The view's DC is the window's own: fetched once,
// never handed back while the window lives, so whatever the frame DC sets on it stays. Qt's
// resize and paint events stand for the size and paint messages of the window.
#include "converter/ui/SimplePageDC.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "converter/page/Rounding.h"

namespace {

// The update area as a GDI region of device pixels; the caller deletes it.
HRGN RegionFromQt(const QRegion& area) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    for (const QRect& rect : area) {
        HRGN part = CreateRectRgn(rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1);
        CombineRgn(region, region, part, RGN_OR);
        DeleteObject(part);
    }
    return region;
}

} // namespace

TSimplePageDC::TSimplePageDC(QWidget* owner) : QWidget(owner) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    m_pageRegion = CreateRectRgn(0, 0, 1, 1);
    m_clientRegion = CreateRectRgn(0, 0, 1, 1);
    // The window exists from here on: its pixels get the client size, and the clip DC sits on
    // its private DC.
    const int w = std::max(1, width());
    const int h = std::max(1, height());
    m_pixels.Resize(w, h, TClipDC::kBackgroundColor);
    if (HDC dc = PageDC()) {
        m_clipDC = std::make_unique<TClipDC>(this, dc, w, h);
    }
}

TSimplePageDC::~TSimplePageDC() {
    m_clipDC.reset();
    DeleteObject(m_pageRegion);
    DeleteObject(m_clientRegion);
    // The private DC goes with its window.
    if (m_pageDC) {
        ReleaseDC(m_pixels.Handle(), m_pageDC);
    }
}

HDC TSimplePageDC::PageDC() {
    if (!m_haveDC) {
        m_pageDC = GetDC(m_pixels.Handle());
        m_haveDC = m_pageDC != nullptr;
    }
    return m_pageDC;
}

void TSimplePageDC::SetZoom(float zoom) {
    m_zoom = zoom;
    if (!m_clipDC || zoom <= 0) {
        return;
    }
    m_clipDC->SetZoom(zoom);
    const double mmX = m_clipDC->GetDCMMPerPixelX();
    const double mmY = m_clipDC->GetDCMMPerPixelY();
    if (mmX <= 0 || mmY <= 0) {
        return;
    }
    // The frame around the client area stays; the client area shows the paper at the zoom.
    const QRect inner = contentsRect();
    const int w = width() - inner.width() + RoundToInt32(m_requestedPaperWidth / zoom / mmX);
    const int h = height() - inner.height() + RoundToInt32(m_requestedPaperHeight / zoom / mmY);
    if (m_fixedPaper && w > 0 && h > 0) {
        resize(w, h);
    }
}

void TSimplePageDC::SetFixedPaper(bool fixed) {
    // Unfixed, the control fills its parent through the parent's layout.
    m_fixedPaper = fixed;
    setSizePolicy(fixed ? QSizePolicy::Fixed : QSizePolicy::Expanding,
                  fixed ? QSizePolicy::Fixed : QSizePolicy::Expanding);
}

void TSimplePageDC::HandleSize(int clientWidth, int clientHeight) {
    if (clientWidth <= 0 || clientHeight <= 0) {
        return;
    }
    m_pixels.Resize(clientWidth, clientHeight, TClipDC::kBackgroundColor, m_pageDC);
    SetRectRgn(m_clientRegion, 0, 0, clientWidth, clientHeight);
    if (m_clipDC) {
        m_requestedPaperWidth =
            static_cast<float>(clientWidth * static_cast<double>(m_clipDC->GetDCMMPerPixelX()));
        m_requestedPaperHeight =
            static_cast<float>(clientHeight * static_cast<double>(m_clipDC->GetDCMMPerPixelY()));
        m_currentPaperWidth = m_requestedPaperWidth;
        m_currentPaperHeight = m_requestedPaperHeight;
        m_clipDC->SetPaperSize(m_currentPaperWidth, m_currentPaperHeight);
        SetRectRgn(m_pageRegion, 0, 0, clientWidth, clientHeight);
        SelectClipRgn(m_pageDC, m_pageRegion);
    } else {
        SetRectRgn(m_pageRegion, 0, 0, 1, 1);
        SelectClipRgn(m_pageDC, m_clientRegion);
    }
}

bool TSimplePageDC::HandlePaint(const QRegion& update) {
    if (update.isEmpty() || !m_clipDC || !m_pageDC) {
        return false;
    }
    HRGN area = RegionFromQt(update);
    SelectClipRgn(m_pageDC, m_pageRegion);
    m_clipDC->Paint(area, m_pageRegion);
    if (area) {
        DeleteObject(area);
    }
    return true;
}

void TSimplePageDC::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    HandleSize(width(), height());
}

void TSimplePageDC::paintEvent(QPaintEvent* event) {
    HandlePaint(event->region());
    QPainter painter(this);
    const QImage pixels = m_pixels.Image();
    if (pixels.isNull()) {
        painter.fillRect(rect(), QColor(0, 0, 64));
        return;
    }
    for (const QRect& rect : event->region()) {
        painter.drawImage(rect.topLeft(), pixels, rect);
    }
}

void TSimplePageDC::mousePressEvent(QMouseEvent* event) {
    if (OnMouseDown) {
        OnMouseDown(event);
    }
}

void TSimplePageDC::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove) {
        OnMouseMove(event);
    }
}

void TSimplePageDC::mouseReleaseEvent(QMouseEvent* event) {
    if (OnMouseUp) {
        OnMouseUp(event);
    }
}
