// SPDX-License-Identifier: MIT
// The window on the desktop: the Help menu with its About box, and a file given on the command line.
#include "app/Main.h"

#include "app/Language.h"
#include "app/TPageControl.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QtGlobal>

namespace kelda {

void TFormMain::BuildHelpMenu() {
    MenuHelp = menuBar()->addMenu(QString::fromUtf8(FindCaption("MenuHelp")->English));
    MenuHelp->setObjectName(QStringLiteral("MenuHelp"));
    MenuAbout = MenuHelp->addAction(QString::fromUtf8(FindCaption("MenuAbout")->English));
    MenuAbout->setObjectName(QStringLiteral("MenuAbout"));
    MenuAbout->setMenuRole(QAction::AboutRole);
    connect(MenuAbout, &QAction::triggered, this, [this] { Guard([this] { MenuAboutClick(); }); });
}

void TFormMain::MenuAboutClick() {
    dialogs_.Message(this, QString::fromStdString(AboutText(IsJapanese(), KELDA_VERSION, qVersion())));
}

void TFormMain::OpenFromCommandLine(const std::filesystem::path& file) {
    PageControl1->setCurrentIndex(kPageMacBinary);
    Guard([this, &file] { WMDropFiles({file}); });
}

} // namespace kelda
