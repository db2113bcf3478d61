// SPDX-License-Identifier: MIT
// TabSheet1, the MacBinary page: the tab sheet that owns the page's model (the file shown and its
// header pieces). The window's handlers of the page read and change it through Model(); the
// controls on the sheet stay the window's, with the names the design gives them.
#pragma once

#include "macbinary/TMacBinaryPage.h"

#include <QWidget>

namespace kelda {

class TMacBinaryTabSheet : public QWidget {
public:
    using QWidget::QWidget;

    TMacBinaryPage& Model() { return model_; }
    const TMacBinaryPage& Model() const { return model_; }

private:
    TMacBinaryPage model_;
};

} // namespace kelda
