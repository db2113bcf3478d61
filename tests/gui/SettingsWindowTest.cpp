// SPDX-License-Identifier: MIT
// The settings file as the window uses it: applied at start, written at exit, reset from the menu.
#include "app/PathText.h"
#include "app/Settings.h"
#include "app/TPageControl.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QComboBox>

namespace kelda {
namespace {

using Kind = FakeDialogs::Kind;

class SettingsWindowTest : public WindowFixture {
protected:
    std::filesystem::path Ini() const { return ExeFolder() / "kelda.INI"; }
};

TEST_F(SettingsWindowTest, StoredValuesAreAppliedAtStart) {
    WriteFile(Ini(), "[Information]\nIndex=0\n[Language]\nJapanese=0\n[FileList]\n3=/data/x.bin\n"
                     "[FileName]\nCrc=/data/y.bin\n");
    TFormMain& form = Form();
    EXPECT_FALSE(form.IsJapanese());
    EXPECT_EQ(form.RadioGroupItemIndex(), 0);
    EXPECT_EQ(form.OpenDialog2().FileName, "/data/y.bin");
    ASSERT_EQ(form.ComboBox1->count(), 20);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(form.ComboBox1->itemText(i), i == 3 ? QString("/data/x.bin") : QString()) << i;
    }
    EXPECT_EQ(form.ComboBox1->currentIndex(), 0);
}

TEST_F(SettingsWindowTest, TheCurrentValuesAreWrittenAtExitAndUnknownSectionsSurvive) {
    WriteFile(Ini(), "[Mine]\nkeep=1\n");
    TFormMain& form = Shown();
    dialogs_.files.push_back(QStringLiteral("/data/z.bin"));
    form.BtnFileBrowseClick();
    form.MenuJapaneseSet->trigger(); // English
    form_.reset();                   // the window closes: the settings are written once

    const TSettings s = ReadSettings(Ini());
    EXPECT_EQ(s.FileList[0], "/data/z.bin");
    EXPECT_EQ(s.CrcFile, "/data/z.bin");
    EXPECT_FALSE(s.Japanese);
    EXPECT_EQ(s.FormMain.Width, 980);
    EXPECT_NE(ReadFile(Ini()).find("[Mine]\nkeep=1"), std::string::npos);
    EXPECT_TRUE(dialogs_.Texts(Kind::Error).empty());
}

TEST_F(SettingsWindowTest, NamesThatAreNoUtf8SurviveTheSettingsFile) {
    // Code page 932 bytes (shown readably) and bytes that are no text in any encoding (kept as
    // they are): read at start, written back at exit byte for byte.
    const std::string sjis = "/data/\x93\xFA\x96\x7B\x8C\xEA.bin";
    const std::string raw = "/data/caf\xE9\xFF.bin";
    WriteFile(Ini(),
              "[FileList]\n0=" + sjis + "\n1=" + raw + "\n[FileName]\nCrc=" + raw + "\nOpen=" + sjis + "\n");
    TFormMain& form = Form();
    EXPECT_EQ(form.ComboBox1->itemText(0), QString::fromUtf8("/data/日本語.bin"));
    EXPECT_EQ(TextBytes(form.ComboBox1->itemText(1)), raw);
    EXPECT_EQ(form.OpenDialog1().FileName, QString::fromUtf8("/data/日本語.bin"));
    EXPECT_EQ(form.OpenDialog1().InitialDir, "/data/");
    form_.reset();

    const TSettings s = ReadSettings(Ini());
    // Byte for byte, not the readable form: a UTF-8 file of the same reading may lie beside it.
    EXPECT_EQ(s.FileList[0], sjis);
    EXPECT_EQ(s.FileList[1], raw);
    EXPECT_EQ(s.CrcFile, raw);
    EXPECT_EQ(s.OpenFile, sjis);
}

TEST_F(SettingsWindowTest, ResetDeletesTheFileAndRestoresTheDefaults) {
    WriteFile(Ini(), "[FormMain]\nLeft=10\nTop=10\nWidth=1000\nHeight=800\n[Language]\nJapanese=0\n"
                     "[FileList]\n0=/data/x.bin\n");
    TFormMain& form = Shown();
    form.PageControl1->setCurrentWidget(form.TabSheet2);
    ASSERT_EQ(form.geometry().size(), QSize(1000, 800));

    form.MenuResetIniFile->trigger();
    EXPECT_FALSE(std::filesystem::exists(Ini()));
    EXPECT_TRUE(form.IsJapanese());
    EXPECT_EQ(form.PageControl1->currentIndex(), 0);
    EXPECT_EQ(form.ComboBox1->count(), 20);
    EXPECT_EQ(form.ComboBox1->itemText(0), QString());
    EXPECT_EQ(form.OpenDialog2().FileName, "*.*");
    EXPECT_EQ(form.geometry().size(), QSize(980, 730));
    EXPECT_EQ(form.pos(), QPoint(150, 147));
}

TEST_F(SettingsWindowTest, ASettingsFileThatCannotBeWrittenIsReportedAndTheProgramEnds) {
    Form();
    std::filesystem::create_directories(Ini() / "in-the-way"); // a folder where the file goes
    form_.reset();
    const std::vector<QString> errors = dialogs_.Texts(Kind::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].startsWith(QString::fromStdString(Ini().string()) + " に書き込めません"))
        << errors[0].toStdString();
}

} // namespace
} // namespace kelda
