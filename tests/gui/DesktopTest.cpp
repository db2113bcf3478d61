// SPDX-License-Identifier: MIT
// The window on the desktop: the Help menu and its About box, a file named on the command line, page
// tabs that read on a dark theme, and the built-in icon.
#include "app/AppIcon.h"
#include "app/TPageControl.h"
#include "support/Corpus.h"
#include "support/WindowFixture.h"
#include "textview/TEditor.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPalette>
#include <QProcess>
#include <QPushButton>
#include <QtGlobal>

namespace kelda {
namespace {

using Kind = FakeDialogs::Kind;

class DesktopTest : public WindowFixture {
protected:
    std::filesystem::path Corpus(const char* name) const { return test::CorpusFile(name); }

    // Draws one tab with the window's handler into an image of the tab's size.
    QImage DrawTab(TFormMain& form, int index, bool active) {
        QImage image(160, 30, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        form.PageControl1DrawTab(painter, index, image.rect(), active);
        return image;
    }
    static int CountPixels(const QImage& image, QColor color, int tolerance) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (std::abs(c.red() - color.red()) <= tolerance &&
                    std::abs(c.green() - color.green()) <= tolerance &&
                    std::abs(c.blue() - color.blue()) <= tolerance) {
                    ++n;
                }
            }
        }
        return n;
    }
};

TEST_F(DesktopTest, AboutShowsVersionLicenceAndQtInTheLanguageOfTheMoment) {
    TFormMain& form = Shown();
    for (bool japanese : {true, false}) {
        form.MenuJapaneseSet->setChecked(japanese);
        form.LanguageChange();
        dialogs_.shown.clear();
        form.MenuAbout->trigger();
        ASSERT_EQ(dialogs_.Count(Kind::Message), 1u) << japanese;
        const QString text = dialogs_.Texts(Kind::Message).front();
        EXPECT_TRUE(text.startsWith(QStringLiteral("KELDA " KELDA_VERSION "\n"))) << text.toStdString();
        EXPECT_TRUE(text.endsWith(QStringLiteral("Qt ") + QString::fromLatin1(qVersion())))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("MIT"))) << text.toStdString();
        EXPECT_EQ(text.contains(QStringLiteral("ﾗｲｾﾝｽ")), japanese) << text.toStdString();
    }
}

TEST_F(DesktopTest, TheHelpMenuFollowsTheLanguage) {
    TFormMain& form = Shown();
    const struct {
        bool japanese;
        const char* help;
        const char* about;
    } cases[] = {
        {true, "ﾍﾙﾌﾟ(&H)", "KELDA について(&A)"},
        {false, "Help(&H)", "About KELDA(&A)"},
    };
    for (const auto& c : cases) {
        form.MenuJapaneseSet->setChecked(c.japanese);
        form.LanguageChange();
        EXPECT_EQ(form.MenuHelp->title(), QString::fromUtf8(c.help));
        EXPECT_EQ(form.MenuAbout->text(), QString::fromUtf8(c.about));
    }
    EXPECT_EQ(form.menuBar()->actions().last(), form.MenuHelp->menuAction()); // the last menu
}

TEST_F(DesktopTest, AFileOnTheCommandLineIsReadOnTheMacBinaryPage) {
    TFormMain& form = Shown();
    form.PageControl1->setCurrentIndex(1); // whatever page the settings left
    const std::filesystem::path file = Corpus("wezm_TextFile_II.bin");
    form.OpenFromCommandLine(file);
    EXPECT_EQ(form.PageControl1->currentIndex(), 0);
    EXPECT_EQ(form.OpenDialog1().Path, file);
    EXPECT_TRUE(form.BtnChangeFileType->isEnabled());
    EXPECT_TRUE(form.Label3->text().endsWith(QStringLiteral("wezm_TextFile_II.bin")))
        << form.Label3->text().toStdString();
    EXPECT_EQ(dialogs_.Count(Kind::Message), 0u);
    EXPECT_EQ(form.ComboBox1->itemText(0), QString()); // not a CRC page file
}

TEST_F(DesktopTest, AMissingFileOnTheCommandLineIsReportedAsADropWouldBe) {
    TFormMain& form = Shown();
    form.OpenFromCommandLine(root_ / "gone.bin");
    EXPECT_EQ(dialogs_.Texts(Kind::Message),
              std::vector<QString>{QStringLiteral("警告 ! ファイルが見つかりません")});
    EXPECT_FALSE(form.BtnChangeFileType->isEnabled());
}

TEST_F(DesktopTest, InactiveTabsUseThePalettesTextColourAndTheActiveOneStaysRed) {
    TFormMain& form = Form();
    const struct {
        const char* theme;
        QColor face;
        QColor text;
    } themes[] = {
        {"light", QColor(0xEF, 0xEF, 0xEF), QColor(0, 0, 0)},
        {"dark", QColor(0x30, 0x30, 0x30), QColor(0xF0, 0xF0, 0xF0)},
    };
    for (const auto& t : themes) {
        QPalette palette = form.palette();
        palette.setColor(QPalette::Button, t.face);
        palette.setColor(QPalette::ButtonText, t.text);
        form.setPalette(palette);
        const QImage inactive = DrawTab(form, 1, false);
        EXPECT_GT(CountPixels(inactive, t.text, 40), 10) << t.theme;
        EXPECT_EQ(CountPixels(inactive, QColor(255, 0, 0), 40), 0) << t.theme;
        EXPECT_EQ(CountPixels(inactive, Qt::magenta, 0), 0) << t.theme; // the whole tab is filled
        const QImage active = DrawTab(form, 1, true);
        EXPECT_GT(CountPixels(active, QColor(255, 0, 0), 40), 10) << t.theme;
        EXPECT_EQ(CountPixels(active, t.text, 40), 0) << t.theme;
    }
}

TEST_F(DesktopTest, AnInstalledWindowKeepsSettingsPiecesAndHelpOutOfItsBinFolder) {
    namespace fs = std::filesystem;
    const fs::path prefix = root_ / "usr";
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share" / "kelda");
    WriteFile(prefix / "share" / "kelda" / "kelda.TXT", "installed help\n");
    const AppPaths paths(prefix / "bin", "kelda", root_ / "config", root_ / "cache");
    {
        TFormMain form(paths, dialogs_);
        form.OpenFromCommandLine(Corpus("wezm_TextFile_II.bin"));
        EXPECT_EQ(form.Editor4->Lines().value(0), QStringLiteral("installed help"));
        EXPECT_TRUE(fs::exists(root_ / "cache" / "TMP" / "wezm_TextFile_II.bin.DA2"));
    }
    EXPECT_TRUE(fs::exists(root_ / "config" / "kelda.INI"));
    EXPECT_EQ(std::distance(fs::directory_iterator(prefix / "bin"), fs::directory_iterator()), 0);
    EXPECT_EQ(dialogs_.Count(Kind::Error), 0u);
}

TEST(AppIcon, TheBuiltInIconHasEveryThemeSize) {
    const QIcon icon = BuiltInAppIcon();
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
        EXPECT_FALSE(icon.pixmap(size).isNull()) << size;
    }
    EXPECT_FALSE(AppIcon().isNull());
}

// Started where no display can be opened, kelda says so in both languages, with how to run it
// offscreen, and exits 1 instead of aborting; offscreen it needs none.
TEST(DesktopProgram, WithoutADisplayItSaysSoAndExitsOne) {
    if (std::string(KELDA_GUI_PATH).empty()) {
        GTEST_SKIP() << "the window program was not built";
    }
    const struct {
        const char* Platform; // nullptr: QT_QPA_PLATFORM unset
        bool Refused;
    } cases[] = {{nullptr, true}, {"xcb", true}, {"wayland", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Platform ? c.Platform : "unset");
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        if (c.Platform != nullptr) {
            env.insert("QT_QPA_PLATFORM", c.Platform);
        }
        process.setProcessEnvironment(env);
        process.start(QString::fromUtf8(KELDA_GUI_PATH), {QStringLiteral("/nonexistent")});
        ASSERT_TRUE(process.waitForFinished(20000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 1);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        EXPECT_TRUE(err.contains("no display")) << err.toStdString();
        EXPECT_TRUE(err.contains(QString::fromUtf8("ディスプレイがありません"))) << err.toStdString();
        EXPECT_TRUE(err.contains("QT_QPA_PLATFORM=offscreen")) << err.toStdString();
    }
}

} // namespace
} // namespace kelda
