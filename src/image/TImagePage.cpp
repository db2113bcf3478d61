// SPDX-License-Identifier: MIT
#include "image/TImagePage.h"

#include "app/Language.h"
#include "app/TCheckPage.h"
#include "resources/TResourcePage.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace kelda {

namespace {

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Caption(const char* control, bool japanese) {
    const TCaptionEntry* entry = FindForkCaption(control);
    return QString::fromUtf8(japanese ? entry->Japanese : entry->English);
}

QString Joined(const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& line : lines) {
        list.append(Q(line));
    }
    return list.join(QLatin1Char('\n'));
}

constexpr const char* kColumns[TImageModel::kColumns] = {"ImageColumnName",     "ImageColumnType",
                                                         "ImageColumnCreator",  "ImageColumnData",
                                                         "ImageColumnResource", "ImageColumnModified"};
constexpr const char* kForms[] = {"ItemImageMacBinary", "ItemImageAppleDouble", "ItemImageAppleSingle",
                                  "ItemImageBinHex", "ItemImageData"};
constexpr int kRowRole = Qt::UserRole;

} // namespace

TImagePage::TImagePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheetImages"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    VerdictLabel = new QLabel(this);
    VerdictLabel->setObjectName(QStringLiteral("ImageVerdict"));
    VerdictLabel->setTextFormat(Qt::PlainText);
    VerdictLabel->setWordWrap(true);
    column->addWidget(VerdictLabel);

    // The tree and the chosen item's details side by side, the file's resources across below.
    auto* rows = new QSplitter(Qt::Vertical, this);
    auto* split = new QSplitter(Qt::Horizontal, rows);
    Tree = new QTreeWidget(split);
    Tree->setObjectName(QStringLiteral("ImageTree"));
    Tree->setColumnCount(static_cast<int>(TImageModel::kColumns));
    Tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Tree->setUniformRowHeights(true);
    const int widths[] = {164, 48, 62, 64, 72, 140};
    for (int c = 0; c < static_cast<int>(TImageModel::kColumns); ++c) {
        Tree->setColumnWidth(c, widths[c]);
    }
    DetailText = new QPlainTextEdit(split);
    DetailText->setObjectName(QStringLiteral("ImageDetail"));
    DetailText->setReadOnly(true);
    DetailText->setLineWrapMode(QPlainTextEdit::NoWrap);
    split->setSizes({590, 360});
    Resources = new TResourcePage(rows);
    // The main window finds its own Resources page and controls by name: these get names of their own.
    for (QObject* child : Resources->findChildren<QObject*>()) {
        if (!child->objectName().isEmpty()) {
            child->setObjectName(QStringLiteral("Image") + child->objectName());
        }
    }
    Resources->setObjectName(QStringLiteral("ImageResourcePage"));
    Resources->BtnSaveResource->hide(); // a resource is saved from the Resources page's own file
    rows->setSizes({270, 200});
    column->addWidget(rows, 1);

    CheckText = new QPlainTextEdit(this);
    CheckText->setObjectName(QStringLiteral("ImageCheck"));
    CheckText->setReadOnly(true);
    CheckText->setLineWrapMode(QPlainTextEdit::NoWrap);
    CheckText->setMaximumHeight(64);
    column->addWidget(CheckText);

    auto* formRow = new QHBoxLayout;
    FormLabel = new QLabel(this);
    FormLabel->setObjectName(QStringLiteral("LabelImageForm"));
    FormCombo = new QComboBox(this);
    FormCombo->setObjectName(QStringLiteral("ComboImageForm"));
    for (std::size_t i = 0; i < std::size(kForms); ++i) {
        FormCombo->addItem(QString());
    }
    FormLabel->setBuddy(FormCombo);
    formRow->addWidget(FormLabel);
    formRow->addWidget(FormCombo);
    formRow->addStretch(1);
    column->addLayout(formRow);

    connect(Tree, &QTreeWidget::currentItemChanged, this, [this] { ShowCurrent(); });
    SetJapanese(false);
}

void TImagePage::Show(TImageModel model) {
    model_.emplace(std::move(model));
    Tree->clear();
    std::vector<QTreeWidgetItem*> items;
    const std::vector<TImageModel::TRow>& rows = model_->Rows();
    items.reserve(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const TImageModel::TRow& row = rows[r];
        QTreeWidgetItem* item = row.Parent < 0
                                    ? new QTreeWidgetItem(Tree)
                                    : new QTreeWidgetItem(items[static_cast<std::size_t>(row.Parent)]);
        for (std::size_t c = 0; c < TImageModel::kColumns; ++c) {
            item->setText(static_cast<int>(c), Q(row.Cells[c]));
        }
        for (int c = 3; c <= 4; ++c) {
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        }
        item->setData(0, kRowRole, static_cast<qulonglong>(r));
        items.push_back(item);
    }
    Tree->expandAll();
    // The first file, else the first volume.
    std::size_t first = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (rows[r].Entry != nullptr && rows[r].Entry->Kind == THfsKind::File) {
            first = r;
            break;
        }
    }
    Render();
    if (!items.empty()) {
        SelectRow(first);
    }
}

void TImagePage::SetJapanese(bool japanese) {
    japanese_ = japanese;
    QStringList headers;
    for (const char* c : kColumns) {
        headers.append(Caption(c, japanese));
    }
    Tree->setHeaderLabels(headers);
    FormLabel->setText(Caption("LabelImageForm", japanese));
    for (int i = 0; i < FormCombo->count(); ++i) {
        FormCombo->setItemText(i, Caption(kForms[i], japanese));
    }
    Resources->SetJapanese(japanese);
    Render();
    ShowCurrent();
}

void TImagePage::SetNameEncoding(TMacEncoding encoding) {
    if (!model_ || model_->NameEncoding() == encoding) {
        return;
    }
    model_->SetNameEncoding(encoding);
    for (QTreeWidgetItemIterator it(Tree); *it != nullptr; ++it) {
        const auto row = static_cast<std::size_t>((*it)->data(0, kRowRole).toULongLong());
        (*it)->setText(0, Q(model_->Rows()[row].Cells[0]));
    }
    Render();
    ShowCurrent();
}

std::vector<std::size_t> TImagePage::SelectedRows() const {
    std::vector<std::size_t> rows;
    for (const QTreeWidgetItem* item : Tree->selectedItems()) {
        rows.push_back(static_cast<std::size_t>(item->data(0, kRowRole).toULongLong()));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TImagePage::SelectRow(std::size_t row) {
    for (QTreeWidgetItemIterator it(Tree); *it != nullptr; ++it) {
        if ((*it)->data(0, kRowRole).toULongLong() == row) {
            Tree->clearSelection();
            Tree->setCurrentItem(*it);
            (*it)->setSelected(true);
            return;
        }
    }
}

TImageForm TImagePage::Form() const {
    return static_cast<TImageForm>(std::max(FormCombo->currentIndex(), 0));
}

void TImagePage::Render() {
    if (!model_) {
        VerdictLabel->clear();
        CheckText->clear();
        return;
    }
    const bool sound = model_->Sound();
    const TImageVolumeCheck* first = model_->Checks().empty() ? nullptr : &model_->Checks().front();
    VerdictLabel->setText(first == nullptr ? QString()
                                           : Q(first->Verdict(japanese_) + ": " + first->Title(japanese_)));
    QPalette palette = VerdictLabel->palette();
    palette.setColor(QPalette::WindowText,
                     VerdictColor(sound ? TCheckVerdict::Sound : TCheckVerdict::Damaged));
    VerdictLabel->setPalette(palette);
    VerdictLabel->setProperty("sound", sound);
    CheckText->setPlainText(Joined(model_->CheckLines(japanese_)));
}

void TImagePage::ShowCurrent() {
    const QTreeWidgetItem* item = Tree->currentItem();
    if (!model_ || item == nullptr) {
        DetailText->clear();
        return;
    }
    const auto row = static_cast<std::size_t>(item->data(0, kRowRole).toULongLong());
    std::vector<std::string> lines = model_->DetailLines(row, japanese_);
    try {
        if (std::optional<TMacFileSource> file = model_->OpenFile(row, false)) {
            Resources->Show(TResourceModel::FromMacFile(
                std::make_shared<const TMacFileSource>(std::move(*file)), model_->NameEncoding()));
        } else {
            Resources->Show(TResourceModel());
        }
    } catch (const EBilingualError& e) {
        // A fork whose extents the image does not hold: the details say so, the resources go.
        lines.emplace_back();
        lines.emplace_back(japanese_ ? e.what() : e.english());
        Resources->Show(TResourceModel());
    } catch (const std::exception& e) {
        lines.emplace_back();
        lines.emplace_back(e.what());
        Resources->Show(TResourceModel());
    }
    DetailText->setPlainText(Joined(lines));
}

} // namespace kelda
