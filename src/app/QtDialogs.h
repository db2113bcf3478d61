// SPDX-License-Identifier: MIT
// The real Dialogs: message boxes, and TFileChooser for opening and saving.
#pragma once

#include "app/Dialogs.h"

#include <QStringList>

namespace kelda {

class QtDialogs : public Dialogs {
public:
    void Message(QWidget* parent, const QString& text) override;
    bool AskYesNo(QWidget* parent, const QString& text) override;
    void ErrorBox(QWidget* parent, const QString& text) override;
    bool OpenFile(QWidget* parent, TFileDialogState& state) override;
    bool SaveFile(QWidget* parent, TFileDialogState& state) override;

    // A filter of description|pattern pairs as the file dialog's name filters: "*.*" matches every
    // file, and each pattern also matches its lower-case spelling, since file names here are
    // case-sensitive while the patterns are written in capitals.
    static QStringList NameFilters(const QString& pairs);

private:
    static bool RunFileDialog(QWidget* parent, TFileDialogState& state, bool save);
};

} // namespace kelda
