// The directory chooser of a save-mode preview.
#pragma once

#include <string>
#include <vector>

#include <QDialog>

class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeView;

// TfrmChooseDirectory lets the user pick the directory the pictures of a preview are saved in and
// rename them. It works on the caller's target list in place (not owned): with the name field
// edited, every target gets the new name, keeping its page number (multi-file mode) and its
// extension. When a picture of that name already exists in the directory it asks once whether to
// replace; "No" keeps the dialog open and widens it to show the files and the name field.
//
// The directory tree starts at "/" and the box under it offers "/" and the home folder, as the
// drives of the design. Directories are kept without a trailing separator except "/" itself.
class TfrmChooseDirectory : public QDialog {
public:
    explicit TfrmChooseDirectory(QWidget* owner = nullptr);
    ~TfrmChooseDirectory() override;

    // Open the dialog modally on directory; true and directory replaced on Ok.
    bool ChooseMany(std::string& directory, std::vector<std::string>& targets);
    bool ChooseOne(std::string& directory, std::vector<std::string>& targets);

    // The steps of the dialog, public so a caller can drive it without the event loop.
    void Open(const std::string& directory, std::vector<std::string>& targets, bool many);
    void SetDirectory(const std::string& directory);
    std::string Directory() const { return m_directory; }
    void BtnOkClick();
    void BtnCancelClick();
    const std::string& BaseName() const { return m_baseName; }
    bool Widened() const;

    // The base name a target list starts with: the first target's file name up to its first
    // dot, less the page number's three characters in multi-file mode.
    static std::string BaseNameOf(const std::vector<std::string>& targets, bool many);

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool Choose(std::string& directory, std::vector<std::string>& targets, bool many);
    void FillFileList();
    // Selects the current directory in the tree, its parents expanded, and scrolls it into view.
    void RevealDirectory();
    void SetClientWidth(int width);

    std::vector<std::string>* m_targets = nullptr;
    bool m_many = false;
    std::string m_baseName;
    bool m_editedMany = false;
    bool m_editedOne = false;
    bool m_settingMask = false;
    bool m_revealing = false; // the tree follows m_directory until the user takes it over
    bool m_inReveal = false;  // the tree's changes are the chooser's own, not the user's
    std::string m_directory;

    QFileSystemModel* m_model = nullptr;
    QTreeView* m_directoryListBox = nullptr;
    QComboBox* m_driveComboBox = nullptr;
    QPushButton* m_btnOk = nullptr;
    QPushButton* m_btnCancel = nullptr;
    QWidget* m_pnlFileAndMask = nullptr;
    QListWidget* m_fileListBox = nullptr;
    QLineEdit* m_edtMask = nullptr;
};
