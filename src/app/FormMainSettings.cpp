// The settings handlers of the main window: every remembered value read into the controls at start
// and on reset, and written back from them once at the end.
#include "app/Main.h"

#include "app/PathText.h"
#include "app/TPageControl.h"

#include <QComboBox>
#include <QTableWidget>

namespace kelda {

namespace {

// File names are stored as the bytes they stand for and read back through FromPath, so that a
// name that is no UTF-8 (code page 932, or no text at all) survives the settings file unchanged.
QString StoredName(const std::string& bytes) {
    return FromPath(std::filesystem::path(bytes));
}

void ApplyFileName(TFileDialogState& dialog, const std::string& fileName) {
    dialog.FileName = StoredName(fileName);
    dialog.InitialDir = StoredName(FolderPart(fileName));
}

} // namespace

void TFormMain::ReadIniFileValue() {
    const TSettings s = ReadSettings(paths_.SettingsFile());
    StoredBounds = s.FormMain;
    SetPanel3Height(s.LogHeight);
    for (int c = 0; c < kGridColumnCount; ++c) {
        StringGrid1->setColumnWidth(c, s.GridWidth[static_cast<std::size_t>(c)]);
    }
    ApplyFileName(OpenDialog1, s.OpenFile);
    ApplyFileName(OpenDialog2, s.CrcFile);
    ApplyFileName(SaveDialog1, s.SaveFile);
    ApplyFileName(SaveDialog2, s.SaveAsFile);
    SetRadioGroupItemIndex(s.InformationIndex);
    ComboBox1->clear();
    for (const std::string& entry : s.FileList) {
        ComboBox1->addItem(StoredName(entry));
    }
    ComboBox1->setCurrentIndex(0);
    MenuJapaneseSet->setChecked(s.Japanese);
    // The information view follows the item just chosen.
    RadioGroupInformationClick();
    LanguageChange();
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
    s.OpenFile = TextBytes(OpenDialog1.FileName);
    s.CrcFile = TextBytes(OpenDialog2.FileName);
    s.SaveFile = TextBytes(SaveDialog1.FileName);
    s.SaveAsFile = TextBytes(SaveDialog2.FileName);
    s.InformationIndex = RadioGroupItemIndex();
    for (int i = 0; i < kFileListCount; ++i) {
        s.FileList[static_cast<std::size_t>(i)] =
            i < ComboBox1->count() ? TextBytes(ComboBox1->itemText(i)) : "";
    }
    s.Japanese = IsJapanese();
    const std::filesystem::path file = paths_.SettingsFile();
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    if (!WriteSettings(file, s, writeBounds)) {
        throw EBilingualError(FormatMessage(TMsg::CannotWriteSettings, true, file.string()),
                              FormatMessage(TMsg::CannotWriteSettings, false, file.string()));
    }
}

void TFormMain::MenuResetIniFileClick() {
    DeleteSettings(paths_.SettingsFile());
    PageControl1->setCurrentIndex(0);
    ReadIniFileValue();
    FormShow();
}

} // namespace kelda
