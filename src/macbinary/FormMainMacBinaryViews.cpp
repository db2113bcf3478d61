// SPDX-License-Identifier: MIT
// The MacBinary page's two header views: the Text/Grid switch, the text pane and the grid following
// each other, and the grid's cell painting. Also the wiring of the page's controls.
#include "app/Main.h"
#include "app/TEventHook.h"
#include "textview/TEditor.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include <algorithm>

namespace kelda {

namespace {

// Selected cells while the grid has the focus: sky blue, 0xF0CAA6 in blue-green-red order.
const QColor kSkyBlue(0xA6, 0xCA, 0xF0);
const QColor kSilver(0xC0, 0xC0, 0xC0);

// Hands every cell of the grid to StringGrid1DrawCell.
class TGridCellPainter : public QStyledItemDelegate {
public:
    TGridCellPainter(TFormMain& form, QObject* parent) : QStyledItemDelegate(parent), form_(form) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->save();
        painter->setFont(option.font);
        // Row 0 of the grid is its title row, so table row r is grid row r + 1.
        form_.StringGrid1DrawCell(*painter, index.column(), index.row() + 1, option.rect,
                                  (option.state & QStyle::State_Selected) != 0);
        painter->restore();
    }

private:
    TFormMain& form_;
};

// Grid rows count the title row; the table's rows do not.
int TableRow(int gridRow) {
    return std::max(gridRow - 1, 0);
}

void SetGridCurrentRow(QTableWidget* grid, int gridRow) {
    if (grid->rowCount() > 0) {
        grid->setCurrentCell(std::min(TableRow(gridRow), grid->rowCount() - 1),
                             std::max(grid->currentColumn(), 0));
    }
}

void SetGridTopRow(QTableWidget* grid, int gridRow) {
    if (grid->rowCount() > 0) {
        const int row = std::min(TableRow(gridRow), grid->rowCount() - 1);
        grid->scrollTo(grid->model()->index(row, std::max(grid->currentColumn(), 0)),
                       QAbstractItemView::PositionAtTop);
    }
}

} // namespace

void TFormMain::ConnectMacBinaryPage() {
    OnClick(BtnFileOpen, [this] { BtnFileOpenClick(); });
    OnClick(BtnTmpFileClear, [this] { BtnTmpFileClearClick(); });
    OnClick(BtnChangeFileType, [this] { BtnChangeFileTypeClick(); });
    OnClick(BtnDeleteHeader, [this] { BtnDeleteHeaderClick(); });
    OnClick(BtnDeleteHeaderResorceComment, [this] { BtnDeleteHeaderResorceCommentClick(); });
    connect(RadioGroupInformationButtons, &QButtonGroup::idClicked, this,
            [this](int) { Guard([this] { RadioGroupInformationClick(); }); });
    // The group's mnemonic (Alt+M) focuses its enabled button. The group box would pick its checked
    // button, which is the disabled button of the view already showing, and so do nothing.
    RadioGroupInformation->installEventFilter(new TEventHook(this, [this](QObject*, QEvent* event) {
        if (event->type() != QEvent::Shortcut) {
            return false;
        }
        QRadioButton* target = nullptr;
        for (QRadioButton* item : RadioGroupInformationItems) {
            if (item->isEnabled() && (target == nullptr || item->isChecked())) {
                target = item;
            }
        }
        if (target != nullptr) {
            target->setFocus(Qt::ShortcutFocusReason);
        }
        return true;
    }));

    connect(Editor1, &TEditor::CaretMoved, this, [this] { Guard([this] { Editor1CaretMoved(); }); });
    connect(Editor1, &TEditor::Clicked, this, [this] { Guard([this] { Editor1Click(); }); });
    connect(Editor1, &TEditor::TopRowChanged, this, [this] { Guard([this] { Editor1TopRowChange(); }); });
    connect(Editor1, &TEditor::SelectionChanged, this,
            [this] { Guard([this] { Editor1SelectionChange(); }); });

    const auto topLeftChanged = [this] { Guard([this] { StringGrid1TopLeftChanged(); }); };
    connect(StringGrid1->verticalScrollBar(), &QScrollBar::valueChanged, this, topLeftChanged);
    connect(StringGrid1->horizontalScrollBar(), &QScrollBar::valueChanged, this, topLeftChanged);
    connect(StringGrid1, &QTableWidget::currentCellChanged, this,
            [this] { Guard([this] { StringGrid1Click(); }); });
    connect(StringGrid1, &QTableWidget::cellClicked, this, [this] { Guard([this] { StringGrid1Click(); }); });
    connect(StringGrid1->verticalHeader(), &QHeaderView::sectionMoved, this,
            [this] { Guard([this] { StringGrid1RowMoved(); }); });

    StringGrid1->setItemDelegate(new TGridCellPainter(*this, StringGrid1));
    // Only the first six columns have titles; a column added for a line with more fields has an
    // empty one rather than its number.
    connect(StringGrid1->model(), &QAbstractItemModel::columnsInserted, this,
            [this](const QModelIndex&, int first, int last) {
                for (int c = std::max(first, kGridColumnCount); c <= last; ++c) {
                    StringGrid1->setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
                }
            });
    // Selected cells change colour with the grid's focus.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (old == StringGrid1 || now == StringGrid1) {
            StringGrid1->viewport()->update();
        }
    });
}

void TFormMain::RadioGroupInformationClick() {
    if (RadioGroupInformation->hasFocus()) {
        return;
    }
    // The button of the view that is showing is disabled; the hidden view leaves the tab order.
    const bool text = RadioGroupItemIndex() == 0;
    RadioGroupInformationItems[0]->setEnabled(!text);
    RadioGroupInformationItems[1]->setEnabled(text);
    QWidget* shown = text ? static_cast<QWidget*>(Editor1) : StringGrid1;
    QWidget* hidden = text ? static_cast<QWidget*>(StringGrid1) : Editor1;
    hidden->hide();
    hidden->setFocusPolicy(Qt::NoFocus);
    shown->show();
    shown->setFocusPolicy(Qt::StrongFocus);
    if (!isVisible()) {
        return;
    }
    shown->setFocus();
    if (text) {
        Editor1->SetCaret(Editor1->CaretRow(), 0);
    } else {
        const int row = Editor1->LineCount() == 0 ? 0 : std::max(StringGrid1->currentRow(), 0);
        if (StringGrid1->rowCount() > 0) {
            StringGrid1->setCurrentCell(row, 0);
        }
    }
}

void TFormMain::Editor1CaretMoved() {
    if (!Editor1->hasFocus()) {
        return;
    }
    if (Editor1->LineCount() == 0) {
        SetGridCurrentRow(StringGrid1, 1);
        return;
    }
    // The grid shows the caret's line with up to ten lines above it.
    const int currentGridRow = StringGrid1->currentRow() + 1;
    const int top = std::min(std::max(currentGridRow - 10, 1), Editor1->LineCount() - 1);
    SetGridTopRow(StringGrid1, top);
    SetGridCurrentRow(StringGrid1, std::min(Editor1->CaretRow() + 1, StringGrid1->rowCount()));
}

void TFormMain::Editor1Click() {
    Editor1CaretMoved();
}

void TFormMain::Editor1TopRowChange() {
    Editor1CaretMoved();
}

void TFormMain::Editor1SelectionChange() {
    Editor1CaretMoved();
}

void TFormMain::StringGrid1TopLeftChanged() {
    if (!StringGrid1->hasFocus()) {
        return;
    }
    Editor1->SetCaret(StringGrid1->currentRow(), Editor1->CaretCol());
    Editor1->SetTopRow(std::max(StringGrid1->rowAt(0), 0));
}

void TFormMain::StringGrid1Click() {
    StringGrid1TopLeftChanged();
}

void TFormMain::StringGrid1RowMoved() {
    StringGrid1TopLeftChanged();
}

void TFormMain::StringGrid1DrawCell(QPainter& Canvas, int ACol, int ARow, const QRect& Rect, bool Selected) {
    const QPalette& palette = StringGrid1->palette();
    QColor brush = palette.color(QPalette::Base);
    QColor pen = palette.color(QPalette::Text);
    if (Selected) {
        brush = StringGrid1->hasFocus() ? kSkyBlue : kSilver;
        pen = palette.color(QPalette::WindowText);
    }
    Canvas.fillRect(Rect, brush);
    const QTableWidgetItem* item = StringGrid1->item(ARow - 1, ACol);
    if (item == nullptr) {
        return;
    }
    Canvas.setPen(pen);
    Canvas.setClipRect(Rect);
    Canvas.drawText(Rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, item->text());
}

} // namespace kelda
