// The preview window: layout, the paint routine of the page view, panning, and the steps after
// the user confirms (directory chooser, SavePath).
//
// Panning works in image pixels. On each axis the picture either fills the view, and the frame
// may move from the picture's first pixel to where the picture's far edge meets the view's far
// edge, or it is smaller, and the frame is fixed so that the picture sits in the middle.
#include "converter/ui/PreviewDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "converter/page/ImageProperty.h"
#include "converter/page/PageMessage.h"
#include "converter/page/Rounding.h"
#include "converter/players/PlayerBMP.h"
#include "converter/players/PlayerGIF.h"
#include "converter/players/PlayerJPG.h"
#include "converter/presets/PresetHolder.h"
#include "converter/ui/About.h"
#include "converter/ui/ChooseDirectory.h"
#include "converter/ui/FormLook.h"
#include "converter/ui/SimplePageDC.h"
#include "platform/WinBase.h"
#include "platform/WinReg.h"
#include "platform/user/GuiHost.h"

namespace path = tallyvane::path;

namespace {

constexpr const char* kProductKey = "Software\\Orvan\\Tallyvane!";
constexpr int kDesignHeight = 431; // client height the bottom-anchored controls are placed for
constexpr COLORREF kButtonPanel = RGB(200, 200, 255);

bool DirectoryExists(const std::string& name) {
    if (name.empty()) {
        return false;
    }
    const DWORD attributes = GetFileAttributes(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string CurrentDirectory() {
    char buffer[4096] = {};
    const DWORD length = GetCurrentDirectory(sizeof(buffer), buffer);
    return length > 0 && length < sizeof(buffer) ? std::string(buffer, length) : std::string();
}

// The right-hand column: its background picture and the controls that keep their distance to
// its bottom edge.
class TManagePanel : public QWidget {
public:
    explicit TManagePanel(QWidget* parent) : QWidget(parent) { setFixedWidth(89); }

    std::function<void()> OnMouseMove;
    std::vector<std::pair<QWidget*, int>> BottomAnchored; // control, design top

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        PaintBookPlate(painter, rect());
    }
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        for (const auto& [control, top] : BottomAnchored) {
            control->move(control->x(), height() - (kDesignHeight - top));
        }
    }
    void mouseMoveEvent(QMouseEvent*) override {
        if (OnMouseMove) {
            OnMouseMove();
        }
    }
};

QWidget* ButtonPanel(QWidget* parent, QPushButton*& button, const QString& text, int top) {
    auto* panel = new QFrame(parent);
    panel->setGeometry(7, top, 76, 22);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, ToQColor(kButtonPanel));
    panel->setPalette(palette);
    button = new QPushButton(text, panel);
    button->setGeometry(1, 1, 74, 20);
    button->setFlat(true);
    QFont font = FormFont();
    font.setBold(true);
    button->setFont(font);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(
        QStringLiteral("QPushButton { border: none; color: rgb(0, 0, 64); }"
                       "QPushButton:hover { background: rgb(225, 225, 255); }"
                       "QPushButton:pressed { background: rgb(170, 170, 235); }"));
    return panel;
}

QLabel* InfoLabel(QWidget* parent, int top, const QString& hint) {
    auto* label = new QLabel(parent);
    label->setGeometry(7, top, 76, 22);
    QFont font = FormFont();
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    label->setToolTip(hint);
    return label;
}

} // namespace

TPreviewDialog::TPreviewDialog(TfrmImagePreview& worker, QWidget* parent)
    : QDialog(parent), m_worker(worker) {
    m_players[0] = std::make_unique<TPlayerBMP>(this);
    m_players[1] = std::make_unique<TPlayerJPG>(this);
    m_players[2] = std::make_unique<TPlayerGIF>(this);
    ChooseDirectory = [this](std::string& directory, std::vector<std::string>& targets, bool many) {
        TfrmChooseDirectory chooser(this);
        return many ? chooser.ChooseMany(directory, targets)
                    : chooser.ChooseOne(directory, targets);
    };
    BuildControls();
}

TPreviewDialog::~TPreviewDialog() {
    // The view's clip DC calls back into this window; it goes first.
    if (m_pageView && m_pageView->ClipDC()) {
        m_pageView->ClipDC()->OnPaintPage = nullptr;
    }
    delete m_pageView;
    m_pageView = nullptr;
}

void TPreviewDialog::BuildControls() {
    setWindowTitle(QStringLiteral("Tallyvane!  Preview"));
    setFont(FormFont());
    resize(557, 431);
    setMinimumSize(367, 392);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* back = new QFrame(this);
    back->setObjectName(QStringLiteral("pnlBack"));
    back->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    back->setAutoFillBackground(true);
    QPalette backPalette = back->palette();
    backPalette.setColor(QPalette::Window, ToQColor(TClipDC::kBackgroundColor));
    back->setPalette(backPalette);
    auto* backLayout = new QVBoxLayout(back);
    backLayout->setContentsMargins(back->frameWidth(), back->frameWidth(), back->frameWidth(),
                                   back->frameWidth());
    m_pageView = new TSimplePageDC(back);
    m_pageView->setObjectName(QStringLiteral("PageView"));
    backLayout->addWidget(m_pageView);
    layout->addWidget(back, 1);

    auto* column = new TManagePanel(this);
    column->setObjectName(QStringLiteral("pnlMngRight"));
    column->OnMouseMove = [this] { SetLogoAnimated(false); };
    m_pnlMngRight = column;
    layout->addWidget(column);

    m_txtFormat = InfoLabel(column, 5, QStringLiteral("Target graphic format "));
    m_txtFormat->setObjectName(QStringLiteral("txtFormat"));
    m_txtTargetSize = InfoLabel(column, 24, QStringLiteral("Size of current image"));
    m_txtTargetSize->setObjectName(QStringLiteral("txtTargetSize"));

    m_txtPartialImage = new QLabel(QStringLiteral("PART ONLY"), column);
    m_txtPartialImage->setObjectName(QStringLiteral("txtPartialImage"));
    m_txtPartialImage->setGeometry(7, 43, 76, 22);
    m_txtPartialImage->setAlignment(Qt::AlignCenter);
    m_txtPartialImage->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QFont partialFont = FormFont();
    partialFont.setBold(true);
    m_txtPartialImage->setFont(partialFont);
    m_txtPartialImage->setStyleSheet(QStringLiteral("color: blue; background: white;"));
    m_txtPartialImage->setToolTip(QStringLiteral("Image too big"));
    m_txtPartialImage->hide();

    m_cbxPlayEMFList = new QComboBox(column);
    m_cbxPlayEMFList->setObjectName(QStringLiteral("cbxPlayEMFList"));
    m_cbxPlayEMFList->setGeometry(7, 67, 76, 22);
    m_cbxPlayEMFList->hide();
    m_cbxPlayEMFList->setEnabled(false);

    QWidget* okPanel = ButtonPanel(column, m_btnOk, QStringLiteral("Send"), 312);
    okPanel->setObjectName(QStringLiteral("pnlOk"));
    m_btnOk->setObjectName(QStringLiteral("BtnOk"));
    QWidget* cancelPanel = ButtonPanel(column, m_btnCancel, QStringLiteral("Cancel"), 336);
    cancelPanel->setObjectName(QStringLiteral("pnlCancel"));
    m_btnCancel->setObjectName(QStringLiteral("BtnCancel"));
    connect(m_btnOk, &QPushButton::clicked, this, [this] {
        m_modalResult = mrOk;
        accept();
    });
    connect(m_btnCancel, &QPushButton::clicked, this, [this] {
        m_modalResult = mrCancel;
        reject();
    });

    m_imgOrvan = new TLogoLabel(column, 48);
    m_imgOrvan->setObjectName(QStringLiteral("imgOrvan"));
    m_imgOrvan->setGeometry(20, 370, 48, 48);
    m_imgOrvan->setToolTip(QStringLiteral("About"));
    auto* logo = static_cast<TLogoLabel*>(m_imgOrvan);
    logo->OnHover = [this] { SetLogoAnimated(true); };
    logo->OnClick = [this] {
        SetLogoAnimated(false);
        if (ShowAbout) {
            ShowAbout(this);
        }
    };
    column->BottomAnchored = {{okPanel, 312}, {cancelPanel, 336}, {m_imgOrvan, 370}};
}

void TPreviewDialog::SetLogoAnimated(bool animated) {
    static_cast<TLogoLabel*>(m_imgOrvan)->SetAnimated(animated);
}

TPreviewDialog::TModalResult
TPreviewDialog::ShowPreviewDialog(TPlayEMFList* pages, std::string& directory, bool saveMode) {
    m_saveMode = saveMode;
    m_pages = pages;
    if (!pages || pages->Count() == 0 || !pages->GetPlayer(0)) {
        return m_modalResult;
    }
    std::unique_ptr<TPlayer> copy = pages->GetPlayer(0)->Clone();
    m_page.reset(dynamic_cast<TPlayerEMF*>(copy.release()));
    if (!m_page) {
        return m_modalResult;
    }
    ImgProperty.AssignMetafile(m_page.get());
    m_targetDir = DirectoryExists(directory) ? directory
                                             : path::ExtractFilePath(pages->GetPlayer(0)->FileName);
    m_previewScale = ImgProperty.GetScaleFactors().first;
    if (m_previewScale <= 0) {
        m_previewScale = 1.0f;
    }

    setWindowState(windowState() | Qt::WindowMaximized);
    m_modalResult = mrCancel;
    exec();

    if (m_modalResult == mrOk) {
        if (m_saveMode) {
            if (ChooseTargetDirectory()) {
                directory = m_targetDir;
                StoreSavePath();
            } else {
                directory.clear();
                m_modalResult = mrCancel;
            }
        }
    } else if (m_saveMode) {
        directory.clear();
    }
    return m_modalResult;
}

void TPreviewDialog::StoreSavePath() {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                       &disposition) != ERROR_SUCCESS) {
        const std::string text =
            std::string("Can't open Key ") + kProductKey + "!\nTry reinstall Tallyvane!";
        ShowPageMessage(TMessageKind::Error, text.c_str());
        return;
    }
    RegSetValueEx(key, "SavePath", 0, REG_SZ, reinterpret_cast<const BYTE*>(m_targetDir.c_str()),
                  static_cast<DWORD>(m_targetDir.size() + 1));
    RegCloseKey(key);
}

void TPreviewDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TPreviewDialog::FormShow() {
    m_btnOk->setText(m_saveMode ? QStringLiteral("Save") : QStringLiteral("Send"));

    m_cbxPlayEMFList->clear();
    if (m_pages) {
        for (std::size_t i = 0; i < m_pages->Count(); ++i) {
            const TPlayerEMF* page = m_pages->GetPlayer(i);
            const std::string name =
                page ? path::ChangeFileExt(path::ExtractFileName(page->FileName), "") : "";
            m_cbxPlayEMFList->addItem(QString::fromLocal8Bit(name.c_str()));
        }
    }
    m_cbxPlayEMFList->setCurrentIndex(m_cbxPlayEMFList->count() > 0 ? 0 : -1);

    m_pageView->OnMouseDown = [this](QMouseEvent* event) { PageMouseDown(event); };
    m_pageView->OnMouseMove = [this](QMouseEvent* event) { PageMouseMove(event); };
    m_pageView->OnMouseUp = [this](QMouseEvent* event) { PageMouseUp(event); };
    m_pageView->SetZoom(1.0f);
    m_pageView->SetFixedPaper(false);
    ConfigureForPainting();

    m_dragging = false;
    m_pageView->setCursor(Qt::OpenHandCursor);

    if (m_page) {
        ImgProperty.AssignMetafile(m_page.get());
        if (TClipDC* clip = m_pageView->ClipDC()) {
            clip->SetImageResolution(m_page->GetMMPerPixelX(), m_page->GetMMPerPixelY());
        }
    }
    ApplyCurrentPreset(true);

    if (m_targetDir.empty()) {
        m_targetDir = CurrentDirectory();
    }
    m_targetDir = path::IncludeTrailingDelimiter(m_targetDir);
    m_pageView->update();
}

void TPreviewDialog::ConfigureForPainting() {
    if (TClipDC* clip = m_pageView->ClipDC()) {
        clip->OnPaintPage = [this](HDC dc, HRGN& region) { PaintPage(dc, region); };
        clip->SetScale(m_previewScale);
    }
}

void TPreviewDialog::ApplyCurrentPreset(bool refresh) {
    const TGFPreset* preset = PresetList.Current();
    if (!preset && PresetList.DefaultIndex() >= 0 &&
        PresetList.DefaultIndex() < PresetList.Count()) {
        preset = PresetList.Item(PresetList.DefaultIndex());
    }
    std::uint8_t format = preset ? OutputFormatOfPresetType(preset->PresetType()) : kFormatNone;
    if (format == kFormatJPG) {
        m_txtFormat->setText(QStringLiteral("JPG"));
        if (const auto* jpg = dynamic_cast<const TGFPresetJPG*>(preset)) {
            m_players[1]->SetOption("CompressionQuality", std::to_string(jpg->GetQuality()));
            m_players[1]->SetOption("ProgressiveEncoding",
                                    jpg->GetProgressive() ? "TRUE" : "FALSE");
            m_players[1]->SetOption("GrayScale", jpg->GetGrayScale() ? "TRUE" : "FALSE");
        }
    } else if (format == kFormatGIF) {
        m_txtFormat->setText(QStringLiteral("GIF"));
        if (const auto* gif = dynamic_cast<const TGFPresetGIF*>(preset)) {
            m_players[2]->SetOption("GrayScale", gif->GetGrayScale() ? "TRUE" : "FALSE");
        }
    } else {
        if (format != kFormatBMP) {
            ImgProperty.SetFormat(kFormatBMP);
        }
        format = kFormatBMP;
        m_txtFormat->setText(QStringLiteral("BMP"));
    }
    m_previewFormat = format;
    if (refresh) {
        RefreshPreview();
    }
}

TPlayer* TPreviewDialog::FormatPlayer() const {
    switch (m_previewFormat) {
    case kFormatJPG:
        return m_players[1].get();
    case kFormatGIF:
        return m_players[2].get();
    default:
        return m_players[0].get();
    }
}

bool TPreviewDialog::PlayerPartial(const TPlayer* player) const {
    if (const auto* bmp = dynamic_cast<const TPlayerBMP*>(player)) {
        return bmp->IsPartial();
    }
    if (const auto* coded = dynamic_cast<const TCodecPlayer*>(player)) {
        return coded->IsPartial();
    }
    return false;
}

void TPreviewDialog::RefreshPreview() {
    TClipDC* clip = m_pageView->ClipDC();
    if (!clip || !clip->IsValid() || !m_page) {
        return;
    }
    clip->OnPaintPage = [this](HDC dc, HRGN& region) { PlayPage(dc, region); };
    clip->SetScale(m_previewScale);
    clip->SetImageResolution(m_page->GetMMPerPixelX(), m_page->GetMMPerPixelY());
    UpdatePanLimits();
    clip->ApplyMapping();
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    clip->GetFrameRect(left, top, right, bottom);
    const TRect visible{left, top, right - 1, bottom - 1};
    TRect full;
    m_page->GetUnscaledBounds(full);
    TPlayer* player = FormatPlayer();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    player->Render(
        clip->GetDC(), full, clip->MappingCallback(),
        [this](HDC dc, HRGN& region) { PlayPage(dc, region); }, visible);
    QApplication::restoreOverrideCursor();
    const std::int32_t encoded = std::max<std::int32_t>(0, player->GetEncodedSize());
    m_txtTargetSize->setText(QString::number(RoundToInt32(encoded / 1024.0)) +
                             QStringLiteral("KB"));
    m_txtPartialImage->setVisible(PlayerPartial(player));
    ConfigureForPainting();
}

void TPreviewDialog::PlayPage(HDC dc, HRGN& region) {
    TClipDC* clip = m_pageView->ClipDC();
    if (!clip || !m_page || !m_page->HeaderValid() || !m_page->RecordsValid()) {
        return;
    }
    PlayPageInFrame(*m_page, *clip, dc, region);
}

void TPreviewDialog::PaintPage(HDC dc, HRGN& region) {
    TClipDC* clip = m_pageView->ClipDC();
    if (!clip || !m_page) {
        return;
    }
    clip->SetImageResolution(m_page->GetMMPerPixelX(), m_page->GetMMPerPixelY());
    UpdatePanLimits();
    clip->ApplyMapping();
    clip->SetScale(m_previewScale);
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    clip->GetFrameRect(left, top, right, bottom);
    const TRect visible{left, top, right - 1, bottom - 1};
    TPlayer* player = FormatPlayer();
    if (player->GetWidth() <= 0 || player->GetHeight() <= 0) {
        return;
    }
    TRect full;
    m_page->GetUnscaledBounds(full);
    player->Paint(
        dc, full, clip->MappingCallback(),
        [this](HDC target, HRGN& painted) { PlayPage(target, painted); }, visible,
        *clip->GetPlayTransform(), region);
    m_txtPartialImage->setVisible(PlayerPartial(player));
}

void TPreviewDialog::UpdatePanLimits() {
    TClipDC* clip = m_pageView->ClipDC();
    if (!clip || !m_page) {
        return;
    }
    TRect full;
    m_page->GetUnscaledBounds(full);
    auto limit = [](TPanAxis& axis, std::int32_t start, std::int32_t extent, std::int32_t view,
                    std::int32_t& origin) {
        axis.allowed = extent >= view;
        if (axis.allowed) {
            axis.low = start;
            axis.high = start + extent - view;
            origin = std::clamp(origin, axis.low, axis.high);
        } else {
            origin = start - (view - extent) / 2;
            axis.low = axis.high = origin;
        }
    };
    std::int32_t x = clip->GetFrameLeft();
    std::int32_t y = clip->GetFrameTop();
    limit(m_panX, full.left, full.Width(), clip->GetFrameWidth(), x);
    limit(m_panY, full.top, full.Height(), clip->GetFrameHeight(), y);
    if (x != clip->GetFrameLeft() || y != clip->GetFrameTop()) {
        clip->SetFramePos(x, y);
    }
}

void TPreviewDialog::PageMouseDown(QMouseEvent* event) {
    TClipDC* clip = m_pageView->ClipDC();
    if (!clip || event->button() != Qt::LeftButton || event->buttons() != Qt::LeftButton ||
        event->modifiers() != Qt::NoModifier) {
        return;
    }
    m_dragOriginX = clip->GetFrameLeft();
    m_dragOriginY = clip->GetFrameTop();
    m_dragMouse = event->position().toPoint();
    m_dragging = true;
    m_pageView->setCursor(Qt::ClosedHandCursor);
}

void TPreviewDialog::PageMouseMove(QMouseEvent* event) {
    TClipDC* clip = m_pageView->ClipDC();
    if (!m_dragging || !clip || event->buttons() != Qt::LeftButton ||
        event->modifiers() != Qt::NoModifier) {
        return;
    }
    // The distance the mouse went, in image pixels, measured from where the drag began: the
    // mapping moves with the frame, so positions taken after a step are not comparable with
    // positions taken before it.
    const QPoint moved = event->position().toPoint() - m_dragMouse;
    UpdatePanLimits();
    std::int32_t x = clip->GetFrameLeft();
    std::int32_t y = clip->GetFrameTop();
    if (m_panX.allowed && clip->GetPixelWidth() > 0) {
        x = std::clamp(m_dragOriginX - RoundToInt32(static_cast<double>(moved.x()) *
                                                    clip->GetFrameWidth() / clip->GetPixelWidth()),
                       m_panX.low, m_panX.high);
    }
    if (m_panY.allowed && clip->GetPixelHeight() > 0) {
        y = std::clamp(m_dragOriginY -
                           RoundToInt32(static_cast<double>(moved.y()) * clip->GetFrameHeight() /
                                        clip->GetPixelHeight()),
                       m_panY.low, m_panY.high);
    }
    if (x != clip->GetFrameLeft() || y != clip->GetFrameTop()) {
        clip->SetFramePos(x, y);
        m_pageView->update();
    }
}

void TPreviewDialog::PageMouseUp(QMouseEvent*) {
    m_dragging = false;
    m_pageView->setCursor(Qt::OpenHandCursor);
}

bool TPreviewDialog::ChooseTargetDirectory() {
    const char* ext = m_previewFormat == kFormatBMP   ? ".bmp"
                      : m_previewFormat == kFormatJPG ? ".jpg"
                      : m_previewFormat == kFormatGIF ? ".gif"
                                                      : ".";
    std::vector<std::string>& targets = m_worker.EditTargets();
    for (std::string& target : targets) {
        target = path::ChangeFileExt(target, ext);
    }
    std::string directory = m_targetDir;
    const bool chosen = ChooseDirectory && ChooseDirectory(directory, targets, targets.size() != 1);
    if (chosen) {
        m_targetDir = path::IncludeTrailingDelimiter(directory);
    }
    return chosen;
}

TfrmImagePreview::TPreviewResult ShowPreviewWindow(TfrmImagePreview& worker,
                                                   const std::string& directory, bool saveMode) {
    if (!tallyvane::user::EnsureGuiApplication()) {
        const std::string text = "The preview needs a display, and there is none (" +
                                 tallyvane::user::MissingDisplayReason() +
                                 ").\nNothing has been converted.";
        ShowPageMessage(TMessageKind::Error, text.c_str());
        return {};
    }
    TPreviewDialog dialog(worker);
    dialog.ShowAbout = [](QWidget* owner) { ShowAboutWindow(owner); };
    std::string chosen = directory;
    const bool confirmed =
        dialog.ShowPreviewDialog(worker.PageList(), chosen, saveMode) == TPreviewDialog::mrOk;
    return {confirmed, chosen, true};
}
