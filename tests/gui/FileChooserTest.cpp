// SPDX-License-Identifier: MIT
// The open and save dialog on a folder of names as old Macintosh files bring them: code page 932,
// Mac Roman bytes that are no UTF-8, plain names, a folder, a hidden file.
#include "app/PathText.h"
#include "app/QtDialogs.h"
#include "app/TFileChooser.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace kelda {
namespace {

const std::string kSjis = "\x93\xFA\x96\x7B\x8C\xEA.bin"; // 日本語.bin in code page 932
const std::string kRoman = "Caf\x8E \xA5.BIN";            // Mac Roman bytes; no text in UTF-8 or 932

class FileChooserTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kelda-chooser-" + std::to_string(::getpid()));
        fs::create_directories(dir_ / "sub");
        for (const std::string& name : {kSjis, kRoman, std::string("plain.bin"), std::string("notes.txt"),
                                        std::string(".hidden.bin"), std::string("sub/inner.bin")}) {
            std::ofstream(dir_ / name) << name;
        }
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    QString Dir() const { return FromPath(dir_); }
    static QStringList Filters() { return QtDialogs::NameFilters("MacBinary|*.BIN|All|*.*"); }

    fs::path dir_;
};

TEST_F(FileChooserTest, EveryNameIsListedAndTheChosenOneIsFoundByteForByte) {
    TFileChooser chooser(nullptr, {}, false, Filters(), TFileChooser::Texts(false, false));
    chooser.SetFolder(Dir());
    EXPECT_EQ(chooser.Folder(), Dir());
    const QString roman = FromPath(kRoman);
    // Folders first; the filter takes both spellings of .BIN; hidden files stay hidden.
    EXPECT_EQ(chooser.Entries(), (QStringList{"sub/", roman, "plain.bin", QString::fromUtf8("日本語.bin")}));
    chooser.SetFilterIndex(1);
    EXPECT_EQ(chooser.Entries(),
              (QStringList{"sub/", roman, "notes.txt", "plain.bin", QString::fromUtf8("日本語.bin")}));

    for (const std::string& name : {kSjis, kRoman}) {
        SCOPED_TRACE(name);
        TFileChooser open(nullptr, {}, false, Filters(), TFileChooser::Texts(false, false));
        open.SetFolder(Dir());
        ASSERT_TRUE(open.Activate(FromPath(name)));
        EXPECT_EQ(open.result(), QDialog::Accepted);
        EXPECT_EQ(ToPath(open.SelectedFile()), dir_ / name);
    }
}

// Two files whose names read the same, one in code page 932 and one in UTF-8: each entry opens its
// own file, through the dialog and into the window's dialog state.
TEST_F(FileChooserTest, TwoNamesThatReadTheSameOpenTheirOwnFiles) {
    const std::string utf8 = "日本語.bin";
    std::ofstream(dir_ / utf8) << utf8;
    std::vector<fs::path> opened;
    for (int row = 0; row < 2; ++row) {
        SCOPED_TRACE(row);
        TFileDialogState state{Dir() + "/", Dir(), "MacBinary|*.BIN", {}, {}};
        fs::path listed;
        QTimer::singleShot(0, [&listed, row] {
            auto* chooser = dynamic_cast<TFileChooser*>(QApplication::activeModalWidget());
            ASSERT_NE(chooser, nullptr);
            auto* list = chooser->findChild<QListWidget*>();
            QList<QListWidgetItem*> same = list->findItems(QString::fromUtf8("日本語.bin"), Qt::MatchExactly);
            ASSERT_EQ(same.size(), 2);
            list->setCurrentItem(same[row]);
            listed = fs::path(same[row]->data(Qt::UserRole).toByteArray().toStdString());
            chooser->accept();
        });
        QtDialogs dialogs;
        ASSERT_TRUE(dialogs.OpenFile(nullptr, state));
        EXPECT_TRUE(listed == dir_ / utf8 || listed == dir_ / kSjis);
        EXPECT_EQ(state.Path, listed);
        EXPECT_EQ(state.FileName, Dir() + QString::fromUtf8("/日本語.bin"));
        std::ifstream in(state.Path);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), listed.filename().string());
        opened.push_back(state.Path);
    }
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_NE(opened[0], opened[1]);
}

TEST_F(FileChooserTest, FoldersAreEnteredAndLeftAndTypedNamesAreChecked) {
    TFileChooser open(nullptr, {}, false, Filters(), TFileChooser::Texts(true, false));
    EXPECT_EQ(open.windowTitle(), QString::fromUtf8("開く"));
    open.SetFolder(Dir());
    ASSERT_TRUE(open.Activate("sub"));
    EXPECT_EQ(open.Folder(), Dir() + "/sub");
    EXPECT_EQ(open.Entries(), QStringList{"inner.bin"});
    open.findChild<QLineEdit*>()->setText(Dir()); // the folder line
    QTest::keyClick(open.findChildren<QLineEdit*>()[0], Qt::Key_Return);
    EXPECT_EQ(open.Folder(), Dir());

    // A pattern becomes the filter; the readable name of a code page 932 file is found; a name
    // that does not exist is handed on, for the window's "file can not find" warning.
    auto* name = open.findChildren<QLineEdit*>()[1];
    name->setText(QStringLiteral("*.txt"));
    open.accept();
    EXPECT_NE(open.result(), QDialog::Accepted);
    EXPECT_EQ(open.Entries(), (QStringList{"sub/", "notes.txt"}));
    {
        TFileChooser missing(nullptr, {}, false, Filters(), TFileChooser::Texts(false, false));
        missing.SetFolder(Dir());
        missing.findChildren<QLineEdit*>()[1]->setText(QStringLiteral("missing.bin"));
        missing.accept();
        EXPECT_EQ(missing.result(), QDialog::Accepted);
        EXPECT_EQ(ToPath(missing.SelectedFile()), dir_ / "missing.bin");
    }
    name->setText(QString::fromUtf8("日本語.bin"));
    open.accept();
    EXPECT_EQ(open.result(), QDialog::Accepted);
    EXPECT_EQ(ToPath(open.SelectedFile()), dir_ / kSjis);

    // The save dialog takes a new name, in a folder given by its readable path too.
    TFileChooser save(nullptr, {}, true, Filters(), TFileChooser::Texts(false, true));
    EXPECT_EQ(save.windowTitle(), "Save As");
    save.SetFolder(Dir() + "/sub");
    save.findChildren<QLineEdit*>()[1]->setText("new.bin");
    save.accept();
    EXPECT_EQ(save.result(), QDialog::Accepted);
    EXPECT_EQ(ToPath(save.SelectedFile()), dir_ / "sub" / "new.bin");
}

TEST_F(FileChooserTest, AFirstStartShowsThePatternInTheNameBox) {
    TFileDialogState state{"*.*", {}, "*.BIN|*.BIN|*.*|*.*", {}, {}};
    QString shown;
    QTimer::singleShot(0, [&shown] {
        QWidget* chooser = QApplication::activeModalWidget();
        ASSERT_NE(chooser, nullptr);
        shown = chooser->findChildren<QLineEdit*>()[1]->text();
        QTest::keyClick(chooser, Qt::Key_Escape);
    });
    EXPECT_FALSE(QtDialogs().OpenFile(nullptr, state));
    EXPECT_EQ(shown, QStringLiteral("*.*"));
}

TEST_F(FileChooserTest, TheDialogRunsFromTheWindowsStateAndWritesItBack) {
    TFileDialogState state{Dir() + "/plain.bin", Dir(), "MacBinary|*.BIN", {}, {}};
    QTimer::singleShot(0, [this] {
        auto* chooser = dynamic_cast<TFileChooser*>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        EXPECT_EQ(chooser->Folder(), Dir());
        EXPECT_EQ(chooser->findChildren<QLineEdit*>()[1]->text(), "plain.bin"); // the last name offered
        chooser->Activate(FromPath(kRoman));
    });
    QtDialogs dialogs;
    ASSERT_TRUE(dialogs.OpenFile(nullptr, state));
    EXPECT_EQ(ToPath(state.FileName), dir_ / kRoman);
    EXPECT_EQ(state.InitialDir, Dir());

    QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
    EXPECT_FALSE(dialogs.SaveFile(nullptr, state));
    EXPECT_EQ(ToPath(state.FileName), dir_ / kRoman); // a cancel changes nothing
}

// Focus passing through the list makes its first entry current; the name offered stays until the
// user chooses an entry. (Taken, the first entry was often the very source of a save.)
TEST_F(FileChooserTest, FocusThroughTheListKeepsTheNameOffered) {
    TFileChooser save(nullptr, {}, true, Filters(), TFileChooser::Texts(false, true));
    save.SetFolder(Dir() + "/sub"); // a file first in the list, as the source beside its output
    save.SetFileName(QStringLiteral("inner.bin.bin"));
    auto* list = save.findChild<QListWidget*>();
    auto* name = save.findChildren<QLineEdit*>()[1];
    QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(list, &focusIn);
    ASSERT_NE(list->currentItem(), nullptr);
    EXPECT_EQ(name->text(), "inner.bin.bin");
    QTest::keyClick(list, Qt::Key_Space); // the user chooses the entry
    EXPECT_EQ(name->text(), "inner.bin");
}

// Entries beginning with "." are listed where the state asks for them (an AppleDouble sidecar is
// what the user picks there), and only there.
TEST_F(FileChooserTest, HiddenEntriesAreListedWhereTheStateAsksForThem) {
    std::ofstream(dir_ / "._plain.bin") << "sidecar";
    for (const bool hidden : {false, true}) {
        SCOPED_TRACE(hidden);
        TFileDialogState state{{}, Dir(), "All|*.*", {}, {}};
        state.ShowHidden = hidden;
        QStringList entries;
        QTimer::singleShot(0, [&entries] {
            auto* chooser = dynamic_cast<TFileChooser*>(QApplication::activeModalWidget());
            ASSERT_NE(chooser, nullptr);
            entries = chooser->Entries();
            if (!chooser->Activate(QStringLiteral("._plain.bin"))) {
                chooser->reject();
            }
        });
        const bool chosen = QtDialogs().OpenFile(nullptr, state);
        EXPECT_EQ(entries.contains("._plain.bin"), hidden);
        EXPECT_EQ(entries.contains(".hidden.bin"), hidden);
        EXPECT_EQ(chosen, hidden);
        if (hidden) {
            EXPECT_EQ(state.Path, dir_ / "._plain.bin");
        }
    }
}

} // namespace
} // namespace kelda
