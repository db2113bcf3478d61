// SPDX-License-Identifier: MIT
// The small dialog of "Extract…": the form the resource fork and the Finder's information take
// beside the data fork (the "._NAME" AppleDouble sidecar, an AppleSingle "NAME.as", or the raw
// fork as "NAME.rsrc"). The save dialog that follows names the data fork.
#pragma once

#include "forks/ForkExport.h"

#include <QDialog>

class QComboBox;

namespace kelda {

class TExtractDialog : public QDialog {
    Q_OBJECT

public:
    // form: the choice shown first (the one made last time).
    TExtractDialog(QWidget* parent, TResourceForm form, bool japanese);

    TResourceForm Form() const;

    QComboBox* ComboResourceForm = nullptr; // sidecar, AppleSingle, raw, in that order
};

} // namespace kelda
