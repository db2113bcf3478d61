// SPDX-License-Identifier: MIT
// The real message boxes, answered by keys as a user would, and the file dialogs' filters.
#include "app/QtDialogs.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace kelda {
namespace {

// Runs inspect on the message box once it is open, then presses key in it.
void WhenBoxOpens(std::function<void(QMessageBox&)> inspect, Qt::Key key) {
    QTimer::singleShot(0, [inspect = std::move(inspect), key] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        inspect(*box);
        QTest::keyClick(box, key);
    });
}

QStringList ButtonTexts(const QMessageBox& box) {
    QStringList texts;
    for (QAbstractButton* b : box.buttons()) {
        texts << b->text();
    }
    texts.sort();
    return texts;
}

TEST(QtDialogs, QuestionDefaultsToYesAndEscapeAnswersNo) {
    const struct {
        Qt::Key key;
        bool answer;
    } cases[] = {{Qt::Key_Escape, false}, {Qt::Key_Return, true}};
    for (const auto& c : cases) {
        bool inspected = false;
        WhenBoxOpens(
            [&](QMessageBox& box) {
                inspected = true;
                EXPECT_EQ(box.windowTitle(), QStringLiteral("情報"));
                EXPECT_EQ(box.icon(), QMessageBox::Information);
                EXPECT_EQ(box.text(), QStringLiteral("Quit this program ?"));
                EXPECT_EQ(ButtonTexts(box),
                          (QStringList{QStringLiteral("いいえ(&N)"), QStringLiteral("はい(&Y)")}));
                EXPECT_EQ(box.defaultButton()->text(), QStringLiteral("はい(&Y)"));
            },
            c.key);
        EXPECT_EQ(QtDialogs().AskYesNo(nullptr, QStringLiteral("Quit this program ?")), c.answer);
        EXPECT_TRUE(inspected);
    }
}

// The lines a box's text label shows, as it lays them out.
QStringList ShownLines(const QLabel& label) {
    QStringList lines;
    for (const QString& paragraph : label.text().split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, label.font());
        QTextOption option;
        option.setWrapMode(label.wordWrap() ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                            : QTextOption::NoWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(label.contentsRect().width());
            lines << paragraph.mid(line.textStart(), line.textLength());
        }
        layout.endLayout();
    }
    return lines;
}

TEST(QtDialogs, JapaneseTextsBreakOnlyWhereJapaneseAllows) {
    const QString noStart = QStringLiteral("んン。、．.」）ーぁぃぅぇぉっゃゅょァィゥェォッャュョｯｬｭｮﾝｰ");
    const struct {
        QString text;
        int maxLines;
    } cases[] = {
        {QStringLiteral("警告 ! ファイルが見つかりません"), 1},
        {QStringLiteral("警告 ! 2 GiB 以上のフォークは MacBinary に入りません"), 2},
        {QStringLiteral("ファイル \"/tmp/a/b.bin\". No such file or directory は開けません."), 3},
        {QStringLiteral("ファイル \"/tmp/%1/b.bin\". No such file or directory は開けません.")
             .arg(QString(17, 'q')),
         3},
        {QStringLiteral("ファイル \"/tmp/%1.bin\". 許可がありません は開けません.").arg(QString(40, 'q')), 3},
        {QStringLiteral("ファイル \"/%1\". 許可がありません は開けません.").arg(QString(120, 'q')), 5},
        {QStringLiteral(
             "リソースフォークの 123456 バイトのうち 1234 バイトしかファイルにありません。ッ、ょ「ァ」ン"),
         3},
    };
    for (const auto& c : cases) {
        bool inspected = false;
        WhenBoxOpens(
            [&](QMessageBox& box) {
                inspected = true;
                const auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
                ASSERT_NE(label, nullptr);
                const QStringList lines = ShownLines(*label);
                EXPECT_LE(lines.size(), c.maxLines) << lines.join(QLatin1Char('|')).toStdString();
                EXPECT_EQ(lines.join(QString()).remove(QLatin1Char(' ')),
                          QString(c.text).remove(QLatin1Char(' ')));
                for (qsizetype i = 1; i < lines.size(); ++i) {
                    EXPECT_FALSE(!lines[i].isEmpty() && noStart.contains(lines[i][0]))
                        << lines.join(QLatin1Char('|')).toStdString();
                }
                if (c.text.contains(QStringLiteral("開けません"))) {
                    EXPECT_TRUE(lines.join(QLatin1Char('|')).contains(QStringLiteral("開けません")))
                        << lines.join(QLatin1Char('|')).toStdString();
                }
            },
            Qt::Key_Return);
        QtDialogs().ErrorBox(nullptr, c.text);
        EXPECT_TRUE(inspected);
    }
}

TEST(QtDialogs, MessageAndErrorBoxesCarryTheProgramTitle) {
    const struct {
        bool error;
        QMessageBox::Icon icon;
    } cases[] = {{false, QMessageBox::NoIcon}, {true, QMessageBox::Critical}};
    for (const auto& c : cases) {
        bool inspected = false;
        WhenBoxOpens(
            [&](QMessageBox& box) {
                inspected = true;
                EXPECT_EQ(box.windowTitle(), QStringLiteral("KELDA"));
                EXPECT_EQ(box.icon(), c.icon);
                EXPECT_EQ(box.buttons().size(), 1);
            },
            Qt::Key_Return);
        QtDialogs dialogs;
        if (c.error) {
            dialogs.ErrorBox(nullptr, QStringLiteral("x."));
        } else {
            dialogs.Message(nullptr, QStringLiteral("Warning ! File can not find."));
        }
        EXPECT_TRUE(inspected);
    }
}

TEST(QtDialogs, FilterPairsBecomeFileDialogFilters) {
    const struct {
        const char* pairs;
        QStringList filters;
    } cases[] = {
        {"*.BIN|*.BIN|*.*|*.*", {"*.BIN (*.BIN *.bin)", "*.* (*)"}},
        {"*.TXT:*.DOC|*.TXT;*.DOC|*.*|*.*", {"*.TXT:*.DOC (*.TXT *.txt *.DOC *.doc)", "*.* (*)"}},
        {"*.*|*.*", {"*.* (*)"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QtDialogs::NameFilters(QString::fromLatin1(c.pairs)), c.filters) << c.pairs;
    }
}

} // namespace
} // namespace kelda
