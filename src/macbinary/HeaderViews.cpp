// SPDX-License-Identifier: MIT
#include "macbinary/HeaderViews.h"

#include "app/QtText.h"
#include "textview/TEditor.h"

#include <QTableWidget>

namespace kelda {

void ShowHeaderTable(TEditor* editor, const QStringList& lines) {
    editor->BeginUpdate();
    editor->Clear();
    editor->AppendLines(lines);
    editor->EndUpdate();
}

void FillGrid(QTableWidget* grid, const std::vector<std::vector<std::string>>& cells) {
    grid->setRowCount(static_cast<int>(cells.size()));
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const std::vector<std::string>& row = cells[i];
        if (static_cast<int>(row.size()) > grid->columnCount()) {
            grid->setColumnCount(static_cast<int>(row.size()));
        }
        for (std::size_t j = 0; j < row.size(); ++j) {
            const int r = static_cast<int>(i);
            const int c = static_cast<int>(j);
            if (QTableWidgetItem* item = grid->item(r, c)) {
                item->setText(Q(row[j]));
            } else {
                grid->setItem(r, c, new QTableWidgetItem(Q(row[j])));
            }
        }
    }
}

} // namespace kelda
