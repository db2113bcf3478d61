// SPDX-License-Identifier: MIT
// The program's icon, built into the program in the sizes of the icon theme.
#pragma once

#include <QIcon>

namespace kelda {

// The icon theme's "kelda" where the desktop has one installed, else the built-in pictures.
QIcon AppIcon();
// The built-in pictures alone (16 to 256 pixels).
QIcon BuiltInAppIcon();

} // namespace kelda
