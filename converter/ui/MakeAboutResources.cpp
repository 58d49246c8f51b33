// Build step: draws the window pictures, encodes each with the GIF writer and writes them as a
// C++ table of resources (32-bit length, then the GIF data) for AboutResources.cpp.
//
// Usage: MakeAboutResources output.inc
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "converter/gif/GifImage.h"
#include "converter/ui/AboutLinks.h"

namespace {

const QColor kDeep(0, 0, 64);
const QColor kMid(36, 44, 120);

TDibImage ToDib(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    TDibImage dib = TDibImage::Create(image.width(), image.height(), 24);
    for (int y = 0; y < image.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::uint8_t* out = dib.Row(image.height() - 1 - y);
        for (int x = 0; x < image.width(); ++x) {
            out[x * 3 + 0] = static_cast<std::uint8_t>(qBlue(in[x]));
            out[x * 3 + 1] = static_cast<std::uint8_t>(qGreen(in[x]));
            out[x * 3 + 2] = static_cast<std::uint8_t>(qRed(in[x]));
        }
    }
    return dib;
}

std::vector<std::uint8_t> Encode(const std::vector<QImage>& frames) {
    TGIFImage gif;
    std::vector<TDibImage> dibs;
    dibs.reserve(frames.size());
    for (const QImage& frame : frames) {
        dibs.push_back(ToDib(frame));
    }
    for (const TDibImage& dib : dibs) {
        gif.AddFrame(&dib);
    }
    gif.EncodePendingFrames(false);
    return gif.SaveGIF(true);
}

QFont Face(int pixels, bool bold) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QImage Background() {
    QImage image(400, 270, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, 270);
    gradient.setColorAt(0, kMid);
    gradient.setColorAt(1, kDeep);
    painter.fillRect(image.rect(), gradient);
    painter.setPen(QColor(255, 255, 255, 24));
    for (int x = -270; x < 400; x += 14) {
        painter.drawLine(x, 270, x + 270, 0);
    }
    painter.setPen(Qt::white);
    painter.setFont(Face(34, true));
    painter.drawText(QRect(18, 20, 370, 46), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Tallyvane!"));
    painter.setPen(QColor(200, 200, 255));
    painter.setFont(Face(13, false));
    painter.drawText(QRect(20, 68, 370, 20), Qt::AlignLeft,
                     QStringLiteral("Vantrel - office pages into pictures"));
    painter.drawText(QRect(20, 88, 370, 20), Qt::AlignLeft,
                     QStringLiteral("BMP, JPEG and GIF, with a preview"));
    painter.setPen(QColor(120, 120, 200));
    painter.drawLine(20, 118, 380, 118);
    painter.setFont(Face(10, false));
    painter.drawText(QRect(20, 122, 250, 16), Qt::AlignLeft, QStringLiteral("Version 1.0"));
    return image;
}

QImage Logo(int frame, int frames) {
    QImage image(117, 117, QImage::Format_RGB32);
    image.fill(kDeep);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(58.5, 58.5);
    QRadialGradient disc(centre, 56);
    disc.setColorAt(0, QColor(90, 100, 200));
    disc.setColorAt(1, QColor(20, 24, 90));
    painter.setBrush(disc);
    painter.setPen(QPen(QColor(200, 200, 255), 2));
    painter.drawEllipse(centre, 54, 54);
    // A vane of three blades turning once over the animation.
    painter.save();
    painter.translate(centre);
    painter.rotate(360.0 * frame / frames);
    for (int blade = 0; blade < 3; ++blade) {
        QPainterPath path;
        path.moveTo(0, 0);
        path.cubicTo(10, -12, 30, -30, 6, -46);
        path.cubicTo(-4, -30, -8, -12, 0, 0);
        painter.setBrush(QColor(255, 210, 60));
        painter.setPen(QPen(QColor(255, 240, 180), 1));
        painter.drawPath(path);
        painter.rotate(120);
    }
    painter.restore();
    painter.setBrush(Qt::white);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(centre, 9, 9);
    painter.setPen(kDeep);
    painter.setFont(Face(12, true));
    painter.drawText(QRectF(centre.x() - 9, centre.y() - 9, 18, 18), Qt::AlignCenter,
                     QStringLiteral("T"));
    return image;
}

QImage BookPlate() {
    QImage image(89, 431, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 89, 431);
    gradient.setColorAt(0, kMid);
    gradient.setColorAt(1, kDeep);
    painter.fillRect(image.rect(), gradient);
    painter.setPen(QColor(255, 255, 255, 20));
    for (int y = -89; y < 431; y += 10) {
        painter.drawLine(0, y, 89, y + 89);
    }
    painter.setPen(QColor(140, 140, 220));
    painter.drawLine(88, 0, 88, 431);
    return image;
}

// A picture drawn on the background at its place in the about window.
QImage Caption(const QImage& back, QPoint place, int width, const QString& text, bool selected,
               bool link) {
    QImage image = back.copy(QRect(place, QSize(width, 15)));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font = Face(11, !link);
    font.setUnderline(selected);
    painter.setFont(font);
    painter.setPen(!link      ? QColor(255, 255, 255)
                   : selected ? QColor(255, 220, 80)
                              : QColor(190, 200, 255));
    painter.drawText(image.rect(), Qt::AlignLeft | Qt::AlignVCenter, text);
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: MakeAboutResources output.inc\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);

    const QImage back = Background();
    std::vector<std::vector<QImage>> pictures;
    pictures.push_back({back});
    std::vector<QImage> logo;
    constexpr int kLogoFrames = 24;
    for (int frame = 0; frame < kLogoFrames; ++frame) {
        logo.push_back(Logo(frame, kLogoFrames));
    }
    pictures.push_back(logo);
    pictures.push_back({BookPlate()});
    pictures.push_back({Caption(back, {9, 154}, 44, QStringLiteral("Web:"), false, false)});
    for (const TAboutLink& link : AboutLinks()) {
        if (link.place.y() == 225) {
            pictures.push_back(
                {Caption(back, {9, 225}, 44, QStringLiteral("Mail:"), false, false)});
        }
        pictures.push_back({Caption(back, link.place, 220, link.label, false, true)});
        pictures.push_back({Caption(back, link.place, 220, link.label, true, true)});
    }

    std::ofstream out(argv[1], std::ios::binary);
    out << "// Generated by MakeAboutResources; do not edit.\n";
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const std::vector<std::uint8_t> bytes = Encode(pictures[i]);
        out << "const std::uint8_t kResource" << i << "[] = {";
        for (std::size_t b = 0; b < bytes.size(); ++b) {
            out << (b % 24 == 0 ? "\n    " : "") << static_cast<int>(bytes[b]) << ",";
        }
        out << "\n};\n";
    }
    out << "const TResource kAboutResources[] = {\n";
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        out << "    {kResource" << i << ", sizeof(kResource" << i << ")},\n";
    }
    out << "};\n";
    return out ? 0 : 1;
}
