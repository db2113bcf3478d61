// SPDX-License-Identifier: MIT
#include "app/QtDialogs.h"

#include "app/BoxLines.h"
#include "app/Language.h"
#include "app/QtText.h"
#include "app/TCentredDialog.h"
#include "app/TFileChooser.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace kelda {

namespace {

// A message box centred on its window's frame, or on the screen.
using TMessageBox = TCentredDialog<QMessageBox>;

// Gives the box its text broken into lines where Japanese allows. Left to itself the box wraps a
// text wider than about half the screen at any break the general rules offer, between any two
// kana too ("開けませ" / "ん"), and a text with a run wider than the box anywhere at all. The lines
// made here stay narrow enough that the box keeps them as they are.
void SetLines(QMessageBox& box, const QString& text, const QWidget* parent) {
    box.setTextFormat(Qt::PlainText); // a file name is not markup
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
    if (label == nullptr || screen == nullptr) {
        box.setText(text);
        return;
    }
    // The width at which the box would start wrapping, less what the icon and margins take.
    const int limit = std::min(screen->availableGeometry().width() / 2, 500);
    box.setText(QStringLiteral("x"));
    label->setWordWrap(false);
    box.layout()->activate();
    const int overhead = box.layout()->totalMinimumSize().width() - label->minimumSizeHint().width();
    const int width =
        std::max(limit - overhead - 1, label->fontMetrics().horizontalAdvance(QChar(0x3042)) * 4);
    box.setText(BoxLines(text, label->fontMetrics(), width).join(QLatin1Char('\n')));
}

} // namespace

void QtDialogs::Message(QWidget* parent, const QString& text) {
    TMessageBox box(parent, false, QMessageBox::NoIcon, Q(kAppTitle), QString(), QMessageBox::Ok, parent);
    SetLines(box, text, parent);
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
    TMessageBox box(parent, false, QMessageBox::Critical, Q(kAppTitle), QString(), QMessageBox::Ok, parent);
    SetLines(box, text, parent);
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
    dialog.SetShowHidden(state.ShowHidden);
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
