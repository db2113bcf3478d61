// SPDX-License-Identifier: MIT
// Progress for one piece of long work run on the GUI thread. The work gets a ProgressFn from Fn();
// once it has run longer than kProgressDelay, a modal progress dialog shows how far it is and offers
// Cancel, and the window keeps repainting because the callback lets the event loop run (at most once
// per kProgressInterval, so the callback stays cheap). Cancel makes the callback return false, so the
// work throws ECancelled. Short work shows nothing at all.
//
//     TProgressRunner progress(this, TProgressRunner::Texts(IsJapanese(), TMsg::ProgressCrc, name));
//     CrcFile(engine, file, progress.Fn());
#pragma once

#include "app/Language.h"
#include "util/Progress.h"
#include "util/ProgressThrottle.h"

#include <QPointer>
#include <QString>

#include <cstdint>

class QProgressDialog;
class QWidget;

namespace kelda {

class TProgressRunner {
public:
    struct TTexts {
        QString Caption; // the dialog's title
        QString Label;   // what is being done, above the bar
        QString Cancel;  // the cancel button
    };

    // The dialog's texts in a language mode: label names the work; fileName, when given, becomes a
    // second line.
    static TTexts Texts(bool japanese, TMsg label, const QString& fileName = {});

    // parent: the window the dialog belongs to. The work is taken to begin now.
    TProgressRunner(QWidget* parent, TTexts texts, TProgressClock clock = {});
    ~TProgressRunner();

    TProgressRunner(const TProgressRunner&) = delete;
    TProgressRunner& operator=(const TProgressRunner&) = delete;

    // The callback for the work. It refers to this runner and must not outlive it.
    ProgressFn Fn();

    // The dialog once it is shown (it stays until the runner goes), else nullptr.
    QProgressDialog* Dialog() const;
    bool Cancelled() const { return cancelled_; }

private:
    bool Update(std::int64_t done, std::int64_t total);
    void MakeDialog();

    QWidget* parent_;
    TTexts texts_;
    TProgressThrottle throttle_;
    QPointer<QProgressDialog> dialog_;
    bool cancelled_ = false;
};

} // namespace kelda
