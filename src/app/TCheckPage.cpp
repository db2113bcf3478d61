// SPDX-License-Identifier: MIT
#include "app/TCheckPage.h"

#include "app/Language.h"
#include "app/THeaderHexView.h"
#include "textview/TEditor.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kelda {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

QString CheckPageCaption(bool japanese) {
    return japanese ? QStringLiteral("    検査    ") : QStringLiteral("    Check    ");
}

QColor VerdictColor(TCheckVerdict verdict) {
    switch (verdict) {
    case TCheckVerdict::Sound:
        return QColor(0, 128, 0);
    case TCheckVerdict::Damaged:
        return QColor(204, 102, 0);
    case TCheckVerdict::NotMacBinary:
        break;
    }
    return QColor(204, 0, 0);
}

TCheckPage::TCheckPage(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    VerdictLabel = new QLabel(this);
    VerdictLabel->setObjectName(QStringLiteral("CheckVerdict"));
    VerdictLabel->setTextFormat(Qt::PlainText);
    VerdictLabel->setWordWrap(true);
    column->addWidget(VerdictLabel);

    auto* row = new QHBoxLayout;
    Editor5 = new TEditor(this);
    Editor5->setObjectName(QStringLiteral("Editor5"));
    row->addWidget(Editor5, 1);
    auto* side = new QVBoxLayout;
    FieldLabel = new QLabel(this);
    FieldLabel->setObjectName(QStringLiteral("CheckField"));
    FieldLabel->setTextFormat(Qt::PlainText);
    side->addWidget(FieldLabel);
    HexView = new THeaderHexView(this);
    HexView->setObjectName(QStringLiteral("HeaderHexView"));
    side->addWidget(HexView);
    side->addStretch(1);
    row->addLayout(side);
    column->addLayout(row, 1);
}

void TCheckPage::Show(const THeader& header, const TCheckReport& report, bool japanese,
                      TMacEncoding nameEncoding, const std::string& notOpened) {
    notOpened_ = notOpened;
    model_.Show(header, report);
    model_.SetNameEncoding(nameEncoding);
    japanese_ = japanese;
    HexView->SetBytes(header);
    Render();
    HighlightField(model_.Field());
}

void TCheckPage::Retranslate(bool japanese, TMacEncoding nameEncoding) {
    japanese_ = japanese;
    model_.SetNameEncoding(nameEncoding);
    if (model_.Report()) {
        Render();
    }
}

void TCheckPage::HighlightField(int index) {
    model_.SetField(index);
    HexView->SetHighlight(model_.FieldOffset(), model_.FieldWidth());
    FieldLabel->setText(Q(model_.FieldLabel()));
}

void TCheckPage::Render() {
    const TCheckReport shown = model_.ShownReport();
    const std::string verdict = shown.VerdictLine(japanese_);
    VerdictLabel->setText(
        Q(notOpened_.empty() ? verdict
                             : FormatMessage(TMsg::CheckNotOpened, japanese_, notOpened_) + '\n' + verdict));
    QPalette palette = VerdictLabel->palette();
    palette.setColor(QPalette::WindowText, VerdictColor(shown.Verdict));
    VerdictLabel->setPalette(palette);

    QStringList lines;
    for (const std::string& line : model_.Lines(japanese_)) {
        lines.append(Q(line));
    }
    Editor5->BeginUpdate();
    Editor5->Clear();
    Editor5->AppendLines(lines);
    Editor5->EndUpdate();
}

} // namespace kelda
