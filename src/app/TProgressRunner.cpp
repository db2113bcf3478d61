// SPDX-License-Identifier: MIT
#include "app/TProgressRunner.h"

#include "app/TCentredDialog.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QWidget>

namespace kelda {

namespace {

// The bar counts thousandths, so that files larger than an int can count still move it smoothly.
constexpr int kBarMaximum = 1000;
constexpr int kDialogMinimumWidth = 420;

} // namespace

TProgressRunner::TTexts TProgressRunner::Texts(bool japanese, TMsg label, const QString& fileName) {
    TTexts texts{QString::fromUtf8(MessageText(TMsg::ProgressCaption, japanese)),
                 QString::fromUtf8(MessageText(label, japanese)),
                 QString::fromUtf8(MessageText(TMsg::ProgressCancel, japanese))};
    if (!fileName.isEmpty()) {
        texts.Label += QLatin1Char('\n') + fileName;
    }
    return texts;
}

TProgressRunner::TProgressRunner(QWidget* parent, TTexts texts, TProgressClock clock)
    : parent_(parent), texts_(std::move(texts)), throttle_(std::move(clock)) {}

TProgressRunner::~TProgressRunner() {
    delete dialog_.data();
}

QProgressDialog* TProgressRunner::Dialog() const {
    return dialog_.data();
}

ProgressFn TProgressRunner::Fn() {
    return [this](std::int64_t done, std::int64_t total) { return Update(done, total); };
}

bool TProgressRunner::Update(std::int64_t done, std::int64_t total) {
    // The answer can change only while events run, which happens only below.
    if (cancelled_ || !throttle_.Due()) {
        return !cancelled_;
    }
    const bool first = dialog_ == nullptr;
    if (first) {
        MakeDialog();
    }
    dialog_->setLabelText(texts_.Label + QLatin1Char('\n') +
                          QString::fromStdString(ProgressAmountText(done, total)));
    dialog_->setValue(ProgressPermille(done, total));
    if (first) {
        // Shown with its texts, so that it is placed at the size it keeps.
        dialog_->show();
    }
    // Repaints, and lets the user press Cancel; the dialog is modal, so nothing else in the window
    // can be started meanwhile.
    QCoreApplication::processEvents();
    cancelled_ = dialog_ == nullptr || dialog_->wasCanceled();
    return !cancelled_;
}

void TProgressRunner::MakeDialog() {
    // Centred on the window's frame.
    auto* dialog = new TCentredDialog<QProgressDialog>(parent_, false, parent_);
    dialog->setObjectName(QStringLiteral("ProgressDialog"));
    dialog->setWindowTitle(texts_.Caption);
    dialog->setCancelButtonText(texts_.Cancel);
    dialog->setWindowModality(Qt::ApplicationModal);
    // This runner decides when the dialog shows and when it goes; the dialog's own timing is off.
    dialog->setMinimumDuration(0);
    dialog->setAutoReset(false);
    dialog->setAutoClose(false);
    dialog->setRange(0, kBarMaximum);
    dialog->setMinimumWidth(kDialogMinimumWidth);
    // Escape or the window's close button reject the dialog; that too is a cancel.
    QObject::connect(dialog, &QDialog::rejected, dialog, &QProgressDialog::cancel);
    dialog_ = dialog;
}

} // namespace kelda
