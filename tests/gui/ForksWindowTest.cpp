// SPDX-License-Identifier: MIT
// The File menu's fork items end to end through the scripted dialogs: the exports of the file shown,
// the question before a fork cut short, the guards, a cancelled export, extraction under the Mac
// name, and the Make MacBinary dialog with its fields filled from a sidecar.
#include "forks/ForkExport.h"
#include "forks/ForkSamples.h"
#include "forks/TAppleContainer.h"
#include "forks/TMakeMacBinaryDialog.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

namespace kelda {
namespace {

using Kind = FakeDialogs::Kind;
using namespace std::chrono_literals;
using namespace test;

QString Q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

class ForksWindow : public WindowFixture {
protected:
    TFormMain& Opened(const Bytes& file) {
        WriteBytes(root_ / "in.bin", file);
        TFormMain& form = Form();
        form.MenuJapaneseSet->setChecked(false);
        dialogs_.files.push_back(Q(root_ / "in.bin"));
        form.BtnFileOpen->click();
        EXPECT_EQ(form.FFileName(), Q(root_ / "in.bin"));
        return form;
    }
    // Triggers the item with output as the save dialog's answer.
    void Choose(QAction* item, const std::filesystem::path& output) {
        dialogs_.files.push_back(Q(output));
        item->trigger();
    }
    QString LastMessage() const {
        const auto texts = dialogs_.Texts(Kind::Message);
        return texts.empty() ? QString() : texts.back();
    }
};

TEST_F(ForksWindow, MenuItemsFollowTheLanguage) {
    TFormMain& form = Form();
    form.MenuJapaneseSet->setChecked(false);
    form.LanguageChange();
    EXPECT_EQ(form.MenuExportAppleDouble->text(), "Export as AppleDouble…");
    EXPECT_EQ(form.MenuFile->actions().indexOf(form.MenuMakeMacBinary), 4);
    EXPECT_EQ(form.MenuFile->actions().last(), form.MenuQuit);
    form.MenuJapaneseSet->setChecked(true);
    form.LanguageChange();
    EXPECT_EQ(form.MenuExtract->text(), "取り出し…");
    EXPECT_EQ(form.MenuMakeMacBinary->text(), "MacBinary 作成…");
}

TEST_F(ForksWindow, ExportsOfTheFileShown) {
    TFormMain& form = Opened(SampleFile());
    const struct {
        QAction* Item;
        const char* Out;
        std::size_t Size;
    } cases[] = {{form.MenuExportResourceFork, "r", 2},
                 {form.MenuExportAppleDouble, "._Ab", 156},
                 {form.MenuExportAppleSingle, "Ab.as", 173}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Out);
        Choose(c.Item, root_ / c.Out);
        EXPECT_EQ(std::filesystem::file_size(root_ / c.Out), c.Size);
    }
    EXPECT_EQ(dialogs_.Count(Kind::Message), 0u);
    EXPECT_EQ(dialogs_.Count(Kind::Error), 0u);
}

TEST_F(ForksWindow, GuardsOfTheConversions) {
    TFormMain& form = Form();
    form.MenuJapaneseSet->setChecked(false);
    form.MenuExportAppleSingle->trigger(); // nothing read yet
    EXPECT_EQ(LastMessage(), "Warning ! File does not read.");
    EXPECT_EQ(dialogs_.Count(Kind::SaveFile), 0u);

    Opened(SampleFile());
    Choose(form.MenuExportAppleSingle, root_ / "in.bin");
    EXPECT_EQ(LastMessage(), "Warning ! Can not write over the source file.");
    EXPECT_EQ(ReadBytes(root_ / "in.bin"), SampleFile());

    const auto entries = [this] { return std::distance(std::filesystem::directory_iterator(root_), {}); };
    const auto before = entries();
    dialogs_.files.push_back(std::nullopt); // cancelled save dialog
    form.MenuExportAppleDouble->trigger();
    EXPECT_EQ(entries(), before);
}

TEST_F(ForksWindow, AForkCutShortIsWrittenOnlyWhenTheUserSaysSo) {
    Bytes cut = SampleFile();
    cut.pop_back();
    TFormMain& form = Opened(cut);
    dialogs_.answers.push_back(false);
    Choose(form.MenuExportAppleDouble, root_ / "ad");
    EXPECT_EQ(dialogs_.Texts(Kind::Question).back(),
              "The file ends inside a fork. Write only the bytes present ?");
    EXPECT_FALSE(std::filesystem::exists(root_ / "ad"));
    dialogs_.answers.push_back(true);
    Choose(form.MenuExportAppleDouble, root_ / "ad");
    EXPECT_EQ(std::filesystem::file_size(root_ / "ad"), 155u);
}

TEST_F(ForksWindow, ACancelledExportLeavesNoFile) {
    THeader h = SampleHeader();
    PutUInt32(h, 87, 3u << 20);
    TFormMain& form = Opened(MacBinaryOf(h, Text("DATA!"), RandomBytes(3u << 20, 4), Text("hi")));
    std::chrono::milliseconds now{0};
    form.SetProgressClock([&] {
        now += 1000ms;
        if (auto* dialog = form.findChild<QProgressDialog*>(QStringLiteral("ProgressDialog"))) {
            if (dialog->isVisible()) {
                dialog->findChild<QPushButton*>()->click();
            }
        }
        return now;
    });
    Choose(form.MenuExportAppleSingle, root_ / "as");
    EXPECT_FALSE(std::filesystem::exists(root_ / "as"));
    EXPECT_EQ(dialogs_.Count(Kind::Error), 0u);
}

TEST_F(ForksWindow, ExtractProposesTheMacNameAndWritesTheSidecar) {
    THeader h = SampleHeader();
    PutName(h, "a/b");
    TFormMain& form = Opened(MacBinaryOf(h, Text("DATA!"), Text("RS"), Text("hi")));
    std::filesystem::create_directory(root_ / "x");
    Choose(form.MenuExportResourceFork, root_ / "x" / "r"); // the save dialog now opens in x
    Choose(form.MenuExtract, root_ / "x" / "a:b");
    EXPECT_EQ(dialogs_.fileDialogs.back().Path, root_ / "x" / "a:b");
    EXPECT_EQ(ReadBytes(root_ / "x" / "a:b"), Text("DATA!"));
    EXPECT_EQ(SniffAppleFile(root_ / "x" / "._a:b"), TAppleKind::Double);
}

TEST_F(ForksWindow, MakeMacBinaryDialogIsFilledFromTheSidecar) {
    TFormMain& form = Opened(SampleFile());
    Choose(form.MenuExtract, root_ / "Ab");
    ASSERT_TRUE(std::filesystem::exists(root_ / "._Ab"));
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TMakeMacBinaryDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Make MacBinary");
        dialogs_.files.push_back(Q(root_ / "Ab"));
        dialog->findChild<QPushButton*>("BtnBrowseDataFork")->click();
        EXPECT_EQ(dialog->EditResourceFork->text(), Q(root_ / "._Ab"));
        EXPECT_EQ(dialog->EditMacName->text(), "Ab");
        EXPECT_EQ(dialog->EditFileType->text(), "TEXT");
        EXPECT_EQ(dialog->EditFileCreator->text(), "ttxt");
        EXPECT_EQ(dialog->ComboVersion->currentIndex(), 1);
        dialog->EditFileCreator->setText("KeLd");
        seen = true;
        dialogs_.files.push_back(Q(root_ / "made.bin"));
        dialog->findChild<QPushButton*>("BtnMakeOk")->click();
    });
    form.MenuMakeMacBinary->trigger();
    ASSERT_TRUE(seen);
    const Bytes made = ReadBytes(root_ / "made.bin");
    Bytes expected = SampleFile();
    ASSERT_EQ(made.size(), 512u);
    EXPECT_EQ(Slice(made, 0, 69), Slice(expected, 0, 69));
    EXPECT_EQ(Slice(made, 69, 4), Text("KeLd"));
    EXPECT_EQ(Slice(made, 128, 5), Text("DATA!"));
    EXPECT_EQ(Slice(made, 256, 2), Text("RS"));
    EXPECT_EQ(Slice(made, 384, 2), Text("hi"));
}

TEST_F(ForksWindow, MakeMacBinaryCancelledOrWithoutDataForkWritesNothing) {
    TFormMain& form = Form();
    form.MenuJapaneseSet->setChecked(false);
    QTimer::singleShot(
        0, [] { QApplication::activeModalWidget()->findChild<QPushButton*>("BtnMakeCancel")->click(); });
    form.MenuMakeMacBinary->trigger();
    QTimer::singleShot(
        0, [] { QApplication::activeModalWidget()->findChild<QPushButton*>("BtnMakeOk")->click(); });
    form.MenuMakeMacBinary->trigger();
    EXPECT_EQ(LastMessage(), "Warning ! File can not find.");
    EXPECT_EQ(dialogs_.Count(Kind::SaveFile), 0u);
}

} // namespace
} // namespace kelda
