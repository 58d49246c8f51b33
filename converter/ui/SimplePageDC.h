// The page view: the control in which the preview window shows the page.
#pragma once

#include <functional>
#include <memory>

#include <QWidget>

#include "converter/page/ClipDC.h"
#include "platform/user/GuiHost.h"

class QMouseEvent;

// TSimplePageDC is a panel whose window keeps one private device context for its whole life, so
// the mapping, window and viewport settings and the clip region the frame DC puts on it persist
// between paints. On that DC it keeps a TClipDC, whose paper always equals the client area in
// millimetres, and every paint goes through the clip DC's paint cycle. What is drawn and where
// the picture sits is the owner's business (the clip DC's OnPaintPage and frame position); the
// owner also handles the mouse through OnMouseDown/OnMouseMove/OnMouseUp.
//
// Owned by its Qt parent (the preview window's back panel). Owns the clip DC, the window's
// pixels and two GDI regions; releases the private DC when destroyed.
class TSimplePageDC : public QWidget {
public:
    explicit TSimplePageDC(QWidget* owner);
    ~TSimplePageDC() override;

    // The private DC: fetched on the first call and kept; null (and fetched again on the next
    // call) when the window has no DC.
    HDC PageDC();
    bool HaveDC() const { return m_haveDC; }

    // Stores the zoom, hands it to the clip DC and sizes the control to show the requested
    // paper at that zoom.
    void SetZoom(float zoom);
    // False lets the control fill its parent; the preview never fixes the paper.
    void SetFixedPaper(bool fixed);

    // The clip DC; null only when the window's DC could not be had.
    TClipDC* ClipDC() const { return m_clipDC.get(); }
    // The area the page is painted in, device pixels: the client rectangle once sized.
    HRGN PageRegion() const { return m_pageRegion; }
    float RequestedPaperWidth() const { return m_requestedPaperWidth; }
    float RequestedPaperHeight() const { return m_requestedPaperHeight; }
    // The window's pixels as last painted (shared, valid until the next resize).
    QImage Pixels() const { return m_pixels.Image(); }

    std::function<void(QMouseEvent*)> OnMouseDown;
    std::function<void(QMouseEvent*)> OnMouseMove;
    std::function<void(QMouseEvent*)> OnMouseUp;

    // The size and paint handlers, public so that the paint cycle can be driven without a
    // screen. HandleSize ignores an empty client area (a minimised window keeps its paper).
    void HandleSize(int clientWidth, int clientHeight);
    // Paints the update area (device pixels) through the clip DC; false when it is empty.
    bool HandlePaint(const QRegion& update);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    tallyvane::user::TWindowPixels m_pixels;
    HDC m_pageDC = nullptr;
    bool m_haveDC = false;
    float m_requestedPaperWidth = 0; // mm
    float m_requestedPaperHeight = 0;
    float m_currentPaperWidth = 0; // mm, as last given to the frame DC
    float m_currentPaperHeight = 0;
    float m_zoom = 0;
    bool m_fixedPaper = false;
    std::unique_ptr<TClipDC> m_clipDC;
    HRGN m_pageRegion = nullptr;
    HRGN m_clientRegion = nullptr;
};
