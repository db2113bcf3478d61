// SPDX-License-Identifier: MIT
// The Resources page: the table of a file's resources, the findings about its map, and a detail
// area that shows the chosen resource decoded ('vers', 'STR ', 'STR#', 'BNDL', 'FREF'), drawn (the
// icon families, at 1x and 4x with their masks' transparency) and as hex. The widget renders its
// model (TResourceModel), which makes every text; a new row chosen in the table goes to the model.
#pragma once

#include "macbinary/MacBinaryHeader.h"
#include "resources/IconRender.h"
#include "resources/TResourceModel.h"

#include <QImage>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace kelda {

class TResourcePage : public QWidget {
    Q_OBJECT

public:
    explicit TResourcePage(QWidget* parent = nullptr);

    // Shows model: the table on its chosen row, the findings, the detail area.
    void Show(TResourceModel model);
    void SetJapanese(bool japanese);

    // What the page shows; the table's current row is the model's chosen resource.
    const TResourceModel& Model() const { return model_; }
    // The resource chosen; nullptr when none is.
    const TResourceEntry* Current() const { return model_.Current(); }

    QTableWidget* ResourceTable = nullptr;
    QPlainTextEdit* ResourceFindings = nullptr;
    QPlainTextEdit* ResourceDetail = nullptr;
    QLabel* ResourceIcon1 = nullptr; // the icon at its own size
    QLabel* ResourceIcon4 = nullptr; // four times as large
    QPushButton* BtnSaveResource = nullptr;

private:
    void ShowCurrent();
    void ShowFindings();

    TResourceModel model_;
    bool japanese_ = false;
};

// An icon drawn by the core as an image (a deep copy).
QImage IconToImage(const TIconImage& icon);

} // namespace kelda
