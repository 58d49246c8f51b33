// The about window. Each link is a pair of pictures at one place: the normal one catches the
// mouse and the highlighted one catches the click, as the window shows one or the other.
#include "converter/ui/About.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

#include "converter/page/PageMessage.h"
#include "converter/ui/AboutLinks.h"
#include "converter/ui/AboutResources.h"
#include "converter/ui/FormLook.h"
#include "platform/ShellApi.h"
#include "platform/user/GuiHost.h"

// A picture of the window with its own mouse handlers.
class TPictureLabel : public QLabel {
public:
    TPictureLabel(QWidget* parent, TAboutPicture picture) : QLabel(parent) {
        setMouseTracking(true);
        const QImage image = AboutPicture(picture, 0);
        setPixmap(QPixmap::fromImage(image));
        resize(image.isNull() ? QSize(1, 1) : image.size());
    }
    std::function<void()> OnMove;
    std::function<void()> OnClick;

protected:
    void mouseMoveEvent(QMouseEvent*) override {
        if (OnMove) {
            OnMove();
        }
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (OnClick) {
            OnClick();
        } else {
            event->ignore(); // on to the window, which closes
        }
    }
};

namespace {

constexpr TAboutPicture kUnselected[4] = {TAboutPicture::WWWUnSel, TAboutPicture::WWW1UnSel,
                                          TAboutPicture::MailUnSel1, TAboutPicture::MailUnSel};
constexpr TAboutPicture kSelected[4] = {TAboutPicture::WWWSel, TAboutPicture::WWW1Sel,
                                        TAboutPicture::MailSel1, TAboutPicture::MailSel};
constexpr int kFirstLogoFrame = 14;

} // namespace

TfrmAbout::TfrmAbout(QWidget* owner) : QDialog(owner) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFont(FormFont());
    setFixedSize(400, 270);
    m_imgBack = new TPictureLabel(this, TAboutPicture::Back);
    m_imgBack->setObjectName(QStringLiteral("ImgBack"));
    m_imgBack->OnMove = [this] { HighlightLink(-1); };
    m_imgOrvan = new TLogoLabel(this, 117, true);
    m_imgOrvan->setObjectName(QStringLiteral("ImgOrvan"));
    m_imgOrvan->ShowFrame(kFirstLogoFrame);
    m_imgOrvan->OnHover = [this] { HighlightLink(-1); };
    m_imgOrvan->OnClick = [this] { accept(); };
    auto* www = new TPictureLabel(this, TAboutPicture::WWW);
    www->setObjectName(QStringLiteral("ImgWWW"));
    www->move(9, 154);
    auto* mail = new TPictureLabel(this, TAboutPicture::EMail);
    mail->setObjectName(QStringLiteral("ImgEMail"));
    mail->move(9, 225);
    const char* unselectedNames[4] = {"imgWWWUnSel", "imgWWW1UnSel", "ImgMailUnSel1",
                                      "ImgMailUnSel"};
    const char* selectedNames[4] = {"imgWWWSel", "imgWWW1Sel", "ImgMailSel1", "ImgMailSel"};
    for (int i = 0; i < 4; ++i) {
        m_selected[i] = new TPictureLabel(this, kSelected[i]);
        m_selected[i]->setObjectName(QLatin1String(selectedNames[i]));
        m_selected[i]->setCursor(Qt::PointingHandCursor);
        m_selected[i]->OnClick = [this, i] { OpenLink(i); };
        m_selected[i]->hide();
        m_unselected[i] = new TPictureLabel(this, kUnselected[i]);
        m_unselected[i]->setObjectName(QLatin1String(unselectedNames[i]));
        m_unselected[i]->OnMove = [this, i] { HighlightLink(i); };
    }
}

TfrmAbout::~TfrmAbout() = default;

void TfrmAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    setFixedSize(400, 270);
    m_imgBack->setGeometry(0, 0, 400, 270);
    m_imgOrvan->setGeometry(275, 119, 117, 117);
    const auto& links = AboutLinks();
    for (int i = 0; i < 4; ++i) {
        m_unselected[i]->move(links[i].place);
        m_selected[i]->move(links[i].place);
        m_unselected[i]->raise();
    }
    // Centred on the screen.
    if (const QScreen* screen = this->screen()) {
        move(screen->geometry().center() - rect().center());
    }
}

bool TfrmAbout::LinkHighlighted(int index) const {
    return index >= 0 && index < 4 && !m_selected[index]->isHidden();
}

void TfrmAbout::HighlightLink(int index) {
    for (int i = 0; i < 4; ++i) {
        const bool lit = i == index;
        m_selected[i]->setVisible(lit);
        m_unselected[i]->setVisible(!lit);
        if (lit) {
            m_selected[i]->raise();
        }
    }
}

void TfrmAbout::OpenLink(int index) {
    const QByteArray target = AboutLinks()[static_cast<std::size_t>(index)].target.toUtf8();
    ShellExecute(nullptr, "open", target.constData(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TfrmAbout::mousePressEvent(QMouseEvent* event) {
    QDialog::mousePressEvent(event);
    accept();
}

void TfrmAbout::keyPressEvent(QKeyEvent*) {
    accept();
}

void ShowAboutWindow(QWidget* owner) {
    if (!tallyvane::user::EnsureGuiApplication()) {
        const std::string text = "The about window needs a display, and there is none (" +
                                 tallyvane::user::MissingDisplayReason() + ").";
        ShowPageMessage(TMessageKind::Error, text.c_str());
        return;
    }
    TfrmAbout about(owner);
    about.exec();
}
