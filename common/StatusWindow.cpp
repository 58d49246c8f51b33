// The status window on screen: a Qt window whose contents are painted through GDI into a
// memory bitmap of the window's size and then shown.
#include "common/StatusWindow.h"

#include "common/RunMode.h"
#include "common/StatusProgram.h"
#include "platform/TopDownDib.h"
#include "platform/WinGdi.h"

#include <algorithm>
#include <cstring>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>

namespace {

// How long the first paint may take to arrive before the work starts anyway, milliseconds.
constexpr int kFirstPaintWait = 3000;

class TStatusWidget : public QWidget {
public:
    explicit TStatusWidget(const TStatusProgram& program) : m_program(program) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setWindowTitle(QString::fromUtf8(program.title));
    }

    bool Painted() const { return m_painted; }

protected:
    void paintEvent(QPaintEvent*) override {
        QImage image =
            RenderStatusImage(m_program.page ? m_program.page() : TStatusPage{}, width(), height());
        QPainter painter(this);
        painter.drawImage(0, 0, image);
        m_painted = true;
    }

private:
    const TStatusProgram& m_program;
    bool m_painted = false;
};

} // namespace

QImage RenderStatusImage(const TStatusPage& page, int width, int height) {
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    image.fill(Qt::white);
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc)
        return image;
    // Rows top-down, as QImage keeps them.
    BITMAPINFO info = TopDownDib32(image.width(), image.height());
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ previous = SelectObject(dc, bitmap);
        RECT all{0, 0, image.width(), image.height()};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        PaintStatusPage(dc, page);
        GdiFlush();
        const auto* source = static_cast<const uchar*>(bits);
        const std::size_t stride = static_cast<std::size_t>(image.width()) * 4;
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(image.scanLine(y), source + y * stride, stride);
        SelectObject(dc, previous);
    }
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(dc);
    return image;
}

int MeasureStatusCharWidth() {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc)
        return 0;
    int width = StatusCharWidth(dc);
    DeleteDC(dc);
    return width;
}

int RunStatusProgram(const TStatusProgram& program, int argc, char** argv) {
    if (!StatusDisplayAvailable())
        return RunStatusProgramHeadless(program, stdout);

    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(program.className));

    QRect screen(0, 0, 1024, 768);
    if (QScreen* primary = QGuiApplication::primaryScreen())
        screen = primary->geometry();
    int charWidth = MeasureStatusCharWidth();
    if (charWidth <= 0)
        charWidth = 8; // FIXME: only while the font cannot be measured
    TStatusPlacement placement =
        PlaceStatusProgram(program, charWidth, screen.width(), screen.height());

    TStatusWidget window(program);
    window.setGeometry(screen.x() + placement.left, screen.y() + placement.top, placement.width,
                       placement.height);
    window.show();

    // The window paints once before any work is done.
    QElapsedTimer waited;
    waited.start();
    while (!window.Painted() && waited.elapsed() < kFirstPaintWait)
        QApplication::processEvents(QEventLoop::AllEvents, 50);

    if (program.runMode != kRunModeNormal && program.work)
        program.work();
    if (program.runMode == kRunModePause)
        return 0; // the first paint asked for the end; the work is done
    window.update();
    return QApplication::exec();
}
