// SPDX-License-Identifier: MIT
// How much of what a header-removing conversion was to write the source did not hold: a file cut
// inside its data fork (a broken download, a full disk) still converts, and the user is told how
// many bytes the output lacks.
#pragma once

#include "macbinary/MacBinaryHeader.h"

#include <cstdint>
#include <string>

namespace kelda {

enum class TOutputPart {
    Forks,    // the file without its header: the data fork and the resource fork
    DataFork, // the data fork alone
};

// Bytes of the part that lie beyond the end of a source of sourceSize bytes; 0 when it is complete.
// The forks lie where ComputeForkLayout puts them (each padded to 128 bytes, after the secondary
// header), with their unsigned 32-bit lengths, as the conversions copy them.
std::int64_t SourceShortfall(const THeader& header, std::int64_t sourceSize, TOutputPart part);

// "Warning ! The source file ended before its data fork did: ..." with the number, in either language.
std::string ShortfallMessage(TOutputPart part, std::int64_t missing, bool japanese);

} // namespace kelda
