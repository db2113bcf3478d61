// SPDX-License-Identifier: MIT
// The main window as a user meets it: start-up, language, Escape, quitting, placement, resizing,
// page tabs, help text and the error guard.
#include "app/TPageControl.h"
#include "app/TSplitterBar.h"
#include "support/WindowFixture.h"
#include "textview/TEditor.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

namespace kelda {
namespace {

using Kind = FakeDialogs::Kind;

// The caption a control of the table shows now.
QString ShownCaption(TFormMain& form, const TCaptionEntry& entry) {
    switch (entry.Target) {
    case TCaptionTarget::RadioItem0:
        return form.RadioGroupInformationItems[0]->text();
    case TCaptionTarget::RadioItem1:
        return form.RadioGroupInformationItems[1]->text();
    default:
        break;
    }
    QObject* target = form.findChild<QObject*>(QString::fromLatin1(entry.Control));
    if (auto* button = qobject_cast<QAbstractButton*>(target)) {
        return button->text();
    }
    if (auto* label = qobject_cast<QLabel*>(target)) {
        return label->text();
    }
    if (auto* group = qobject_cast<QGroupBox*>(target)) {
        return group->title();
    }
    if (auto* menu = qobject_cast<QMenu*>(target)) {
        return menu->title();
    }
    if (auto* action = qobject_cast<QAction*>(target)) {
        return action->text();
    }
    return QStringLiteral("<no control %1>").arg(QString::fromLatin1(entry.Control));
}

void ExpectCaptions(TFormMain& form, bool japanese) {
    for (const TCaptionEntry& entry : CaptionTable()) {
        QString expected = QString::fromUtf8(japanese ? entry.Japanese : entry.English);
        if (entry.Target == TCaptionTarget::FileNameLine) {
            expected += form.FFileName();
        } else if (entry.Target == TCaptionTarget::FileTypeLine) {
            expected += form.FFileType();
        }
        EXPECT_EQ(ShownCaption(form, entry), expected)
            << entry.Control << (japanese ? " (Japanese)" : " (English)");
    }
}

using MainWindow = WindowFixture;

TEST_F(MainWindow, FirstStartIsJapaneseCentredWithTheFileButtonsDisabled) {
    TFormMain& form = Shown();
    ExpectCaptions(form, true);
    EXPECT_TRUE(form.MenuJapaneseSet->isChecked());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("KELDA(Main)"));
    EXPECT_EQ(form.PageControl1->currentIndex(), 0);
    EXPECT_EQ(QApplication::focusWidget(), form.BtnFileOpen);
    EXPECT_EQ(form.pos(), QPoint((1280 - 980) / 2, (1024 - 730) / 2));
    EXPECT_EQ(form.size(), QSize(980, 730));
    for (const char* name : {"BtnChangeFileType", "BtnDeleteHeader", "BtnDeleteHeaderResorceComment"}) {
        EXPECT_FALSE(Child<QPushButton>(name)->isEnabled()) << name;
    }
    for (const char* name : {"BtnFileOpen", "BtnTmpFileClear", "BtnLogClear", "BtnFileBrowse"}) {
        EXPECT_TRUE(Child<QPushButton>(name)->isEnabled()) << name;
    }
    EXPECT_TRUE(std::filesystem::is_directory(form.TmpFolder()));
    EXPECT_EQ(form.TmpFolder(), ExeFolder() / "TMP" / "");
    EXPECT_EQ(form.CrcPage().CrcEngines().size(), 12u);
    EXPECT_EQ(form.StringGrid1->columnCount(), 6);
    EXPECT_EQ(form.StringGrid1->horizontalHeaderItem(2)->text(), QStringLiteral("Value"));
    EXPECT_EQ(form.Label3->text(), QStringLiteral("ﾌｧｲﾙﾈｰﾑ  : "));
}

TEST_F(MainWindow, CtrlLSwitchesEveryCaptionAndBackWithoutWritingSettings) {
    TFormMain& form = Shown();
    const std::filesystem::path file = root_ / "X.BIN";
    WriteFile(file, std::string(128, '\0')); // a MacBinary I file of a header only
    dialogs_.files.push_back(QString::fromStdString(file.string()));
    form.BtnFileOpen->click();
    ASSERT_EQ(form.FFileName(), QString::fromStdString(file.string()));
    ASSERT_EQ(form.FFileType(), QStringLiteral("Mac Binary I"));
    const bool radioItem0 = form.RadioGroupInformationItems[0]->isChecked();

    QTest::keyClick(&form, Qt::Key_L, Qt::ControlModifier);
    EXPECT_FALSE(form.MenuJapaneseSet->isChecked());
    ExpectCaptions(form, false);
    EXPECT_EQ(form.Label3->text(), "FileName : " + QString::fromStdString(file.string()));
    EXPECT_EQ(form.MenuJapaneseSet->text(), QStringLiteral("Japanese(&J)"));

    QTest::keyClick(form.BtnFileOpen, Qt::Key_L, Qt::ControlModifier);
    EXPECT_TRUE(form.MenuJapaneseSet->isChecked());
    ExpectCaptions(form, true);
    EXPECT_EQ(form.Label4->text(), QStringLiteral("ﾌｧｲﾙﾀｲﾌﾟ : Mac Binary I"));
    EXPECT_EQ(form.RadioGroupInformationItems[0]->isChecked(), radioItem0);
    EXPECT_FALSE(std::filesystem::exists(Paths().SettingsFile()));
}

TEST_F(MainWindow, EscapeAsksInTheCurrentLanguageAndQuitsOnlyOnYes) {
    TFormMain& form = Shown();
    const struct {
        QWidget* focus;
        QWidget* page;
        bool japanese;
        bool yes;
        const char* question;
    } cases[] = {
        {form.BtnFileOpen, form.TabSheet1, true, false, "終了しますか ?"},
        {form.ListBox1, form.TabSheet2, false, false, "Quit this program ?"},
        {form.Editor4, form.TabSheet3, true, true, "終了しますか ?"},
    };
    for (const auto& c : cases) {
        form.MenuJapaneseSet->setChecked(c.japanese);
        form.LanguageChange();
        dialogs_.shown.clear();
        dialogs_.answers = {c.yes};
        form.PageControl1->setCurrentWidget(c.page);
        c.focus->setFocus();
        QTest::keyClick(c.focus, Qt::Key_Escape);
        ASSERT_EQ(dialogs_.Texts(Kind::Question), std::vector<QString>{QString::fromUtf8(c.question)});
        EXPECT_EQ(form.isVisible(), !c.yes) << c.question;
    }
    // Yes closed the window, and closing wrote the settings.
    EXPECT_TRUE(std::filesystem::exists(Paths().SettingsFile()));
}

TEST_F(MainWindow, QuitAndTheCloseBoxDoNotAsk) {
    for (const bool viaMenu : {true, false}) {
        form_.reset();
        TFormMain& form = Shown();
        dialogs_.shown.clear();
        if (viaMenu) {
            form.MenuQuit->trigger();
        } else {
            form.close();
        }
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(dialogs_.Count(Kind::Question), 0u);
        EXPECT_TRUE(form.CrcPage().CrcEngines().empty()); // freed on the way out
    }
}

TEST_F(MainWindow, PlacementUsesStoredBoundsOnlyWhenTheyFitTheScreen) {
    const QPoint centred((1280 - 980) / 2, (1024 - 730) / 2);
    const struct {
        const char* what;
        TBounds stored;
        QPoint pos;
        QSize size;
    } cases[] = {
        {"fits", {20, 30, 1000, 800}, {20, 30}, {1000, 800}},
        {"exactly 10 pixels left free", {100, 100, 1170, 914}, {100, 100}, {1170, 914}},
        {"9 pixels to the right", {100, 100, 1171, 800}, centred, {980, 730}},
        {"9 pixels at the bottom", {100, 100, 1000, 915}, centred, {980, 730}},
        {"negative left", {-1, 100, 1000, 800}, centred, {980, 730}},
        {"negative top", {100, -5, 1000, 800}, centred, {980, 730}},
    };
    TFormMain& form = Shown();
    for (const auto& c : cases) {
        form.SetStoredBounds(c.stored);
        form.FormShow();
        EXPECT_EQ(form.pos(), c.pos) << c.what;
        EXPECT_EQ(form.size(), c.size) << c.what;
    }
}

TEST_F(MainWindow, ShrinkingKeepsTheInformationViewAtLeast200PixelsHigh) {
    TFormMain& form = Shown();
    form.SetPanel3Height(450);
    form.resize(980, 900);
    QTest::qWait(20);
    const int roomy = form.StringGrid1->height();
    ASSERT_GE(roomy, 200);
    EXPECT_EQ(form.Panel3->height(), 450);

    form.resize(980, 730);
    QTest::qWait(20);
    EXPECT_EQ(form.StringGrid1->height(), 200);
    EXPECT_EQ(form.Editor1->geometry(), form.StringGrid1->geometry());
    EXPECT_EQ(form.Panel3->height(),
              form.TabSheet1->height() - form.Panel2->height() - form.Splitter1->height() - 200);
    EXPECT_EQ(form.Panel2->geometry().bottom(), form.TabSheet1->height() - 1);

    form.resize(600, 400); // below the minimum size
    EXPECT_EQ(form.size(), QSize(980, 730));
}

TEST_F(MainWindow, TheSplitterKeeps200PixelsOnBothSides) {
    TFormMain& form = Shown();
    const int most = form.TabSheet1->height() - form.Panel2->height() - form.Splitter1->height() - 200;
    const struct {
        int dy;
        int height;
    } drags[] = {{50, 250}, {-80, 200}, {10000, most}, {-30, most - 30}};
    form.SetPanel3Height(200);
    for (const auto& d : drags) {
        const QPoint grip(100, 2);
        QTest::mousePress(form.Splitter1, Qt::LeftButton, {}, grip);
        QTest::mouseMove(form.Splitter1, grip + QPoint(0, d.dy));
        QTest::mouseRelease(form.Splitter1, Qt::LeftButton, {}, grip + QPoint(0, d.dy));
        EXPECT_EQ(form.Panel3->height(), d.height) << "drag by " << d.dy;
        EXPECT_EQ(form.Splitter1->y(), d.height);
    }
}

TEST_F(MainWindow, ActiveTabCaptionIsRedTheOthersBlack) {
    TFormMain& form = Shown();
    const auto redPixels = [&](int tab) {
        const QImage image = form.PageControl1->tabBar()->grab().toImage();
        const QRect r = form.PageControl1->tabBar()->tabRect(tab);
        int red = 0, dark = 0;
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
                dark += c.red() < 60 && c.green() < 60 && c.blue() < 60;
            }
        }
        return std::pair{red, dark};
    };
    for (int active = 0; active < form.PageControl1->count(); ++active) {
        form.PageControl1->setCurrentIndex(active);
        for (int tab = 0; tab < form.PageControl1->count(); ++tab) {
            const auto [red, dark] = redPixels(tab);
            if (tab == active) {
                EXPECT_GT(red, 20) << "active tab " << tab;
            } else {
                EXPECT_EQ(red, 0) << "tab " << tab << " while " << active << " is active";
                EXPECT_GT(dark, 20) << "tab " << tab;
            }
        }
    }
}

TEST_F(MainWindow, HelpPageShowsTheTextBesideTheExecutableUnchanged) {
    WriteFile(ExeFolder() / "kelda.TXT", "KELDA\r\n\tﾍｯﾀﾞｰ 削除\r\n\r\nend\r\n");
    TFormMain& form = Form();
    ASSERT_EQ(form.Editor4->LineCount(), 4);
    EXPECT_EQ(form.Editor4->Line(1), QStringLiteral("\tﾍｯﾀﾞｰ 削除"));
    EXPECT_EQ(form.Editor4->Line(3), QStringLiteral("end"));
    EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(MainWindow, NoHelpFileLeavesTheHelpPageEmptyWithoutAMessage) {
    TFormMain& form = Form();
    EXPECT_EQ(form.Editor4->LineCount(), 0);
    EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(MainWindow, UnreadableHelpFileIsReportedAndTheWindowStillOpens) {
    std::filesystem::create_directory(ExeFolder() / "kelda.TXT"); // a folder cannot be read as text
    TFormMain& form = Form();
    EXPECT_EQ(dialogs_.Count(Kind::Error), 1u);
    EXPECT_EQ(form.PageControl1->currentIndex(), 0); // the steps after it still ran
    EXPECT_TRUE(form.IsJapanese());
}

} // namespace
} // namespace kelda
