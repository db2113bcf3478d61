// SPDX-License-Identifier: MIT
// Files dropped on the window, and the mouse wheel over it.
#include "app/TPageControl.h"
#include "support/WindowFixture.h"
#include "textview/TEditor.h"

#include <QComboBox>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>
#include <QWheelEvent>

namespace kelda {
namespace {

using Kind = FakeDialogs::Kind;

class DropWheelTest : public WindowFixture {
protected:
    // Drags files over the window and drops them, as a file manager does.
    void Drop(TFormMain& form, const QStringList& files) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& f : files) {
            urls.append(QUrl::fromLocalFile(f));
        }
        mime.setUrls(urls);
        const QPoint at(20, 20);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &drop);
    }
    QString MakeFile(const std::string& name, const std::string& bytes = std::string(200, 'x')) {
        const auto file = root_ / name;
        std::filesystem::create_directories(file.parent_path());
        WriteFile(file, bytes);
        return QString::fromStdString(file.string());
    }
    // The CRC page with 300 result lines in Editor2, scrolled so that line 100 is at the top.
    static void ShowScrolledResults(TFormMain& form) {
        form.PageControl1->setCurrentWidget(form.TabSheet2);
        QStringList lines;
        for (int i = 0; i < 300; ++i) {
            lines.append(QString::number(i));
        }
        form.Editor2->AppendLines(lines);
        form.Editor2->SetTopRow(100);
    }
    // One wheel event of delta (120 is one notch up) sent to target.
    static void Wheel(QWidget* target, int delta) {
        const QPointF at(5, 5);
        QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(target, &wheel);
    }
};

TEST_F(DropWheelTest, ADropOnTheMacBinaryPageReadsTheFirstFile) {
    TFormMain& form = Shown();
    EXPECT_TRUE(form.acceptDrops());
    const QString first = MakeFile("first.bin");
    Drop(form, {first, MakeFile("second.bin"), MakeFile("third.bin")});
    EXPECT_EQ(form.OpenDialog1().FileName, first); // the source of the conversions, accepted or not
    EXPECT_EQ(form.OpenDialog1().InitialDir, QString::fromStdString(root_.string() + "/"));
    EXPECT_EQ(dialogs_.Texts(Kind::Message),
              std::vector<QString>{QStringLiteral("警告 ! MacBinary のファイルではありません")});
    EXPECT_EQ(form.ComboBox1->itemText(0), QString()); // the CRC page is untouched
}

TEST_F(DropWheelTest, ADropOnTheCrcPageListsTheFileWithItsFullPath) {
    TFormMain& form = Shown();
    form.PageControl1->setCurrentWidget(form.TabSheet2);
    // A path well past 255 characters arrives whole.
    std::string deep;
    for (int i = 0; i < 6; ++i) {
        deep += std::string(50, static_cast<char>('a' + i)) + "/";
    }
    const QString file = MakeFile(deep + "file.dat");
    ASSERT_GT(file.size(), 300);
    Drop(form, {file, MakeFile("other.dat")});
    EXPECT_EQ(form.ComboBox1->itemText(0), file);
    EXPECT_EQ(form.ComboBox1->itemText(1), QString());
    EXPECT_EQ(form.ComboBox1->currentIndex(), 0);
    EXPECT_EQ(form.OpenDialog2().FileName, file);
    EXPECT_TRUE(form.Editor2->Lines().isEmpty()); // nothing is computed
    EXPECT_TRUE(form.FFileName().isEmpty());      // the MacBinary page is untouched
    EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(DropWheelTest, ADropOnTheHelpPageDoesNothing) {
    TFormMain& form = Shown();
    form.PageControl1->setCurrentWidget(form.TabSheet3);
    const TFileDialogState before = form.OpenDialog1();
    Drop(form, {MakeFile("x.bin")});
    EXPECT_EQ(form.OpenDialog1().FileName, before.FileName);
    EXPECT_EQ(form.OpenDialog2().FileName, QStringLiteral("*.*"));
    EXPECT_EQ(form.ComboBox1->itemText(0), QString());
    EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(DropWheelTest, TheWheelScrollsTheFocusedPaneOneLinePerEvent) {
    TFormMain& form = Shown();
    ShowScrolledResults(form);
    form.Editor2->setFocus();

    Wheel(form.Editor2->viewport(), -120);
    EXPECT_EQ(form.Editor2->TopRow(), 101);
    Wheel(form.Editor2->viewport(), 360); // a big turn is still one line
    EXPECT_EQ(form.Editor2->TopRow(), 100);
    Wheel(form.ListBox1->viewport(), -15); // over another control: the focused pane scrolls
    EXPECT_EQ(form.Editor2->TopRow(), 101);
}

TEST_F(DropWheelTest, TheWheelLeavesThePanesAloneWhileAListHasTheFocus) {
    TFormMain& form = Shown();
    ShowScrolledResults(form);
    for (QWidget* focus : {static_cast<QWidget*>(form.ListBox1), static_cast<QWidget*>(form.ListBox2),
                           static_cast<QWidget*>(form.ComboBox1)}) {
        focus->setFocus();
        Wheel(focus, -120);
        EXPECT_EQ(form.Editor2->TopRow(), 100) << focus->objectName().toStdString();
    }
    EXPECT_EQ(form.FocusedEditor(), nullptr);
}

} // namespace
} // namespace kelda
