// SPDX-License-Identifier: MIT
#include "app/TCheckPage.h"

#include "app/THeaderHexView.h"
#include "macbinary/CheckReportText.h"
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
                      TMacEncoding nameEncoding) {
    header_ = header;
    report_ = report;
    japanese_ = japanese;
    nameEncoding_ = nameEncoding;
    HexView->SetBytes(header);
    Render();
    HighlightField(field_ < 0 ? 0 : field_);
}

void TCheckPage::Retranslate(bool japanese, TMacEncoding nameEncoding) {
    japanese_ = japanese;
    nameEncoding_ = nameEncoding;
    if (report_) {
        Render();
    }
}

void TCheckPage::HighlightField(int index) {
    if (index < 0 || index >= static_cast<int>(HeaderFields.size())) {
        field_ = -1;
        HexView->SetHighlight(0, 0);
        FieldLabel->clear();
        return;
    }
    field_ = index;
    const THeaderField& f = HeaderFields[static_cast<std::size_t>(index)];
    HexView->SetHighlight(f.Offset, f.Width);
    FieldLabel->setText(
        QStringLiteral("%1  %2").arg(QLatin1String(f.No), QString::fromLatin1(f.Item).simplified()));
}

void TCheckPage::Render() {
    TCheckReport shown = *report_;
    SetNameReading(shown, header_, nameEncoding_);
    VerdictLabel->setText(Q(shown.VerdictLine(japanese_)));
    QPalette palette = VerdictLabel->palette();
    palette.setColor(QPalette::WindowText, VerdictColor(shown.Verdict));
    VerdictLabel->setPalette(palette);

    QStringList lines;
    for (const std::string& line : CheckReportLines(shown, japanese_)) {
        lines.append(Q(line));
    }
    if (shown.Verdict != TCheckVerdict::NotMacBinary) {
        lines.append(QString());
        for (const std::string& line : LayoutComparisonLines(header_, shown, japanese_)) {
            lines.append(Q(line));
        }
    }
    Editor5->BeginUpdate();
    Editor5->Clear();
    Editor5->AppendLines(lines);
    Editor5->EndUpdate();
}

} // namespace kelda
