// The about window.
#pragma once

#include <array>

#include <QDialog>

class QLabel;
class TLogoLabel;
class TPictureLabel;

// TfrmAbout is the borderless splash and about window: a background, the animated logo and four
// links (two web pages, two mail addresses) that light up under the mouse and open through the
// shell when clicked. Any other click or any key closes it. Its pictures come from the window
// resources. Created, shown modally and freed by its caller.
class TfrmAbout : public QDialog {
public:
    explicit TfrmAbout(QWidget* owner = nullptr);
    ~TfrmAbout() override;

    // The link under index (0, 1 web; 2 support mail; 3 general mail) is highlighted.
    bool LinkHighlighted(int index) const;
    // Highlights one link (-1: none) and puts the others back to normal.
    void HighlightLink(int index);

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OpenLink(int index);

    TPictureLabel* m_imgBack = nullptr;
    TLogoLabel* m_imgOrvan = nullptr;
    std::array<TPictureLabel*, 4> m_unselected{};
    std::array<TPictureLabel*, 4> m_selected{};
};

// Shows the about window modally over owner (may be null). Without a display it says so in a box
// instead.
void ShowAboutWindow(QWidget* owner);
