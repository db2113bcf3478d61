// SPDX-License-Identifier: MIT
// A tab sheet that owns its page's model. The window's handlers of the page read and change the
// model through Model(); the controls on the sheet stay the window's, with the names the design
// gives them.
#pragma once

#include "crc/TCrcPage.h"
#include "macbinary/TMacBinaryPage.h"

#include <QWidget>

namespace kelda {

template <typename TModel> class TModelTabSheet : public QWidget {
public:
    using QWidget::QWidget;

    TModel& Model() { return model_; }
    const TModel& Model() const { return model_; }

private:
    TModel model_;
};

// TabSheet1, the MacBinary page: the file shown and its header pieces.
using TMacBinaryTabSheet = TModelTabSheet<TMacBinaryPage>;
// TabSheet2, the CRC page: the recent files, the choices and the twelve engines; every change the
// model announces redraws the page's controls.
using TCrcTabSheet = TModelTabSheet<TCrcPage>;

} // namespace kelda
