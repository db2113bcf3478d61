// SPDX-License-Identifier: MIT
// The one check of an open file, for check, scan and the window alike: a BinHex 4.0 body is judged
// as BinHex (its three CRCs, what is missing), anything else as MacBinary (CheckOpenFile).
#pragma once

#include "forks/BinHex.h"
#include "macbinary/CheckReport.h"
#include "util/TFileStream.h"

#include <optional>

namespace kelda {

// The report on a decoded BinHex body: sound when every part is whole and every CRC holds, else
// damaged with the fault as its finding; name, type, creator and fork spans from its header.
TCheckReport CheckBinHex(const TBinHexReading& reading, std::int64_t fileSize,
                         TMacEncoding nameEncoding = TMacEncoding::Auto);

// BinHex when the file holds a BinHex body (SniffBinHex), else CheckOpenFile's MacBinary report
// (header: the file's first 128 bytes, left zero then). length: as for CheckOpenFile.
TCheckReport CheckMacFile(const TFileStream& file, THeader& header,
                          TMacEncoding nameEncoding = TMacEncoding::Auto,
                          std::optional<std::int64_t> length = std::nullopt);

} // namespace kelda
