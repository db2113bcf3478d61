// SPDX-License-Identifier: MIT
#include "app/TCheckPage.h"

#include "app/BoxLines.h"
#include "app/Language.h"
#include "app/THeaderHexView.h"
#include "textview/TEditor.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>

namespace kelda {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

// line broken where it may be so that each piece fits width; the pieces after the first are
// indented below the text after the label (a finding's, by four blanks).
QStringList Wrapped(const QString& line, const QFontMetrics& metrics, int width) {
    if (width <= 0 || metrics.horizontalAdvance(line) <= width) {
        return {line};
    }
    const QString indent(line.startsWith(QLatin1Char('[')) ? 4 : 15, QLatin1Char(' '));
    const int rest =
        std::max(width - metrics.horizontalAdvance(indent), metrics.horizontalAdvance(QChar(0x3042)) * 4);
    QStringList out;
    QString text = line;
    int available = width;
    while (!text.isEmpty()) {
        const QStringList pieces = BoxLines(text, metrics, available);
        if (pieces.isEmpty()) {
            break;
        }
        out.append(out.isEmpty() ? pieces.front() : indent + pieces.front());
        if (pieces.size() == 1) {
            break;
        }
        qsizetype used = pieces.front().size();
        while (used < text.size() && text[used] == QLatin1Char(' ')) {
            ++used;
        }
        text = text.mid(used);
        available = rest;
    }
    return out;
}

QString CheckPageCaption(bool japanese) {
    return japanese ? QStringLiteral("    検査    ") : QStringLiteral("    Check    ");
}

QColor VerdictColor(TCheckVerdict verdict) {
    switch (verdict) {
    case TCheckVerdict::Sound:
        return QColor(0, 110, 0);
    case TCheckVerdict::Damaged:
        return QColor(166, 77, 0);
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

    // The report takes the page's whole width, so that its lines fit at the window's smallest
    // size; the header bytes sit below it, and the user may move the boundary.
    Splitter = new QSplitter(Qt::Vertical, this);
    Splitter->setObjectName(QStringLiteral("CheckSplitter"));
    Splitter->setChildrenCollapsible(false);
    Editor5 = new TEditor(Splitter);
    Editor5->setObjectName(QStringLiteral("Editor5"));
    auto* bytes = new QWidget(Splitter);
    HeaderBytes = bytes;
    bytes->setObjectName(QStringLiteral("CheckHeaderBytes"));
    bytes->hide(); // no header before the first report
    auto* side = new QVBoxLayout(bytes);
    side->setContentsMargins(0, 0, 0, 0);
    FieldLabel = new QLabel(bytes);
    FieldLabel->setObjectName(QStringLiteral("CheckField"));
    FieldLabel->setTextFormat(Qt::PlainText);
    side->addWidget(FieldLabel);
    HexView = new THeaderHexView(bytes);
    HexView->setObjectName(QStringLiteral("HeaderHexView"));
    side->addWidget(HexView);
    side->addStretch(1);
    Splitter->setStretchFactor(0, 1);
    Splitter->setStretchFactor(1, 0);
    column->addWidget(Splitter, 1);
    // A click on a byte chooses its field, as the caret does on the MacBinary page.
    connect(HexView, &THeaderHexView::ByteClicked, this, [this](int offset) {
        const int field = TCheckModel::FieldAt(offset);
        if (field >= 0) {
            HighlightField(field);
            emit FieldClicked(field);
        }
    });
}

void TCheckPage::Show(const THeader& header, const TCheckReport& report, bool japanese,
                      TMacEncoding nameEncoding, const std::string& notOpened) {
    TFileCheck check;
    check.Header = header;
    check.Report = report;
    Show(std::move(check), japanese, nameEncoding, notOpened);
}

void TCheckPage::ShowFile(const std::filesystem::path& file, bool japanese, TMacEncoding nameEncoding,
                          const std::string& notOpened) {
    Show(CheckFile(file, nameEncoding), japanese, nameEncoding, notOpened);
}

void TCheckPage::Show(TFileCheck check, bool japanese, TMacEncoding nameEncoding,
                      const std::string& notOpened) {
    notOpened_ = notOpened;
    binHex_ = std::move(check.BinHex);
    const bool hasHeader = check.HasHeader();
    model_.Show(check.Header, std::move(check.Report));
    model_.SetNameEncoding(nameEncoding);
    japanese_ = japanese;
    // Only a header the file really has is drawn: a BinHex body's bytes are no MacBinary header,
    // and zeros in its place would show fields the file does not hold.
    HexView->SetBytes(hasHeader ? check.Header : THeader{});
    HeaderBytes->setVisible(hasHeader);
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

int TCheckPage::ReportWidth() const {
    // A page not shown has no width of its own yet: its lines stay whole until it is.
    if (!isVisible()) {
        return 0;
    }
    return Editor5->viewport()->width() -
           2 * QFontMetrics(Editor5->font()).horizontalAdvance(QLatin1Char('0'));
}

void TCheckPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (model_.Report() && ReportWidth() != renderedWidth_) {
        Render();
    }
}

void TCheckPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (model_.Report() && ReportWidth() != renderedWidth_) {
        Render();
    }
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

    // Long lines (a verdict with its reason, a finding) are broken to the report's width, so that
    // nothing runs off its right edge at the window's smallest size.
    const QFontMetrics metrics(Editor5->font());
    const int width = ReportWidth();
    QStringList lines;
    for (const std::string& line : model_.Lines(japanese_)) {
        lines.append(Wrapped(Q(line), metrics, width));
    }
    renderedWidth_ = width;
    Editor5->BeginUpdate();
    Editor5->Clear();
    Editor5->AppendLines(lines);
    Editor5->EndUpdate();
}

} // namespace kelda
