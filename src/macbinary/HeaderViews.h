// SPDX-License-Identifier: MIT
// Filling the MacBinary page's two views of a header table: the text pane and the grid.
#pragma once

#include <QStringList>
#include <string>
#include <vector>

class QTableWidget;

namespace kelda {

class TEditor;

// The lines replace the pane's text in one batch.
void ShowHeaderTable(TEditor* editor, const QStringList& lines);

// Row r of the grid holds the cells of table line r. The grid widens for a line with more cells and
// never narrows, and cells are overwritten, not cleared: columns beyond the table's keep what an
// earlier file left there.
void FillGrid(QTableWidget* grid, const std::vector<std::vector<std::string>>& cells);

} // namespace kelda
