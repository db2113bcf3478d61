// SPDX-License-Identifier: MIT
// An output operand of a command: a file name, or "-" for standard output. For "-" the work writes
// a scratch file that Commit then copies to standard output, so that a conversion that fails half
// way puts nothing there, as it leaves no output file.
#pragma once

#include "cli/Cli.h"
#include "cli/TCliScratch.h"

#include <filesystem>
#include <optional>
#include <string>

namespace kelda {

class TCliOutput {
public:
    TCliOutput(const TCliContext& context, const std::string& operand);

    // Where the work writes (a name that does not exist yet for "-").
    const std::filesystem::path& Path() const { return path_; }
    bool IsStandardOutput() const { return scratch_.has_value(); }

    // For "-": copies what the work wrote to standard output. False when that stream failed
    // (CliMain reports it); true at once for a file.
    bool Commit();

private:
    const TCliContext& context_;
    std::optional<TCliScratch> scratch_;
    std::filesystem::path path_;
};

} // namespace kelda
