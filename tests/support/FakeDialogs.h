// SPDX-License-Identifier: MIT
// A scripted Dialogs for window tests: records everything shown, answers questions and file dialogs
// from queues (an empty queue answers No or cancels).
#pragma once

#include "app/Dialogs.h"
#include "app/PathText.h"

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace kelda {

class FakeDialogs : public Dialogs {
public:
    enum class Kind { Message, Question, Error, OpenFile, SaveFile };
    struct Shown {
        Kind kind;
        QString text; // the message, or the dialog's filter for a file dialog
    };

    std::vector<Shown> shown;
    std::deque<bool> answers;                  // for AskYesNo
    std::deque<std::optional<QString>> files;  // for OpenFile / SaveFile; nullopt cancels
    std::vector<TFileDialogState> fileDialogs; // the states the file dialogs were run from
    std::function<void(Kind)> onShow;          // called as each box or dialog appears

    void Message(QWidget*, const QString& text) override { Record(Kind::Message, text); }
    bool AskYesNo(QWidget*, const QString& text) override {
        Record(Kind::Question, text);
        return Pop(answers).value_or(false);
    }
    void ErrorBox(QWidget*, const QString& text) override { Record(Kind::Error, text); }
    bool OpenFile(QWidget*, TFileDialogState& state) override { return File(Kind::OpenFile, state); }
    bool SaveFile(QWidget*, TFileDialogState& state) override { return File(Kind::SaveFile, state); }

    // The texts shown of one kind, in order.
    std::vector<QString> Texts(Kind kind) const {
        std::vector<QString> out;
        for (const Shown& s : shown) {
            if (s.kind == kind) {
                out.push_back(s.text);
            }
        }
        return out;
    }
    std::size_t Count(Kind kind) const { return Texts(kind).size(); }

private:
    void Record(Kind kind, const QString& text) {
        shown.push_back({kind, text});
        if (onShow) {
            onShow(kind);
        }
    }
    template <class T> static std::optional<T> Pop(std::deque<T>& queue) {
        if (queue.empty()) {
            return std::nullopt;
        }
        T value = queue.front();
        queue.pop_front();
        return value;
    }
    bool File(Kind kind, TFileDialogState& state) {
        fileDialogs.push_back(state);
        Record(kind, state.Filter);
        const std::optional<QString> chosen = Pop(files).value_or(std::nullopt);
        if (!chosen) {
            return false;
        }
        // A scripted name is what a user would type: it is found as the real dialog finds it.
        state.FileName = *chosen;
        state.Path = ToPath(*chosen);
        const qsizetype slash = chosen->lastIndexOf(QLatin1Char('/'));
        state.InitialDir = slash >= 0 ? chosen->left(slash) : QString();
        return true;
    }
};

} // namespace kelda
