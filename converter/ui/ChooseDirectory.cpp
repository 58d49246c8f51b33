// The directory chooser. The name rules follow the picture names the worker makes: a base name,
// a three-digit page number and the extension ("Page001.jpg"); everything from the first dot on
// counts as the extension.
#include "converter/ui/ChooseDirectory.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>

#include "converter/ui/FormLook.h"
#include "platform/WinBase.h"
#include "platform/WinUser.h"

namespace path = tallyvane::path;

namespace {

constexpr int kNarrowWidth = 207; // the left edge of the file panel
constexpr int kWideWidth = 433;   // its right edge
constexpr int kClientHeight = 286;

bool FileExists(const std::string& name) {
    const DWORD attributes = GetFileAttributes(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A file name split at its first dot: "Page001" and ".jpg"; no dot gives no extension.
std::pair<std::string, std::string> SplitAtFirstDot(const std::string& name) {
    const std::size_t dot = name.find('.');
    if (dot == std::string::npos) {
        return {name, std::string()};
    }
    return {name.substr(0, dot), name.substr(dot)};
}

// True when directory is ancestor itself or lies below it ("/" is everybody's ancestor).
bool IsAncestorOrSelf(const std::string& ancestor, const std::string& directory) {
    if (ancestor == "/" || ancestor == directory) {
        return true;
    }
    return directory.size() > ancestor.size() &&
           directory.compare(0, ancestor.size(), ancestor) == 0 &&
           directory[ancestor.size()] == '/';
}

std::string LastThree(const std::string& stem) {
    return stem.size() >= 3 ? stem.substr(stem.size() - 3) : stem;
}

QPushButton* SpeedButton(QWidget* parent, const QString& text, int left, int top) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(left, top, 48, 20);
    button->setFlat(true);
    button->setStyleSheet(QStringLiteral("QPushButton { border: 1px solid rgb(160, 160, 200); }"
                                         "QPushButton:hover { background: rgb(225, 225, 255); }"));
    return button;
}

} // namespace

TfrmChooseDirectory::TfrmChooseDirectory(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("Tallyvane!  Directory"));
    setFont(FormFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_model->setRootPath(QStringLiteral("/"));
    m_directoryListBox = new QTreeView(this);
    m_directoryListBox->setObjectName(QStringLiteral("DirectoryListBox"));
    m_directoryListBox->setGeometry(7, 7, 195, 247);
    m_directoryListBox->setModel(m_model);
    m_directoryListBox->setHeaderHidden(true);
    for (int column = 1; column < m_model->columnCount(); ++column) {
        m_directoryListBox->hideColumn(column);
    }
    connect(m_directoryListBox->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) {
                    m_directory = m_model->filePath(current).toLocal8Bit().toStdString();
                    FillFileList();
                }
            });

    // The model reads directories in the background and sorts them afterwards: each folder on
    // the way to the chosen one that arrives, and each sort, may move it, so it is shown again
    // until the user takes over the tree (scrolls it, clicks it, opens or closes a folder).
    connect(m_model, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        if (m_revealing && IsAncestorOrSelf(loaded.toLocal8Bit().toStdString(), m_directory)) {
            RevealDirectory();
        }
    });
    connect(m_model, &QAbstractItemModel::layoutChanged, this, [this] {
        if (m_revealing) {
            RevealDirectory();
        }
    });
    const auto userTakesOver = [this] {
        if (!m_inReveal) {
            m_revealing = false;
        }
    };
    connect(m_directoryListBox, &QAbstractItemView::pressed, this, userTakesOver);
    connect(m_directoryListBox, &QTreeView::expanded, this, userTakesOver);
    connect(m_directoryListBox, &QTreeView::collapsed, this, userTakesOver);
    connect(m_directoryListBox->verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            userTakesOver);

    m_driveComboBox = new QComboBox(this);
    m_driveComboBox->setObjectName(QStringLiteral("DriveComboBox"));
    m_driveComboBox->setGeometry(7, 260, 91, 20);
    m_driveComboBox->addItem(QStringLiteral("/"), QStringLiteral("/"));
    m_driveComboBox->addItem(QStringLiteral("Home"), QDir::homePath());
    connect(m_driveComboBox, &QComboBox::activated, this, [this](int index) {
        SetDirectory(m_driveComboBox->itemData(index).toString().toLocal8Bit().toStdString());
    });

    m_btnOk = SpeedButton(this, QStringLiteral("Ok"), 105, 260);
    m_btnOk->setObjectName(QStringLiteral("BtnOk"));
    m_btnCancel = SpeedButton(this, QStringLiteral("Cancel"), 155, 260);
    m_btnCancel->setObjectName(QStringLiteral("BtnCancel"));
    connect(m_btnOk, &QPushButton::clicked, this, [this] { BtnOkClick(); });
    connect(m_btnCancel, &QPushButton::clicked, this, [this] { BtnCancelClick(); });

    m_pnlFileAndMask = new QWidget(this);
    m_pnlFileAndMask->setObjectName(QStringLiteral("pnlFileAndMask"));
    m_pnlFileAndMask->setGeometry(kNarrowWidth, 0, 226, kClientHeight);
    m_fileListBox = new QListWidget(m_pnlFileAndMask);
    m_fileListBox->setObjectName(QStringLiteral("FileListBox"));
    m_fileListBox->setGeometry(2, 7, 220, 247);
    auto* label = new QLabel(QStringLiteral("FileName"), m_pnlFileAndMask);
    label->setObjectName(QStringLiteral("Label1"));
    label->move(20, 263);
    m_edtMask = new QLineEdit(QStringLiteral("Page"), m_pnlFileAndMask);
    m_edtMask->setObjectName(QStringLiteral("edtMask"));
    m_edtMask->setGeometry(78, 260, 144, 21);
    connect(m_edtMask, &QLineEdit::textChanged, this, [this] {
        if (m_settingMask) {
            return;
        }
        (m_many ? m_editedMany : m_editedOne) = true;
    });

    SetClientWidth(kWideWidth);
}

TfrmChooseDirectory::~TfrmChooseDirectory() = default;

void TfrmChooseDirectory::SetClientWidth(int width) {
    setFixedSize(width, kClientHeight);
}

bool TfrmChooseDirectory::Widened() const {
    return width() >= kWideWidth;
}

std::string TfrmChooseDirectory::BaseNameOf(const std::vector<std::string>& targets, bool many) {
    if (targets.empty()) {
        return {};
    }
    const std::string name = path::ExtractFileName(targets.front());
    const std::size_t dot = name.find('.');
    if (dot == std::string::npos) {
        return {};
    }
    const std::string stem = name.substr(0, dot);
    if (!many) {
        return stem;
    }
    return stem.size() > 3 ? stem.substr(0, stem.size() - 3) : std::string();
}

void TfrmChooseDirectory::SetDirectory(const std::string& directory) {
    std::string dir =
        directory.empty() ? QDir::currentPath().toLocal8Bit().toStdString() : directory;
    if (dir.size() > 1 && dir.back() == '/') {
        dir.pop_back();
    }
    m_directory = dir;
    m_revealing = true;
    RevealDirectory();
    m_directory = dir;
    FillFileList();
}

void TfrmChooseDirectory::RevealDirectory() {
    const QModelIndex index = m_model->index(QString::fromLocal8Bit(m_directory.c_str()));
    if (!index.isValid()) {
        return;
    }
    m_inReveal = true;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) {
        m_directoryListBox->expand(parent);
    }
    if (m_directoryListBox->currentIndex() != index) {
        m_directoryListBox->setCurrentIndex(index);
    }
    m_directoryListBox->scrollTo(index, QAbstractItemView::PositionAtCenter);
    m_inReveal = false;
}

void TfrmChooseDirectory::FillFileList() {
    m_fileListBox->clear();
    const QDir dir(QString::fromLocal8Bit(m_directory.c_str()));
    m_fileListBox->addItems(dir.entryList(QDir::Files, QDir::Name));
}

void TfrmChooseDirectory::Open(const std::string& directory, std::vector<std::string>& targets,
                               bool many) {
    SetDirectory(directory);
    m_targets = &targets;
    m_many = many;
    m_baseName = BaseNameOf(targets, many);
    m_editedMany = false;
    m_editedOne = false;
    SetClientWidth(kNarrowWidth);
}

bool TfrmChooseDirectory::ChooseMany(std::string& directory, std::vector<std::string>& targets) {
    return Choose(directory, targets, true);
}

bool TfrmChooseDirectory::ChooseOne(std::string& directory, std::vector<std::string>& targets) {
    return Choose(directory, targets, false);
}

bool TfrmChooseDirectory::Choose(std::string& directory, std::vector<std::string>& targets,
                                 bool many) {
    Open(directory, targets, many);
    if (exec() != QDialog::Accepted) {
        return false;
    }
    directory = m_directory;
    return true;
}

void TfrmChooseDirectory::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Only now has the tree its final size to centre the chosen directory in.
    if (m_revealing) {
        RevealDirectory();
    }
    // The base name is put into the field without counting as an edit.
    m_settingMask = true;
    m_edtMask->setText(QString::fromLocal8Bit(m_baseName.c_str()));
    m_settingMask = false;
}

void TfrmChooseDirectory::BtnOkClick() {
    setResult(QDialog::Accepted);
    std::string dir = m_directory;
    // A root ends in the separator; it is joined without doubling it.
    if (!dir.empty() && dir.back() == '/') {
        dir.pop_back();
    }
    std::vector<std::string> none;
    std::vector<std::string>& targets = m_targets ? *m_targets : none;
    const std::string mask = m_edtMask->text().toLocal8Bit().toStdString();
    if (m_many && m_editedMany) {
        m_baseName = mask;
        for (std::string& target : targets) {
            const auto [stem, ext] = SplitAtFirstDot(path::ExtractFileName(target));
            target = dir + "/" + m_baseName + LastThree(stem) + ext;
        }
    } else if (!m_many && m_editedOne) {
        for (std::string& target : targets) {
            const auto [stem, ext] = SplitAtFirstDot(path::ExtractFileName(target));
            target = dir + "/" + mask + ext;
        }
    }
    for (const std::string& target : targets) {
        const std::string name = path::ExtractFileName(target);
        if (!FileExists(dir + "/" + name)) {
            continue;
        }
        const std::string shown = m_many ? m_baseName + "*" + SplitAtFirstDot(name).second : name;
        const std::string text = "Files " + dir + "/" + shown + " already exist." + "\n\r" +
                                 "Do you want to replace them ?";
        if (MessageBox(nullptr, text.c_str(), "Save", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) ==
            IDYES) {
            break;
        }
        // Back to the dialog, now showing the files and the name field.
        setResult(0);
        SetClientWidth(kWideWidth);
        return;
    }
    accept();
}

void TfrmChooseDirectory::BtnCancelClick() {
    reject();
}
