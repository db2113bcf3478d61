// SPDX-License-Identifier: MIT
// Fault drills through the window: full disks, unwritable folders, sources that vanish or are no
// files, damaged settings and help files. Each ends in the page's warning or the error box, the
// window goes on working, the source is untouched, and no handler leaves a descriptor open.
#include "macbinary/MacBinaryHeader.h"
#include "macbinary/TestFiles.h"
#include "support/DrillSupport.h"
#include "support/WindowFixture.h"
#include "textview/TEditor.h"

#include "app/TPageControl.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <cerrno>
#include <cstring>
#include <functional>
#include <locale.h>

namespace kelda {
namespace {

namespace fs = std::filesystem;
using Kind = FakeDialogs::Kind;
using test::Bytes;

QString Q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

class FaultDrill : public WindowFixture {
protected:
    fs::path Data(const char* name) { return root_ / name; }

    // A MacBinary file whose data fork fills a body of size bytes.
    Bytes MakeSource(const fs::path& file, std::size_t size = 5000) {
        THeader header{};
        test::PutName(header, "Drill");
        test::PutUInt32(header, kOffsetDataForkLength, static_cast<std::uint32_t>(size));
        Bytes bytes = test::RandomBytes(kHeaderSize + size, 3);
        std::copy(header.begin(), header.end(), bytes.begin());
        test::WriteBytes(file, bytes);
        return bytes;
    }
    void Open(const fs::path& file) {
        dialogs_.files.push_back(Q(file));
        Form().BtnFileOpen->click();
    }
    void Convert(QPushButton* button, const fs::path& output) {
        dialogs_.files.push_back(Q(output));
        button->click();
    }
    std::vector<QPushButton*> ConversionButtons() {
        TFormMain& form = Form();
        return {form.BtnChangeFileType, form.BtnDeleteHeader, form.BtnDeleteHeaderResorceComment};
    }
    QString LastError() const {
        const auto texts = dialogs_.Texts(Kind::Error);
        return texts.empty() ? QString() : texts.back();
    }
    // Runs one CRC variant on file from the CRC page, as a click on the variant list does.
    void CrcOf(const QString& file) {
        TFormMain& form = Form();
        form.UpdateFileComboBox(ToPath(file));
        form.ListBox2->setCurrentRow(0);
        form.ListBox1->setCurrentRow(10);
        form.Guard([&] { form.ListBox1Click(); });
    }
};

TEST_F(FaultDrill, ConversionsToAFullDiskShowTheErrorBoxAndTheWindowGoesOn) {
    TFormMain& form = Shown();
    const Bytes source = MakeSource(Data("src.bin"));
    Open(Data("src.bin"));
    ASSERT_EQ(form.Editor3->LineCount(), 36);
    for (QPushButton* button : ConversionButtons()) {
        SCOPED_TRACE(button->objectName().toStdString());
        const std::size_t errors = dialogs_.Count(Kind::Error);
        Convert(button, "/dev/full");
        EXPECT_EQ(dialogs_.Count(Kind::Error), errors + 1);
        EXPECT_TRUE(LastError().startsWith("I/O エラー (28)")) << LastError().toStdString();
        EXPECT_TRUE(button->isEnabled());
        // The same button works at once on a good output.
        Convert(button, Data("good.bin"));
        EXPECT_EQ(dialogs_.Count(Kind::Error), errors + 1);
        EXPECT_TRUE(fs::exists(Data("good.bin")));
        fs::remove(Data("good.bin"));
    }
    EXPECT_EQ(test::ReadBytes(Data("src.bin")), source);
    EXPECT_EQ(form.Editor3->LineCount(), 36); // conversions log nothing
}

TEST_F(FaultDrill, AnOutputFolderThatIsAFileShowsTheCreateError) {
    TFormMain& form = Shown();
    form.MenuJapaneseSet->setChecked(false);
    const Bytes source = MakeSource(Data("src.bin"));
    WriteFile(Data("plain"), "not a folder");
    Open(Data("src.bin"));
    for (QPushButton* button : ConversionButtons()) {
        SCOPED_TRACE(button->objectName().toStdString());
        Convert(button, Data("plain") / "out.bin");
        // The file layer's Japanese text stays in both language modes; English mode adds the
        // English one as a second line; the system's reason stands alone below them.
        const QStringList lines = LastError().split('\n');
        ASSERT_EQ(lines.size(), 3) << LastError().toStdString();
        EXPECT_TRUE(lines[0].contains(Q(Data("plain") / "out.bin"))) << LastError().toStdString();
        EXPECT_TRUE(lines[0].contains("を作成できません")) << LastError().toStdString();
        EXPECT_EQ(lines[1],
                  "Can not create the file \"" + Q(Data("plain") / "out.bin") + "\": Not a directory.");
        EXPECT_EQ(lines[2], "Not a directory");
    }
    EXPECT_EQ(dialogs_.Count(Kind::Error), 3u);
    EXPECT_EQ(ReadFile(Data("plain")), "not a folder");
    EXPECT_EQ(test::ReadBytes(Data("src.bin")), source);
}

// The design's sentence, which carries the system's reason inside it, stays as it is; the reason
// follows on a line of its own in the window's language: Japanese where the C library has a
// Japanese locale and messages, English otherwise (as on a machine without ja_JP.UTF-8).
TEST_F(FaultDrill, AFileErrorsSystemReasonStandsOnALineOfItsOwn) {
    TFormMain& form = Shown();
    MakeSource(Data("src.bin"));
    WriteFile(Data("plain"), "not a folder");
    Open(Data("src.bin"));
    const QString out = Q(Data("plain") / "out.bin");
    const QString sentence =
        QString::fromUtf8("ファイル \"") + out + QString::fromUtf8("\". Not a directory を作成できません.");
    locale_t japaneseLocale = ::newlocale(LC_ALL_MASK, "ja_JP.UTF-8", nullptr);
    const QString japaneseReason = japaneseLocale != nullptr
                                       ? QString::fromUtf8(::strerror_l(ENOTDIR, japaneseLocale))
                                       : "Not a directory";
    if (japaneseLocale != nullptr) {
        ::freelocale(japaneseLocale);
    }
    const struct {
        bool Japanese;
        QStringList Lines;
    } cases[] = {
        {false, {sentence, "Can not create the file \"" + out + "\": Not a directory.", "Not a directory"}},
        {true, {sentence, japaneseReason}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Japanese);
        form.MenuJapaneseSet->setChecked(c.Japanese);
        form.LanguageChange();
        Convert(ConversionButtons().front(), Data("plain") / "out.bin");
        EXPECT_EQ(LastError().split('\n'), c.Lines);
    }
}

TEST_F(FaultDrill, ASourceThatVanishesAfterReadingIsReportedAndNothingIsWritten) {
    TFormMain& form = Shown();
    MakeSource(Data("src.bin"));
    Open(Data("src.bin"));
    fs::remove(Data("src.bin"));
    for (QPushButton* button : ConversionButtons()) {
        SCOPED_TRACE(button->objectName().toStdString());
        Convert(button, Data("out.bin"));
        EXPECT_TRUE(LastError().contains("は開けません")) << LastError().toStdString();
        EXPECT_FALSE(fs::exists(Data("out.bin")));
    }
    EXPECT_EQ(dialogs_.Count(Kind::Error), 3u);
    // The window still shows the file it read, and the CRC page reports the file as missing.
    EXPECT_EQ(form.Editor1->LineCount(), 28);
    form.MenuJapaneseSet->setChecked(false);
    CrcOf(Q(Data("src.bin")));
    EXPECT_EQ(dialogs_.Texts(Kind::Message).back(), "Warning ! File can not find.");
    EXPECT_EQ(form.Editor2->LineCount(), 0);
}

// A folder, a FIFO and a link to itself, chosen on both pages: a warning or the error box at once
// (a FIFO must not block), and nothing else changes.
TEST_F(FaultDrill, SourcesThatAreNoFilesChangeNothing) {
    TFormMain& form = Shown();
    form.MenuJapaneseSet->setChecked(false);
    fs::create_directory(Data("folder"));
    ASSERT_TRUE(drill::MakeFifo(Data("fifo")));
    fs::create_symlink(Data("loop"), Data("loop"));
    MakeSource(Data("good.bin"));
    Open(Data("good.bin"));
    const QStringList log = form.Editor3->Lines();
    const QString shown = form.Label3->text();

    struct Case {
        const char* name;
        bool readGivesError; // else the "File can not find." warning
        bool crcGivesError;
    };
    const Case cases[] = {
        {"folder", true, false},
        {"fifo", true, true},
        {"loop", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t errors = dialogs_.Count(Kind::Error);
        const std::size_t messages = dialogs_.Count(Kind::Message);
        Open(Data(c.name));
        EXPECT_EQ(dialogs_.Count(Kind::Error), errors + (c.readGivesError ? 1 : 0));
        EXPECT_EQ(dialogs_.Count(Kind::Message), messages + (c.readGivesError ? 0 : 1));
        EXPECT_EQ(form.Editor3->Lines(), log);
        EXPECT_EQ(form.Label3->text(), shown);

        CrcOf(Q(Data(c.name)));
        EXPECT_EQ(dialogs_.Count(Kind::Error),
                  errors + (c.readGivesError ? 1 : 0) + (c.crcGivesError ? 1 : 0));
        EXPECT_EQ(form.Editor2->LineCount(), 0);
    }
    EXPECT_TRUE(form.BtnDeleteHeader->isEnabled());
}

TEST_F(FaultDrill, ATemporaryFolderThatCannotBeWrittenIsReportedAndReadingWorksOnceItCan) {
    TFormMain& form = Shown();
    MakeSource(Data("src.bin"));
    // The temporary folder replaced by a regular file: no piece can be created there, root included.
    const fs::path tmp = form.TmpFolder().parent_path();
    fs::remove_all(tmp);
    WriteFile(tmp, "");
    Open(Data("src.bin"));
    EXPECT_EQ(dialogs_.Count(Kind::Error), 1u);
    EXPECT_TRUE(LastError().contains("src.bin.DA1")) << LastError().toStdString();
    EXPECT_EQ(form.Editor3->LineCount(), 0);
    EXPECT_FALSE(form.BtnChangeFileType->isEnabled());

    fs::remove(tmp);
    fs::create_directory(tmp);
    Open(Data("src.bin"));
    EXPECT_EQ(dialogs_.Count(Kind::Error), 1u);
    EXPECT_EQ(form.Editor3->LineCount(), 36);
    EXPECT_TRUE(form.BtnChangeFileType->isEnabled());
}

TEST_F(FaultDrill, DamagedSettingsFilesStillOpenTheWindowAndAreRewrittenWhole) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"cut short", "[FormMain]\r\nLeft=10\r\nTop=2"},
        {"binary", std::string("\0\xFF\xFE[Lang\0uage]\r\n\x81\x40=\x01\x02", 20)},
        {"duplicate sections", "[Language]\r\nJapanese=0\r\n[GridWidth]\r\n00=40\r\n[Language]\r\nX=1\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(ExeFolder() / "kelda.INI", c.bytes);
        dialogs_.shown.clear();
        TFormMain& form = Form();
        EXPECT_TRUE(dialogs_.shown.empty());
        form.close();
        EXPECT_TRUE(dialogs_.shown.empty()); // written at exit without an error
        form_.reset();
        const std::string written = ReadFile(ExeFolder() / "kelda.INI");
        EXPECT_NE(written.find("[FileList]"), std::string::npos);
        EXPECT_NE(written.find("Japanese="), std::string::npos);
    }
}

TEST_F(FaultDrill, AnUnreadableSettingsFileLeavesTheDefaultsAndIsReportedAtExit) {
    fs::create_directories(ExeFolder() / "kelda.INI" / "inside");
    TFormMain& form = Form();
    EXPECT_TRUE(form.IsJapanese());
    EXPECT_EQ(form.RadioGroupItemIndex(), 1);
    form.close();
    ASSERT_EQ(dialogs_.Count(Kind::Error), 1u);
    EXPECT_TRUE(LastError().contains("に書き込めません")) << LastError().toStdString();
    EXPECT_TRUE(fs::is_directory(ExeFolder() / "kelda.INI" / "inside"));
}

TEST_F(FaultDrill, ADiskThatFillsAtExitKeepsTheOldSettingsFileWhole) {
    const std::string old = "[Language]\r\nJapanese=0\r\n[Mine]\r\nkept=1\r\n";
    WriteFile(ExeFolder() / "kelda.INI", old);
    TFormMain& form = Form();
    EXPECT_FALSE(form.IsJapanese());
    {
        drill::TFileSizeLimit limit(64); // the new file needs far more
        form.close();
    }
    ASSERT_EQ(dialogs_.Count(Kind::Error), 1u);
    const QString ini = Q(ExeFolder() / "kelda.INI");
    EXPECT_EQ(LastError(), ini + " に書き込めません.\nCan not write " + ini + ".");
    EXPECT_EQ(ReadFile(ExeFolder() / "kelda.INI"), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(ExeFolder()), fs::directory_iterator()), 2); // INI, TMP
}

// A help file that is no text is shown as far as it decodes; one that cannot be read as a file
// (a FIFO) is reported at once; the window opens either way.
TEST_F(FaultDrill, AHelpFileThatIsNoTextStillOpensTheWindow) {
    std::string binary(3000, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) {
        binary[i] = static_cast<char>(i * 7 + 3);
    }
    WriteFile(ExeFolder() / "kelda.TXT", binary);
    {
        TFormMain& form = Form();
        EXPECT_EQ(dialogs_.Count(Kind::Error), 0u);
        EXPECT_GT(form.Editor4->LineCount(), 0);
        form.close();
        form_.reset();
    }
    fs::remove(ExeFolder() / "kelda.TXT");
    ASSERT_TRUE(drill::MakeFifo(ExeFolder() / "kelda.TXT"));
    TFormMain& form = Form();
    EXPECT_EQ(dialogs_.Count(Kind::Error), 1u);
    EXPECT_EQ(form.Editor4->LineCount(), 0);
    EXPECT_EQ(form.PageControl1->currentIndex(), 0);
}

TEST_F(FaultDrill, SavingTheLogToAFullDiskKeepsTheLogAndAnOldFile) {
    TFormMain& form = Shown();
    MakeSource(Data("src.bin"));
    Open(Data("src.bin"));
    const QStringList log = form.Editor3->Lines();
    dialogs_.files.push_back(QStringLiteral("/dev/full"));
    form.BtnSaveLog->click();
    EXPECT_TRUE(LastError().startsWith("I/O エラー (28)")) << LastError().toStdString();
    EXPECT_EQ(form.Editor3->Lines(), log);

    WriteFile(Data("old.log"), "the old log\r\n");
    {
        drill::TFileSizeLimit limit(100); // the disk fills after 100 bytes
        dialogs_.files.push_back(Q(Data("old.log")));
        form.BtnSaveLog->click();
    }
    EXPECT_EQ(dialogs_.Count(Kind::Error), 2u);
    EXPECT_EQ(ReadFile(Data("old.log")), "the old log\r\n");
    EXPECT_EQ(form.Editor3->Lines(), log);
}

// Every handler that opens files gives back each descriptor, when it succeeds and when it fails.
// Each runs once before it is counted, so that what Qt opens for itself the first time is not counted.
TEST_F(FaultDrill, EveryHandlerClosesItsFiles) {
    TFormMain& form = Shown();
    MakeSource(Data("src.bin"));
    WriteFile(Data("short.bin"), "short");
    fs::create_directory(Data("folder"));
    const std::pair<const char*, std::function<void()>> handlers[] = {
        {"read", [&] { Open(Data("src.bin")); }},
        {"read a short file", [&] { Open(Data("short.bin")); }},
        {"read a folder", [&] { Open(Data("folder")); }},
        {"MacBinary II",
         [&] {
             Open(Data("src.bin"));
             Convert(form.BtnChangeFileType, Data("o.bin"));
         }},
        {"without header", [&] { Convert(form.BtnDeleteHeader, Data("o.bin")); }},
        {"data fork", [&] { Convert(form.BtnDeleteHeaderResorceComment, Data("o.bin")); }},
        {"to a full disk", [&] { Convert(form.BtnDeleteHeader, "/dev/full"); }},
        {"CRC", [&] { CrcOf(Q(Data("src.bin"))); }},
        {"CRC All",
         [&] {
             form.UpdateFileComboBox(Data("src.bin"));
             form.ListBox2->setCurrentRow(1);
             form.Guard([&] { form.ListBox2Click(); });
         }},
        {"CRC of a folder", [&] { CrcOf(Q(Data("folder"))); }},
        {"save the log",
         [&] {
             dialogs_.files.push_back(Q(Data("log.txt")));
             form.BtnSaveLog->click();
         }},
        {"save the log to a full disk",
         [&] {
             dialogs_.files.push_back("/dev/full");
             form.BtnSaveLog->click();
         }},
        {"clean-up", [&] { form.BtnTmpFileClear->click(); }},
        {"reset settings", [&] { form.Guard([&] { form.MenuResetIniFileClick(); }); }},
    };
    for (const auto& [name, handler] : handlers) {
        SCOPED_TRACE(name);
        handler();
        QCoreApplication::processEvents();
        const int before = drill::OpenDescriptors();
        handler();
        QCoreApplication::processEvents();
        EXPECT_EQ(drill::OpenDescriptors(), before);
    }
}

} // namespace
} // namespace kelda
