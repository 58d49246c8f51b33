// The converter's windows driven through Qt's test API on the offscreen platform.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include <QApplication>
#include <QComboBox>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <unistd.h>

#include "../page/MessageRecorder.h"
#include "../players/EmfBuilder.h"
#include "converter/page/ImageProperty.h"
#include "converter/presets/PresetHolder.h"
#include "converter/ui/About.h"
#include "converter/ui/AboutResources.h"
#include "converter/ui/ChooseDirectory.h"
#include "converter/ui/PreviewDialog.h"
#include "converter/ui/SimplePageDC.h"
#include "platform/WinReg.h"
#include "platform/gdi/GdiObject_p.h"
#include "platform/user/GuiHost.h"

namespace {

namespace fs = std::filesystem;

// A page of width x height reference pixels at 0.25 mm each.
std::vector<std::uint8_t> PageBytes(int width, int height) {
    return EmfBuilder({0, 0, width - 1, height - 1}, {0, 0, width * 25 - 1, height * 25 - 1})
        .Rectangle(10, 10, width / 2, height / 2)
        .Bytes();
}

// Runs action as soon as the event loop (of a modal dialog) runs.
void Soon(std::function<void()> action) {
    QTimer::singleShot(0, qApp, std::move(action));
}

template <typename T> T* ActiveModal() {
    return dynamic_cast<T*>(QApplication::activeModalWidget());
}

class WindowsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ASSERT_TRUE(tallyvane::user::EnsureGuiApplication());
        TfrmImagePreview::Register(); // the JPEG and GIF players
    }

    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("windows-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "out");
        setenv("TALLYVANE_REGISTRY", (m_dir / "registry.reg").c_str(), 1);
        ImgProperty = TImgProperty();
        ImgProperty.ResetDefaults();
        PresetList.LoadDefaults();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string WritePage(const std::string& name, int width = 400, int height = 200) {
        const std::string path = (m_dir / name).string();
        const std::vector<std::uint8_t> bytes = PageBytes(width, height);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    // A worker whose preview runs the dialog and hands it to inspect while it is shown.
    void UsePreview(TfrmImagePreview& worker, std::function<void(TPreviewDialog&)> inspect) {
        worker.PreviewDialog = [inspect](TfrmImagePreview& form, const std::string& directory,
                                         bool saveMode) {
            TPreviewDialog dialog(form);
            Soon([&dialog, inspect] { inspect(dialog); });
            std::string chosen = directory;
            const bool confirmed =
                dialog.ShowPreviewDialog(form.PageList(), chosen, saveMode) == TPreviewDialog::mrOk;
            return TfrmImagePreview::TPreviewResult{confirmed, chosen, true};
        };
    }

    static void Click(TPreviewDialog& dialog, const char* name) {
        auto* button = dialog.findChild<QPushButton*>(QLatin1String(name));
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    static QString Text(TPreviewDialog& dialog, const char* name) {
        auto* label = dialog.findChild<QLabel*>(QLatin1String(name));
        return label ? label->text() : QString();
    }

    fs::path m_dir;
};

// ---------------------------------------------------------------------------------------------
// Preview dialog

TEST_F(WindowsTest, PreviewShowsTheJpegFormatAndSizeAndCancelWritesNothing) {
    PresetList.SetCurrent(3); // "Greeting Card": JPEG
    ImgProperty.SetFormat(kFormatJPG);
    TfrmImagePreview worker;
    ASSERT_TRUE(worker.OpenEmfPage(WritePage("page.emf")));
    QString format, size;
    bool decodedBack = false;
    UsePreview(worker, [&](TPreviewDialog& dialog) {
        format = Text(dialog, "txtFormat");
        size = Text(dialog, "txtTargetSize");
        QApplication::processEvents();
        // The view shows the picture the player decoded back: some pixels are not background.
        const QImage pixels = dialog.PageView()->Pixels();
        for (int y = 0; y < pixels.height() && !decodedBack; y += 3) {
            for (int x = 0; x < pixels.width() && !decodedBack; x += 3) {
                decodedBack = (pixels.pixel(x, y) & 0xFFFFFF) != 0x000040;
            }
        }
        Click(dialog, "BtnCancel");
    });
    EXPECT_FALSE(worker.ConvertPage((m_dir / "page.jpg").string(), true, false));
    EXPECT_EQ(format, QStringLiteral("JPG"));
    ASSERT_TRUE(size.endsWith(QStringLiteral("KB"))) << size.toStdString();
    bool number = false;
    size.chopped(2).toInt(&number);
    EXPECT_TRUE(number) << size.toStdString();
    EXPECT_TRUE(decodedBack);
    EXPECT_FALSE(fs::exists(m_dir / "page.jpg"));
}

TEST_F(WindowsTest, PreviewSendWritesThePicture) {
    PresetList.SetCurrent(3);
    ImgProperty.SetFormat(kFormatJPG);
    TfrmImagePreview worker;
    ASSERT_TRUE(worker.OpenEmfPage(WritePage("page.emf")));
    QString caption;
    UsePreview(worker, [&](TPreviewDialog& dialog) {
        caption = dialog.findChild<QPushButton*>(QStringLiteral("BtnOk"))->text();
        Click(dialog, "BtnOk");
    });
    EXPECT_TRUE(worker.ConvertPage((m_dir / "page.jpg").string(), true, false));
    EXPECT_EQ(caption, QStringLiteral("Send"));
    EXPECT_TRUE(fs::exists(m_dir / "page.jpg"));
}

TEST_F(WindowsTest, SaveModeWritesIntoTheChosenDirectoryAndRemembersIt) {
    TfrmImagePreview worker;
    ASSERT_TRUE(worker.OpenEmfPage(WritePage("page.emf")));
    const std::string chosen = (m_dir / "out").string();
    bool chooserShown = false;
    UsePreview(worker, [&](TPreviewDialog& dialog) {
        EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("BtnOk"))->text(),
                  QStringLiteral("Save"));
        Soon([&] {
            auto* chooser = ActiveModal<TfrmChooseDirectory>();
            chooserShown = chooser != nullptr;
            if (chooser) {
                chooser->SetDirectory(chosen);
                chooser->BtnOkClick();
            }
        });
        Click(dialog, "BtnOk");
    });
    EXPECT_TRUE(worker.ConvertPage((m_dir / "page.bmp").string(), true, true));
    EXPECT_TRUE(chooserShown);
    EXPECT_TRUE(fs::exists(m_dir / "out" / "page.bmp"));
    EXPECT_FALSE(fs::exists(m_dir / "page.bmp"));

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Orvan\\Tallyvane!", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    char value[1024] = {};
    DWORD size = sizeof(value);
    DWORD type = 0;
    ASSERT_EQ(
        RegQueryValueEx(key, "SavePath", nullptr, &type, reinterpret_cast<BYTE*>(value), &size),
        ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(std::string(value), chosen + "/");
}

TEST_F(WindowsTest, CancellingTheChooserCountsAsCancel) {
    TfrmImagePreview worker;
    ASSERT_TRUE(worker.OpenEmfPage(WritePage("page.emf")));
    UsePreview(worker, [&](TPreviewDialog& dialog) {
        Soon([] {
            if (auto* chooser = ActiveModal<TfrmChooseDirectory>()) {
                chooser->BtnCancelClick();
            }
        });
        Click(dialog, "BtnOk");
    });
    EXPECT_FALSE(worker.ConvertPage((m_dir / "page.bmp").string(), true, true));
    EXPECT_FALSE(fs::exists(m_dir / "page.bmp"));
}

TEST_F(WindowsTest, AHugePageShowsPartOnly) {
    ImgProperty.SetPercentScale(100);
    TfrmImagePreview worker;
    ASSERT_TRUE(worker.OpenEmfPage(WritePage("huge.emf", 4000, 3000)));
    bool partial = false;
    UsePreview(worker, [&](TPreviewDialog& dialog) {
        QApplication::processEvents();
        partial = dialog.findChild<QLabel*>(QStringLiteral("txtPartialImage"))->isVisible();
        Click(dialog, "BtnCancel");
    });
    worker.ConvertPage((m_dir / "huge.bmp").string(), true, false);
    EXPECT_TRUE(partial);
}

TEST_F(WindowsTest, ASmallPageIsCentredAndDoesNotPan) {
    ImgProperty.SetPercentScale(100);
    TfrmImagePreview worker;
    ASSERT_TRUE(worker.OpenEmfPage(WritePage("small.emf", 60, 40)));
    UsePreview(worker, [&](TPreviewDialog& dialog) {
        QApplication::processEvents();
        TSimplePageDC* view = dialog.PageView();
        TClipDC* clip = view->ClipDC();
        EXPECT_FALSE(dialog.PanAllowedX());
        EXPECT_FALSE(dialog.PanAllowedY());
        const std::int32_t left = clip->GetFrameLeft();
        EXPECT_EQ(left, -(clip->GetFrameWidth() - 60) / 2);
        const QPoint middle = view->rect().center();
        QTest::mousePress(view, Qt::LeftButton, {}, middle);
        QTest::mouseMove(view, middle + QPoint(-50, -30));
        QTest::mouseRelease(view, Qt::LeftButton, {}, middle + QPoint(-50, -30));
        EXPECT_EQ(clip->GetFrameLeft(), left);
        Click(dialog, "BtnCancel");
    });
    worker.ConvertPage((m_dir / "small.bmp").string(), true, false);
}

// Sends a drag of the page view from `from` by `by` with the given buttons and modifiers.
void Drag(QWidget* view, QPoint from, QPoint by, Qt::MouseButton button,
          Qt::KeyboardModifiers modifiers) {
    QMouseEvent press(QEvent::MouseButtonPress, from, view->mapToGlobal(from), button, button,
                      modifiers);
    QApplication::sendEvent(view, &press);
    const QPoint to = from + by;
    QMouseEvent move(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton, button, modifiers);
    QApplication::sendEvent(view, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, to, view->mapToGlobal(to), button, Qt::NoButton,
                        modifiers);
    QApplication::sendEvent(view, &release);
}

TEST_F(WindowsTest, OnlyTheLeftButtonAlonePansAndPanningStopsAtTheEdge) {
    ImgProperty.SetPercentScale(100);
    TfrmImagePreview worker;
    ASSERT_TRUE(worker.OpenEmfPage(WritePage("big.emf", 1600, 1400)));
    UsePreview(worker, [&](TPreviewDialog& dialog) {
        QApplication::processEvents();
        TSimplePageDC* view = dialog.PageView();
        TClipDC* clip = view->ClipDC();
        ASSERT_TRUE(dialog.PanAllowedX());
        ASSERT_TRUE(dialog.PanAllowedY());
        const QPoint middle = view->rect().center();
        const std::int32_t left = clip->GetFrameLeft();
        const std::int32_t top = clip->GetFrameTop();

        Drag(view, middle, {-40, -40}, Qt::RightButton, Qt::NoModifier);
        EXPECT_EQ(clip->GetFrameLeft(), left);
        Drag(view, middle, {-40, -40}, Qt::LeftButton, Qt::ShiftModifier);
        EXPECT_EQ(clip->GetFrameLeft(), left);
        Drag(view, middle, {-40, -40}, Qt::LeftButton, Qt::ControlModifier);
        EXPECT_EQ(clip->GetFrameTop(), top);

        Drag(view, middle, {-40, -30}, Qt::LeftButton, Qt::NoModifier);
        EXPECT_GT(clip->GetFrameLeft(), left);
        EXPECT_GT(clip->GetFrameTop(), top);

        // Far past the right and bottom edges: the far edge of the page meets the view's.
        Drag(view, middle, {-20000, -20000}, Qt::LeftButton, Qt::NoModifier);
        EXPECT_EQ(clip->GetFrameLeft() + clip->GetFrameWidth(), 1600);
        EXPECT_EQ(clip->GetFrameTop() + clip->GetFrameHeight(), 1400);
        Drag(view, middle, {20000, 20000}, Qt::LeftButton, Qt::NoModifier);
        EXPECT_EQ(clip->GetFrameLeft(), 0);
        EXPECT_EQ(clip->GetFrameTop(), 0);
        Click(dialog, "BtnCancel");
    });
    worker.ConvertPage((m_dir / "big.bmp").string(), true, false);
}

TEST_F(WindowsTest, OpeningThePreviewFiftyTimesLeaksNoGdiHandles) {
    TfrmImagePreview worker;
    ASSERT_TRUE(worker.OpenEmfPage(WritePage("page.emf")));
    UsePreview(worker, [&](TPreviewDialog& dialog) {
        QApplication::processEvents();
        Click(dialog, "BtnCancel");
    });
    worker.ConvertPage((m_dir / "page.bmp").string(), true, false); // warms caches
    const std::size_t before = gdi::GdiObjectCount();
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(worker.OpenEmfPage((m_dir / "page.emf").string()));
        worker.ConvertPage((m_dir / "page.bmp").string(), true, false);
    }
    EXPECT_EQ(gdi::GdiObjectCount(), before);
}

// ---------------------------------------------------------------------------------------------
// Page view

TEST_F(WindowsTest, PageViewKeepsItsDcAndGivesThePaperTheClientSize) {
    QWidget owner;
    TSimplePageDC view(&owner);
    const HDC first = view.PageDC();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(view.PageDC(), first);
    view.HandleSize(400, 300);
    TClipDC* clip = view.ClipDC();
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->GetPixelWidth(), 400);
    EXPECT_EQ(clip->GetPixelHeight(), 300);
    EXPECT_FLOAT_EQ(view.RequestedPaperWidth(), 400 * clip->GetDCMMPerPixelX());
    view.HandleSize(0, 0); // minimised
    EXPECT_EQ(clip->GetPixelWidth(), 400);
    EXPECT_FLOAT_EQ(view.RequestedPaperWidth(), 400 * clip->GetDCMMPerPixelX());

    // A paint reaching past the view paints the part inside it with the background.
    int painted = 0;
    clip->OnPaintPage = [&](HDC, HRGN&) { ++painted; };
    EXPECT_TRUE(view.HandlePaint(QRegion(350, 250, 200, 200)));
    EXPECT_FALSE(view.HandlePaint(QRegion()));
    EXPECT_EQ(painted, 1);
    const QImage pixels = view.Pixels();
    EXPECT_EQ(pixels.pixel(399, 299) & 0xFFFFFF, 0x000040u);
}

// ---------------------------------------------------------------------------------------------
// Directory chooser

TEST_F(WindowsTest, ChooserRenamesThePagesAndAsksOnceBeforeReplacing) {
    const std::string dir = (m_dir / "out").string();
    std::ofstream(dir + "/Scan002.jpg") << "old";
    std::vector<std::string> targets = {"/tmp/x/Page001.jpg", "/tmp/x/Page002.jpg"};
    TfrmChooseDirectory chooser;
    chooser.Open(dir + "/", targets, true);
    chooser.show();
    EXPECT_EQ(chooser.BaseName(), "Page");
    EXPECT_FALSE(chooser.Widened());
    chooser.findChild<QLineEdit*>(QStringLiteral("edtMask"))->setText(QStringLiteral("Scan"));
    {
        MessageRecorder no(IDNO);
        chooser.BtnOkClick();
        ASSERT_EQ(no.texts.size(), 1u);
        EXPECT_EQ(no.texts[0], "Files " + dir + "/Scan*.jpg already exist.\n\r" +
                                   "Do you want to replace them ?");
        EXPECT_EQ(no.captions[0], "Save");
    }
    EXPECT_NE(chooser.result(), QDialog::Accepted);
    EXPECT_TRUE(chooser.Widened());
    EXPECT_EQ(targets[0], dir + "/Scan001.jpg");
    EXPECT_EQ(targets[1], dir + "/Scan002.jpg");
    {
        MessageRecorder yes(IDYES);
        chooser.BtnOkClick();
        EXPECT_EQ(yes.texts.size(), 1u);
    }
    EXPECT_EQ(chooser.result(), QDialog::Accepted);
}

TEST_F(WindowsTest, ChooserJoinsTheRootWithoutDoublingTheSeparator) {
    std::vector<std::string> targets = {"/tmp/x/Page.gif"};
    TfrmChooseDirectory chooser;
    chooser.Open("/", targets, false);
    chooser.show();
    EXPECT_EQ(chooser.BaseName(), "Page");
    chooser.findChild<QLineEdit*>(QStringLiteral("edtMask"))
        ->setText(QStringLiteral("tallyvane-no-such-picture"));
    MessageRecorder none(IDNO);
    chooser.BtnOkClick();
    EXPECT_TRUE(none.texts.empty());
    EXPECT_EQ(targets[0], "/tallyvane-no-such-picture.gif");

    EXPECT_EQ(TfrmChooseDirectory::BaseNameOf({"/a/Page001"}, true), "");
    EXPECT_EQ(TfrmChooseDirectory::BaseNameOf({"/a/Page"}, false), "");
    EXPECT_EQ(TfrmChooseDirectory::BaseNameOf({}, true), "");
}

TEST_F(WindowsTest, ChooserUsesTheDirectoryCurrentAtOk) {
    const std::string first = (m_dir / "out").string();
    fs::create_directories(m_dir / "second");
    std::vector<std::string> targets = {"/tmp/x/Page001.bmp", "/tmp/x/Page002.bmp"};
    TfrmChooseDirectory chooser;
    chooser.Open(first, targets, true);
    chooser.show();
    chooser.findChild<QLineEdit*>(QStringLiteral("edtMask"))->setText(QStringLiteral("Doc"));
    chooser.SetDirectory((m_dir / "second").string());
    chooser.BtnOkClick();
    EXPECT_EQ(targets[1], (m_dir / "second" / "Doc002.bmp").string());
}

// Waits, at most a few seconds, for condition to hold while the event loop runs.
bool WaitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 250 && !condition(); ++i) {
        QTest::qWait(20);
    }
    return condition();
}

TEST_F(WindowsTest, ChooserOpensOnADeepFolderSelectedInViewWithItsParentsExpanded) {
    // Many folders sort before the chosen one at its own level and at its parent's, so it lies
    // far below the first screenful unless the tree scrolls to it.
    const fs::path deep = m_dir / "a" / "b" / "c";
    fs::create_directories(deep);
    for (int i = 0; i < 40; ++i) {
        const std::string name = "0" + std::to_string(100 + i);
        fs::create_directories(m_dir / "a" / name);
        fs::create_directories(m_dir / "a" / "b" / name);
    }
    std::vector<std::string> targets = {"/tmp/x/Page.bmp"};
    TfrmChooseDirectory chooser;
    chooser.Open(deep.string() + "/", targets, false);
    chooser.show();
    auto* tree = chooser.findChild<QTreeView*>(QStringLiteral("DirectoryListBox"));
    ASSERT_NE(tree, nullptr);
    auto* model = static_cast<QFileSystemModel*>(tree->model());
    const auto shown = [&] {
        const QModelIndex current = tree->currentIndex();
        return model->filePath(current) == QString::fromStdString(deep.string()) &&
               tree->viewport()->rect().contains(tree->visualRect(current));
    };
    // Give the background reader time to fill and sort every level on the way.
    QTest::qWait(300);
    ASSERT_TRUE(WaitFor(shown)) << model->filePath(tree->currentIndex()).toStdString();
    for (QModelIndex parent = tree->currentIndex().parent(); parent.isValid();
         parent = parent.parent()) {
        EXPECT_TRUE(tree->isExpanded(parent)) << model->filePath(parent).toStdString();
    }
    EXPECT_EQ(chooser.Directory(), deep.string());

    // Once the user opens another folder or scrolls, the tree stays where the user put it.
    const QModelIndex other = model->index(QString::fromStdString((m_dir / "a" / "0100").string()));
    tree->expand(other);
    tree->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    const int top = tree->verticalScrollBar()->value();
    QTest::qWait(300);
    EXPECT_EQ(tree->verticalScrollBar()->value(), top);
}

// ---------------------------------------------------------------------------------------------
// About window

TEST_F(WindowsTest, AboutPicturesDecodeThroughTheGifReader) {
    EXPECT_EQ(AboutPicture(TAboutPicture::Back, 0).size(), QSize(400, 270));
    EXPECT_EQ(AboutPictureFrames(TAboutPicture::Logo), 24);
    EXPECT_EQ(AboutPicture(TAboutPicture::Logo, 14).size(), QSize(117, 117));
    const std::uint8_t truncated[] = {200, 0, 0, 0, 'G', 'I', 'F'};
    EXPECT_TRUE(DecodeGifResource(truncated, sizeof(truncated)).empty());
}

TEST_F(WindowsTest, AboutHighlightsOneLinkAndClosesOnAnyKey) {
    TfrmAbout about;
    about.show();
    auto hover = [&](const char* name) {
        QWidget* picture = about.findChild<QWidget*>(QLatin1String(name));
        ASSERT_NE(picture, nullptr);
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), picture->mapToGlobal(QPointF(2, 2)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(picture, &move);
    };
    hover("imgWWWUnSel");
    EXPECT_TRUE(about.LinkHighlighted(0));
    hover("ImgMailUnSel");
    EXPECT_FALSE(about.LinkHighlighted(0));
    EXPECT_TRUE(about.LinkHighlighted(3));
    hover("ImgBack");
    EXPECT_FALSE(about.LinkHighlighted(3));

    QTest::keyClick(&about, Qt::Key_Shift);
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}

TEST_F(WindowsTest, SavePathThatCannotBeStoredIsReportedAndSavingGoesOn) {
    setenv("TALLYVANE_REGISTRY", "/dev/null/registry.reg", 1);
    TfrmImagePreview worker;
    ASSERT_TRUE(worker.OpenEmfPage(WritePage("page.emf")));
    const std::string chosen = (m_dir / "out").string();
    UsePreview(worker, [&](TPreviewDialog& dialog) {
        Soon([&] {
            if (auto* chooser = ActiveModal<TfrmChooseDirectory>()) {
                chooser->SetDirectory(chosen);
                chooser->BtnOkClick();
            }
        });
        Click(dialog, "BtnOk");
    });
    MessageRecorder boxes;
    EXPECT_TRUE(worker.ConvertPage((m_dir / "page.bmp").string(), true, true));
    EXPECT_TRUE(fs::exists(m_dir / "out" / "page.bmp"));
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0],
              "Can't open Key Software\\Orvan\\Tallyvane!!\nTry reinstall Tallyvane!");
    EXPECT_EQ(boxes.captions[0], "Error");
}

TEST_F(WindowsTest, GuiMessageBoxShowsTheButtonsAskedForAndAnswersThePressedOne) {
    QString caption;
    QStringList buttons;
    QString defaultButton;
    Soon([&] {
        auto* box = ActiveModal<QMessageBox>();
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        for (QAbstractButton* button : box->buttons()) {
            buttons << button->text().remove(QLatin1Char('&'));
        }
        defaultButton = box->defaultButton()->text().remove(QLatin1Char('&'));
        box->button(QMessageBox::Yes)->click();
    });
    tallyvane::user::MessageBoxRequest request{"Files /x/Page*.jpg already exist.\n\rReplace ?",
                                               "Save", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2};
    EXPECT_EQ(tallyvane::user::PresentMessageBoxGui(request), IDYES);
    EXPECT_EQ(caption, QStringLiteral("Save"));
    buttons.sort();
    EXPECT_EQ(buttons, QStringList({QStringLiteral("No"), QStringLiteral("Yes")}));
    EXPECT_EQ(defaultButton, QStringLiteral("No"));

    // Closed without a button: the safe answer.
    Soon([] {
        if (auto* box = ActiveModal<QMessageBox>()) {
            box->reject();
        }
    });
    EXPECT_EQ(tallyvane::user::PresentMessageBoxGui(request), IDNO);
}

TEST_F(WindowsTest, ListPreviewWritesThePagesUnderTheNamesGivenInTheChooser) {
    const std::vector<std::string> sources = {WritePage("a.emf"), WritePage("b.emf")};
    const std::vector<std::string> targets = {(m_dir / "Page001.bmp").string(),
                                              (m_dir / "Page002.bmp").string()};
    const std::string chosen = (m_dir / "out").string();
    TfrmImagePreview worker;
    UsePreview(worker, [&](TPreviewDialog& dialog) {
        Soon([&] {
            if (auto* chooser = ActiveModal<TfrmChooseDirectory>()) {
                chooser->findChild<QLineEdit*>(QStringLiteral("edtMask"))
                    ->setText(QStringLiteral("Scan"));
                chooser->SetDirectory(chosen);
                chooser->BtnOkClick();
            }
        });
        Click(dialog, "BtnOk");
    });
    ASSERT_TRUE(worker.ConvertPageList(sources, targets, true, true));
    EXPECT_TRUE(fs::exists(m_dir / "out" / "Scan001.bmp"));
    EXPECT_TRUE(fs::exists(m_dir / "out" / "Scan002.bmp"));
    EXPECT_TRUE(worker.PageWritten(0));
    EXPECT_TRUE(worker.PageWritten(1));
}

} // namespace
