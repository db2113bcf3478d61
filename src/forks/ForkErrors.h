// SPDX-License-Identifier: MIT
// The errors of the fork work, with the texts of the language tables in both languages.
#pragma once

#include "app/Language.h"
#include "forks/BinHex.h"
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

// The detail of a BinHex fault, for BinHexDamaged and the check's findings.
constexpr TMsg BinHexFaultMsg(TBinHexFault fault) {
    switch (fault) {
    case TBinHexFault::None:
    case TBinHexFault::NoBody:
        break;
    case TBinHexFault::BadCharacter:
        return TMsg::BinHexBadCharacter;
    case TBinHexFault::BadRun:
        return TMsg::BinHexBadRun;
    case TBinHexFault::EndsInHeader:
        return TMsg::BinHexEndsInHeader;
    case TBinHexFault::BadNameLength:
        return TMsg::BinHexBadNameLength;
    case TBinHexFault::HeaderCrc:
        return TMsg::BinHexHeaderCrc;
    case TBinHexFault::EndsInData:
        return TMsg::BinHexEndsInData;
    case TBinHexFault::DataCrc:
        return TMsg::BinHexDataCrc;
    case TBinHexFault::EndsInResource:
        return TMsg::BinHexEndsInResource;
    case TBinHexFault::ResourceCrc:
        return TMsg::BinHexResourceCrc;
    case TBinHexFault::NoClosingColon:
        return TMsg::BinHexNoClosingColon;
    }
    return TMsg::BinHexNoBody;
}

// "The BinHex file is damaged: <detail>".
inline EBilingualError BinHexDamaged(TBinHexFault fault) {
    const TMsg detail = BinHexFaultMsg(fault);
    return EBilingualError(FormatMessage(TMsg::BinHexDamaged, true, MessageText(detail, true)),
                           FormatMessage(TMsg::BinHexDamaged, false, MessageText(detail, false)));
}

} // namespace kelda
