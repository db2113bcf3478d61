// SPDX-License-Identifier: MIT
// The check page, the verdict line of the bottom panel and Setting > Name encoding, driven through
// the window offscreen in both languages.
#include "app/TCheckPage.h"
#include "app/THeaderHexView.h"
#include "app/TPageControl.h"
#include "macbinary/TestFiles.h"
#include "resources/TResourcePage.h"
#include "support/Corpus.h"
#include "support/WindowFixture.h"
#include "textview/TEditor.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QUrl>

#include <cmath>

namespace kelda {
namespace {

class CheckPageTest : public WindowFixture {
protected:
    static QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

    void Open(const std::filesystem::path& file) {
        dialogs_.files.push_back(Q(file));
        Form().BtnFileOpen->click();
    }

    // A MacBinary II file (CRC right): 21 bytes of data, 10 of resources, keep bytes of it.
    std::filesystem::path Make(const char* name, std::string_view macName, std::size_t keep = 266,
                               bool signature = false) {
        THeader h{};
        test::PutName(h, macName);
        test::PutUInt32(h, kOffsetDataForkLength, 21);
        test::PutUInt32(h, kOffsetResourceForkLength, 10);
        if (signature) {
            h[102] = 'm', h[103] = 'B', h[104] = 'I', h[105] = 'N';
        }
        h[kOffsetVersion] = kVersionII;
        h[kOffsetMinVersion] = kVersionII;
        const std::uint16_t crc = HeaderCrc(h);
        h[kOffsetCrc] = static_cast<std::uint8_t>(crc >> 8);
        h[kOffsetCrc + 1] = static_cast<std::uint8_t>(crc);
        test::Bytes bytes(h.begin(), h.end());
        bytes.resize(keep, 0x41);
        test::WriteBytes(root_ / name, bytes);
        return root_ / name;
    }

    QStringList ReportLines() { return Form().CheckPage->Editor5->Lines(); }
    bool ReportHas(const QString& text) {
        const QStringList lines = ReportLines();
        return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.contains(text); });
    }
};

TEST_F(CheckPageTest, TheVerdictLineShowsEachVerdictInItsColourAndInTheLanguageOfTheMoment) {
    TFormMain& form = Shown();
    form.MenuJapaneseSet->setChecked(false);
    form.LanguageChange();
    EXPECT_EQ(form.LabelVerdict->text(), QString()); // nothing read yet

    // An ICC-like header the acceptance rule takes: bytes 0 and 74 zero, name length 0.
    test::Bytes icc(3144, 0);
    icc[2] = 0x0C, icc[3] = 0x48, icc[36] = 'a', icc[37] = 'c', icc[38] = 's', icc[39] = 'p';
    test::WriteBytes(root_ / "profile.icc", icc);

    struct TCase {
        std::filesystem::path File;
        const char* English;
        const char* Japanese;
        const char* Verdict;
        TCheckVerdict Colour;
    };
    const TCase cases[] = {
        {Make("good.bin", "Good"), "Sound MacBinary II", "正常な MacBinary II", "sound",
         TCheckVerdict::Sound},
        {Make("cut.bin", "Cut", 140), "Damaged MacBinary II", "破損した MacBinary II", "damaged",
         TCheckVerdict::Damaged},
        {root_ / "profile.icc", "Probably not MacBinary", "MacBinary ではないようです", "not-macbinary",
         TCheckVerdict::NotMacBinary},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Verdict);
        form.MenuJapaneseSet->setChecked(false);
        form.LanguageChange();
        Open(c.File);
        EXPECT_EQ(form.FFileName(), Q(c.File)); // the acceptance rule still shows the file
        EXPECT_EQ(form.LabelVerdict->text(), QString::fromUtf8(c.English));
        EXPECT_EQ(form.LabelVerdict->property("verdict").toString(), QString::fromUtf8(c.Verdict));
        EXPECT_EQ(form.LabelVerdict->palette().color(QPalette::WindowText), VerdictColor(c.Colour));
        form.MenuJapaneseSetClick();
        EXPECT_EQ(form.LabelVerdict->text(), QString::fromUtf8(c.Japanese));
    }
    // Always visible: on the CRC page too, at the right of the bottom panel.
    form.PageControl1->setCurrentWidget(form.TabSheet2);
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.LabelVerdict->isVisible());
    EXPECT_GT(form.LabelVerdict->geometry().left(), form.Panel1->width() / 2);
}

TEST_F(CheckPageTest, ThePageSitsBesideTheMacBinaryPageAndFollowsTheLanguage) {
    TFormMain& form = Shown();
    const int at = form.PageControl1->indexOf(form.CheckPage);
    EXPECT_EQ(at, form.PageControl1->indexOf(form.TabSheet1) + 1);
    form.MenuJapaneseSet->setChecked(true);
    form.LanguageChange();
    EXPECT_EQ(form.PageControl1->tabText(at), QStringLiteral("    検査    "));
    EXPECT_EQ(form.MenuNameEncoding->title(), QStringLiteral("名前の文字コード(&N)"));
    form.MenuJapaneseSetClick();
    EXPECT_EQ(form.PageControl1->tabText(at), QStringLiteral("    Check    "));
    EXPECT_EQ(form.MenuNameEncoding->title(), QStringLiteral("Name encoding(&N)"));
    // The Setting menu still ends with "Japanese(&J)".
    EXPECT_EQ(form.MenuSetting->actions().back(), form.MenuJapaneseSet);
}

TEST_F(CheckPageTest, FindingsTrueLayoutAndTheHighlightedHeaderField) {
    TFormMain& form = Shown();
    form.MenuJapaneseSet->setChecked(false);
    form.LanguageChange();
    Open(Make("cut.bin", "Cut", 140));
    form.PageControl1->setCurrentWidget(form.CheckPage);
    QCoreApplication::processEvents();

    EXPECT_TRUE(ReportHas("Damaged MacBinary II: The file ends inside the data fork: 9 of its 21"));
    EXPECT_TRUE(ReportHas("[Damage] 083:"));
    // The log's range of the resource fork (149) beside the true one (256).
    EXPECT_TRUE(ReportHas("Log range (back to back)"));
    EXPECT_TRUE(ReportHas("       149 -        158           256 -        265"));

    // The field of Editor1's caret row, then of the grid's current row, is highlighted.
    form.RadioGroupInformationItems[0]->click();
    form.Editor1->setFocus();
    form.Editor1->SetCaret(12, 0); // "083" DataForkLength
    EXPECT_EQ(form.CheckPage->HexView->HighlightStart(), 83);
    EXPECT_EQ(form.CheckPage->HexView->HighlightCount(), 4);
    EXPECT_TRUE(form.CheckPage->FieldLabel->text().startsWith(QStringLiteral("083  DataForkLength")));
    form.StringGrid1->setCurrentCell(2, 0); // "002" FileName
    EXPECT_EQ(form.CheckPage->HexView->HighlightStart(), 2);
    EXPECT_EQ(form.CheckPage->HexView->HighlightCount(), 63);
    const QImage image = form.CheckPage->HexView->grab().toImage();
    const QRect name = form.CheckPage->HexView->ByteRect(2);
    const QRect other = form.CheckPage->HexView->ByteRect(90);
    EXPECT_EQ(image.pixelColor(name.left() + 1, name.bottom() - 1), THeaderHexView::HighlightColor());
    EXPECT_NE(image.pixelColor(other.left() + 1, other.bottom() - 1), THeaderHexView::HighlightColor());

    // In Japanese the page shows the same report in Japanese.
    form.MenuJapaneseSetClick();
    EXPECT_TRUE(ReportHas(QStringLiteral("破損した MacBinary II")));
    EXPECT_TRUE(ReportHas(QStringLiteral("ログの範囲")));
}

TEST_F(CheckPageTest, AFileDroppedOnTheCheckPageIsReadAsOnTheMacBinaryPage) {
    TFormMain& form = Shown();
    form.PageControl1->setCurrentWidget(form.CheckPage);
    const std::filesystem::path file = Make("dropped.bin", "Dropped");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(Q(file))});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &enter);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &drop);
    EXPECT_EQ(form.FFileName(), Q(file));
    EXPECT_EQ(form.OpenDialog1().FileName, Q(file));
    EXPECT_EQ(form.Editor1->LineCount(), 28);
    ASSERT_TRUE(form.CheckPage->Report().has_value());
    EXPECT_EQ(form.CheckPage->Report()->Verdict, TCheckVerdict::Sound);
    EXPECT_EQ(form.PageControl1->currentWidget(), form.CheckPage);
}

TEST_F(CheckPageTest, NameEncodingOverridesTheHeaderRuleAndIsKeptInTheSettings) {
    // テスト in Shift-JIS, in a header with the signature and script 0, which says nothing: the bytes
    // read as Japanese.
    const std::filesystem::path file = Make("sjis.bin", "\x83\x65\x83\x58\x83\x67", 266, true);
    {
        TFormMain& form = Shown();
        form.MenuJapaneseSet->setChecked(false);
        form.LanguageChange();
        Open(file);
        EXPECT_TRUE(form.Editor1->Line(2).contains(QStringLiteral("\tテスト\t")));
        // Both readings on the check page, and which was taken and why.
        EXPECT_TRUE(ReportHas(QStringLiteral("Mac Roman  : ÉeÉXÉg")));
        EXPECT_TRUE(ReportHas(QStringLiteral("Shift-JIS  : テスト")));
        EXPECT_TRUE(ReportHas(QStringLiteral("Read as      : Japanese (Shift-JIS) (reads as Japanese")));

        form.findChild<QAction*>(QStringLiteral("MenuNameEncodingWestern"))->trigger();
        EXPECT_TRUE(form.Editor1->Line(2).contains(QStringLiteral("\tÉeÉXÉg\t")));
        EXPECT_EQ(form.StringGrid1->item(2, 2)->text(), QStringLiteral("ÉeÉXÉg"));
        EXPECT_TRUE(ReportHas(QStringLiteral("Name         : ÉeÉXÉg")));
        EXPECT_TRUE(ReportHas(QStringLiteral("Read as      : Western (Mac Roman) (the encoding chosen)")));
        form.findChild<QAction*>(QStringLiteral("MenuNameEncodingJapanese"))->trigger();
        EXPECT_EQ(form.StringGrid1->item(2, 2)->text(), QStringLiteral("テスト"));
        EXPECT_TRUE(ReportHas(QStringLiteral("Name         : テスト")));
        form.findChild<QAction*>(QStringLiteral("MenuNameEncodingWestern"))->trigger();
        form_.reset(); // the window closes and writes its settings
    }
    const std::string ini = ReadFile(ExeFolder() / "kelda.INI");
    const std::size_t language = ini.find("[Language]");
    const std::size_t names = ini.find("[Names]\nEncoding=2");
    ASSERT_NE(names, std::string::npos) << ini;
    EXPECT_GT(names, language); // after the design's seven sections
    EXPECT_EQ(ReadSettings(ExeFolder() / "kelda.INI").Japanese, false);

    TFormMain& again = Form();
    EXPECT_TRUE(again.findChild<QAction*>(QStringLiteral("MenuNameEncodingWestern"))->isChecked());
    Open(file);
    EXPECT_TRUE(again.Editor1->Line(2).contains(QStringLiteral("\tÉeÉXÉg\t")));
    // Resetting the settings file goes back to the header's own rule.
    again.MenuResetIniFile->trigger();
    EXPECT_TRUE(again.findChild<QAction*>(QStringLiteral("MenuNameEncodingAuto"))->isChecked());
}

// A file the acceptance rule refuses: the design's box first, then its check report on the check
// page, marked as not opened, while the MacBinary page, its buttons and the bottom panel's name keep
// the file shown. The next file read clears the mark.
TEST_F(CheckPageTest, ARefusedFileShowsItsReportMarkedAsNotOpened) {
    TFormMain& form = Shown();
    const struct {
        bool Japanese;
        const char* Box;
        const char* Mark;
        const char* Reason;
    } languages[] = {
        {false, "Warning ! This file is not mac binary file.",
         "Not opened: ", "Byte 0 (the old version number) is 127"},
        {true, "警告 ! MacBinary のファイルではありません", "開いていません: ", "127"},
    };
    test::Bytes elf(300, 0);
    elf[0] = 0x7F, elf[1] = 'E', elf[2] = 'L', elf[3] = 'F';
    test::WriteBytes(root_ / "elf", elf);
    for (const auto& l : languages) {
        SCOPED_TRACE(l.Japanese);
        form.MenuJapaneseSet->setChecked(l.Japanese);
        form.LanguageChange();
        const auto good = Make("good.bin", "Good");
        Open(good);
        const QString panel = form.Label2->text();
        ASSERT_EQ(form.FFileName(), Q(good));
        EXPECT_TRUE(form.CheckPage->NotOpened().empty());

        Open(root_ / "elf");
        EXPECT_EQ(dialogs_.Texts(FakeDialogs::Kind::Message).back(), QString::fromUtf8(l.Box));
        EXPECT_EQ(form.FFileName(), Q(good));
        EXPECT_EQ(form.Label2->text(), panel);
        EXPECT_TRUE(form.BtnChangeFileType->isEnabled());
        EXPECT_EQ(form.PageControl1->currentWidget(), form.CheckPage);
        ASSERT_TRUE(form.CheckPage->Report());
        EXPECT_EQ(form.CheckPage->Report()->Verdict, TCheckVerdict::NotMacBinary);
        EXPECT_EQ(form.CheckPage->NotOpened(), (root_ / "elf").string());
        EXPECT_TRUE(form.CheckPage->VerdictLabel->text().startsWith(QString::fromUtf8(l.Mark) +
                                                                    Q(root_ / "elf") + "\n"))
            << form.CheckPage->VerdictLabel->text().toStdString();
        EXPECT_TRUE(form.LabelVerdict->text().startsWith(QString::fromUtf8(l.Mark)));
        EXPECT_TRUE(ReportHas(QString::fromUtf8(l.Reason))) << ReportLines().join('\n').toStdString();

        Open(good);
        EXPECT_TRUE(form.CheckPage->NotOpened().empty());
        EXPECT_FALSE(form.CheckPage->VerdictLabel->text().startsWith(QString::fromUtf8(l.Mark)));
    }
}

// The cells a line takes up to position end: two for a wide (Japanese) character, one for others
// (half-width katakana too).
int Cells(const QString& line, qsizetype end) {
    int cells = 0;
    for (qsizetype i = 0; i < end; ++i) {
        const char16_t c = line[i].unicode();
        cells += c >= 0x1100 && !(c >= 0xFF61 && c <= 0xFF9F) ? 2 : 1;
    }
    return cells;
}

// At the window's smallest size every report line fits the report's width (nothing runs off the
// right edge), every label's colon stands in one column after a blank, the layout's column says
// "Actual position", and each verdict colour reads on the window's background (4.5:1 at least).
TEST_F(CheckPageTest, TheReportFitsAtTheSmallestSizeWithItsColonsInOneColumn) {
    TFormMain& form = Shown();
    form.resize(980, 730);
    form.PageControl1->setCurrentWidget(form.CheckPage);
    for (const bool japanese : {false, true}) {
        SCOPED_TRACE(japanese);
        form.MenuJapaneseSet->setChecked(japanese);
        form.LanguageChange();
        Open(Make("report.bin", "Report", 200));
        QCoreApplication::processEvents();
        const QFontMetrics metrics(form.CheckPage->Editor5->font());
        bool layoutHeader = false;
        for (const QString& line : ReportLines()) {
            EXPECT_LE(metrics.horizontalAdvance(line) + 2 * metrics.horizontalAdvance('0'),
                      form.CheckPage->Editor5->viewport()->width())
                << line.toStdString();
            const qsizetype colon = line.indexOf(QLatin1Char(':'));
            if (!line.startsWith(' ') && !line.startsWith('[') && colon > 0 && colon < 15) {
                EXPECT_EQ(Cells(line, colon), 13) << line.toStdString();
                EXPECT_EQ(line[colon - 1], QLatin1Char(' ')) << line.toStdString();
            }
            layoutHeader = layoutHeader || line.endsWith(japanese ? QString::fromUtf8("実際の位置")
                                                                  : QStringLiteral("Actual position"));
        }
        EXPECT_TRUE(layoutHeader);
    }
    const auto luminance = [](const QColor& c) {
        const auto lin = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    const double background = luminance(QColor(0xEF, 0xEF, 0xEF));
    for (const TCheckVerdict v :
         {TCheckVerdict::Sound, TCheckVerdict::Damaged, TCheckVerdict::NotMacBinary}) {
        EXPECT_GE((background + 0.05) / (luminance(VerdictColor(v)) + 0.05), 4.5) << static_cast<int>(v);
    }
}

// A click on a byte of the header view chooses its field there and on the MacBinary page.
TEST_F(CheckPageTest, AClickInTheHexViewSelectsTheField) {
    TFormMain& form = Shown();
    Open(Make("click.bin", "Click"));
    form.PageControl1->setCurrentWidget(form.CheckPage);
    QCoreApplication::processEvents();
    const struct {
        int Offset;
        int Field;
    } cases[] = {{65, 3}, {68, 3}, {1, 1}, {83, 12}, {0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Offset);
        QTest::mouseClick(form.CheckPage->HexView, Qt::LeftButton, {},
                          form.CheckPage->HexView->ByteRect(c.Offset).center());
        EXPECT_EQ(form.CheckPage->Model().Field(), c.Field);
        EXPECT_EQ(form.CheckPage->HexView->HighlightStart(),
                  HeaderFields[static_cast<std::size_t>(c.Field)].Offset);
        EXPECT_EQ(form.Editor1->CaretRow(), c.Field);
        EXPECT_EQ(form.StringGrid1->currentRow(), c.Field);
    }
}

// The pages stand alone: given a file, the check page checks it and holds the BinHex file it
// opened, and the Resources page shows a model and hands the row the user chooses to it.
TEST_F(CheckPageTest, ThePagesWorkFromTheirModelsAlone) {
    TCheckPage check;
    check.ShowFile(test::CorpusFile("binhex/hf_wezm_TextFile_II.hqx"), false, TMacEncoding::Auto);
    ASSERT_TRUE(check.Report().has_value());
    EXPECT_EQ(check.Report()->Container, TCheckContainer::BinHex);
    ASSERT_NE(check.BinHexFile(), nullptr);
    EXPECT_TRUE(check.HeaderBytes->isHidden());
    EXPECT_TRUE(check.VerdictLabel->text().startsWith("Sound BinHex 4.0"));

    TResourcePage resources;
    resources.Show(TResourceModel::FromMacFile(check.BinHexFile()));
    const int rows = static_cast<int>(resources.Model().Rows().size());
    ASSERT_GT(rows, 1);
    EXPECT_EQ(resources.ResourceTable->rowCount(), rows);
    EXPECT_EQ(resources.ResourceTable->currentRow(), resources.Model().CurrentRow());
    resources.ResourceTable->setCurrentCell(rows - 1, 0);
    EXPECT_EQ(resources.Model().CurrentRow(), rows - 1);

    // A refused file's own header bytes are drawn; a file shorter than a header has none.
    for (const std::size_t size : {200u, 100u}) {
        SCOPED_TRACE(size);
        const auto plain = root_ / "plain.txt";
        WriteFile(plain, "plain" + std::string(size - 5, ' '));
        check.ShowFile(plain, false, TMacEncoding::Auto, "plain.txt");
        EXPECT_EQ(check.BinHexFile(), nullptr);
        EXPECT_EQ(check.NotOpened(), "plain.txt");
        EXPECT_EQ(check.HeaderBytes->isHidden(), size < 128);
        EXPECT_EQ(check.Model().Header()[1], size < 128 ? 0 : 'l');
        EXPECT_EQ(check.Report()->Verdict, TCheckVerdict::NotMacBinary);
    }
}

} // namespace
} // namespace kelda
