// SPDX-License-Identifier: MIT
// BinHex files and disk images in the window: a BinHex file's report on the Check page and its
// resources on the Resources page with the MacBinary page left as it was, Save as MacBinary and
// Save as BinHex, the design's box for a file that is neither, and the Images page's tree of a
// volume with its check, a file's details and resources, and Extract from image.
#include "app/TCheckPage.h"
#include "app/TPageControl.h"
#include "image/ImageFiles.h"
#include "image/TImagePage.h"
#include "resources/TResourcePage.h"
#include "support/Corpus.h"
#include "support/WindowFixture.h"
#include "textview/TEditor.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>

namespace kelda {
namespace {

using Kind = FakeDialogs::Kind;
using namespace test;
namespace fs = std::filesystem;

QString Q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

class ContainersWindow : public WindowFixture {
protected:
    TFormMain& English() {
        TFormMain& form = Form();
        form.MenuJapaneseSet->setChecked(false);
        form.LanguageChange();
        return form;
    }
    void Open(TFormMain& form, const fs::path& file) {
        dialogs_.files.push_back(Q(file));
        form.BtnFileOpen->click();
    }
    // The forks of a Mac file in any container, read back through the model.
    static std::pair<Bytes, Bytes> Forks(const fs::path& file, const fs::path& scratch) {
        const TMacFileSource source = TMacFileSource::Open(file);
        return {CopyForks({source.Data()}, scratch.string() + ".d"),
                CopyForks({source.Resource()}, scratch.string() + ".r")};
    }
};

TEST_F(ContainersWindow, ABinHexFileShowsItsReportAndResourcesAndSavesAsMacBinary) {
    TFormMain& form = English();
    const fs::path hqx = CorpusFile("binhex/hf_wezm_TextFile_II.hqx");
    EXPECT_FALSE(form.MenuSaveBinHex->isEnabled());
    EXPECT_FALSE(form.MenuSaveMacBinary->isEnabled());
    Open(form, hqx);
    EXPECT_EQ(dialogs_.Count(Kind::Message), 0u) << dialogs_.Texts(Kind::Message).front().toStdString();
    EXPECT_EQ(form.PageControl1->currentWidget(), form.CheckPage);
    EXPECT_TRUE(form.CheckPage->VerdictLabel->text().startsWith("Sound BinHex 4.0"))
        << form.CheckPage->VerdictLabel->text().toStdString();
    // MacBinary's layout against the log's ranges is not a BinHex file's; its name is its own.
    bool named = false;
    for (const std::string& line : form.CheckPage->Model().Lines(false)) {
        EXPECT_EQ(line.find("Log range"), std::string::npos) << line;
        named = named || line == "Name         : wezm_TextFile_II";
    }
    EXPECT_TRUE(named);
    EXPECT_GT(form.ResourcePage->ResourceTable->rowCount(), 0);
    // The MacBinary page is left as the design leaves it with no file.
    EXPECT_FALSE(form.MacBinaryPage().FileWasRead());
    EXPECT_TRUE(form.FFileName().isEmpty());
    EXPECT_TRUE(form.MenuSaveBinHex->isEnabled());
    EXPECT_TRUE(form.MenuSaveMacBinary->isEnabled());

    dialogs_.files.push_back(Q(root_ / "out.bin"));
    form.MenuSaveMacBinary->trigger();
    ASSERT_TRUE(fs::exists(root_ / "out.bin"));
    EXPECT_EQ(TMacFileSource::Open(root_ / "out.bin").File().Version, TMacBinaryVersion::III);
    EXPECT_EQ(Forks(root_ / "out.bin", root_ / "a"), Forks(hqx, root_ / "b"));
    dialogs_.files.push_back(Q(root_ / "again.hqx"));
    form.MenuSaveBinHex->trigger();
    EXPECT_EQ(Forks(root_ / "again.hqx", root_ / "c"), Forks(hqx, root_ / "b"));

    // The fork exports take the BinHex file too; they used to answer "file not read".
    dialogs_.files.push_back(Q(root_ / "out.as"));
    form.MenuExportAppleSingle->trigger();
    EXPECT_EQ(Forks(root_ / "out.as", root_ / "d"), Forks(hqx, root_ / "b"));
    dialogs_.files.push_back(Q(root_ / "out.rsrc"));
    form.MenuExportResourceFork->trigger();
    const std::string rsrc = ReadFile(root_ / "out.rsrc");
    EXPECT_EQ(Bytes(rsrc.begin(), rsrc.end()), Forks(hqx, root_ / "b").second);

    // Save as BinHex never writes over the file it reads.
    const std::string before = ReadFile(root_ / "again.hqx");
    Open(form, root_ / "again.hqx");
    dialogs_.files.push_back(Q(root_ / "again.hqx"));
    form.MenuSaveBinHex->trigger();
    EXPECT_EQ(ReadFile(root_ / "again.hqx"), before);
    EXPECT_EQ(dialogs_.Texts(Kind::Message).back(), form.MessageQ(TMsg::CannotWriteOverSource));

    // Another name encoding keeps the BinHex file's resources on the Resources page, even with a
    // MacBinary file shown on its page.
    Open(form, CorpusFile("wezm_NoResourceFork.bin"));
    Open(form, hqx);
    const int resources = form.ResourcePage->ResourceTable->rowCount();
    form.MenuNameEncodingItems[2]->trigger();
    EXPECT_EQ(form.ResourcePage->ResourceTable->rowCount(), resources);

    // A MacBinary file read afterwards is the file shown again: Save as MacBinary is off.
    Open(form, CorpusFile("wezm_TextFile_II.bin"));
    EXPECT_TRUE(form.MacBinaryPage().FileWasRead());
    EXPECT_FALSE(form.MenuSaveMacBinary->isEnabled());
    EXPECT_TRUE(form.MenuSaveBinHex->isEnabled());
}

// The Check and Resources pages hold what they show: a BinHex file's report draws no MacBinary
// header (it has none), its resources are saved from it and named by it whatever the MacBinary
// page shows, and a refused file's report puts the file's own bytes back and ends Save as MacBinary.
TEST_F(ContainersWindow, TheCheckAndResourcesPagesShowTheFileTheyHold) {
    TFormMain& form = English();
    const fs::path hqx = CorpusFile("binhex/hf_wezm_TextFile_II.hqx");
    const QWidget* bytes = form.CheckPage->HeaderBytes;
    EXPECT_TRUE(bytes->isHidden()); // no report yet
    for (const bool macBinaryShown : {false, true}) {
        SCOPED_TRACE(macBinaryShown);
        if (macBinaryShown) {
            Open(form, CorpusFile("wezm_NoResourceFork.bin"));
            EXPECT_FALSE(bytes->isHidden());
        }
        Open(form, hqx);
        EXPECT_TRUE(bytes->isHidden());
        ASSERT_NE(form.ResourcePage->Current(), nullptr);
        const fs::path out = root_ / ("resource" + std::to_string(macBinaryShown) + ".bin");
        dialogs_.files.push_back(Q(out));
        form.ResourcePage->BtnSaveResource->click();
        ASSERT_FALSE(dialogs_.fileDialogs.empty());
        const fs::path offered = dialogs_.fileDialogs.back().Path;
        EXPECT_TRUE(offered.filename().string().starts_with("wezm_TextFile_II.")) << offered;
        EXPECT_TRUE(fs::exists(out));
        EXPECT_TRUE(form.Editor3->Lines().back().endsWith(" from " + Q(hqx)))
            << form.Editor3->Lines().back().toStdString();
    }
    const fs::path plain = root_ / "plain.txt";
    WriteFile(plain, "plain text, not MacBinary" + std::string(200, ' '));
    Open(form, plain);
    EXPECT_FALSE(bytes->isHidden());
    EXPECT_EQ(form.CheckPage->Model().Header()[0], 'p');
    EXPECT_EQ(form.CheckPage->BinHexFile(), nullptr);
    EXPECT_FALSE(form.MenuSaveMacBinary->isEnabled());
}

TEST_F(ContainersWindow, AFileThatIsNeitherGetsTheDesignsBox) {
    TFormMain& form = English();
    WriteFile(root_ / "plain.txt", std::string(300, 'x'));
    Open(form, root_ / "plain.txt");
    ASSERT_EQ(dialogs_.Count(Kind::Message), 1u);
    EXPECT_EQ(dialogs_.Texts(Kind::Message).front(), "Warning ! This file is not mac binary file.");
    EXPECT_FALSE(form.ImagePage->Model());
    EXPECT_FALSE(form.MenuExtractImage->isEnabled());
}

TEST_F(ContainersWindow, AnImageListsItsTreeAndExtractsTheSelection) {
    TFormMain& form = English();
    WriteBytes(root_ / "basic.hfs", ImageBytes("basic.hfs"));
    Open(form, root_ / "basic.hfs");
    EXPECT_EQ(dialogs_.Count(Kind::Error), 0u);
    // A bare volume's first bytes pass the design's acceptance rule: the MacBinary page takes it as
    // designed, and the Images page shows its volume.
    ASSERT_TRUE(form.ImagePage->Model());
    TImagePage& page = *form.ImagePage;
    QStringList names;
    for (QTreeWidgetItemIterator it(page.Tree); *it != nullptr; ++it) {
        names.append(QString(2 * ((*it)->parent() != nullptr ? 1 : 0), ' ') + (*it)->text(0));
    }
    EXPECT_EQ(names.size(), 7);
    EXPECT_TRUE(names.contains("  CHAPTER12") && names.contains("  日本語")) << names.join(",").toStdString();
    EXPECT_TRUE(page.VerdictLabel->text().startsWith("Sound: HFS \"Kelda Test\""));
    // The first file is chosen: its details and its resources.
    const std::size_t text = page.SelectedRows().front();
    EXPECT_TRUE(page.DetailText->toPlainText().contains("Path     : Docs:Deep:CHAPTER12"))
        << page.DetailText->toPlainText().toStdString();
    std::size_t textFile = 0;
    for (std::size_t r = 0; r < page.Model()->Rows().size(); ++r) {
        if (page.Model()->Rows()[r].Cells[0] == "TextFile") {
            textFile = r;
        }
    }
    page.SelectRow(textFile);
    EXPECT_GT(page.Resources->ResourceTable->rowCount(), 0);
    EXPECT_NE(text, textFile);

    // Extract the file as AppleSingle under the name chosen; then the whole Docs folder as
    // MacBinary, where a file already there is replaced only when the user says so.
    page.FormCombo->setCurrentIndex(static_cast<int>(TImageForm::AppleSingle));
    fs::create_directories(root_ / "out");
    dialogs_.files.push_back(Q(root_ / "out/Text.as"));
    form.MenuExtractImage->trigger();
    EXPECT_EQ(TMacFileSource::Open(root_ / "out/Text.as").File().Resource.Length, 1454);

    page.SelectRow(page.Model()->Rows()[textFile].Parent < 0
                       ? 0
                       : static_cast<std::size_t>(page.Model()->Rows()[textFile].Parent));
    page.FormCombo->setCurrentIndex(static_cast<int>(TImageForm::MacBinary));
    fs::create_directories(root_ / "out/Docs");
    WriteFile(root_ / "out/Docs/TextFile.bin", "mine");
    dialogs_.files.push_back(Q(root_ / "out/Docs.bin"));
    dialogs_.answers.push_back(false); // keep what is there
    form.MenuExtractImage->trigger();
    EXPECT_EQ(dialogs_.Texts(Kind::Question).back(), form.MessageQ(TMsg::ImageReplaceAsk));
    EXPECT_EQ(ReadFile(root_ / "out/Docs/TextFile.bin"), "mine");
    EXPECT_EQ(TMacFileSource::Open(root_ / "out/Docs/Deep/CHAPTER12.bin").File().Data.Length, 26112);
    EXPECT_EQ(dialogs_.Texts(Kind::Message).back(), "Information ! 1 file(s) written, 1 not written.");
}

// Setting > Name encoding redraws the Images page's names as it does the other pages' (also with
// no MacBinary file read): the tree, and the chosen file's path in its details.
TEST_F(ContainersWindow, TheImagesPageFollowsTheNameEncodingMenu) {
    TFormMain& form = English();
    WriteBytes(root_ / "basic.hfs", ImageBytes("basic.hfs"));
    form.ShowImage(root_ / "basic.hfs");
    TImagePage& page = *form.ImagePage;
    ASSERT_TRUE(page.Model());
    const auto names = [&page] {
        QStringList shown;
        for (QTreeWidgetItemIterator it(page.Tree); *it != nullptr; ++it) {
            shown.append((*it)->text(0));
        }
        return shown;
    };
    std::size_t japaneseRow = 0;
    for (std::size_t r = 0; r < page.Model()->Rows().size(); ++r) {
        if (page.Model()->Rows()[r].Cells[0] == "日本語") {
            japaneseRow = r;
        }
    }
    ASSERT_NE(japaneseRow, 0u);
    page.SelectRow(japaneseRow);
    const struct {
        int Item; // Auto, Japanese, Western
        const char* Name;
    } cases[] = {{2, "ì˙ñ{åÍ"}, {1, "日本語"}, {2, "ì˙ñ{åÍ"}, {0, "日本語"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Item);
        form.MenuNameEncodingItems[static_cast<std::size_t>(c.Item)]->trigger();
        EXPECT_TRUE(names().contains(QString::fromUtf8(c.Name))) << names().join(",").toStdString();
        EXPECT_TRUE(page.DetailText->toPlainText().contains(QString::fromUtf8("Path     : ") + c.Name))
            << page.DetailText->toPlainText().toStdString();
        EXPECT_EQ(page.SelectedRows(), std::vector<std::size_t>{japaneseRow});
    }
    EXPECT_EQ(dialogs_.Count(Kind::Error), 0u);
}

TEST_F(ContainersWindow, AMacBinaryWrappingAnImageStaysOnTheMacBinaryPage) {
    TFormMain& form = English();
    // Dropped on the Images page, it is read as on the MacBinary page.
    form.PageControl1->setCurrentWidget(form.ImagePage);
    form.WMDropFiles({CorpusFile("convert2dsk_Blank800K.img.bin")});
    EXPECT_TRUE(form.MacBinaryPage().FileWasRead());
    ASSERT_TRUE(form.ImagePage->Model());
    EXPECT_TRUE(form.ImagePage->VerdictLabel->text().startsWith("Sound: DiskCopy 4.2 > HFS \"Blank800K\""));
    EXPECT_TRUE(form.MenuExtractImage->isEnabled());
    form.MenuJapaneseSet->trigger();
    EXPECT_TRUE(form.ImagePage->VerdictLabel->text().startsWith("正常: DiskCopy 4.2 > HFS"));
    EXPECT_EQ(form.PageControl1->tabText(form.PageControl1->indexOf(form.ImagePage)), "   ｲﾒｰｼﾞ   ");
}

} // namespace
} // namespace kelda
