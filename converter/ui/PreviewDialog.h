// The modal preview window of the conversion worker.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <QDialog>

#include "converter/players/PlayerEMF.h"
#include "converter/ui/ImagePreview.h"

class QLabel;
class QComboBox;
class QPushButton;
class QTimer;
class TSimplePageDC;

// TPreviewDialog is the window of TfrmImagePreview: before a conversion that asks for a preview,
// it shows the first page as it will be written (rendered by the output format's own player,
// encoded and decoded back), with the format, the encoded size in kilobytes and "PART ONLY" when
// the player holds only part of a huge picture. The user pans the page with the left mouse
// button and confirms or cancels; in save mode a confirmed preview goes on to the directory
// chooser, and the chosen directory is remembered in the registry.
//
// The worker (not owned) keeps the pages and targets; the dialog owns its own copy of the page
// shown, the three format players and the page view. Coordinates of the frame and of the pan
// limits are image pixels of the page.
class TPreviewDialog : public QDialog {
public:
    enum TModalResult { mrNone, mrOk, mrCancel };

    explicit TPreviewDialog(TfrmImagePreview& worker, QWidget* parent = nullptr);
    ~TPreviewDialog() override;

    // Shows page 0 of pages modally. directory is where the pictures go: in save mode it becomes
    // the chosen directory with a trailing separator, or empty when nothing is to be written.
    // Answers mrNone (no dialog) when there is no page.
    TModalResult ShowPreviewDialog(TPlayEMFList* pages, std::string& directory, bool saveMode);

    // The current preset's format and encoder settings onto the format players.
    void ApplyCurrentPreset(bool refresh);
    // Renders the page with the preview format's player and shows its encoded size.
    void RefreshPreview();
    // Lets the user pick the directory (and names) of the targets; true when confirmed.
    bool ChooseTargetDirectory();

    TSimplePageDC* PageView() const { return m_pageView; }
    std::uint8_t PreviewFormat() const { return m_previewFormat; }
    const std::string& TargetDir() const { return m_targetDir; }
    // The frame position the view shows and whether the picture may move along each axis.
    bool PanAllowedX() const { return m_panX.allowed; }
    bool PanAllowedY() const { return m_panY.allowed; }

    // Opens the chooser; replaceable so that a caller can supply another way to pick.
    std::function<bool(std::string& directory, std::vector<std::string>& targets, bool many)>
        ChooseDirectory;
    // Runs the about window; empty: the logo does nothing when clicked.
    std::function<void(QWidget* owner)> ShowAbout;

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct TPanAxis {
        bool allowed = true; // the picture is at least as large as the view
        std::int32_t low = 0;
        std::int32_t high = 0;
    };

    void BuildControls();
    void FormShow();
    void ConfigureForPainting();
    void PaintPage(HDC dc, HRGN& region);
    void PlayPage(HDC dc, HRGN& region);
    TPlayer* FormatPlayer() const;
    bool PlayerPartial(const TPlayer* player) const;
    void UpdatePanLimits();
    void PageMouseDown(class QMouseEvent* event);
    void PageMouseMove(class QMouseEvent* event);
    void PageMouseUp(class QMouseEvent* event);
    void StoreSavePath();
    void SetLogoAnimated(bool animated);

    TfrmImagePreview& m_worker;
    TPlayEMFList* m_pages = nullptr;
    std::unique_ptr<TPlayerEMF> m_page;
    std::unique_ptr<TPlayer> m_players[3]; // BMP, JPG, GIF
    bool m_saveMode = false;
    std::uint8_t m_previewFormat = 3;
    float m_previewScale = 1.0f;
    std::string m_targetDir;
    TModalResult m_modalResult = mrNone;

    TPanAxis m_panX;
    TPanAxis m_panY;
    bool m_dragging = false;
    std::int32_t m_dragOriginX = 0; // frame position when the drag began
    std::int32_t m_dragOriginY = 0;
    QPoint m_dragMouse; // device position of the mouse when the drag began

    QWidget* m_pnlMngRight = nullptr;
    QLabel* m_txtFormat = nullptr;
    QLabel* m_txtTargetSize = nullptr;
    QLabel* m_txtPartialImage = nullptr;
    QComboBox* m_cbxPlayEMFList = nullptr;
    QPushButton* m_btnOk = nullptr;
    QPushButton* m_btnCancel = nullptr;
    QLabel* m_imgOrvan = nullptr;
    QTimer* m_logoTimer = nullptr;
    int m_logoFrame = 0;
    TSimplePageDC* m_pageView = nullptr;
};

// The preview as the worker asks for it: shows the dialog when a display is available; without
// one it says so in one box and answers "not confirmed", so nothing is written.
TfrmImagePreview::TPreviewResult ShowPreviewWindow(TfrmImagePreview& worker,
                                                   const std::string& directory, bool saveMode);
