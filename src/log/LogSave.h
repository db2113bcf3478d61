// SPDX-License-Identifier: MIT
// Saving the log as a text file: the guards (never over a file it was read from, a read-only file
// only with leave) and the file's text, one line of the log to one CRLF-ended line of the file.
#pragma once

#include "macbinary/Conversion.h"

#include <filesystem>
#include <span>
#include <string>

namespace kelda {

// The file's text: each line with its line breaks escaped (a file name may hold one), so that a
// line stays one line, ended by CR LF.
std::string LogFileText(std::span<const std::string> lines);

// Writes lines to output through a temporary file, so an existing file is replaced only once the
// new one is whole. SourceIsOutput when output is one of sources (whatever name leads to it; empty
// and missing sources are skipped), OutputReadOnly when it is a read-only file and replaceReadOnly
// is false: then nothing is written, and the caller may ask and call again.
TConvertStatus SaveLog(const std::filesystem::path& output, std::span<const std::filesystem::path> sources,
                       std::span<const std::string> lines, bool replaceReadOnly);

} // namespace kelda
