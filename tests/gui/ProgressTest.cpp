// SPDX-License-Identifier: MIT
// Progress on long work: the runner's dialog driven by a fake clock, and the window's CRC
// computations and conversions shown, finished and cancelled through it.
#include "app/TPageControl.h"
#include "app/TProgressRunner.h"
#include "crc/CrcUtils.h"
#include "macbinary/TestFiles.h"
#include "support/WindowFixture.h"
#include "textview/TEditor.h"

#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <set>

namespace kelda {
namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;
using Kind = FakeDialogs::Kind;
using test::Bytes;

constexpr std::int64_t kMiB = 1024 * 1024;

// ---------------------------------------------------------------------- the runner alone

class ProgressRunnerTest : public ::testing::Test {
protected:
    TProgressRunner::TTexts Texts() const {
        return TProgressRunner::Texts(false, TMsg::ProgressCrc, QStringLiteral("disk.img"));
    }
    TProgressClock Clock() {
        return [this] { return now; };
    }
    QProgressDialog* Shown(TProgressRunner& runner) {
        now += 1000ms;
        EXPECT_TRUE(runner.Fn()(0, 100));
        EXPECT_NE(runner.Dialog(), nullptr);
        return runner.Dialog();
    }

    QWidget parent;
    milliseconds now{0};
};

TEST_F(ProgressRunnerTest, ShortWorkShowsNothingAndLetsNoEventsRun) {
    int delivered = 0;
    QTimer::singleShot(0, &parent, [&] { ++delivered; });
    {
        TProgressRunner runner(&parent, Texts(), Clock());
        const ProgressFn fn = runner.Fn();
        for (int i = 0; i <= 100; ++i) {
            now += 4ms; // 404 ms in all
            ASSERT_TRUE(fn(i, 100));
        }
        EXPECT_EQ(runner.Dialog(), nullptr);
    }
    EXPECT_EQ(parent.findChild<QProgressDialog*>(), nullptr);
    EXPECT_EQ(delivered, 0);
    QCoreApplication::processEvents();
}

TEST_F(ProgressRunnerTest, LongWorkShowsAModalDialogAndLetsTheWindowRepaint) {
    int delivered = 0;
    const auto post = [&] { QTimer::singleShot(0, &parent, [&] { ++delivered; }); };
    TProgressRunner runner(&parent, Texts(), Clock());
    const ProgressFn fn = runner.Fn();
    post();
    now = 499ms;
    EXPECT_TRUE(fn(kMiB / 2, 4 * kMiB));
    EXPECT_EQ(runner.Dialog(), nullptr);
    EXPECT_EQ(delivered, 0);

    now = 500ms;
    EXPECT_TRUE(fn(kMiB, 4 * kMiB));
    QProgressDialog* dialog = runner.Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->parent(), &parent);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(dialog->windowTitle(), "Working");
    EXPECT_EQ(dialog->labelText(), "Computing the CRC\ndisk.img\n1.0 / 4.0 MiB");
    EXPECT_EQ(dialog->findChild<QPushButton*>()->text(), "Cancel(&C)");
    EXPECT_EQ(dialog->value() * 4, dialog->maximum());
    EXPECT_EQ(delivered, 1); // events ran while the work goes on

    // Between updates the callback stays cheap: no events, no new value.
    post();
    now = 549ms;
    EXPECT_TRUE(fn(2 * kMiB, 4 * kMiB));
    EXPECT_EQ(delivered, 1);
    EXPECT_EQ(dialog->value() * 4, dialog->maximum());
    now = 550ms;
    EXPECT_TRUE(fn(4 * kMiB, 4 * kMiB));
    EXPECT_EQ(delivered, 2);
    EXPECT_EQ(dialog->value(), dialog->maximum());
    EXPECT_TRUE(dialog->isVisible()); // a full bar does not close the dialog by itself
    EXPECT_FALSE(runner.Cancelled());
}

TEST_F(ProgressRunnerTest, CancelButtonEscapeAndClosingEachStopTheWork) {
    const std::function<void(QProgressDialog*)> ways[] = {
        [](QProgressDialog* d) { d->findChild<QPushButton*>()->click(); },
        [](QProgressDialog* d) { QTest::keyClick(d, Qt::Key_Escape); },
        [](QProgressDialog* d) { d->close(); },
    };
    for (std::size_t i = 0; i < std::size(ways); ++i) {
        {
            TProgressRunner runner(&parent, Texts(), Clock());
            QProgressDialog* dialog = Shown(runner);
            ASSERT_NE(dialog, nullptr);
            ways[i](dialog);
            now += 50ms;
            EXPECT_FALSE(runner.Fn()(2, 100)) << i;
            EXPECT_TRUE(runner.Cancelled()) << i;
            EXPECT_FALSE(runner.Fn()(3, 100)) << i; // and stays cancelled, due or not
        }
        EXPECT_EQ(parent.findChild<QProgressDialog*>(), nullptr) << i; // the dialog goes with the runner
    }
}

TEST_F(ProgressRunnerTest, JapaneseTexts) {
    TProgressRunner runner(
        &parent, TProgressRunner::Texts(true, TMsg::ProgressConvert, QStringLiteral("出力.bin")), Clock());
    QProgressDialog* dialog = Shown(runner);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "処理中");
    EXPECT_EQ(dialog->labelText(), "ファイルを変換しています\n出力.bin\n0.0 / 0.0 MiB");
    EXPECT_EQ(dialog->findChild<QPushButton*>()->text(), "ｷｬﾝｾﾙ(&C)");
}

// ---------------------------------------------------------------------- the window

// Files of a few chunks, so that long work calls back more than once.
class ProgressWindow : public WindowFixture {
protected:
    // Every reading of the window's clock moves it on a second, so every piece of work is long
    // and shows its dialog; with cancel, the dialog's Cancel button is pressed once it is up.
    void SlowWork(bool cancel) {
        Form().SetProgressClock([this, cancel] {
            now_ += 1000ms;
            if (auto* dialog = Form().findChild<QProgressDialog*>(QStringLiteral("ProgressDialog"))) {
                dialogsSeen_.insert(dialog);
                if (cancel && dialog->isVisible()) {
                    dialog->findChild<QPushButton*>()->click();
                }
            }
            return now_;
        });
    }
    std::filesystem::path MakeBig(const char* name) {
        THeader h{};
        test::PutName(h, "Big");
        // More than two of the chunks CRCs are read in, and several of the conversions' steps.
        const auto body = static_cast<std::int32_t>(2 * CrcReadChunkSize + kMiB);
        source_ = test::MakeMacBinaryFile(h, body, 0, test::RandomBytes(static_cast<std::size_t>(body), 9));
        test::WriteBytes(root_ / name, source_);
        return root_ / name;
    }
    static QString Q(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }
    void ClickRow(QListWidget* list, int row) {
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }
    // Each on variant 10, or All.
    void Compute(TFormMain& form, bool all) {
        if (all) {
            ClickRow(form.ListBox2, 1);
        } else {
            ClickRow(form.ListBox2, 0);
            ClickRow(form.ListBox1, 10);
        }
    }
    TFormMain& CrcPage(const std::filesystem::path& file) {
        TFormMain& form = Shown();
        form.PageControl1->setCurrentWidget(form.TabSheet2);
        form.UpdateFileComboBox(file);
        QCoreApplication::processEvents();
        return form;
    }
    std::vector<std::string> Names(const std::filesystem::path& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    milliseconds now_{0};
    std::set<QProgressDialog*> dialogsSeen_;
    Bytes source_;
};

TEST_F(ProgressWindow, LongCrcWorkShowsTheDialogAndGivesTheSameResults) {
    for (const bool all : {false, true}) {
        TFormMain& form = CrcPage(MakeBig("big.bin"));
        form.Editor2->Clear();
        Compute(form, all); // the system's clock: a few MiB are quick, no dialog
        const QStringList quick = form.Editor2->Lines();
        ASSERT_EQ(quick.size(), all ? 12 : 1);
        EXPECT_TRUE(dialogsSeen_.empty());

        SlowWork(false);
        form.Editor2->Clear();
        Compute(form, all);
        EXPECT_EQ(form.Editor2->Lines(), quick);
        EXPECT_EQ(dialogsSeen_.size(), 1u) << all;
        EXPECT_EQ(form.findChild<QProgressDialog*>(), nullptr); // gone with the work
        EXPECT_TRUE(dialogs_.shown.empty());
        form.SetProgressClock({});
        dialogsSeen_.clear();
    }
}

TEST_F(ProgressWindow, CancelledCrcWorkAddsNoLineAndShowsNoBox) {
    for (const bool all : {false, true}) {
        TFormMain& form = CrcPage(MakeBig("big.bin"));
        form.Editor2->Clear();
        SlowWork(true);
        Compute(form, all);
        EXPECT_EQ(form.Editor2->LineCount(), 0) << all;
        EXPECT_EQ(dialogsSeen_.size(), 1u) << all;
        EXPECT_TRUE(dialogs_.shown.empty()) << all; // no error box, no warning
        EXPECT_EQ(form.findChild<QProgressDialog*>(), nullptr);
        EXPECT_EQ(form.ListBox1->currentRow(), 10);

        // The engines are whole: the next computation gives its result.
        form.SetProgressClock({});
        dialogsSeen_.clear();
        Compute(form, all);
        EXPECT_EQ(form.Editor2->LineCount(), all ? 12 : 1) << all;
    }
}

TEST_F(ProgressWindow, CancelledConversionsLeaveNoOutputFile) {
    const std::filesystem::path big = MakeBig("big.bin");
    const std::filesystem::path out = root_ / "out";
    std::filesystem::create_directories(out);
    test::WriteBytes(out / "old.bin", Bytes{1, 2, 3});
    TFormMain& form = Shown();
    dialogs_.files.push_back(Q(big));
    form.BtnFileOpen->click();
    ASSERT_EQ(form.FFileName(), Q(big));
    const std::size_t shownAfterOpen = dialogs_.shown.size();

    QPushButton* const buttons[] = {form.BtnChangeFileType, form.BtnDeleteHeader,
                                    form.BtnDeleteHeaderResorceComment};
    for (QPushButton* button : buttons) {
        for (const char* output : {"new.bin", "old.bin"}) {
            SlowWork(true);
            dialogsSeen_.clear();
            dialogs_.files.push_back(Q(out / output));
            button->click();
            EXPECT_EQ(dialogsSeen_.size(), 1u) << output;
            // A new output never appears, an old one keeps its bytes, no temporary file stays.
            EXPECT_EQ(Names(out), std::vector<std::string>{"old.bin"}) << output;
            EXPECT_EQ(test::ReadBytes(out / "old.bin"), (Bytes{1, 2, 3}));
        }
    }
    // Only the save dialogs were shown: no error box, no message.
    EXPECT_EQ(dialogs_.shown.size(), shownAfterOpen + 6);
    EXPECT_EQ(dialogs_.Count(Kind::SaveFile), 6u);

    // Long but not cancelled: the output is complete.
    SlowWork(false);
    dialogs_.files.push_back(Q(out / "strip.bin"));
    form.BtnDeleteHeader->click();
    EXPECT_EQ(test::ReadBytes(out / "strip.bin"), test::Slice(source_, 128, source_.size()));
    EXPECT_EQ(test::ReadBytes(big), source_);
}

} // namespace
} // namespace kelda
