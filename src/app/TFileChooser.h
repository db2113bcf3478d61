// SPDX-License-Identifier: MIT
// The open and save dialog.
//
// Qt's own file dialog lists a folder through Qt's directory iterator, which leaves out every
// entry whose name is no UTF-8, and on a disk of old Macintosh files that is many of them (Mac
// Roman or code page 932 names, as archive and disk-image tools write them). This dialog lists
// folders with the standard library, so every entry is there; names are shown as the window shows
// them (FromPath: readable when they are code page 932, each stray byte kept otherwise), and each
// entry keeps its own bytes, so that the file chosen is the file listed.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <filesystem>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QToolButton;

namespace kelda {

class TFileChooser : public QDialog {
public:
    struct TTexts {
        QString Title;    // the title when the caller gives none
        QString Folder;   // label of the folder line
        QString Up;       // tool tip of the button to the folder above
        QString FileName; // label of the file name line
        QString Type;     // label of the filter list
        QString Accept;   // the Open or Save button
        QString Cancel;
    };
    static TTexts Texts(bool japanese, bool save);

    // nameFilters: "description (pattern pattern ...)", as QtDialogs::NameFilters makes them.
    TFileChooser(QWidget* parent, const QString& title, bool save, const QStringList& nameFilters,
                 TTexts texts);

    // The folder shown, as text (FromPath); a folder that does not exist leaves the one shown.
    void SetFolder(const QString& folder);
    void SetFolderPath(const std::filesystem::path& folder);
    QString Folder() const;
    // The name to offer in the name box; a pattern such as "*.*" is shown too (confirmed, it
    // becomes the filter).
    void SetFileName(const QString& name);
    // Whether entries whose names begin with "." are listed (not by default).
    void SetShowHidden(bool show);

    // The chosen file, as text that ToPath turns back into its bytes. Valid once accepted. A name
    // that does not exist is taken too: the window tells the user it cannot find it.
    QString SelectedFile() const { return FSelected; }
    // The chosen file itself, byte for byte: an entry picked from the list is that entry, also when
    // another entry reads the same. Valid once accepted.
    const std::filesystem::path& SelectedPath() const { return FSelectedPath; }

    // The entries listed, as shown, folders first (each with a trailing "/").
    QStringList Entries() const;
    // Picks the listed entry shown as text, as a click would; false when there is none.
    bool Choose(const QString& text);
    // Acts on the entry shown as text, as a double click would: enters a folder, takes a file.
    bool Activate(const QString& text);
    void SetFilterIndex(int index);

    void accept() override;

private:
    void List();
    void GoUp();
    void ActivateItem(QListWidgetItem* item);
    bool MatchesFilter(const std::string& name) const;

    bool FSave;
    bool FShowHidden = false;
    std::filesystem::path FFolder;
    QString FSelected;
    std::filesystem::path FSelectedPath;
    QLineEdit* FFolderEdit;
    QToolButton* FUpButton;
    QListWidget* FList;
    QLineEdit* FNameEdit;
    QComboBox* FFilterBox;
    QPushButton* FAcceptButton;
};

} // namespace kelda
