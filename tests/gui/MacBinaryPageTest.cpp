// SPDX-License-Identifier: MIT
// The MacBinary page end to end: reading files, both header views, the conversions and the clean-up,
// driven through the scripted dialogs.
#include "app/TModelTabSheet.h"
#include "macbinary/HeaderPieces.h"
#include "macbinary/MacBinaryHeader.h"
#include "macbinary/TestFiles.h"
#include "support/WindowFixture.h"
#include "textview/TEditor.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include <sys/stat.h>

namespace kelda {
namespace {

using Kind = FakeDialogs::Kind;
using test::Bytes;

QString Q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

class MacBinaryPage : public WindowFixture {
protected:
    std::filesystem::path Data(const char* name) { return root_ / name; }
    std::filesystem::path Tmp() { return Form().TmpFolder(); }

    void WriteBytes(const std::filesystem::path& file, const Bytes& bytes) { test::WriteBytes(file, bytes); }

    // Chooses file in the open dialog and clicks "FileOpen".
    void Open(const std::filesystem::path& file) {
        dialogs_.files.push_back(Q(file));
        Form().BtnFileOpen->click();
    }
    // Clicks a conversion button with output as the save dialog's answer.
    void Convert(QPushButton* button, const std::filesystem::path& output) {
        dialogs_.files.push_back(Q(output));
        button->click();
    }
    void English() { Form().MenuJapaneseSet->setChecked(false); }

    std::vector<QString> Messages() const { return dialogs_.Texts(Kind::Message); }
    QString LastMessage() const {
        const auto texts = Messages();
        return texts.empty() ? QString() : texts.back();
    }

    // A file with the given header, fork lengths and random body.
    Bytes MakeFile(const std::filesystem::path& file, THeader header, std::int32_t d, std::int32_t r,
                   std::size_t bodySize, unsigned seed = 1) {
        const Bytes bytes = test::MakeMacBinaryFile(header, d, r, test::RandomBytes(bodySize, seed));
        WriteBytes(file, bytes);
        return bytes;
    }
};

TEST_F(MacBinaryPage, ZeroHeaderFileIsReadIntoEveryView) {
    TFormMain& form = Shown();
    English();
    WriteBytes(Data("ZERO.BIN"), Bytes(128, 0));
    Open(Data("ZERO.BIN"));

    EXPECT_TRUE(dialogs_.Texts(Kind::Error).empty());
    EXPECT_EQ(form.Editor1->LineCount(), 28);
    EXPECT_EQ(form.StringGrid1->rowCount() + 1, 29);
    EXPECT_EQ(form.StringGrid1->item(12, 1)->text(), "DataForkLength");
    EXPECT_EQ(form.StringGrid1->item(27, 0)->text(), "126");
    EXPECT_EQ(test::ReadBytes(Tmp() / "ZERO.BIN.CR2"), (Bytes{0xA9, 0x00}));
    EXPECT_EQ(test::ReadBytes(Tmp() / "ZERO.BIN.CR1"), (Bytes{0x00, 0x00}));

    const TEditor* log = form.Editor3;
    ASSERT_EQ(log->LineCount(), 8 + 28);
    EXPECT_EQ(log->Line(0), QString(70, '-'));
    EXPECT_EQ(log->Line(1), "FileName         : " + Q(Data("ZERO.BIN")));
    EXPECT_EQ(log->Line(2), "FileType         : Mac Binary I");
    EXPECT_EQ(log->Line(3), "FileSize         : 00000128[DEC] / 00000080[HEX]");
    for (int i = 5; i <= 7; ++i) {
        EXPECT_TRUE(log->Line(i).mid(19).startsWith("00000128[DEC] - 00000127[DEC]"))
            << log->Line(i).toStdString();
    }
    EXPECT_EQ(log->Line(8), form.Editor1->Line(0));
    EXPECT_EQ(log->TopRow(), 0);

    EXPECT_EQ(form.FFileName(), Q(Data("ZERO.BIN")));
    EXPECT_EQ(form.FFileType(), "Mac Binary I");
    EXPECT_EQ(form.Label3->text(), "FileName : " + Q(Data("ZERO.BIN")));
    EXPECT_EQ(form.Label4->text(), "FileType : Mac Binary I");
    EXPECT_TRUE(form.BtnChangeFileType->isEnabled());
    EXPECT_TRUE(form.BtnDeleteHeader->isEnabled());
    EXPECT_TRUE(form.BtnDeleteHeaderResorceComment->isEnabled());
    EXPECT_EQ(form.StringGrid1->currentRow(), 0);
}

TEST_F(MacBinaryPage, WarningsAndErrorsChangeNothing) {
    TFormMain& form = Shown();
    struct Case {
        bool japanese;
        const char* file;
        Bytes bytes;
        const char* message; // empty: an error box
    };
    Bytes rejected(300, 0);
    rejected[74] = 1;
    const Case cases[] = {
        {false, "missing.bin", {}, "Warning ! File can not find."},
        {true, "missing.bin", {}, "警告 ! ファイルが見つかりません"},
        {false, "text.bin", rejected, "Warning ! This file is not mac binary file."},
        {true, "text.bin", rejected, "警告 ! MacBinary のファイルではありません"},
        {false, "short.bin", Bytes(100, 0), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        form.MenuJapaneseSet->setChecked(c.japanese);
        if (!c.bytes.empty()) {
            WriteBytes(Data(c.file), c.bytes);
        }
        dialogs_.shown.clear();
        Open(Data(c.file));
        if (*c.message) {
            EXPECT_EQ(LastMessage(), QString::fromUtf8(c.message));
        } else {
            ASSERT_EQ(dialogs_.Count(Kind::Error), 1u);
            EXPECT_TRUE(dialogs_.Texts(Kind::Error)[0].startsWith("ファイルの末尾以降を読み込みました"));
        }
        EXPECT_EQ(form.Editor1->LineCount(), 0);
        EXPECT_EQ(form.Editor3->LineCount(), 0);
        EXPECT_FALSE(form.BtnDeleteHeader->isEnabled());
        EXPECT_TRUE(form.FFileName().isEmpty());
    }
    EXPECT_TRUE(std::filesystem::is_empty(Tmp()));
}

// The file shown belongs to the page: TabSheet1 holds it, and the window reads it from there.
TEST_F(MacBinaryPage, ThePageOwnsTheFileShown) {
    TFormMain& form = Shown();
    English();
    auto* sheet = form.findChild<TMacBinaryTabSheet*>("TabSheet1");
    ASSERT_NE(sheet, nullptr);
    EXPECT_FALSE(sheet->Model().FileWasRead());
    THeader h{};
    test::PutName(h, "Good");
    MakeFile(Data("good.bin"), h, 100, 50, 300);
    Open(Data("good.bin"));
    ASSERT_TRUE(sheet->Model().FileWasRead());
    EXPECT_EQ(&sheet->Model(), &form.MacBinaryPage());
    EXPECT_EQ(sheet->Model().FHeader()[kOffsetName], 'G');
    EXPECT_EQ(Q(sheet->Model().Shown().Path), form.FFileName());
    EXPECT_EQ(QString::fromUtf8(sheet->Model().FFileType().data(),
                                static_cast<qsizetype>(sheet->Model().FFileType().size())),
              form.FFileType());
}

TEST_F(MacBinaryPage, ARejectedFileLeavesTheShownFileAsTheConversionsSource) {
    TFormMain& form = Shown();
    English();
    THeader h{};
    test::PutName(h, "Good");
    const Bytes good = MakeFile(Data("good.bin"), h, 100, 50, 300);
    Open(Data("good.bin"));
    const QStringList panes = form.Editor1->Lines();

    // A later file that is not MacBinary, with a different data fork length stored.
    THeader bad{};
    bad[0] = 1;
    MakeFile(Data("bad.bin"), bad, 7, 0, 300, 2);
    Open(Data("bad.bin"));
    EXPECT_EQ(LastMessage(), "Warning ! This file is not mac binary file.");
    EXPECT_EQ(form.Editor1->Lines(), panes);
    EXPECT_EQ(form.FFileName(), Q(Data("good.bin")));
    EXPECT_EQ(form.MacBinaryPage().FHeader()[kOffsetName], 'G');
    EXPECT_TRUE(form.BtnChangeFileType->isEnabled());

    Convert(form.BtnDeleteHeaderResorceComment, Data("data.out"));
    EXPECT_EQ(test::ReadBytes(Data("data.out")), test::Slice(good, 128, 100));
    Convert(form.BtnDeleteHeader, Data("strip.out"));
    EXPECT_EQ(test::ReadBytes(Data("strip.out")), test::Slice(good, 128, good.size()));
    Convert(form.BtnChangeFileType, Data("mb2.out"));
    const Bytes mb2 = test::ReadBytes(Data("mb2.out"));
    EXPECT_EQ(test::Slice(mb2, 128, mb2.size()), test::Slice(good, 128, good.size()));
    EXPECT_EQ(mb2[2], 'G');
}

TEST_F(MacBinaryPage, AReadOnlyFileCanBeInspected) {
    TFormMain& form = Shown();
    MakeFile(Data("ro.bin"), THeader{}, 10, 0, 10);
    ::chmod(Data("ro.bin").c_str(), 0444);
    Open(Data("ro.bin"));
    EXPECT_EQ(dialogs_.Count(Kind::Error), 0u);
    EXPECT_EQ(form.Editor1->LineCount(), 28);
}

TEST_F(MacBinaryPage, APieceThatCannotBeWrittenEndsTheRead) {
    TFormMain& form = Shown();
    MakeFile(Data("p.bin"), THeader{}, 0, 0, 10);
    std::filesystem::remove_all(Tmp());
    Open(Data("p.bin"));
    ASSERT_EQ(dialogs_.Count(Kind::Error), 1u);
    EXPECT_TRUE(dialogs_.Texts(Kind::Error)[0].contains("p.bin.DA1"))
        << dialogs_.Texts(Kind::Error)[0].toStdString();
    EXPECT_EQ(form.Editor3->LineCount(), 0);
    EXPECT_TRUE(form.FFileName().isEmpty());
    EXPECT_FALSE(form.BtnChangeFileType->isEnabled());
}

TEST_F(MacBinaryPage, VersionIIIFileKeepsItsSignatureInTheNewHeader) {
    TFormMain& form = Shown();
    THeader h{};
    test::PutName(h, "Three");
    std::memcpy(&h[102], "mBIN", 4);
    h[122] = 130;
    h[123] = 129;
    MakeFile(Data("three.bin"), h, 0, 0, 0);
    Open(Data("three.bin"));
    EXPECT_EQ(form.FFileType(), "Mac Binary II or Mac Binary III");
    const Bytes da2 = test::ReadBytes(Tmp() / "three.bin.DA2");
    ASSERT_EQ(da2.size(), 124u);
    EXPECT_EQ(da2[122], 129);
    EXPECT_EQ(da2[123], 129);
    EXPECT_EQ(std::string(da2.begin() + 102, da2.begin() + 106), "mBIN");
    EXPECT_EQ(form.MacBinaryPage().FHeaderII(), MacBinaryIIForm(form.MacBinaryPage().FHeader()));
}

TEST_F(MacBinaryPage, ATabInTheNameWidensTheGridForGood) {
    TFormMain& form = Shown();
    THeader h{};
    test::PutName(h, "A\tB");
    MakeFile(Data("tab.bin"), h, 0, 0, 0);
    Open(Data("tab.bin"));
    EXPECT_EQ(form.StringGrid1->columnCount(), 7);
    EXPECT_EQ(form.StringGrid1->item(2, 2)->text(), "A");
    EXPECT_EQ(form.StringGrid1->item(2, 3)->text(), "B");
    EXPECT_EQ(form.StringGrid1->item(2, 6)->text(), "[HEX]");
    MakeFile(Data("plain.bin"), THeader{}, 0, 0, 0);
    Open(Data("plain.bin"));
    EXPECT_EQ(form.StringGrid1->columnCount(), 7);            // never narrows
    EXPECT_EQ(form.StringGrid1->item(2, 6)->text(), "[HEX]"); // and keeps what was there
}

TEST_F(MacBinaryPage, TextAndGridFollowEachOther) {
    TFormMain& form = Shown();
    MakeFile(Data("f.bin"), THeader{}, 0, 0, 0);
    // Choosing "Text".
    form.RadioGroupInformationItems[0]->click();
    EXPECT_TRUE(form.Editor1->isVisible());
    EXPECT_FALSE(form.StringGrid1->isVisible());
    EXPECT_FALSE(form.RadioGroupInformationItems[0]->isEnabled());
    EXPECT_TRUE(form.RadioGroupInformationItems[1]->isEnabled());
    EXPECT_EQ(form.StringGrid1->focusPolicy(), Qt::NoFocus);

    Open(Data("f.bin"));
    EXPECT_TRUE(form.Editor1->hasFocus());
    form.Editor1->SetCaret(11, 3); // line 12
    EXPECT_EQ(form.StringGrid1->currentRow() + 1, 12);
    form.Editor1->SetCaret(40, 0); // past the last line: the last grid row
    EXPECT_EQ(form.StringGrid1->currentRow() + 1, 28);
    form.Editor1->SetCaret(11, 3);

    form.RadioGroupInformationItems[1]->click();
    EXPECT_TRUE(form.StringGrid1->isVisible());
    EXPECT_TRUE(form.StringGrid1->hasFocus());
    EXPECT_EQ(form.StringGrid1->currentRow() + 1, 12);
    EXPECT_EQ(form.StringGrid1->currentColumn(), 0);
    EXPECT_FALSE(form.RadioGroupInformationItems[1]->isEnabled());
    EXPECT_EQ(form.Editor1->focusPolicy(), Qt::NoFocus);

    // The grid leads now: Editor1's caret and top row follow it.
    QTest::keyClick(form.StringGrid1, Qt::Key_Down);
    QTest::keyClick(form.StringGrid1, Qt::Key_Down);
    EXPECT_EQ(form.Editor1->CaretRow(), 13);
    EXPECT_EQ(form.Editor1->TopRow(), form.StringGrid1->rowAt(0));
}

TEST_F(MacBinaryPage, GridWithoutAFileStartsOnRow1) {
    TFormMain& form = Shown();
    form.RadioGroupInformationItems[0]->click();
    form.RadioGroupInformationItems[1]->click();
    EXPECT_EQ(form.StringGrid1->currentRow(), 0);
}

TEST_F(MacBinaryPage, SelectedCellsAreSkyBlueWithFocusAndSilverWithout) {
    TFormMain& form = Shown();
    form.RadioGroupInformationItems[1]->click();
    form.StringGrid1->setItem(0, 0, new QTableWidgetItem("x"));
    QImage image(40, 20, QImage::Format_RGB32);
    const auto paint = [&](bool selected) {
        image.fill(Qt::black);
        QPainter painter(&image);
        form.StringGrid1DrawCell(painter, 0, 1, QRect(0, 0, 40, 20), selected);
        return image.pixelColor(39, 19);
    };
    form.StringGrid1->setFocus();
    EXPECT_EQ(paint(true), QColor(0xA6, 0xCA, 0xF0));
    form.BtnFileOpen->setFocus();
    EXPECT_EQ(paint(true), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(paint(false), form.StringGrid1->palette().color(QPalette::Base));
}

TEST_F(MacBinaryPage, ConversionsGuardsAndOutputs) {
    TFormMain& form = Shown();
    English();
    // Nothing read yet.
    for (QPushButton* button :
         {form.BtnChangeFileType, form.BtnDeleteHeader, form.BtnDeleteHeaderResorceComment}) {
        form.Guard([&] {
            if (button == form.BtnChangeFileType) {
                form.BtnChangeFileTypeClick();
            } else if (button == form.BtnDeleteHeader) {
                form.BtnDeleteHeaderClick();
            } else {
                form.BtnDeleteHeaderResorceCommentClick();
            }
        });
        EXPECT_EQ(LastMessage(), "Warning ! File does not read.");
    }
    EXPECT_EQ(dialogs_.Count(Kind::SaveFile), 0u);

    THeader h{};
    test::PutName(h, "Body");
    const Bytes source = MakeFile(Data("src.bin"), h, 1025, 10, 3000);
    Open(Data("src.bin"));

    // Cancelling the save dialog writes nothing and says nothing.
    const std::size_t shownBefore = dialogs_.shown.size();
    form.BtnDeleteHeader->click();
    EXPECT_EQ(dialogs_.shown.size(), shownBefore + 1);
    EXPECT_EQ(dialogs_.shown.back().kind, Kind::SaveFile);

    Convert(form.BtnDeleteHeaderResorceComment, Data("data.out"));
    EXPECT_EQ(test::ReadBytes(Data("data.out")), test::Slice(source, 128, 1025));
    Convert(form.BtnDeleteHeader, Data("strip.out"));
    EXPECT_EQ(test::ReadBytes(Data("strip.out")), test::Slice(source, 128, source.size()));
    Convert(form.BtnChangeFileType, Data("mb2.out"));
    Bytes expected(form.MacBinaryPage().FHeaderII().begin(), form.MacBinaryPage().FHeaderII().end());
    expected.insert(expected.end(), source.begin() + 128, source.end());
    EXPECT_EQ(test::ReadBytes(Data("mb2.out")), expected);
    EXPECT_EQ(dialogs_.fileDialogs.back().Filter, "*.*|*.*");

    // The source, or a link to it, as output: refused, the source intact.
    std::filesystem::create_symlink(Data("src.bin"), Data("link.bin"));
    for (const char* output : {"src.bin", "link.bin"}) {
        for (QPushButton* button :
             {form.BtnChangeFileType, form.BtnDeleteHeader, form.BtnDeleteHeaderResorceComment}) {
            Convert(button, Data(output));
            EXPECT_EQ(LastMessage(), "Warning ! Can not write over the source file.");
        }
    }
    form.MenuJapaneseSet->setChecked(true);
    Convert(form.BtnDeleteHeader, Data("src.bin"));
    EXPECT_EQ(LastMessage(), "警告 ! 元のファイルには書き込めません");
    EXPECT_EQ(test::ReadBytes(Data("src.bin")), source);
}

TEST_F(MacBinaryPage, MissingPiecesAreReportedInOrder) {
    TFormMain& form = Shown();
    English();
    MakeFile(Data("p.bin"), THeader{}, 0, 0, 10);
    Open(Data("p.bin"));
    struct Case {
        const char* remove;
        const char* message;
    };
    const Case cases[] = {
        {".OS2", "Warning ! Open file again. You cleared the .OS2 file."},
        {".CR2", "Warning! Open file again. You cleared the .CR2 file."},
        {".DA2", "Warning ! Open file again. You cleared the .DA2 file."},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(Tmp() / (std::string("p.bin") + c.remove));
        form.BtnChangeFileType->click();
        EXPECT_EQ(LastMessage(), c.message);
    }
    EXPECT_EQ(dialogs_.Count(Kind::SaveFile), 0u);
}

// Another window (another KELDA with the same TMP) that shows a file of the same name writes its
// pieces under the same names: the MacBinary II output still carries the header of the file shown.
TEST_F(MacBinaryPage, TheMacBinaryIIHeaderIsThatOfTheFileShown) {
    TFormMain& form = Shown();
    English();
    std::filesystem::create_directories(Data("a"));
    std::filesystem::create_directories(Data("b"));
    THeader a{};
    test::PutName(a, "Mine");
    const Bytes source = MakeFile(Data("a") / "foo.bin", a, 300, 20, 448, 2);
    Open(Data("a") / "foo.bin");

    THeader b{};
    test::PutName(b, "Someone else's");
    test::PutUInt32(b, kOffsetDataForkLength, 9);
    WriteHeaderPieces(Tmp(), Data("b") / "foo.bin", b);

    Convert(form.BtnChangeFileType, Data("mb2.out"));
    THeader shown{};
    std::copy_n(source.begin(), kHeaderSize, shown.begin());
    const THeader header = MacBinaryIIForm(shown);
    Bytes expected(header.begin(), header.end());
    expected.insert(expected.end(), source.begin() + 128, source.end());
    EXPECT_EQ(test::ReadBytes(Data("mb2.out")), expected);
}

// Each window's clean-up leaves the pieces of the file another window shows, and that window still
// converts without being told that its pieces were cleared.
TEST_F(MacBinaryPage, CleanUpLeavesThePiecesOfTheFileAnotherWindowShows) {
    TFormMain& form = Shown();
    English();
    MakeFile(Data("mine.bin"), THeader{}, 10, 0, 10);
    Open(Data("mine.bin"));
    // The other window shows other.bin, holding its pieces as a window does.
    THeader other{};
    test::PutName(other, "Other");
    TPieceHold otherHold;
    WriteHeaderPieces(Tmp(), Data("other.bin"), other, MacBinaryIIForm(other), &otherHold);

    // The other window's clean-up: this window's pieces stay, and its conversion works.
    ClearTmpFiles(Tmp());
    EXPECT_EQ(FirstMissingPiece(Tmp(), Data("mine.bin")), std::nullopt);
    const std::size_t messages = Messages().size();
    Convert(form.BtnChangeFileType, Data("mb2.out"));
    EXPECT_EQ(Messages().size(), messages);
    EXPECT_EQ(test::ReadBytes(Data("mb2.out")).size(), 138u);

    // This window's clean-up: its own pieces go, the other window's stay.
    form.BtnTmpFileClear->click();
    EXPECT_EQ(LastMessage(), "Information ! Tempolary files had been deleted.");
    EXPECT_EQ(FirstMissingPiece(Tmp(), Data("mine.bin")), ".DA2");
    EXPECT_FALSE(std::filesystem::exists(Tmp() / "mine.bin.DA1"));
    for (const TPieceSpec& piece : HeaderPieceSpecs) {
        EXPECT_TRUE(std::filesystem::exists(PieceFileName(Tmp(), Data("other.bin"), piece.Extension)))
            << piece.Extension;
    }
    // Once the other window lets them go (it shows another file, or ends), they are cleared too.
    otherHold = {};
    form.BtnTmpFileClear->click();
    EXPECT_EQ(FirstMissingPiece(Tmp(), Data("other.bin")), ".DA2");
}

TEST_F(MacBinaryPage, CleanUpDeletesEveryPieceAndDisablesOnlyTheMacBinaryIIButton) {
    TFormMain& form = Shown();
    English();
    form.BtnTmpFileClear->click();
    EXPECT_EQ(LastMessage(), "Information ! There is no tempolary files.");

    for (const char* name : {"a.bin", "b.bin", "c.bin"}) {
        MakeFile(Data(name), THeader{}, 0, 0, 10);
        Open(Data(name));
    }
    WriteBytes(Tmp() / "keep.txt", {1});
    form.BtnTmpFileClear->click();
    EXPECT_EQ(LastMessage(), "Information ! Tempolary files had been deleted.");
    EXPECT_FALSE(form.BtnChangeFileType->isEnabled());
    EXPECT_TRUE(form.BtnDeleteHeader->isEnabled());
    EXPECT_TRUE(form.BtnDeleteHeaderResorceComment->isEnabled());
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(Tmp())) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"keep.txt"});

    // The header removals still work without pieces; a new reading enables the conversion again.
    Convert(form.BtnDeleteHeader, Data("strip.out"));
    EXPECT_EQ(test::ReadBytes(Data("strip.out")).size(), 10u);
    Open(Data("a.bin"));
    EXPECT_TRUE(form.BtnChangeFileType->isEnabled());
    form.MenuJapaneseSet->setChecked(true);
    form.BtnTmpFileClear->click();
    EXPECT_EQ(LastMessage(), "情報 ! 一時ファイルの削除が完了しました");
}

} // namespace
} // namespace kelda
