// SPDX-License-Identifier: MIT
// The real message boxes, answered by keys as a user would, and the file dialogs' filters.
#include "app/QtDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
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
