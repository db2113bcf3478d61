// SPDX-License-Identifier: MIT
// A help text of many megabytes on the Help page: its first lines are shown before the rest is
// read, and the pane holds a compact index of it rather than its text.
#include "app/TPageControl.h"
#include "support/WindowFixture.h"
#include "textview/TEditor.h"

#include <map>

namespace kelda {
namespace {

QString HelpLine(int i) {
    return QStringLiteral("%1\tｶﾀｶﾅ 日本語 help line").arg(i, 7, 10, QLatin1Char('0'));
}

class HelpText : public WindowFixture {
protected:
    // The rows the pane paints now, with the text it gives the row hook.
    static std::map<int, QString> Drawn(TEditor* pane) {
        std::map<int, QString> drawn;
        pane->SetOnDrawLine([&](TEditor*, const QString& line, int, int, int index, const QRect&, bool) {
            drawn[index] = line;
        });
        pane->viewport()->grab();
        pane->SetOnDrawLine(nullptr);
        return drawn;
    }
};

TEST_F(HelpText, AHugeHelpTextShowsItsFirstLinesWhileTheRestIsRead) {
    // Large enough that reading it takes far longer than showing the window, even on a fast machine.
    constexpr int kLines = 1'500'000;
    std::string text;
    for (int i = 0; i < kLines; ++i) {
        text += HelpLine(i).toStdString() + "\r\n";
    }
    const std::size_t size = text.size(); // about 52 MB
    WriteFile(ExeFolder() / "kelda.TXT", text);
    text = {};

    TFormMain& form = Shown();
    TEditor* help = form.Editor4;
    form.PageControl1->setCurrentWidget(form.TabSheet3);
    QCoreApplication::processEvents();
    ASSERT_TRUE(help->IsLoading());
    EXPECT_GT(help->LineCount(), help->VisibleRowCount());
    EXPECT_LT(help->LineCount(), kLines);
    const std::map<int, QString> first = Drawn(help);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.begin()->first, 0);
    for (const auto& [row, line] : first) {
        EXPECT_EQ(line, HelpLine(row)) << row;
    }
    EXPECT_LT(help->LineMemoryBytes(), size / 4);

    for (int waited = 0; help->IsLoading() && waited < 120'000; waited += 10) {
        QTest::qWait(10);
    }
    ASSERT_FALSE(help->IsLoading());
    ASSERT_EQ(help->LineCount(), kLines);
    EXPECT_LT(help->LineMemoryBytes(), size / 16);

    // The end of the text is reached and drawn as any text's is.
    help->setFocus();
    QTest::keyClick(help, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(help, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(help->CaretRow(), kLines - 1);
    EXPECT_EQ(help->SelectedText(), HelpLine(kLines - 1) + "\n");
    const std::map<int, QString> last = Drawn(help);
    ASSERT_TRUE(last.count(kLines - 1));
    EXPECT_EQ(last.at(kLines - 1), HelpLine(kLines - 1));
    EXPECT_LT(help->LineMemoryBytes(), size / 16);
}

} // namespace
} // namespace kelda
