// SPDX-License-Identifier: MIT
// The Images page: the check of a disk image (its verdict and findings), the tree of its volumes'
// folders and files (name, type, creator, fork lengths, modified date), the chosen item's details
// and, for a file, its resources, and the form the File menu's "Extract from image…" writes in.
// The widget renders its model (TImageModel, core), which makes every text but the captions.
#pragma once

#include "image/TImageModel.h"

#include <QWidget>

#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QTreeWidget;

namespace kelda {

class TResourcePage;

class TImagePage : public QWidget {
    Q_OBJECT

public:
    explicit TImagePage(QWidget* parent = nullptr);

    // Shows model: the tree with every folder open, the check, the first file chosen.
    void Show(TImageModel model);
    void SetJapanese(bool japanese);
    // Decodes the image's names in encoding, as Setting > Name encoding chose it, and shows them
    // anew, keeping the selection.
    void SetNameEncoding(TMacEncoding encoding);

    // The image shown, when there is one.
    const std::optional<TImageModel>& Model() const { return model_; }
    // The model's rows of the items selected in the tree, in tree order.
    std::vector<std::size_t> SelectedRows() const;
    // Selects the model's row (alone) and makes it current.
    void SelectRow(std::size_t row);
    // The form chosen for extraction.
    TImageForm Form() const;

    QLabel* VerdictLabel = nullptr;       // "ImageVerdict"
    QTreeWidget* Tree = nullptr;          // "ImageTree"
    QPlainTextEdit* CheckText = nullptr;  // "ImageCheck": the check's lines
    QPlainTextEdit* DetailText = nullptr; // "ImageDetail": the current item's details
    TResourcePage* Resources = nullptr;   // "ImageResourcePage": the current file's resources
    QLabel* FormLabel = nullptr;          // "LabelImageForm"
    QComboBox* FormCombo = nullptr;       // "ComboImageForm", in TImageForm's order

private:
    void ShowCurrent();
    void Render();

    std::optional<TImageModel> model_;
    bool japanese_ = false;
};

} // namespace kelda
