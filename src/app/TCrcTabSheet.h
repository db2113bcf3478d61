// SPDX-License-Identifier: MIT
// TabSheet2, the CRC page: the tab sheet that owns the page's model (the recent files, the choices,
// the twelve engines). The window's handlers of the page read and change it through Model(), and
// every change the model announces redraws the page's controls.
#pragma once

#include "crc/TCrcPage.h"

#include <QWidget>

namespace kelda {

class TCrcTabSheet : public QWidget {
public:
    using QWidget::QWidget;

    TCrcPage& Model() { return model_; }
    const TCrcPage& Model() const { return model_; }

private:
    TCrcPage model_;
};

} // namespace kelda
