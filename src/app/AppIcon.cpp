// SPDX-License-Identifier: MIT
#include "app/AppIcon.h"

#include <QString>

namespace kelda {

QIcon BuiltInAppIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/kelda/icons/kelda-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

QIcon AppIcon() {
    return QIcon::fromTheme(QStringLiteral("kelda"), BuiltInAppIcon());
}

} // namespace kelda
