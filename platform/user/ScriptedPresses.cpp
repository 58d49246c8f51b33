// Button presses scripted through the environment, so that a whole program with real windows
// can be driven from outside on a real display server (a virtual one in tests):
//
//   TALLYVANE_PRESS=Save,Ok
//
// Each dialog the program shows, once it has been on screen for a moment, gets the next press
// of the list if it has a visible, enabled button with that caption (an "&" accelerator mark in
// the caption does not count). The press is a real left-button press and release in the
// middle of the button. A dialog without a matching button is left alone and the press stays
// next in the list. Every press is reported on stderr with the window's title and the Qt
// platform, so that a test can tell which windows it went through.
#include "platform/user/GuiHost.h"

#include <cstdio>
#include <cstdlib>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

namespace tallyvane::user {

namespace {

// Long enough for a window manager and the first paint; short enough for tests.
constexpr int kSettleMilliseconds = 400;

class TScriptedPresses : public QObject {
public:
    explicit TScriptedPresses(QStringList captions) : m_captions(std::move(captions)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && m_next < m_captions.size()) {
            auto* dialog = qobject_cast<QDialog*>(watched);
            if (dialog && dialog->isWindow()) {
                QPointer<QDialog> window(dialog);
                QTimer::singleShot(kSettleMilliseconds, this, [this, window] { Press(window); });
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void Press(const QPointer<QDialog>& window) {
        if (!window || !window->isVisible() || m_next >= m_captions.size()) {
            return;
        }
        const QString& caption = m_captions[m_next];
        for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
            if (!button->isVisible() || !button->isEnabled() ||
                button->text().remove(QLatin1Char('&')) != caption) {
                continue;
            }
            ++m_next;
            std::fprintf(stderr, "Pressed \"%s\" in \"%s\" (%s)\n",
                         caption.toLocal8Bit().constData(),
                         window->windowTitle().toLocal8Bit().constData(),
                         QGuiApplication::platformName().toLocal8Bit().constData());
            std::fflush(stderr);
            const QPointF middle = QRectF(button->rect()).center();
            const QPointF global = button->mapToGlobal(middle);
            QMouseEvent press(QEvent::MouseButtonPress, middle, global, Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(button, &press);
            QMouseEvent release(QEvent::MouseButtonRelease, middle, global, Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier);
            // The release may close the window and end its modal loop; the button lives on
            // until the dialog is deleted, after the loop has returned.
            QApplication::sendEvent(button, &release);
            return;
        }
    }

    QStringList m_captions;
    qsizetype m_next = 0;
};

} // namespace

void InstallScriptedPresses() {
    const char* script = std::getenv("TALLYVANE_PRESS");
    if (!script || !*script || !QApplication::instance()) {
        return;
    }
    static TScriptedPresses* presses = [script] {
        auto* filter = new TScriptedPresses(
            QString::fromLocal8Bit(script).split(QLatin1Char(','), Qt::SkipEmptyParts));
        filter->setParent(QApplication::instance());
        QApplication::instance()->installEventFilter(filter);
        return filter;
    }();
    (void)presses;
}

} // namespace tallyvane::user
