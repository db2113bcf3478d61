// SPDX-License-Identifier: MIT
// Hostile file names in the window: names in Shift-JIS bytes arrive by a drop and are read,
// converted and listed with their names shown readably; paths over 255 bytes and names with spaces,
// quotes, tabs and line breaks work on both pages and in the log line.
#include "app/PathText.h"
#include "app/TPageControl.h"
#include "macbinary/MacBinaryHeader.h"
#include "macbinary/TestFiles.h"
#include "support/WindowFixture.h"
#include "textview/TEditor.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

namespace kelda {
namespace {

namespace fs = std::filesystem;
using Kind = FakeDialogs::Kind;
using test::Bytes;

const std::string kSjisName = "\x83\x65\x83\x58\x83\x67 \x95\x5C\x8E\xA6.bin"; // テスト 表示.bin

class NameDrill : public WindowFixture {
protected:
    Bytes MakeSource(const fs::path& file) {
        fs::create_directories(file.parent_path());
        THeader header{};
        test::PutName(header, "Name");
        test::PutUInt32(header, kOffsetDataForkLength, 1000);
        Bytes bytes = test::RandomBytes(1280, 5);
        std::copy(header.begin(), header.end(), bytes.begin());
        test::WriteBytes(file, bytes);
        return bytes;
    }
    // Drops file as a file manager sends it: the path's bytes percent-encoded in a file URL.
    void Drop(const fs::path& file) {
        QMimeData mime;
        const QByteArray encoded = QByteArray::fromStdString(file.string()).toPercentEncoding("/");
        mime.setUrls({QUrl::fromEncoded("file://" + encoded)});
        const QPoint at(20, 20);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&Form(), &enter);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&Form(), &drop);
    }
    void Save(QPushButton* button, const QString& output) {
        dialogs_.files.push_back(output);
        button->click();
    }
};

TEST_F(NameDrill, AShiftJisNameIsReadConvertedAndShownReadably) {
    TFormMain& form = Shown();
    form.MenuJapaneseSet->setChecked(false);
    const fs::path file = root_ / kSjisName;
    const Bytes source = MakeSource(file);
    const QString readable = QString::fromStdString(root_.string()) + "/テスト 表示.bin";

    Drop(file);
    ASSERT_TRUE(dialogs_.shown.empty()) << dialogs_.shown.front().text.toStdString();
    EXPECT_EQ(form.FFileName(), readable);
    EXPECT_EQ(form.Editor3->Line(1), "FileName         : " + readable);
    EXPECT_EQ(form.Label3->text(), "FileName : " + readable);
    EXPECT_TRUE(fs::exists(form.TmpFolder() / (kSjisName + ".DA2")));

    // An output is named as the user reads it: a new name in UTF-8, an existing file in its own bytes.
    Save(form.BtnDeleteHeaderResorceComment, QString::fromStdString(root_.string()) + "/データ.bin");
    EXPECT_EQ(test::ReadBytes(root_ / "データ.bin"), test::Slice(source, 128, 1000));
    test::WriteBytes(root_ / (kSjisName + ".old"), Bytes(3, 0));
    Save(form.BtnChangeFileType, readable + ".old");
    EXPECT_EQ(test::ReadBytes(root_ / (kSjisName + ".old")).size(), source.size());
    EXPECT_FALSE(fs::exists(root_ / "テスト 表示.bin.old"));
    EXPECT_TRUE(dialogs_.Texts(Kind::Error).empty());

    // The CRC page lists and computes it under its readable name.
    form.PageControl1->setCurrentWidget(form.TabSheet2);
    Drop(file);
    EXPECT_EQ(form.ComboBox1->currentText(), readable);
    form.ListBox2->setCurrentRow(0);
    form.ListBox1->setCurrentRow(10);
    form.Guard([&] { form.ListBox1Click(); });
    ASSERT_EQ(form.Editor2->LineCount(), 1);
    EXPECT_TRUE(form.Editor2->Line(0).endsWith("\t" + readable)) << form.Editor2->Line(0).toStdString();
    EXPECT_EQ(test::ReadBytes(file), source);
}

// A name that is no text in any encoding keeps its bytes: it is read and converted all the same.
TEST_F(NameDrill, ANameThatIsNoTextIsStillReadAndConverted) {
    TFormMain& form = Shown();
    const fs::path file = root_ / "\xFF\xFE\x80.bin";
    const Bytes source = MakeSource(file);
    Drop(file);
    ASSERT_TRUE(dialogs_.shown.empty());
    EXPECT_EQ(ToPath(form.FFileName()), file);
    Save(form.BtnDeleteHeader, form.FFileName() + ".out");
    EXPECT_TRUE(dialogs_.Texts(Kind::Error).empty());
    EXPECT_EQ(test::ReadBytes(file.string() + ".out"), test::Slice(source, 128, source.size()));
}

TEST_F(NameDrill, AwkwardNamesWorkOnBothPagesAndInTheLogLine) {
    TFormMain& form = Shown();
    const std::string deep =
        std::string(100, 'd') + "/" + std::string(100, 'e') + "/" + std::string(100, 'f');
    const char* names[] = {"  spaced  name .bin", "it's \"quoted\".bin", "tab\there.bin", "line\nbreak.bin"};
    std::vector<std::string> all(std::begin(names), std::end(names));
    all.push_back(deep + "/" + std::string(200, 'n') + ".bin");
    for (const std::string& name : all) {
        SCOPED_TRACE(name);
        const fs::path file = root_ / name;
        const Bytes source = MakeSource(file);
        const QString text = QString::fromStdString(file.string());
        const int lines = form.Editor3->LineCount();
        dialogs_.files.push_back(text);
        form.BtnFileOpen->click();
        ASSERT_TRUE(dialogs_.shown.size() == 1 || dialogs_.shown.back().kind == Kind::OpenFile);
        // One block of 36 lines, whatever the name holds; its name line names the file.
        ASSERT_EQ(form.Editor3->LineCount(), lines + 36);
        EXPECT_EQ(form.Editor3->Line(lines + 1), "FileName         : " + text);
        Save(form.BtnDeleteHeader, text + ".out");
        EXPECT_EQ(test::ReadBytes(file.string() + ".out"), test::Slice(source, 128, source.size()));

        form.UpdateFileComboBox(file);
        form.ListBox2->setCurrentRow(0);
        form.ListBox1->setCurrentRow(1);
        const int results = form.Editor2->LineCount();
        form.Guard([&] { form.ListBox1Click(); });
        ASSERT_EQ(form.Editor2->LineCount(), results + 1);
        EXPECT_TRUE(form.Editor2->Line(results).endsWith("\t" + text));
    }
    EXPECT_TRUE(dialogs_.Texts(Kind::Error).empty());
    EXPECT_TRUE(dialogs_.Texts(Kind::Message).empty());
}

} // namespace
} // namespace kelda
