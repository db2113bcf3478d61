// SPDX-License-Identifier: MIT
// The CRC page as a user works it: choosing files, variants and operations with the mouse and keys.
#include "app/TModelTabSheet.h"
#include "app/TPageControl.h"
#include "crc/CrcUtils.h"
#include "crc/TCrcPage.h"
#include "support/WindowFixture.h"
#include "textview/TEditor.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

namespace kelda {
namespace {

using Kind = FakeDialogs::Kind;

const QString kFileWarningJa = QStringLiteral("警告 ! ファイルが見つかりません");
const QString kEachWarningJa = QStringLiteral("警告 ! 操作選択で Each を選択して下さい");

class CrcPageTest : public WindowFixture {
protected:
    TFormMain& Page() {
        TFormMain& form = Shown();
        form.PageControl1->setCurrentWidget(form.TabSheet2);
        QCoreApplication::processEvents();
        return form;
    }
    QString CheckFile() {
        const auto file = root_ / "check.txt";
        WriteFile(file, "123456789");
        return QString::fromStdString(file.string());
    }
    void ClickRow(QListWidget* list, int row) {
        const QRect rect = list->visualItemRect(list->item(row));
        ASSERT_TRUE(list->viewport()->rect().contains(rect.center())) << row;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }
    // Chooses file with the browse button and the open dialog.
    void Browse(TFormMain& form, const QString& file) {
        dialogs_.files.push_back(file);
        QTest::mouseClick(form.BtnFileBrowse, Qt::LeftButton);
    }
    QStringList Results() { return Form().Editor2->Lines(); }
};

TEST_F(CrcPageTest, EachComputesTheChosenVariant) {
    TFormMain& form = Page();
    const QString file = CheckFile();
    Browse(form, file);
    EXPECT_EQ(form.ComboBox1->currentText(), file);
    EXPECT_EQ(form.OpenDialog2().FileName, file);
    EXPECT_TRUE(Results().isEmpty()); // browsing computes nothing

    ClickRow(form.ListBox1, 1);
    ClickRow(form.ListBox1, 10);
    ClickRow(form.ListBox1, 10); // the entry already chosen counts again
    EXPECT_EQ(Results(), QStringList({"CRC16 ITU-T, LEFT,  POS\t31C3\t" + file,
                                      "CRC32 ITU-T, RIGHT, NEG\tCBF43926\t" + file,
                                      "CRC32 ITU-T, RIGHT, NEG\tCBF43926\t" + file}));
    EXPECT_TRUE(dialogs_.shown.size() == 1); // only the open dialog
}

TEST_F(CrcPageTest, KeysChooseVariantsButTheProgramsSelectionsDoNot) {
    TFormMain& form = Page();
    const QString file = CheckFile();
    Browse(form, file);
    form.ListBox1->setCurrentRow(5); // the program's own choice
    EXPECT_TRUE(Results().isEmpty());
    form.ListBox1->setFocus();
    QTest::keyClick(form.ListBox1, Qt::Key_Down);
    ASSERT_EQ(Results().size(), 1);
    EXPECT_TRUE(Results()[0].startsWith("CRC16 ASCII, RIGHT, NEG\t")) << Results()[0].toStdString();
}

TEST_F(CrcPageTest, AllAppendsTwelveLinesInOrderAndKeepsTheVariant) {
    TFormMain& form = Page();
    const QString file = CheckFile();
    Browse(form, file);
    ClickRow(form.ListBox1, 3);
    ClickRow(form.ListBox2, 1);
    const QStringList lines = Results();
    ASSERT_EQ(lines.size(), 13);
    const char* values[] = {"D64E", "31C3", "906E",     "2189",     "5118",     "FEE8",
                            "B4C8", "BB3D", "FC891918", "89A1897F", "CBF43926", "2DFD2D88"};
    for (int i = 0; i < 12; ++i) {
        const QString expected = QString::fromUtf8(CrcVariants[static_cast<std::size_t>(i)].Entry.data()) +
                                 "\t" + values[i] + "\t" + file;
        EXPECT_EQ(lines[i + 1], expected);
    }
    EXPECT_EQ(form.ListBox1->currentRow(), 3);
    ClickRow(form.ListBox2, 1); // choosing "All" again repeats it
    EXPECT_EQ(Results().size(), 25);
}

// The model holds the choices: each handler takes only its own control's choice, and the page
// shows the model again, so a list the program moved never decides what is computed.
TEST_F(CrcPageTest, TheModelHoldsTheChoicesAndThePageShowsIt) {
    TFormMain& form = Page();
    Browse(form, CheckFile());
    ClickRow(form.ListBox1, 3);
    EXPECT_EQ(form.CrcPage().Variant(), 3U);
    {
        const QSignalBlocker quiet(form.ListBox1);
        form.ListBox1->setCurrentRow(7); // not the user's choice
    }
    ClickRow(form.ListBox2, 1); // "All"
    EXPECT_EQ(form.CrcPage().Operation(), TCrcOperation::All);
    EXPECT_EQ(form.CrcPage().Variant(), 3U);
    EXPECT_EQ(form.ListBox1->currentRow(), 3); // shown from the model
    ClickRow(form.ListBox2, 0);
    EXPECT_EQ(form.CrcPage().Operation(), TCrcOperation::Each);
    EXPECT_EQ(form.CrcPage().Variant(), 3U);
}

TEST_F(CrcPageTest, ClearEmptiesAndThenAVariantWarnsUntilEach) {
    TFormMain& form = Page();
    Browse(form, CheckFile());
    ClickRow(form.ListBox1, 0);
    ClickRow(form.ListBox2, 2);
    EXPECT_TRUE(Results().isEmpty());
    ClickRow(form.ListBox1, 4);
    EXPECT_EQ(dialogs_.Texts(Kind::Message), std::vector<QString>{kEachWarningJa});
    EXPECT_TRUE(Results().isEmpty());
    ClickRow(form.ListBox2, 0);
    ClickRow(form.ListBox1, 4);
    EXPECT_EQ(Results().size(), 1);
}

TEST_F(CrcPageTest, TheChosenEntryIsHighlightedWhileItsWorkRuns) {
    // The work runs from the choice itself (a long CRC repaints the window from its progress
    // dialog); by then the list must show the new choice, not the old one. Without a file the
    // work is the warning box, shown from inside the choice.
    TFormMain& form = Page();
    std::vector<std::string> highlighted;
    dialogs_.onShow = [&](Kind) {
        for (QListWidget* list : {form.ListBox1, form.ListBox2}) {
            const QList<QListWidgetItem*> selected = list->selectedItems();
            highlighted.push_back(selected.size() == 1 ? selected[0]->text().toStdString()
                                                       : std::to_string(selected.size()) + " selected");
        }
    };
    ClickRow(form.ListBox2, 1); // "All"
    ClickRow(form.ListBox2, 0); // "Each": no work
    ClickRow(form.ListBox1, 7);
    form.ListBox1->setFocus();
    QTest::keyClick(form.ListBox1, Qt::Key_Down);
    const auto text = [](QListWidget* list, int row) { return list->item(row)->text().toStdString(); };
    EXPECT_EQ(highlighted, (std::vector<std::string>{text(form.ListBox1, 0), text(form.ListBox2, 1),
                                                     text(form.ListBox1, 7), text(form.ListBox2, 0),
                                                     text(form.ListBox1, 8), text(form.ListBox2, 0)}));
}

TEST_F(CrcPageTest, TheMissingFileIsReportedBeforeTheOperation) {
    TFormMain& form = Page();
    EXPECT_EQ(form.ComboBox1->count(), 20);
    EXPECT_EQ(form.ComboBox1->currentText(), QString());
    ClickRow(form.ListBox2, 1); // "All" without a file
    ClickRow(form.ListBox1, 2); // a variant while "All" is chosen and no file
    EXPECT_EQ(dialogs_.Texts(Kind::Message), (std::vector<QString>{kFileWarningJa, kFileWarningJa}));

    form.MenuJapaneseSet->trigger(); // English
    dialogs_.shown.clear();
    ClickRow(form.ListBox1, 2);
    Browse(form, QString::fromStdString(root_.string())); // a folder is no file
    ClickRow(form.ListBox2, 0);
    ClickRow(form.ListBox1, 2);
    EXPECT_EQ(dialogs_.Texts(Kind::Message),
              (std::vector<QString>{QStringLiteral("Warning ! File can not find."),
                                    QStringLiteral("Warning ! File can not find.")}));
    EXPECT_TRUE(Results().isEmpty());
}

TEST_F(CrcPageTest, AnUnreadableFileReachesTheErrorBox) {
    TFormMain& form = Page();
    const auto fifo = root_ / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    Browse(form, QString::fromStdString(fifo.string()));
    ClickRow(form.ListBox1, 0);
    ClickRow(form.ListBox2, 1);
    EXPECT_EQ(dialogs_.Count(Kind::Error), 2u);
    EXPECT_TRUE(Results().isEmpty());
    EXPECT_EQ(form.ListBox1->currentRow(), 0);
}

TEST_F(CrcPageTest, AllThatFailsLeavesTheVariantListOnTheEntryThatFailed) {
    TFormMain& form = Page();
    const auto fifo = root_ / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    Browse(form, QString::fromStdString(fifo.string()));
    ClickRow(form.ListBox1, 5);
    ClickRow(form.ListBox2, 1); // "All": the first variant fails
    EXPECT_EQ(dialogs_.Count(Kind::Error), 2u);
    EXPECT_EQ(form.ListBox1->currentRow(), 0);
}

TEST_F(CrcPageTest, TheRecentFileListKeepsTwentyMostRecentFirst) {
    TFormMain& form = Page();
    for (int i = 0; i < 21; ++i) {
        Browse(form, QStringLiteral("/f%1").arg(i));
    }
    Browse(form, QStringLiteral("/f10"));
    Browse(form, QStringLiteral("/F10")); // letter case makes another entry
    ASSERT_EQ(form.ComboBox1->count(), 20);
    EXPECT_EQ(form.ComboBox1->itemText(0), "/F10");
    EXPECT_EQ(form.ComboBox1->itemText(1), "/f10");
    EXPECT_EQ(form.ComboBox1->itemText(2), "/f20");
    EXPECT_EQ(form.ComboBox1->itemText(19), "/f2"); // /f0 and /f1 fell off

    // Choosing an entry with the keys moves it to the top.
    form.ComboBox1->setFocus();
    QTest::keyClick(form.ComboBox1, Qt::Key_Down);
    EXPECT_EQ(form.ComboBox1->itemText(0), "/f10");
    EXPECT_EQ(form.ComboBox1->itemText(1), "/F10");
    EXPECT_EQ(form.ComboBox1->currentIndex(), 0);
}

// The model is the page's source of truth: whatever sets it (settings, a drop, code), the controls
// show it at once, and a choice the user makes goes into the model before its work runs.
TEST_F(CrcPageTest, TheControlsFollowTheModel) {
    TFormMain& form = Page();
    const QString file = CheckFile();
    TCrcPage& model = form.CrcPage();
    model.UpdateFileList(file.toStdString());
    model.UpdateFileList("/other");
    model.SetOperation(TCrcOperation::Clear);
    model.SetVariant(9);
    EXPECT_EQ(form.ComboBox1->itemText(0), "/other");
    EXPECT_EQ(form.ComboBox1->itemText(1), file);
    EXPECT_EQ(form.ComboBox1->currentIndex(), 0);
    EXPECT_EQ(form.ListBox2->currentRow(), 2);
    EXPECT_EQ(form.ListBox1->currentRow(), 9);
    model.SetFileIndex(1);
    EXPECT_EQ(form.ComboBox1->currentIndex(), 1);
    EXPECT_TRUE(Results().isEmpty()); // the program's changes start no work
    EXPECT_TRUE(dialogs_.shown.empty());

    // The user's choices: the model takes them, and the work reads the file the model chose.
    ClickRow(form.ListBox2, 0);
    EXPECT_EQ(model.Operation(), TCrcOperation::Each);
    ClickRow(form.ListBox1, 10);
    EXPECT_EQ(model.Variant(), 10U);
    EXPECT_EQ(Results(), QStringList({"CRC32 ITU-T, RIGHT, NEG\tCBF43926\t" + file}));
}

// Ctrl+Tab and Ctrl+Shift+Tab change the page from every control of the CRC page, the recent-file
// list first (the focus it has when the page is first shown), not only after Tab moved on.
TEST_F(CrcPageTest, CtrlTabChangesThePageFromEveryControl) {
    TFormMain& form = Page();
    Browse(form, CheckFile());
    const int crc = form.PageControl1->indexOf(form.TabSheet2);
    QWidget* const controls[] = {form.ComboBox1, form.BtnFileBrowse, form.ListBox2, form.ListBox1,
                                 form.Editor2};
    for (QWidget* control : controls) {
        for (const bool back : {false, true}) {
            SCOPED_TRACE(control->objectName().toStdString() + (back ? " back" : ""));
            form.PageControl1->setCurrentIndex(crc);
            control->setFocus();
            ASSERT_EQ(QApplication::focusWidget(), control);
            QTest::keyClick(control, back ? Qt::Key_Backtab : Qt::Key_Tab,
                            back ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
            EXPECT_EQ(form.PageControl1->currentIndex(), back ? crc - 1 : crc + 1);
        }
    }
    EXPECT_TRUE(Results().isEmpty()); // no key chose a variant or an operation
    EXPECT_EQ(form.ComboBox1->currentIndex(), 0);
}

// The model belongs to the page: TabSheet2 holds it, and a change made there redraws the page.
TEST_F(CrcPageTest, ThePageOwnsItsModel) {
    TFormMain& form = Page();
    auto* sheet = form.findChild<TCrcTabSheet*>("TabSheet2");
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(&sheet->Model(), &form.CrcPage());
    EXPECT_EQ(sheet->Model().CrcEngines().size(), 12U);
    const QString file = CheckFile();
    sheet->Model().UpdateFileList(file.toStdString());
    sheet->Model().SetVariant(10);
    EXPECT_EQ(form.ComboBox1->itemText(0), file);
    EXPECT_EQ(form.ListBox1->currentRow(), 10);
    ClickRow(form.ListBox1, 10);
    EXPECT_EQ(Results(), QStringList({"CRC32 ITU-T, RIGHT, NEG\tCBF43926\t" + file}));
}

} // namespace
} // namespace kelda
