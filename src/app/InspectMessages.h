// SPDX-License-Identifier: MIT
// The message that tells the user why a file was not inspected; the window and kelda-cli show the same.
#pragma once

#include "app/Language.h"
#include "macbinary/TInspection.h"

namespace kelda {

inline TMsg RefusalMessage(TInspectRefusal refusal) {
    return refusal == TInspectRefusal::NotMacBinary ? TMsg::NotMacBinary : TMsg::FileNotFound;
}

} // namespace kelda
