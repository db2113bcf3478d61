// SPDX-License-Identifier: MIT
#include "app/QtDialogs.h"

#include "app/Language.h"
#include "app/QtText.h"
#include "app/TCentredDialog.h"
#include "app/TFileChooser.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace kelda {

namespace {

// A message box centred on its window's frame, or on the screen.
using TMessageBox = TCentredDialog<QMessageBox>;

} // namespace

void QtDialogs::Message(QWidget* parent, const QString& text) {
    TMessageBox box(parent, false, QMessageBox::NoIcon, Q(kAppTitle), text, QMessageBox::Ok, parent);
    box.exec();
}

bool QtDialogs::AskYesNo(QWidget* parent, const QString& text) {
    // Centred on the screen rather than on the window; it still belongs to the window, so that it
    // stays in front of it.
    TMessageBox box(parent, true, QMessageBox::Information, Q(kQuestionTitle), text, QMessageBox::NoButton,
                    parent);
    QPushButton* yes = box.addButton(Q(kYesCaption), QMessageBox::YesRole);
    QPushButton* no = box.addButton(Q(kNoCaption), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void QtDialogs::ErrorBox(QWidget* parent, const QString& text) {
    TMessageBox box(parent, false, QMessageBox::Critical, Q(kAppTitle), text, QMessageBox::Ok, parent);
    box.exec();
}

bool QtDialogs::OpenFile(QWidget* parent, TFileDialogState& state) {
    return RunFileDialog(parent, state, false);
}

bool QtDialogs::SaveFile(QWidget* parent, TFileDialogState& state) {
    return RunFileDialog(parent, state, true);
}

QStringList QtDialogs::NameFilters(const QString& pairs) {
    QStringList filters;
    const QStringList parts = pairs.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            if (pattern == QLatin1String("*.*")) {
                patterns << QStringLiteral("*");
                continue;
            }
            patterns << pattern;
            if (pattern.toLower() != pattern) {
                patterns << pattern.toLower();
            }
        }
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

bool QtDialogs::RunFileDialog(QWidget* parent, TFileDialogState& state, bool save) {
    // The window says which language it speaks through its "japanese" property.
    const bool japanese = parent != nullptr && parent->window()->property("japanese").toBool();
    TFileChooser dialog(parent, state.Title, save, NameFilters(state.Filter),
                        TFileChooser::Texts(japanese, save));
    if (!state.InitialDir.isEmpty()) {
        dialog.SetFolder(state.InitialDir);
    }
    if (!state.FileName.isEmpty()) {
        dialog.SetFileName(QFileInfo(state.FileName).fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.SelectedFile().isEmpty()) {
        return false;
    }
    // Neither asks before replacing a file nor adds an extension: the window does what it does
    // with the name.
    const QString chosen = dialog.SelectedFile();
    state.FileName = chosen;
    state.Path = dialog.SelectedPath();
    state.InitialDir = QFileInfo(chosen).absolutePath();
    return true;
}

} // namespace kelda
