// SPDX-License-Identifier: MIT
// The two header-removing conversions of a source cut inside its forks: the output as always, then
// a warning in the language of the moment with the number of bytes missing.
#include "macbinary/TestFiles.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QPushButton>

namespace kelda {
namespace {

using Kind = FakeDialogs::Kind;

class TruncatedSource : public WindowFixture {
protected:
    QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }
    void Click(QPushButton* button, const std::filesystem::path& output) {
        dialogs_.files.push_back(Q(output));
        button->click();
    }
};

TEST_F(TruncatedSource, ConversionsWriteWhatIsThereAndSayWhatIsMissing) {
    TFormMain& form = Shown();
    THeader h{};
    test::PutName(h, "Cut");
    const test::Bytes file = test::MakeMacBinaryFile(h, 1000, 100, test::RandomBytes(995, 6));
    test::WriteBytes(root_ / "cut.bin", file);
    dialogs_.files.push_back(Q(root_ / "cut.bin"));
    form.BtnFileOpen->click();

    struct TCase {
        bool Japanese;
        QPushButton* Button;
        const char* Expect;
    };
    const TCase cases[] = {
        {false, form.BtnDeleteHeaderResorceComment,
         "Warning ! The source file ended before its data fork did: 5 bytes are missing from the output."},
        {false, form.BtnDeleteHeader,
         "Warning ! The source file ended before its forks did: 105 bytes are missing from the output."},
        {true, form.BtnDeleteHeaderResorceComment,
         "警告 ! 元のファイルはデータフォークの途中で終わっています。出力には 5 バイト足りません"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Expect);
        form.MenuJapaneseSet->setChecked(c.Japanese);
        const std::size_t before = dialogs_.Count(Kind::Message);
        Click(c.Button, root_ / "out.bin");
        ASSERT_EQ(dialogs_.Count(Kind::Message), before + 1);
        EXPECT_EQ(dialogs_.Texts(Kind::Message).back(), QString::fromUtf8(c.Expect));
        EXPECT_EQ(test::ReadBytes(root_ / "out.bin"), test::Slice(file, 128, 995));
    }
    // ChangeFileTypeToMacBinII writes the whole file again and says nothing more.
    const std::size_t before = dialogs_.Count(Kind::Message);
    Click(form.BtnChangeFileType, root_ / "mb2.bin");
    EXPECT_EQ(dialogs_.Count(Kind::Message), before);
}

} // namespace
} // namespace kelda
