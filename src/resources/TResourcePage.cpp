// SPDX-License-Identifier: MIT
#include "resources/TResourcePage.h"

#include "resources/ResourceTexts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace kelda {

namespace {

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

template <class W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

QImage IconToImage(const TIconImage& icon) {
    return QImage(icon.Rgba.data(), icon.Width, icon.Height, icon.Width * 4, QImage::Format_RGBA8888).copy();
}

TResourcePage::TResourcePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ResourcePage"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    // The table above, the chosen resource below, each the page's full width: at the window's
    // smallest size the table shows every column and the hex dump its text column. The user may
    // move the boundary.
    auto* splitter = Named(new QSplitter(Qt::Vertical, this), "ResourceSplitter");
    splitter->setChildrenCollapsible(false);
    ResourceTable = Named(new QTableWidget(0, 5, splitter), "ResourceTable");
    ResourceTable->verticalHeader()->hide();
    ResourceTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    ResourceTable->setSelectionMode(QAbstractItemView::SingleSelection);
    ResourceTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab and Ctrl+Tab leave the table (for the detail area and the next page) as they leave the
    // header grid; the arrow keys move between resources.
    ResourceTable->setTabKeyNavigation(false);
    // The name takes what the other columns leave, so that the size is never behind the scroll bar.
    ResourceTable->horizontalHeader()->setStretchLastSection(false);
    const int widths[] = {70, 70, 220, 260, 90};
    for (int c = 0; c < 5; ++c) {
        ResourceTable->setColumnWidth(c, widths[c]);
    }
    ResourceTable->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);

    auto* lower = new QWidget(splitter);
    auto* row = new QHBoxLayout(lower);
    row->setContentsMargins(0, 0, 0, 0);
    auto* icons = new QVBoxLayout;
    ResourceIcon1 = Named(new QLabel(lower), "ResourceIcon1");
    ResourceIcon4 = Named(new QLabel(lower), "ResourceIcon4");
    ResourceIcon1->setFixedSize(40, 40);
    ResourceIcon4->setFixedSize(132, 132);
    icons->addWidget(ResourceIcon1, 0, Qt::AlignLeft);
    icons->addWidget(ResourceIcon4, 0, Qt::AlignLeft);
    icons->addStretch(1);
    row->addLayout(icons);
    auto* detail = new QVBoxLayout;
    ResourceDetail = Named(new QPlainTextEdit(lower), "ResourceDetail");
    ResourceDetail->setReadOnly(true);
    ResourceDetail->setLineWrapMode(QPlainTextEdit::NoWrap);
    detail->addWidget(ResourceDetail, 1);
    BtnSaveResource = Named(new QPushButton(lower), "BtnSaveResource");
    BtnSaveResource->setAutoDefault(false);
    BtnSaveResource->setEnabled(false);
    detail->addWidget(BtnSaveResource, 0, Qt::AlignLeft);
    row->addLayout(detail, 1);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    column->addWidget(splitter, 1);

    ResourceFindings = Named(new QPlainTextEdit(this), "ResourceFindings");
    ResourceFindings->setReadOnly(true);
    ResourceFindings->setFixedHeight(90);
    column->addWidget(ResourceFindings);

    connect(ResourceTable, &QTableWidget::currentCellChanged, this, [this](int current) {
        model_.SetCurrentRow(current);
        ShowCurrent();
    });
    SetJapanese(false);
}

void TResourcePage::SetJapanese(bool japanese) {
    japanese_ = japanese;
    const TResText columns[] = {TResText::ColumnType, TResText::ColumnId, TResText::ColumnName,
                                TResText::ColumnAttributes, TResText::ColumnSize};
    QStringList titles;
    for (const TResText c : columns) {
        titles.append(QString::fromUtf8(ResourceText(c, japanese)));
    }
    ResourceTable->setHorizontalHeaderLabels(titles);
    // The attributes' names follow the language.
    const std::vector<TResourceModel::TRow> rows = model_.Rows(japanese);
    for (int r = 0; r < std::min(ResourceTable->rowCount(), static_cast<int>(rows.size())); ++r) {
        if (QTableWidgetItem* item = ResourceTable->item(r, 3)) {
            item->setText(Q(rows[static_cast<std::size_t>(r)][3]));
        }
    }
    BtnSaveResource->setText(QString::fromUtf8(ResourceText(TResText::SaveResource, japanese)));
    ShowFindings();
    ShowCurrent();
}

void TResourcePage::Show(TResourceModel model) {
    model_ = std::move(model);
    const std::vector<TResourceModel::TRow> rows = model_.Rows(japanese_);
    ResourceTable->blockSignals(true);
    ResourceTable->clearContents();
    ResourceTable->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        for (int c = 0; c < static_cast<int>(TResourceModel::kColumns); ++c) {
            auto* item =
                new QTableWidgetItem(Q(rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]));
            if (c == 1 || c == 4) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            ResourceTable->setItem(r, c, item);
        }
    }
    ResourceTable->setCurrentCell(model_.CurrentRow(), 0);
    ResourceTable->blockSignals(false);
    ShowFindings();
    ShowCurrent();
}

void TResourcePage::ShowFindings() {
    QStringList lines;
    for (const std::string& line : model_.FindingLines(japanese_)) {
        lines.append(Q(line));
    }
    ResourceFindings->setPlainText(lines.join(QLatin1Char('\n')));
}

void TResourcePage::ShowCurrent() {
    ResourceIcon1->clear();
    ResourceIcon4->clear();
    const TResourceDetail detail = model_.CurrentDetail(japanese_);
    BtnSaveResource->setEnabled(detail.Savable);
    ResourceDetail->setPlainText(Q(detail.Text));
    if (detail.Icon) {
        const QImage image = IconToImage(*detail.Icon);
        ResourceIcon1->setPixmap(QPixmap::fromImage(image));
        ResourceIcon4->setPixmap(QPixmap::fromImage(image.scaled(
            detail.Icon->Width * 4, detail.Icon->Height * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
    }
}

} // namespace kelda
