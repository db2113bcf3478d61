// SPDX-License-Identifier: MIT
// The small dialog of "Make MacBinary…": the data fork file, the resource fork's source (a raw
// fork, or an AppleDouble/AppleSingle file), the name, type, creator, version and the name's
// character set. Choosing a data fork that has a "._NAME" sidecar, or that is an AppleSingle file,
// fills the fields from its entries; only what the user then changes is passed on as an option,
// so the entries' own bytes are kept.
#pragma once

#include "app/Dialogs.h"
#include "forks/MacBinaryEncoder.h"

#include <QDialog>

#include <filesystem>

class QComboBox;
class QLineEdit;

namespace kelda {

// What the dialog's fields hold, so that a dialog opened again after work that wrote nothing (a
// refused output, a cancelled save dialog) shows what the user typed.
struct TMakeMacBinaryFields {
    QString DataFork, ResourceFork, MacName, FileType, FileCreator;
    int Version = 1;      // ComboVersion's index: MacBinary II
    int NameEncoding = 0; // ComboNameEncoding's index: auto
    // What the sidecar or AppleSingle entries put into the name, type and creator fields.
    QString FilledName, FilledType, FilledCreator;
};

class TMakeMacBinaryDialog : public QDialog {
    Q_OBJECT

public:
    // browse: the state of the dialog's open dialogs (its last folder is remembered there).
    TMakeMacBinaryDialog(QWidget* parent, Dialogs& dialogs, TFileDialogState& browse, bool japanese);

    // Puts file into the data fork field and fills the other fields from its sidecar or its own
    // entries, when it has them.
    void SetDataFork(const QString& file);

    TMakeMacBinaryFields Fields() const;
    void SetFields(const TMakeMacBinaryFields& fields);

    std::filesystem::path DataFork() const;
    // The options for EncodeMacBinary (SOURCE_DATE_EPOCH not included).
    TEncodeOptions Options() const;

    QLineEdit* EditDataFork = nullptr;
    QLineEdit* EditResourceFork = nullptr;
    QLineEdit* EditMacName = nullptr;
    QLineEdit* EditFileType = nullptr;
    QLineEdit* EditFileCreator = nullptr;
    QComboBox* ComboVersion = nullptr;      // I, II, III
    QComboBox* ComboNameEncoding = nullptr; // auto, Mac Roman, Japanese

    // A type or creator the user typed must be four Mac characters; one that is not is refused
    // with the message that says so, and the dialog stays open with what was typed.
    void accept() override;

private:
    void Browse(QLineEdit* edit);
    void Prefill();

    Dialogs& dialogs_;
    TFileDialogState& browse_;
    bool japanese_;
    // What Prefill put into the fields: a field still holding it is left to the entries.
    QString filledName_, filledType_, filledCreator_;
};

} // namespace kelda
