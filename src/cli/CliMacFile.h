// SPDX-License-Identifier: MIT
// How every kelda-cli command that reads a Mac file opens it: the MacBinary commands through the
// window's acceptance rule (CliInspect), the others through the one model (CliOpenMacFile), which
// also reads AppleSingle, AppleDouble and BinHex.
#pragma once

#include "cli/Cli.h"
#include "cli/TCliInput.h"
#include "forks/TMacFile.h"
#include "macbinary/TInspection.h"

#include <optional>
#include <string>

namespace kelda {

// Inspects input (named file) as the window does; reports the refusal (or the input's problem) and
// returns nothing when it is refused.
std::optional<TInspection> CliInspect(const TCliContext& context, const std::string& file,
                                      const TCliInput& input, TMacEncoding nameEncoding = TMacEncoding::Auto);

// The Mac file in input: a container by its magic or marker (SniffContainer), else a file CliInspect
// accepts, read as MacBinary. Reports a refusal and returns nothing then; a damaged container throws
// its error, for CliGuarded to report.
std::optional<TMacFileSource> CliOpenMacFile(const TCliContext& context, const std::string& file,
                                             const TCliInput& input,
                                             TMacEncoding nameEncoding = TMacEncoding::Auto);

// Whether a file found in a walk (-r) is one the command reads: MacBinary by the window's rule, or
// with containers also AppleSingle, AppleDouble or BinHex. A file that cannot be read counts as
// one, so that the command reports why. Other files are left out of the batch, not failed.
bool CliReadsMacFile(const std::filesystem::path& file, bool containers);

} // namespace kelda
