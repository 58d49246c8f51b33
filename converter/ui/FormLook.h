// What the converter's windows share in look: the form font, colours, the column's background
// picture and the animated logo.
#pragma once

#include <functional>

#include <QLabel>
#include <QTimer>

#include "platform/WinTypes.h"

// The forms' font: the desktop's sans face at 8 points.
QFont FormFont();
QColor ToQColor(COLORREF colour);
// The background picture of the preview's right-hand column.
void PaintBookPlate(QPainter& painter, const QRect& area);

// TLogoLabel is the animated logo: a square picture that steps through its frames while
// animated and shows the first frame otherwise. Frames come from the about window's resources.
class TLogoLabel : public QLabel {
public:
    TLogoLabel(QWidget* parent, int size, bool animated = false);

    void SetAnimated(bool animated);
    bool Animated() const { return m_timer.isActive(); }
    int FrameIndex() const { return m_frame; }
    void ShowFrame(int index);

    std::function<void()> OnHover;
    std::function<void()> OnClick;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int m_size;
    int m_frame = 0;
    QTimer m_timer;
};
