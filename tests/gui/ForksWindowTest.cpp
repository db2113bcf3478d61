// SPDX-License-Identifier: MIT
// The File menu's fork items end to end through the scripted dialogs: the exports of the file shown,
// the question before a fork cut short, the guards, a cancelled export, extraction under the Mac
// name, and the Make MacBinary dialog with its fields filled from a sidecar.
#include "forks/ForkExport.h"
#include "forks/ForkSamples.h"
#include "forks/TAppleContainer.h"
#include "forks/TExtractDialog.h"
#include "forks/TMakeMacBinaryDialog.h"
#include "support/WindowFixture.h"
#include "textview/TEditor.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QSet>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace kelda {
namespace {

using Kind = FakeDialogs::Kind;
using namespace std::chrono_literals;
using namespace test;
namespace fs = std::filesystem;

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
    // Answers the Extract dialog, once it shows, with the form at index (the combo box's order) and
    // OK, or with Cancel; returns where it records the form the dialog first showed.
    std::shared_ptr<int> AnswerExtractDialog(int index, bool ok = true) {
        auto shown = std::make_shared<int>(-1);
        QTimer::singleShot(0, [shown, index, ok] {
            auto* dialog = qobject_cast<TExtractDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            *shown = dialog->ComboResourceForm->currentIndex();
            dialog->ComboResourceForm->setCurrentIndex(index);
            dialog->findChild<QPushButton*>(ok ? "BtnExtractOk" : "BtnExtractCancel")->click();
        });
        return shown;
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
    EXPECT_EQ(form.MenuExportAppleDouble->text(), "Export as AppleDouble(&D)…");
    EXPECT_EQ(form.MenuFile->actions().indexOf(form.MenuMakeMacBinary), 4);
    EXPECT_EQ(form.MenuFile->actions().last(), form.MenuQuit);
    form.MenuJapaneseSet->setChecked(true);
    form.LanguageChange();
    EXPECT_EQ(form.MenuExtract->text(), "取り出し(&X)…");
    EXPECT_EQ(form.MenuMakeMacBinary->text(), "MacBinary 作成(&K)…");
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

// A fork cut short is written only when the user says so; a comment cut short, with both forks
// whole, is written with a warning.
TEST_F(ForksWindow, AForkCutShortIsWrittenOnlyWhenTheUserSaysSo) {
    Bytes commentCut = SampleFile();
    commentCut.pop_back();
    TFormMain& form = Opened(commentCut);
    Choose(form.MenuExportAppleDouble, root_ / "ad");
    EXPECT_TRUE(dialogs_.Texts(Kind::Question).empty());
    EXPECT_TRUE(LastMessage().contains("ends inside the Finder comment")) << LastMessage().toStdString();
    EXPECT_EQ(std::filesystem::file_size(root_ / "ad"), 155u);

    Bytes forkCut = SampleFile();
    forkCut.resize(256 + 1); // the resource fork's first byte only
    Opened(forkCut);
    dialogs_.answers.push_back(false);
    Choose(form.MenuExportAppleDouble, root_ / "ad2");
    EXPECT_EQ(dialogs_.Texts(Kind::Question).back(),
              "The file ends inside a fork. Write only the bytes present ?");
    EXPECT_FALSE(std::filesystem::exists(root_ / "ad2"));
    dialogs_.answers.push_back(true);
    Choose(form.MenuExportAppleDouble, root_ / "ad2");
    EXPECT_TRUE(std::filesystem::exists(root_ / "ad2"));
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
    AnswerExtractDialog(0);
    Choose(form.MenuExtract, root_ / "x" / "a:b");
    EXPECT_EQ(dialogs_.fileDialogs.back().Path, root_ / "x" / "a:b");
    EXPECT_EQ(ReadBytes(root_ / "x" / "a:b"), Text("DATA!"));
    EXPECT_EQ(SniffAppleFile(root_ / "x" / "._a:b"), TAppleKind::Double);
}

// Setting > Name encoding decides the name Extract proposes, as it decides the header table's: a
// name that is Mac Roman and valid Shift-JIS alike ("naïve ©" / "na夫e ｩ").
TEST_F(ForksWindow, ExtractProposesTheNameInTheEncodingChosen) {
    THeader h = SampleHeader();
    PutName(h, "na\x95ve \xA9");
    TFormMain& form = Opened(MacBinaryOf(h, Text("DATA!"), Text("RS"), Text("hi")));
    const struct {
        const char* Item;
        const char* Name;
    } cases[] = {{"MenuNameEncodingAuto", "naïve ©"},
                 {"MenuNameEncodingJapanese", "na夫e ｩ"},
                 {"MenuNameEncodingWestern", "naïve ©"}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Item);
        form.findChild<QAction*>(QString::fromLatin1(c.Item))->trigger();
        EXPECT_TRUE(form.Editor1->Lines()[2].contains(QString::fromUtf8(c.Name)));
        const fs::path folder = root_ / std::to_string(n++);
        fs::create_directory(folder);
        Choose(form.MenuExportResourceFork, folder / "r"); // the save dialog now opens there
        AnswerExtractDialog(0);
        Choose(form.MenuExtract, folder / c.Name);
        EXPECT_EQ(dialogs_.fileDialogs.back().Path, folder / c.Name);
        EXPECT_EQ(ReadBytes(folder / c.Name), Text("DATA!"));
    }
}

// The Extract dialog offers the three forms of the resource fork, in both languages; the one chosen
// is what is written and what the dialog offers next time; Cancel writes nothing.
TEST_F(ForksWindow, ExtractWritesTheResourceForkInTheFormChosen) {
    TFormMain& form = Opened(SampleFile());
    const struct {
        int Index;
        const char* ResourceFile;
        std::optional<TAppleKind> Kind; // none: the raw fork
    } cases[] = {
        {1, "Ab.as", TAppleKind::Single}, {2, "Ab.rsrc", std::nullopt}, {0, "._Ab", TAppleKind::Double}};
    int last = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ResourceFile);
        const fs::path folder = root_ / std::to_string(c.Index);
        fs::create_directory(folder);
        const auto shown = AnswerExtractDialog(c.Index);
        Choose(form.MenuExtract, folder / "Ab");
        EXPECT_EQ(*shown, last);
        last = c.Index;
        EXPECT_EQ(ReadBytes(folder / "Ab"), Text("DATA!"));
        EXPECT_EQ(SniffAppleFile(folder / c.ResourceFile), c.Kind);
        if (!c.Kind) {
            EXPECT_EQ(ReadBytes(folder / c.ResourceFile), Text("RS"));
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 2);
    }
    const std::size_t saves = dialogs_.Count(Kind::SaveFile);
    AnswerExtractDialog(0, false);
    form.MenuExtract->trigger();
    EXPECT_EQ(dialogs_.Count(Kind::SaveFile), saves);

    const struct {
        bool Japanese;
        QStringList Items;
    } languages[] = {
        {false, {"AppleDouble sidecar (._NAME)", "AppleSingle (NAME.as)", "Raw resource fork (NAME.rsrc)"}},
        {true, {"AppleDouble の添付ﾌｧｲﾙ (._名前)", "AppleSingle (名前.as)", "ﾘｿｰｽﾌｫｰｸそのまま (名前.rsrc)"}},
    };
    for (const auto& l : languages) {
        TExtractDialog dialog(&form, TResourceForm::Raw, l.Japanese);
        QStringList items;
        for (int i = 0; i < dialog.ComboResourceForm->count(); ++i) {
            items << dialog.ComboResourceForm->itemText(i);
        }
        EXPECT_EQ(items, l.Items);
        EXPECT_EQ(dialog.windowTitle(), l.Japanese ? "取り出し" : "Extract");
        EXPECT_EQ(dialog.Form(), TResourceForm::Raw);
    }
}

// A read-only output: each fork item asks first, as the conversions do; No leaves the file, Yes
// replaces it and keeps its permissions.
TEST_F(ForksWindow, AReadOnlyOutputIsReplacedOnlyAfterTheUserSaysYes) {
    TFormMain& form = Opened(SampleFile());
    WriteBytes(root_ / "data", Text("DATA!"));
    const fs::path ro = root_ / "ro";
    const std::pair<const char*, std::function<void()>> items[] = {
        {"rsrc", [&] { Choose(form.MenuExportResourceFork, ro); }},
        {"appledouble", [&] { Choose(form.MenuExportAppleDouble, ro); }},
        {"applesingle", [&] { Choose(form.MenuExportAppleSingle, ro); }},
        {"extract",
         [&] {
             AnswerExtractDialog(2);
             Choose(form.MenuExtract, ro);
         }},
        {"make",
         [&] {
             QTimer::singleShot(0, [&] {
                 auto* dialog = qobject_cast<TMakeMacBinaryDialog*>(QApplication::activeModalWidget());
                 ASSERT_NE(dialog, nullptr);
                 dialog->SetDataFork(Q(root_ / "data"));
                 dialogs_.files.push_back(Q(ro));
                 dialog->findChild<QPushButton*>("BtnMakeOk")->click();
             });
             form.MenuMakeMacBinary->trigger();
         }},
    };
    for (const auto& [name, run] : items) {
        SCOPED_TRACE(name);
        for (const bool yes : {false, true}) {
            WriteBytes(ro, {1, 2});
            ::chmod(ro.c_str(), 0444);
            const std::size_t questions = dialogs_.Count(Kind::Question);
            dialogs_.answers.push_back(yes);
            run();
            ASSERT_EQ(dialogs_.Count(Kind::Question), questions + 1);
            EXPECT_EQ(dialogs_.Texts(Kind::Question).back(), "The file is read-only. Replace it ?");
            EXPECT_EQ(ReadBytes(ro) != (Bytes{1, 2}), yes);
            struct stat st {};
            ::stat(ro.c_str(), &st);
            EXPECT_EQ(st.st_mode & 0777, 0444u);
            fs::remove(ro);
            fs::remove(root_ / "ro.rsrc");
        }
    }
    EXPECT_EQ(dialogs_.Count(Kind::Error), 0u);
    EXPECT_EQ(dialogs_.Count(Kind::Message), 0u);
}

// Every export item with output as the save dialog's answer (nullopt: cancelled). Extract writes
// the raw fork beside the data fork; Make MacBinary takes root/data as its data fork.
std::vector<std::pair<const char*, std::function<void(std::optional<fs::path>)>>>
ExportItems(TFormMain& form, FakeDialogs& dialogs, const fs::path& root,
            const std::function<void(int)>& answerExtract) {
    const auto answer = [&dialogs](std::optional<fs::path> output) {
        dialogs.files.push_back(output ? std::optional<QString>(Q(*output)) : std::nullopt);
    };
    WriteBytes(root / "data", Text("DATA!"));
    return {
        {"rsrc",
         [&form, answer](std::optional<fs::path> o) { answer(o), form.MenuExportResourceFork->trigger(); }},
        {"appledouble",
         [&form, answer](std::optional<fs::path> o) { answer(o), form.MenuExportAppleDouble->trigger(); }},
        {"applesingle",
         [&form, answer](std::optional<fs::path> o) { answer(o), form.MenuExportAppleSingle->trigger(); }},
        {"extract",
         [&form, answer, answerExtract](std::optional<fs::path> o) {
             answerExtract(2);
             answer(o);
             form.MenuExtract->trigger();
         }},
        {"make",
         [&form, &dialogs, root](std::optional<fs::path> o) {
             QTimer::singleShot(0, [&dialogs, root, o] {
                 auto* dialog = qobject_cast<TMakeMacBinaryDialog*>(QApplication::activeModalWidget());
                 ASSERT_NE(dialog, nullptr);
                 dialog->SetDataFork(Q(root / "data"));
                 dialogs.files.push_back(o ? std::optional<QString>(Q(*o)) : std::nullopt);
                 dialog->findChild<QPushButton*>("BtnMakeOk")->click();
             });
             form.MenuMakeMacBinary->trigger();
         }},
    };
}

// Each item offers a name made from the file shown, never the name saved last, in the folder used
// last (the file's own before any).
TEST_F(ForksWindow, EachExportOffersANameBuiltFromTheFileShown) {
    TFormMain& form = Opened(SampleFile());
    const auto items = ExportItems(form, dialogs_, root_, [this](int i) { AnswerExtractDialog(i); });
    const char* offered[] = {"Ab.rsrc", "._Ab", "Ab.as", "Ab", "data.bin"};
    for (std::size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(items[i].first);
        items[i].second(std::nullopt);
        ASSERT_FALSE(dialogs_.fileDialogs.empty());
        EXPECT_EQ(dialogs_.fileDialogs.back().Path, root_ / offered[i]);
    }
    fs::create_directory(root_ / "x");
    Choose(form.MenuExportResourceFork, root_ / "x" / "other");
    for (std::size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(items[i].first);
        items[i].second(std::nullopt);
        EXPECT_EQ(dialogs_.fileDialogs.back().Path, root_ / "x" / offered[i]);
        EXPECT_EQ(dialogs_.fileDialogs.back().FileName, Q(root_ / "x" / offered[i]));
    }
}

// An existing file is replaced only when the user says so, whatever its name; No leaves it.
TEST_F(ForksWindow, AnExistingFileIsReplacedOnlyAfterTheUserSaysYes) {
    TFormMain& form = Opened(SampleFile());
    const auto items = ExportItems(form, dialogs_, root_, [this](int i) { AnswerExtractDialog(i); });
    const fs::path precious = root_ / "precious.txt";
    for (const auto& [name, run] : items) {
        SCOPED_TRACE(name);
        for (const bool yes : {false, true}) {
            WriteBytes(precious, Text("keep me"));
            const std::size_t questions = dialogs_.Count(Kind::Question);
            dialogs_.answers.push_back(yes);
            run(precious);
            ASSERT_EQ(dialogs_.Count(Kind::Question), questions + 1);
            EXPECT_EQ(dialogs_.Texts(Kind::Question).back(), "The file already exists. Replace it ?");
            EXPECT_EQ(ReadBytes(precious) != Text("keep me"), yes);
            fs::remove(root_ / "precious.txt.rsrc");
        }
    }
    // A new name is written without a question.
    const std::size_t questions = dialogs_.Count(Kind::Question);
    Choose(form.MenuExportAppleSingle, root_ / "new.as");
    EXPECT_TRUE(fs::exists(root_ / "new.as"));
    EXPECT_EQ(dialogs_.Count(Kind::Question), questions);
    EXPECT_EQ(dialogs_.Count(Kind::Error), 0u);
}

// No item writes through a symbolic link, to a file or to nowhere; Extract refuses one under the
// resource fork's name too.
TEST_F(ForksWindow, NoExportWritesThroughASymbolicLink) {
    TFormMain& form = Opened(SampleFile());
    const auto items = ExportItems(form, dialogs_, root_, [this](int i) { AnswerExtractDialog(i); });
    WriteBytes(root_ / "target", Text("target"));
    fs::create_symlink(root_ / "target", root_ / "link");
    fs::create_symlink(root_ / "nowhere", root_ / "dangling");
    fs::create_symlink(root_ / "target", root_ / "plain.rsrc");
    for (const auto& [name, run] : items) {
        SCOPED_TRACE(name);
        for (const char* output : {"link", "dangling"}) {
            dialogs_.answers.push_back(true);
            run(root_ / output);
            EXPECT_EQ(LastMessage(), "Warning ! Will not write through a symbolic link.");
            EXPECT_EQ(ReadBytes(root_ / "target"), Text("target"));
            EXPECT_FALSE(fs::exists(root_ / "nowhere"));
            EXPECT_TRUE(fs::is_symlink(root_ / output));
        }
    }
    AnswerExtractDialog(2);
    Choose(form.MenuExtract, root_ / "plain");
    EXPECT_EQ(LastMessage(), "Warning ! Will not write through a symbolic link.");
    EXPECT_FALSE(fs::exists(root_ / "plain"));
    EXPECT_EQ(ReadBytes(root_ / "target"), Text("target"));
}

// A written export says so in the log, in the log's style: output, size, source; a refused or
// cancelled one adds nothing.
TEST_F(ForksWindow, AWrittenExportAddsALogLine) {
    TFormMain& form = Opened(SampleFile());
    const QString in = Q(root_ / "in.bin");
    const auto line = [](const fs::path& out, const char* size, const QString& from) {
        return "Written          : " + Q(out) + " (" + size + " bytes) from " + from;
    };
    Choose(form.MenuExportAppleDouble, root_ / "ad");
    EXPECT_EQ(form.Editor3->Lines().back(), line(root_ / "ad", "00000156[DEC] / 0000009C[HEX]", in));
    AnswerExtractDialog(2);
    Choose(form.MenuExtract, root_ / "Ab");
    const QStringList lines = form.Editor3->Lines();
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[lines.size() - 2], line(root_ / "Ab", "00000005[DEC] / 00000005[HEX]", in));
    EXPECT_EQ(lines.back(), line(root_ / "Ab.rsrc", "00000002[DEC] / 00000002[HEX]", in));
    const qsizetype count = form.Editor3->Lines().size();
    Choose(form.MenuExportAppleSingle, root_ / "in.bin"); // the source: refused
    dialogs_.files.push_back(std::nullopt);
    form.MenuExportResourceFork->trigger();
    EXPECT_EQ(form.Editor3->Lines().size(), count);
}

// Every item of the File menu has a mnemonic of its own, in both languages.
TEST_F(ForksWindow, FileMenuItemsHaveDistinctMnemonics) {
    TFormMain& form = Form();
    for (const bool japanese : {false, true}) {
        SCOPED_TRACE(japanese);
        form.MenuJapaneseSet->setChecked(japanese);
        form.LanguageChange();
        QSet<QChar> keys;
        for (const QAction* item : form.MenuFile->actions()) {
            if (item->isSeparator()) {
                continue;
            }
            const qsizetype amp = item->text().indexOf(QLatin1Char('&'));
            ASSERT_GE(amp, 0) << item->text().toStdString();
            const QChar key = item->text().at(amp + 1).toUpper();
            EXPECT_FALSE(keys.contains(key)) << item->text().toStdString();
            keys.insert(key);
        }
    }
}

TEST_F(ForksWindow, MakeMacBinaryDialogIsFilledFromTheSidecar) {
    TFormMain& form = Opened(SampleFile());
    AnswerExtractDialog(0);
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

// A SOURCE_DATE_EPOCH that is no date is reported, as kelda-cli reports it, and nothing is written.
TEST_F(ForksWindow, MakeMacBinaryRefusesABadSourceDateEpoch) {
    TFormMain& form = Opened(SampleFile());
    form.MenuJapaneseSet->setChecked(false);
    WriteBytes(root_ / "data", Text("DATA!"));
    ::setenv("SOURCE_DATE_EPOCH", "soon", 1);
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TMakeMacBinaryDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->SetDataFork(Q(root_ / "data"));
        dialogs_.files.push_back(Q(root_ / "made.bin"));
        dialog->findChild<QPushButton*>("BtnMakeOk")->click();
    });
    form.MenuMakeMacBinary->trigger();
    ::unsetenv("SOURCE_DATE_EPOCH");
    ASSERT_EQ(dialogs_.Count(Kind::Error), 1u);
    EXPECT_TRUE(dialogs_.Texts(Kind::Error).back().contains("SOURCE_DATE_EPOCH"))
        << dialogs_.Texts(Kind::Error).back().toStdString();
    EXPECT_FALSE(fs::exists(root_ / "made.bin"));
}

// Runs Make MacBinary with fill applied to the dialog once it shows; the dialog is then confirmed.
// Returns the dialog's fields as they were when it showed.
TMakeMacBinaryFields RunMakeMacBinary(TFormMain& form,
                                      const std::function<void(TMakeMacBinaryDialog&)>& fill) {
    TMakeMacBinaryFields shown;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TMakeMacBinaryDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = dialog->Fields();
        fill(*dialog);
        if (dialog->isVisible()) {
            dialog->findChild<QPushButton*>("BtnMakeOk")->click();
        }
    });
    form.MenuMakeMacBinary->trigger();
    return shown;
}

// The dialog's choices of the name's character set follow the language, as the menu's do.
TEST_F(ForksWindow, MakeMacBinaryDialogSpeaksTheWindowsLanguage) {
    TFormMain& form = Form();
    const struct {
        bool Japanese;
        QStringList Items;
    } cases[] = {{false, {"Auto", "Mac Roman", "Japanese (Shift-JIS)"}},
                 {true, {"自動", "欧文 (Mac Roman)", "日本語 (Shift-JIS)"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Japanese);
        form.MenuJapaneseSet->setChecked(c.Japanese);
        form.LanguageChange();
        QStringList items;
        RunMakeMacBinary(form, [&items](TMakeMacBinaryDialog& dialog) {
            for (int i = 0; i < dialog.ComboNameEncoding->count(); ++i) {
                items << dialog.ComboNameEncoding->itemText(i);
            }
            dialog.findChild<QPushButton*>("BtnMakeCancel")->click();
        });
        EXPECT_EQ(items, c.Items);
    }
}

// A type or creator typed with fewer than four characters, or with one the Mac character set
// lacks, is refused with the message that asks for four; the dialog stays open with the fields
// as typed, and nothing is asked or written until the code is whole.
TEST_F(ForksWindow, MakeMacBinaryRefusesATypeOrCreatorOfFewerThanFourCharacters) {
    TFormMain& form = Opened(SampleFile());
    WriteBytes(root_ / "data", Text("DATA!"));
    const struct {
        const char* Type;
        const char* Creator;
    } cases[] = {{"TX", ""}, {"", "KL"}, {"T", "KeLd"}, {"TEXT", "日本"}, {"TEX", "KEL"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Type + std::string("/") + c.Creator);
        const std::size_t messages = dialogs_.Count(Kind::Message);
        bool stayedOpen = false;
        RunMakeMacBinary(form, [&](TMakeMacBinaryDialog& dialog) {
            dialog.SetDataFork(Q(root_ / "data"));
            dialog.EditFileType->setText(QString::fromUtf8(c.Type));
            dialog.EditFileCreator->setText(QString::fromUtf8(c.Creator));
            dialog.findChild<QPushButton*>("BtnMakeOk")->click();
            stayedOpen = dialog.isVisible();
            EXPECT_EQ(dialog.EditFileType->text(), QString::fromUtf8(c.Type));
            EXPECT_EQ(dialog.EditFileCreator->text(), QString::fromUtf8(c.Creator));
            dialog.findChild<QPushButton*>("BtnMakeCancel")->click();
        });
        EXPECT_TRUE(stayedOpen);
        ASSERT_EQ(dialogs_.Count(Kind::Message), messages + 1);
        EXPECT_EQ(LastMessage(), "Warning ! Type and creator must be four characters.");
        EXPECT_EQ(dialogs_.Count(Kind::SaveFile), 0u);
    }
    // Four characters, a blank among them, go through.
    dialogs_.files.push_back(Q(root_ / "made.bin"));
    RunMakeMacBinary(form, [&](TMakeMacBinaryDialog& dialog) {
        dialog.SetDataFork(Q(root_ / "data"));
        dialog.EditFileType->setText("PNG ");
        dialog.EditFileCreator->setText("KeLd");
    });
    EXPECT_EQ(Slice(ReadBytes(root_ / "made.bin"), 65, 8), Text("PNG KeLd"));
}

// An output the writers refuse (the data fork itself) leaves the fields as the user typed them
// for the next opening; a file made clears them. The forks' Browse lists "._NAME" sidecars.
TEST_F(ForksWindow, MakeMacBinaryKeepsTheFieldsUntilAFileIsMade) {
    TFormMain& form = Opened(SampleFile());
    WriteBytes(root_ / "data", Text("DATA!"));
    const auto type = [&](TMakeMacBinaryDialog& dialog) {
        dialogs_.files.push_back(Q(root_ / "data"));
        dialog.findChild<QPushButton*>("BtnBrowseDataFork")->click();
        dialog.EditMacName->setText("Kept");
        dialog.EditFileType->setText("TEXT");
        dialog.EditFileCreator->setText("KeLd");
        dialog.ComboVersion->setCurrentIndex(2);
        dialog.ComboNameEncoding->setCurrentIndex(1);
    };
    dialogs_.files.push_back(Q(root_ / "data")); // the save dialog's answer: the source itself
    RunMakeMacBinary(form, type);
    ASSERT_EQ(dialogs_.fileDialogs.size(), 3u); // File open, the data fork's Browse, the output
    EXPECT_FALSE(dialogs_.fileDialogs[0].ShowHidden);
    EXPECT_TRUE(dialogs_.fileDialogs[1].ShowHidden);
    EXPECT_EQ(LastMessage(), "Warning ! Can not write over the source file.");
    EXPECT_EQ(ReadBytes(root_ / "data"), Text("DATA!"));

    dialogs_.files.push_back(Q(root_ / "made.bin"));
    const TMakeMacBinaryFields again = RunMakeMacBinary(form, [](TMakeMacBinaryDialog&) {});
    EXPECT_EQ(ToPath(again.DataFork), root_ / "data");
    EXPECT_EQ(again.MacName, "Kept");
    EXPECT_EQ(again.FileType, "TEXT");
    EXPECT_EQ(again.FileCreator, "KeLd");
    EXPECT_EQ(again.Version, 2);
    EXPECT_EQ(again.NameEncoding, 1);
    const Bytes made = ReadBytes(root_ / "made.bin");
    ASSERT_GE(made.size(), 128u);
    EXPECT_EQ(Slice(made, 1, 5), (Bytes{4, 'K', 'e', 'p', 't'}));
    EXPECT_EQ(Slice(made, 102, 4), Text("mBIN"));

    const TMakeMacBinaryFields cleared = RunMakeMacBinary(
        form, [](TMakeMacBinaryDialog& dialog) { dialog.findChild<QPushButton*>("BtnMakeCancel")->click(); });
    EXPECT_TRUE(cleared.DataFork.isEmpty());
    EXPECT_TRUE(cleared.MacName.isEmpty());
    EXPECT_EQ(cleared.Version, 1);
}

} // namespace
} // namespace kelda
