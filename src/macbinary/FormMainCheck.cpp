// SPDX-License-Identifier: MIT
// The check page and the verdict line of the bottom panel, and the Setting > Name encoding menu:
// TFormMain's part of them. The page itself is TCheckPage; the report comes from CheckMacBinary.
#include "app/Main.h"
#include "app/PathText.h"
#include "app/QtText.h"
#include "app/TCheckPage.h"
#include "app/TPageControl.h"
#include "forks/MacFileCheck.h"
#include "image/TImagePage.h"
#include "macbinary/CheckReport.h"
#include "macbinary/HeaderTable.h"
#include "macbinary/HeaderViews.h"
#include "macbinary/TInspection.h"
#include "textview/TEditor.h"
#include "util/Myutil.h"
#include "util/TFileStream.h"

#include <QAction>
#include <QActionGroup>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QTableWidget>

namespace kelda {

namespace {

struct TNameEncodingItem {
    const char* Name;
    TMacEncoding Encoding;
    const char* English;
    const char* Japanese;
};

// The choices of Setting > Name encoding, in menu order and in the order of the settings value.
constexpr TNameEncodingItem kNameEncodingItems[kNameEncodingChoices] = {
    {"MenuNameEncodingAuto", TMacEncoding::Auto, "Auto(&A)", "自動(&A)"},
    {"MenuNameEncodingJapanese", TMacEncoding::Japanese, "Japanese (Shift-JIS)(&S)",
     "日本語 (Shift-JIS)(&S)"},
    {"MenuNameEncodingWestern", TMacEncoding::Roman, "Western (Mac Roman)(&W)", "欧文 (Mac Roman)(&W)"},
};
constexpr const char* kNameEncodingMenu[2] = {"Name encoding(&N)", "名前の文字コード(&N)"};

} // namespace

void TFormMain::BuildCheckPage() {
    // Beside the MacBinary page: the report is about the file read there, so it is one tab away
    // from it, and found before the CRC and Help pages.
    CheckPage = new TCheckPage;
    CheckPage->setObjectName(QStringLiteral("TabSheetCheck"));
    CheckPage->Editor5->setFont(Editor1->font());
    PageControl1->insertTab(PageControl1->indexOf(TabSheet1) + 1, CheckPage, CheckPageCaption(false));

    // The verdict line stands at the right of the bottom panel, whichever page is shown.
    LabelVerdict = new QLabel(Panel1);
    LabelVerdict->setObjectName(QStringLiteral("LabelVerdict"));
    LabelVerdict->setTextFormat(Qt::PlainText);
    auto* row = new QHBoxLayout(Panel1);
    row->setContentsMargins(10, 0, 10, 0);
    row->addStretch(1);
    row->addWidget(LabelVerdict);

    MenuNameEncoding = new QMenu(QString::fromUtf8(kNameEncodingMenu[0]), MenuSetting);
    MenuNameEncoding->setObjectName(QStringLiteral("MenuNameEncoding"));
    auto* group = new QActionGroup(MenuNameEncoding);
    for (int i = 0; i < kNameEncodingChoices; ++i) {
        QAction* item = MenuNameEncoding->addAction(QString::fromUtf8(kNameEncodingItems[i].English));
        item->setObjectName(QString::fromLatin1(kNameEncodingItems[i].Name));
        item->setCheckable(true);
        group->addAction(item);
        MenuNameEncodingItems[static_cast<std::size_t>(i)] = item;
    }
    MenuNameEncodingItems[0]->setChecked(true);
    // First in the menu, so that "Japanese(&J)" stays its last item.
    MenuSetting->insertMenu(MenuResetIniFile, MenuNameEncoding);
}

void TFormMain::ConnectCheckPage() {
    for (int i = 0; i < kNameEncodingChoices; ++i) {
        connect(MenuNameEncodingItems[static_cast<std::size_t>(i)], &QAction::triggered, this,
                [this, i] { Guard([this, i] { MenuNameEncodingClick(i); }); });
    }
    // The field of the header row the user is on, in either view.
    connect(Editor1, &TEditor::CaretMoved, this, [this] { CheckPage->HighlightField(Editor1->CaretRow()); });
    connect(StringGrid1, &QTableWidget::currentCellChanged, this,
            [this](int row) { CheckPage->HighlightField(row); });
    // A field clicked on the check page becomes the header row of both views.
    connect(CheckPage, &TCheckPage::FieldClicked, this, [this](int row) {
        if (row < Editor1->LineCount()) {
            Editor1->SetCaret(row, 0);
        }
        StringGrid1->setCurrentCell(row, std::max(StringGrid1->currentColumn(), 0));
    });
}

TMacEncoding TFormMain::NameEncodingChoice() const {
    for (int i = 0; i < kNameEncodingChoices; ++i) {
        if (MenuNameEncodingItems[static_cast<std::size_t>(i)]->isChecked()) {
            return kNameEncodingItems[i].Encoding;
        }
    }
    return TMacEncoding::Auto;
}

int TFormMain::NameEncodingIndex() const {
    for (int i = 0; i < kNameEncodingChoices; ++i) {
        if (MenuNameEncodingItems[static_cast<std::size_t>(i)]->isChecked()) {
            return i;
        }
    }
    return 0;
}

void TFormMain::ShowCheckReport(const TInspection& inspection) {
    CheckPage->Show(inspection.Header, inspection.Check, IsJapanese(), NameEncodingChoice());
    CheckLanguageChange();
}

void TFormMain::ShowRefusedCheck(const std::filesystem::path& file) {
    // The one check kelda-cli's check makes (BinHex judged as BinHex), on a new opening of the
    // file: the MacBinary page, its buttons and the bottom panel's name keep the file shown.
    CheckPage->ShowFile(file, IsJapanese(), NameEncodingChoice(), FromPath(file).toStdString());
    CheckLanguageChange();
    UpdateContainerMenu(); // the check page no longer shows a BinHex file
    PageControl1->setCurrentWidget(CheckPage);
}

void TFormMain::CheckLanguageChange() {
    const bool japanese = IsJapanese();
    PageControl1->setTabText(PageControl1->indexOf(CheckPage), CheckPageCaption(japanese));
    MenuNameEncoding->setTitle(QString::fromUtf8(kNameEncodingMenu[japanese ? 1 : 0]));
    for (int i = 0; i < kNameEncodingChoices; ++i) {
        MenuNameEncodingItems[static_cast<std::size_t>(i)]->setText(
            QString::fromUtf8(japanese ? kNameEncodingItems[i].Japanese : kNameEncodingItems[i].English));
    }
    CheckPage->Retranslate(japanese, NameEncodingChoice());
    const std::optional<TCheckReport>& report = CheckPage->Report();
    if (!report) {
        LabelVerdict->clear();
        return;
    }
    // The panel has room for the verdict's first part; the page and the tooltip give all of it.
    const std::string title = report->VerdictTitle(japanese);
    LabelVerdict->setText(QString::fromStdString(
        CheckPage->NotOpened().empty() ? title : FormatMessage(TMsg::CheckNotOpened, japanese, title)));
    LabelVerdict->setToolTip(QString::fromStdString(report->VerdictLine(japanese)));
    LabelVerdict->setProperty("verdict", QString::fromUtf8(VerdictId(report->Verdict).data()));
    QPalette palette = LabelVerdict->palette();
    palette.setColor(QPalette::WindowText, VerdictColor(report->Verdict));
    LabelVerdict->setPalette(palette);
}

void TFormMain::MenuNameEncodingClick(int choice) {
    MenuNameEncodingItems[static_cast<std::size_t>(choice)]->setChecked(true);
    CheckLanguageChange();
    ImagePage->SetNameEncoding(NameEncodingChoice()); // shown also when no MacBinary file was read
    // The Resources page shows the BinHex file the check page shows, when there is one, whether
    // or not the MacBinary page shows a file.
    const std::shared_ptr<const TMacFileSource>& binHex = CheckPage->BinHexFile();
    if (binHex != nullptr) {
        ShowResources(TResourceModel::FromMacFile(binHex, NameEncodingChoice()));
    }
    if (!TabSheet1->Model().FileWasRead()) {
        return;
    }
    // The header table, the grid and the resource names of the file shown, in the chosen encoding;
    // the log keeps what it recorded.
    const TInspection& shown = TabSheet1->Model().Shown();
    const TInspection redone =
        InspectHeader(shown.Path, shown.ShownName, shown.Header, shown.Size, NameEncodingChoice());
    const int caret = Editor1->CaretRow();
    ShowHeaderTable(Editor1, QLines(redone.TableLines));
    FillGrid(StringGrid1, redone.GridCells);
    Editor1->SetCaret(std::min(caret, Editor1->LineCount() - 1), 0);
    if (binHex == nullptr) {
        ShowResources(TResourceModel::Read(shown.Path, shown.Header, NameEncodingChoice()));
    }
}

void TFormMain::ReadNameEncodingSetting() {
    const TExtraSettings extra = ReadExtraSettings(paths_.SettingsFile());
    MenuNameEncodingItems[static_cast<std::size_t>(extra.NameEncoding)]->setChecked(true);
    CheckLanguageChange();
}

bool TFormMain::WriteNameEncodingSetting() {
    TExtraSettings extra;
    extra.NameEncoding = NameEncodingIndex();
    return WriteExtraSettings(paths_.SettingsFile(), extra);
}

} // namespace kelda
