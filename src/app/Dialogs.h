// SPDX-License-Identifier: MIT
// Everything the window tells or asks the user goes through Dialogs: plain messages, the yes/no
// question, the error box, and the open and save dialogs. The window owns no message box of its own,
// so tests drive it with a scripted implementation.
#pragma once

#include <QString>
#include <filesystem>

class QWidget;

namespace kelda {

// What a file dialog remembers between runs: its last file name, the folder it opens in, its filter
// (description|pattern pairs separated by "|", patterns separated by ";") and its title (empty: the
// system's own).
struct TFileDialogState {
    // The chosen file as the user reads it (Path is the file itself).
    QString FileName;
    QString InitialDir;
    QString Filter;
    QString Title;
    // The chosen file's bytes, which need not be UTF-8 and which two different files may show
    // alike. Work on the file uses Path only.
    std::filesystem::path Path;
    // Lists the entries whose names begin with ".", as where the file picked may be an AppleDouble
    // sidecar "._NAME"; elsewhere they stay out of the list, as in other file dialogs.
    bool ShowHidden = false;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A plain message: title "KELDA", no icon, one OK button.
    virtual void Message(QWidget* parent, const QString& text) = 0;
    // A question with the information icon, title "情報" and the buttons "はい(&Y)" and "いいえ(&N)",
    // centred on the screen; Yes is the default button and Escape answers No. True for Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& text) = 0;
    // An error: title "KELDA", the error icon, one OK button. text is shown as given.
    virtual void ErrorBox(QWidget* parent, const QString& text) = 0;
    // Runs an open or save dialog from state. On confirmation the chosen file goes to state.Path, its
    // full name as shown to state.FileName, its folder to state.InitialDir, and the result is true;
    // a cancel changes nothing.
    // The save dialog neither asks before replacing a file nor adds an extension.
    virtual bool OpenFile(QWidget* parent, TFileDialogState& state) = 0;
    virtual bool SaveFile(QWidget* parent, TFileDialogState& state) = 0;
};

} // namespace kelda
