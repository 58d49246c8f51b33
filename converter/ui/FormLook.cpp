// The shared look of the converter's windows.
#include "converter/ui/FormLook.h"

#include <QMouseEvent>
#include <QPainter>

#include "converter/ui/AboutResources.h"

QFont FormFont() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

QColor ToQColor(COLORREF colour) {
    return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

void PaintBookPlate(QPainter& painter, const QRect& area) {
    const QImage plate = AboutPicture(TAboutPicture::BookPlate, 0);
    if (!plate.isNull()) {
        painter.drawImage(area, plate);
        return;
    }
    painter.fillRect(area, QColor(0, 0, 64));
}

TLogoLabel::TLogoLabel(QWidget* parent, int size, bool animated) : QLabel(parent), m_size(size) {
    setFixedSize(size, size);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    m_timer.setInterval(80);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] { ShowFrame(m_frame + 1); });
    ShowFrame(0);
    SetAnimated(animated);
}

void TLogoLabel::SetAnimated(bool animated) {
    if (animated && !m_timer.isActive()) {
        m_timer.start();
    } else if (!animated) {
        m_timer.stop();
    }
}

void TLogoLabel::ShowFrame(int index) {
    const int count = AboutPictureFrames(TAboutPicture::Logo);
    m_frame = count > 0 ? index % count : 0;
    const QImage frame = AboutPicture(TAboutPicture::Logo, m_frame);
    setPixmap(QPixmap::fromImage(
        frame.scaled(m_size, m_size, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void TLogoLabel::mouseMoveEvent(QMouseEvent* event) {
    QLabel::mouseMoveEvent(event);
    if (OnHover) {
        OnHover();
    }
}

void TLogoLabel::mousePressEvent(QMouseEvent* event) {
    QLabel::mousePressEvent(event);
    if (OnClick) {
        OnClick();
    }
}
