// SPDX-License-Identifier: MIT
#include "forks/TExtractDialog.h"

#include "app/Language.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace kelda {

namespace {

QString Caption(const char* control, bool japanese) {
    const TCaptionEntry* e = FindForkCaption(control);
    return e == nullptr ? QString() : QString::fromUtf8(japanese ? e->Japanese : e->English);
}

// The combo box's items, in its order.
constexpr struct {
    const char* Caption;
    TResourceForm Form;
} kForms[] = {
    {"ItemFormSidecar", TResourceForm::Sidecar},
    {"ItemFormAppleSingle", TResourceForm::AppleSingle},
    {"ItemFormRaw", TResourceForm::Raw},
};

} // namespace

TExtractDialog::TExtractDialog(QWidget* parent, TResourceForm form, bool japanese) : QDialog(parent) {
    setObjectName("ExtractDialog");
    setWindowTitle(Caption("ExtractDialog", japanese));
    auto* grid = new QGridLayout(this);
    ComboResourceForm = new QComboBox(this);
    ComboResourceForm->setObjectName("ComboResourceForm");
    for (const auto& item : kForms) {
        ComboResourceForm->addItem(Caption(item.Caption, japanese));
        if (item.Form == form) {
            ComboResourceForm->setCurrentIndex(ComboResourceForm->count() - 1);
        }
    }
    auto* label = new QLabel(Caption("LabelResourceForm", japanese), this);
    label->setObjectName("LabelResourceForm");
    label->setBuddy(ComboResourceForm);
    grid->addWidget(label, 0, 0);
    grid->addWidget(ComboResourceForm, 0, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(Caption("BtnMakeOk", japanese), QDialogButtonBox::AcceptRole);
    ok->setObjectName("BtnExtractOk");
    ok->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(Caption("BtnMakeCancel", japanese), QDialogButtonBox::RejectRole);
    cancel->setObjectName("BtnExtractCancel");
    grid->addWidget(buttons, 1, 0, 1, 2);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

TResourceForm TExtractDialog::Form() const {
    const int index = ComboResourceForm->currentIndex();
    return index >= 0 && index < static_cast<int>(std::size(kForms)) ? kForms[index].Form
                                                                     : TResourceForm::Sidecar;
}

} // namespace kelda
