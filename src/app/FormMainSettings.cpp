// SPDX-License-Identifier: MIT
// The settings handlers of the main window: every remembered value read into the controls at start
// and on reset, and written back from them once at the end.
#include "app/Main.h"

#include "app/PathText.h"
#include "app/TPageControl.h"

#include <QComboBox>
#include <QTableWidget>

namespace kelda {

namespace {

// File names are kept as the bytes the settings file holds and only shown through FromPath, so that
// a name that is no UTF-8 (code page 932, or no text at all) is written back unchanged.
QString StoredName(const std::string& bytes) {
    return FromPath(std::filesystem::path(bytes));
}

void ApplyFileName(TFileDialogState& dialog, const std::string& fileName) {
    dialog.Path = fileName;
    dialog.FileName = StoredName(fileName);
    dialog.InitialDir = StoredName(FolderPart(fileName));
}

} // namespace

void TFormMain::ReadIniFileValue() {
    const TSettings s = ReadSettings(paths_.SettingsFile());
    storedBounds_ = s.FormMain;
    SetPanel3Height(s.LogHeight);
    for (int c = 0; c < kGridColumnCount; ++c) {
        StringGrid1->setColumnWidth(c, s.GridWidth[static_cast<std::size_t>(c)]);
    }
    ApplyFileName(OpenDialog1_, s.OpenFile);
    ApplyFileName(OpenDialog2_, s.CrcFile);
    ApplyFileName(SaveDialog1_, s.SaveFile);
    ApplyFileName(SaveDialog2_, s.SaveAsFile);
    SetRadioGroupItemIndex(s.InformationIndex);
    TabSheet2->Model().LoadFileList(s.FileList); // the page shows it
    MenuJapaneseSet->setChecked(s.Japanese);
    // The information view follows the item just chosen.
    RadioGroupInformationClick();
    LanguageChange();
    ReadNameEncodingSetting();
}

void TFormMain::WriteIniFileValue() {
    TSettings s;
    const QRect screen = PrimaryScreenRect();
    const QPoint frame = FramePosition();
    s.FormMain = TBounds{frame.x(), frame.y(), width(), height()};
    const bool normal = !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
    const bool writeBounds = normal && BoundsFitScreen(s.FormMain, TBounds{screen.left(), screen.top(),
                                                                           screen.width(), screen.height()});
    s.LogHeight = Panel3->height();
    for (int c = 0; c < kGridColumnCount; ++c) {
        s.GridWidth[static_cast<std::size_t>(c)] = StringGrid1->columnWidth(c);
    }
    s.OpenFile = OpenDialog1_.Path.string();
    s.CrcFile = OpenDialog2_.Path.string();
    s.SaveFile = SaveDialog1_.Path.string();
    s.SaveAsFile = SaveDialog2_.Path.string();
    s.InformationIndex = RadioGroupItemIndex();
    for (std::size_t i = 0; i < s.FileList.size(); ++i) {
        s.FileList[i] = i < TabSheet2->Model().FileList().size() ? TabSheet2->Model().FileList()[i].string()
                                                                 : std::string();
    }
    s.Japanese = IsJapanese();
    const std::filesystem::path file = paths_.SettingsFile();
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    if (!WriteSettings(file, s, writeBounds) || !WriteNameEncodingSetting()) {
        throw EBilingualError(FormatMessage(TMsg::CannotWriteSettings, true, file.string()),
                              FormatMessage(TMsg::CannotWriteSettings, false, file.string()));
    }
}

void TFormMain::MenuResetIniFileClick() {
    DeleteSettings(paths_.SettingsFile());
    PageControl1->setCurrentWidget(TabSheet1);
    ReadIniFileValue();
    FormShow();
}

} // namespace kelda
