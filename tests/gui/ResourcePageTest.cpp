// SPDX-License-Identifier: MIT
// The Resources page: where it sits, a file read onto it, the detail area, saving one resource,
// and the file's own icon in the bottom panel.
#include "app/TCheckPage.h"
#include "app/TPageControl.h"
#include "macbinary/TestFiles.h"
#include "resources/ForkBuilder.h"
#include "resources/TResourcePage.h"
#include "support/WindowFixture.h"
#include "textview/TEditor.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace kelda {
namespace {

using Kind = FakeDialogs::Kind;
using Bytes = std::vector<std::uint8_t>;

// An ICN# whose icon is black everywhere and whose mask leaves out the top row.
Bytes Icon() {
    Bytes icn(256, 0xFF);
    std::fill(icn.begin() + 128, icn.begin() + 132, 0);
    return icn;
}

class ResourcePageTest : public WindowFixture {
protected:
    // An application "Kelda" (APPL, creator KELD) whose bundle names ICN# 128 as its icon.
    std::filesystem::path MakeApplication(std::size_t cut = 0) {
        const Bytes bundle = {'K', 'E', 'L', 'D', 0,   0,   0,   1,   'I', 'C', 'N', '#', 0, 0,
                              0,   0,   0,   128, 'F', 'R', 'E', 'F', 0,   0,   0,   0,   0, 128};
        const Bytes fref = {'A', 'P', 'P', 'L', 0, 0, 0};
        const Bytes vers = {0x03, 0x00, 0x60, 0x07, 0x00, 0x00, 5, '3', '.', '0', 'b', '7', 0};
        Bytes fork = test::BuildResourceFork({
                                                 {"vers", 1, std::nullopt, 0x20, vers},
                                                 {"STR ", 128, std::string("Hello"), 0, {2, 'H', 'i'}},
                                                 {"BNDL", 128, std::nullopt, 0, bundle},
                                                 {"FREF", 128, std::nullopt, 0, fref},
                                                 {"ICN#", 128, std::nullopt, 0, Icon()},
                                             })
                         .Bytes;
        const auto declared = static_cast<std::int32_t>(fork.size());
        fork.resize(fork.size() - cut);
        THeader header{};
        test::PutName(header, "Kelda");
        const char* typeCreator = "APPLKELD";
        std::copy(typeCreator, typeCreator + 8, header.begin() + 65);
        std::filesystem::create_directories(root_ / "files");
        const auto file = root_ / "files" / "Kelda.bin";
        test::WriteBytes(file, test::MakeMacBinaryFile(header, 0, declared, fork));
        return file;
    }
    // The window in English mode (it may start in Japanese).
    TFormMain& ShownInEnglish() {
        TFormMain& form = Shown();
        if (form.IsJapanese()) {
            form.MenuJapaneseSet->trigger();
        }
        return form;
    }
    static int RowOf(TResourcePage* page, const QString& type) {
        for (int r = 0; r < page->ResourceTable->rowCount(); ++r) {
            if (page->ResourceTable->item(r, 0)->text() == type) {
                return r;
            }
        }
        return -1;
    }
};

TEST_F(ResourcePageTest, ThePageFollowsTheCheckPageAndTheLanguage) {
    TFormMain& form = ShownInEnglish();
    EXPECT_EQ(form.PageControl1->indexOf(form.ResourcePage), form.PageControl1->indexOf(form.CheckPage) + 1);
    const int tab = form.PageControl1->indexOf(form.ResourcePage);
    EXPECT_EQ(form.PageControl1->tabText(tab), QStringLiteral("  Resources  "));
    form.MenuJapaneseSet->trigger();
    EXPECT_EQ(form.PageControl1->tabText(tab), QString::fromUtf8("  ﾘｿｰｽ  "));
    EXPECT_EQ(form.ResourcePage->BtnSaveResource->text(), QString::fromUtf8("ﾘｿｰｽ保存(&W)..."));
}

TEST_F(ResourcePageTest, AFileDroppedOnThePageIsReadAndListed) {
    TFormMain& form = ShownInEnglish();
    const auto file = MakeApplication();
    form.PageControl1->setCurrentWidget(form.ResourcePage);
    form.WMDropFiles({file});
    EXPECT_EQ(form.Editor1->LineCount(), 28); // read as on the MacBinary page
    TResourcePage* page = form.ResourcePage;
    ASSERT_EQ(page->ResourceTable->rowCount(), 5);
    const int str = RowOf(page, "'STR '");
    ASSERT_GE(str, 0);
    EXPECT_EQ(page->ResourceTable->item(str, 1)->text(), "128");
    EXPECT_EQ(page->ResourceTable->item(str, 2)->text(), "Hello");
    EXPECT_EQ(page->ResourceTable->item(str, 4)->text(), "3");
    EXPECT_EQ(page->ResourceTable->item(RowOf(page, "'vers'"), 3)->text(), "purgeable");
    EXPECT_TRUE(page->ResourceFindings->toPlainText().isEmpty());

    // The application's icon beside the bottom panel's lines, the masked row transparent.
    ASSERT_TRUE(form.ImageOwnIcon->isVisibleTo(&form));
    const QImage own = form.ImageOwnIcon->pixmap().toImage();
    ASSERT_EQ(own.size(), QSize(32, 32));
    EXPECT_EQ(qAlpha(own.pixel(5, 0)), 0);
    EXPECT_EQ(own.pixel(5, 1), qRgba(0, 0, 0, 255));
    // At the panel's right end, clear of its two lines of text.
    EXPECT_GT(form.ImageOwnIcon->x(), form.Panel1->width() / 2);
    EXPECT_GE(form.ImageOwnIcon->x(), form.Label3->geometry().right());
}

TEST_F(ResourcePageTest, TheDetailAreaDecodesDrawsOrShowsHex) {
    TFormMain& form = ShownInEnglish();
    form.ReadFile(MakeApplication());
    TResourcePage* page = form.ResourcePage;
    page->ResourceTable->setCurrentCell(RowOf(page, "'vers'"), 0);
    EXPECT_TRUE(page->ResourceDetail->toPlainText().startsWith("Version: 3.0b7\nStage: beta\n"))
        << page->ResourceDetail->toPlainText().toStdString();
    page->ResourceTable->setCurrentCell(RowOf(page, "'STR '"), 0);
    EXPECT_TRUE(page->ResourceDetail->toPlainText().startsWith("Hi\n\n000000  02 48 69"));
    page->ResourceTable->setCurrentCell(RowOf(page, "'ICN#'"), 0);
    const QImage large = page->ResourceIcon4->pixmap().toImage();
    ASSERT_EQ(large.size(), QSize(128, 128));
    EXPECT_EQ(qAlpha(large.pixel(50, 3)), 0); // the top row, four pixels high
    EXPECT_EQ(large.pixel(50, 4), qRgba(0, 0, 0, 255));
    EXPECT_EQ(page->ResourceIcon1->pixmap().size(), QSize(32, 32));
}

TEST_F(ResourcePageTest, SaveResourceWritesItsBytesButNeverOverTheSource) {
    TFormMain& form = ShownInEnglish();
    const auto file = MakeApplication();
    form.ReadFile(file);
    TResourcePage* page = form.ResourcePage;
    page->ResourceTable->setCurrentCell(RowOf(page, "'STR '"), 0);
    const auto out = root_ / "files" / "str.bin";
    dialogs_.files.push_back(QString::fromStdString(out.string()));
    page->BtnSaveResource->click();
    EXPECT_EQ(test::ReadBytes(out), (Bytes{2, 'H', 'i'}));

    const Bytes before = test::ReadBytes(file);
    dialogs_.files.push_back(QString::fromStdString(file.string()));
    page->BtnSaveResource->click();
    EXPECT_EQ(test::ReadBytes(file), before);
    EXPECT_EQ(dialogs_.Count(Kind::Message), 1U);
}

// Save resource offers "NAME.TYPE.ID.bin" beside the file with its own file types, asks before it
// replaces a file, and says in the log what it wrote.
TEST_F(ResourcePageTest, SaveResourceOffersTheResourcesNameAndAsksBeforeReplacing) {
    TFormMain& form = ShownInEnglish();
    const auto file = MakeApplication();
    form.ReadFile(file);
    TResourcePage* page = form.ResourcePage;
    page->ResourceTable->setCurrentCell(RowOf(page, "'STR '"), 0);
    dialogs_.files.push_back(std::nullopt);
    page->BtnSaveResource->click();
    ASSERT_EQ(dialogs_.fileDialogs.size(), 1U);
    EXPECT_EQ(dialogs_.fileDialogs.back().Path, file.parent_path() / "Kelda.STR.128.bin");
    EXPECT_EQ(dialogs_.fileDialogs.back().Filter, "*.bin|*.bin|*.*|*.*");

    const auto out = root_ / "files" / "old.bin";
    for (const bool yes : {false, true}) {
        test::WriteBytes(out, {'o', 'l', 'd'});
        dialogs_.files.push_back(QString::fromStdString(out.string()));
        dialogs_.answers.push_back(yes);
        page->BtnSaveResource->click();
        EXPECT_EQ(dialogs_.Texts(Kind::Question).back(), "The file already exists. Replace it ?");
        EXPECT_EQ(test::ReadBytes(out), yes ? (Bytes{2, 'H', 'i'}) : (Bytes{'o', 'l', 'd'}));
    }
    EXPECT_EQ(dialogs_.fileDialogs.back().Path,
              out.parent_path() / "Kelda.STR.128.bin"); // the folder used last
    EXPECT_EQ(form.Editor3->Lines().back(),
              QString::fromStdString("Written          : " + out.string() +
                                     " (00000003[DEC] / 00000003[HEX] bytes) from " + file.string()));
}

// A read-only file is replaced only when the user says so, as with every other output.
TEST_F(ResourcePageTest, SaveResourceAsksBeforeItReplacesAReadOnlyFile) {
    TFormMain& form = ShownInEnglish();
    form.ReadFile(MakeApplication());
    TResourcePage* page = form.ResourcePage;
    page->ResourceTable->setCurrentCell(RowOf(page, "'STR '"), 0);
    const auto out = root_ / "files" / "locked.bin";
    test::WriteBytes(out, {'o', 'l', 'd'});
    std::filesystem::permissions(out, std::filesystem::perms::owner_read);
    for (const bool yes : {false, true}) {
        dialogs_.files.push_back(QString::fromStdString(out.string()));
        dialogs_.answers.push_back(yes);
        page->BtnSaveResource->click();
        const Bytes expected = yes ? Bytes{2, 'H', 'i'} : Bytes{'o', 'l', 'd'};
        EXPECT_EQ(test::ReadBytes(out), expected);
    }
    EXPECT_EQ(dialogs_.Count(Kind::Question), 2U);
}

TEST_F(ResourcePageTest, ADamagedForkShowsItsFindings) {
    TFormMain& form = ShownInEnglish();
    form.ReadFile(MakeApplication(10));
    const QString findings = form.ResourcePage->ResourceFindings->toPlainText();
    EXPECT_TRUE(findings.startsWith("Problems of the resource map:\n  Only ")) << findings.toStdString();
    form.MenuJapaneseSet->trigger();
    EXPECT_TRUE(form.ResourcePage->ResourceFindings->toPlainText().startsWith(
        QString::fromUtf8("リソースマップの問題")));
}

// At the window's smallest size the table shows its Size column whole and the hex dump its text
// column; the attributes' names follow the language.
TEST_F(ResourcePageTest, TheTableAndTheDumpFitAtTheSmallestSizeInBothLanguages) {
    TFormMain& form = ShownInEnglish();
    form.resize(980, 730);
    form.ReadFile(MakeApplication());
    form.PageControl1->setCurrentWidget(form.ResourcePage);
    QCoreApplication::processEvents();
    TResourcePage* page = form.ResourcePage;
    QTableWidget* table = page->ResourceTable;
    EXPECT_LE(table->columnViewportPosition(4) + table->columnWidth(4), table->viewport()->width());
    EXPECT_GE(table->columnWidth(4), table->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
    page->ResourceTable->setCurrentCell(RowOf(page, "'STR '"), 0);
    const QFontMetrics metrics(page->ResourceDetail->font());
    const QStringList lines = page->ResourceDetail->toPlainText().split('\n');
    ASSERT_TRUE(
        std::any_of(lines.begin(), lines.end(), [](const QString& l) { return l.startsWith("000000"); }));
    for (const QString& line : lines) {
        EXPECT_LE(metrics.horizontalAdvance(line), page->ResourceDetail->viewport()->width())
            << line.toStdString();
    }
    const int vers = RowOf(page, "'vers'");
    EXPECT_EQ(table->item(vers, 3)->text(), "purgeable");
    form.MenuJapaneseSet->trigger();
    EXPECT_EQ(table->item(vers, 3)->text(), QString::fromUtf8("破棄可"));
    form.ReadFile(MakeApplication());
    EXPECT_EQ(table->item(RowOf(page, "'vers'"), 3)->text(), QString::fromUtf8("破棄可"));
}

} // namespace
} // namespace kelda
