// SPDX-License-Identifier: MIT
// The errors of the fork work, with the texts of the language tables in both languages.
#pragma once

#include "app/Language.h"
#include "util/BilingualError.h"

namespace kelda {

// A message of the tables as an error.
inline EBilingualError ForkError(TMsg msg) {
    return EBilingualError(MessageText(msg, true), MessageText(msg, false));
}

// "The AppleSingle / AppleDouble file is damaged: <detail>".
inline EBilingualError AppleDamaged(TMsg detail) {
    return EBilingualError(FormatMessage(TMsg::AppleFileDamaged, true, MessageText(detail, true)),
                           FormatMessage(TMsg::AppleFileDamaged, false, MessageText(detail, false)));
}

} // namespace kelda
