// SPDX-License-Identifier: MIT
// Integrity drills through the window's real handlers: the saved log never replaces the file shown
// or a conversion's source, never gets a bare line break from a name, and a read-only output is
// replaced only when the user says yes.
#include "macbinary/MacBinaryHeader.h"
#include "macbinary/TestFiles.h"
#include "support/WindowFixture.h"
#include "textview/TEditor.h"

#include <QPushButton>

#include <sys/stat.h>

namespace kelda {
namespace {

namespace fs = std::filesystem;
using Kind = FakeDialogs::Kind;
using test::Bytes;

QString Q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

class IntegrityDrill : public WindowFixture {
protected:
    fs::path Data(const std::string& name) { return root_ / name; }

    Bytes MakeSource(const fs::path& file, std::string_view name = "Drill") {
        THeader header{};
        test::PutName(header, name);
        test::PutUInt32(header, kOffsetDataForkLength, 3000);
        Bytes bytes = test::RandomBytes(kHeaderSize + 3000, 8);
        std::copy(header.begin(), header.end(), bytes.begin());
        test::WriteBytes(file, bytes);
        return bytes;
    }
    void Open(const fs::path& file) {
        dialogs_.files.push_back(Q(file));
        Form().BtnFileOpen->click();
    }
    void SaveLog(const fs::path& file) {
        dialogs_.files.push_back(Q(file));
        Form().BtnSaveLog->click();
    }
};

TEST_F(IntegrityDrill, TheLogIsNeverSavedOverTheFileShownOrTheConversionsSource) {
    TFormMain& form = Shown();
    form.MenuJapaneseSet->setChecked(false);
    const Bytes shown = MakeSource(Data("shown.bin"));
    fs::create_symlink(Data("shown.bin"), Data("link.txt"));
    fs::create_hard_link(Data("shown.bin"), Data("hard.txt"));
    Open(Data("shown.bin"));
    // A later choice that is no MacBinary file: the page still shows shown.bin, the chosen file is
    // guarded too.
    test::WriteBytes(Data("chosen.txt"), Bytes(200, 0xFF));
    Open(Data("chosen.txt"));
    ASSERT_EQ(dialogs_.Texts(Kind::Message).back(), "Warning ! This file is not mac binary file.");

    for (const char* output : {"shown.bin", "link.txt", "hard.txt", "chosen.txt"}) {
        SCOPED_TRACE(output);
        const std::size_t messages = dialogs_.Count(Kind::Message);
        SaveLog(Data(output));
        ASSERT_EQ(dialogs_.Count(Kind::Message), messages + 1);
        EXPECT_EQ(dialogs_.Texts(Kind::Message).back(), "Warning ! Can not write over the source file.");
    }
    EXPECT_EQ(test::ReadBytes(Data("shown.bin")), shown);
    EXPECT_EQ(test::ReadBytes(Data("chosen.txt")), Bytes(200, 0xFF));
    EXPECT_EQ(dialogs_.Count(Kind::Error), 0u);
}

// A line break in a header name or in the file's name stays inside its line of the saved log.
TEST_F(IntegrityDrill, TheSavedLogGetsNoBareLineBreakFromAName) {
    TFormMain& form = Shown();
    MakeSource(Data("name\nwith break.bin"), "x\r\nFileType         : FORGED");
    Open(Data("name\nwith break.bin"));
    ASSERT_EQ(form.Editor3->LineCount(), 36);
    SaveLog(Data("log.txt"));
    const std::string saved = ReadFile(Data("log.txt"));
    std::size_t lines = 0;
    for (std::size_t at = 0; at < saved.size(); ++at) {
        if (saved[at] == '\r' || saved[at] == '\n') {
            ASSERT_EQ(saved.compare(at, 2, "\r\n"), 0) << "bare line break at " << at;
            ++lines;
            ++at;
        }
    }
    EXPECT_EQ(lines, 36u);
    EXPECT_NE(saved.find("FileName         : " + Data("name\\x0awith break.bin").string() + "\r\n"),
              std::string::npos);
    EXPECT_NE(saved.find("x\\x0d\\x0aFileType         : FORGED\t[CHR]"), std::string::npos);
    // The window itself shows the log as it always did.
    EXPECT_TRUE(form.Editor3->Line(1).contains(QLatin1Char('\n')));
}

// A read-only output: the window asks first; No leaves the file, Yes replaces it with its
// permissions kept. The same for the three conversions and the saved log.
TEST_F(IntegrityDrill, AReadOnlyOutputIsReplacedOnlyAfterTheUserSaysYes) {
    TFormMain& form = Shown();
    form.MenuJapaneseSet->setChecked(false);
    MakeSource(Data("src.bin"));
    Open(Data("src.bin"));
    const std::pair<const char*, std::function<void()>> outputs[] = {
        {"MacBinary II", [&] { form.BtnChangeFileType->click(); }},
        {"without header", [&] { form.BtnDeleteHeader->click(); }},
        {"data fork", [&] { form.BtnDeleteHeaderResorceComment->click(); }},
        {"log", [&] { form.BtnSaveLog->click(); }},
    };
    const fs::path ro = Data("ro.bin");
    for (const auto& [name, click] : outputs) {
        SCOPED_TRACE(name);
        for (const bool yes : {false, true}) {
            test::WriteBytes(ro, {1, 2});
            ::chmod(ro.c_str(), 0444);
            const std::size_t questions = dialogs_.Count(Kind::Question);
            dialogs_.files.push_back(Q(ro));
            dialogs_.answers.push_back(yes);
            click();
            ASSERT_EQ(dialogs_.Count(Kind::Question), questions + 1);
            EXPECT_EQ(dialogs_.Texts(Kind::Question).back(), "The file is read-only. Replace it ?");
            EXPECT_EQ(test::ReadBytes(ro).size() > 2, yes);
            struct stat st {};
            ::stat(ro.c_str(), &st);
            EXPECT_EQ(st.st_mode & 0777, 0444u);
            fs::remove(ro);
        }
    }
    EXPECT_EQ(dialogs_.Count(Kind::Error), 0u);
    // A writable output is replaced without a question, as before.
    test::WriteBytes(ro, {1, 2});
    dialogs_.files.push_back(Q(ro));
    form.BtnDeleteHeader->click();
    EXPECT_EQ(test::ReadBytes(ro).size(), 3000u);
    EXPECT_EQ(dialogs_.Count(Kind::Question), 8u);
}

} // namespace
} // namespace kelda
