// SPDX-License-Identifier: MIT
// An input operand of a command: a file name as given, or "-" for standard input. Standard input
// is copied to a scratch file first, because the core reads its files by name, at offsets and more
// than once; the copy goes to disk in blocks, so memory stays small for any length.
#pragma once

#include "cli/Cli.h"
#include "cli/TCliScratch.h"

#include <filesystem>
#include <functional>
#include <istream>
#include <optional>
#include <string>

namespace kelda {

inline constexpr std::string_view kCliStdStream = "-";

// Hands all of in to take, in blocks of at most blockSize bytes, in order; throws the file layer's
// I/O error when the stream fails.
void ReadAllOf(std::istream& in, std::size_t blockSize,
               const std::function<void(const char*, std::size_t)>& take);

class TCliInput {
public:
    // For "-": reads all of context.In (throws EFileError when it cannot be read or stored).
    TCliInput(const TCliContext& context, const std::string& operand);

    // The file to read.
    const std::filesystem::path& Path() const { return path_; }
    bool IsStandardInput() const { return scratch_.has_value(); }

    // Why the input cannot be read as a file, in the language asked for ("File can not find", or a
    // folder); empty when it can be.
    std::string Problem(const TCliContext& context) const;

private:
    std::optional<TCliScratch> scratch_;
    std::filesystem::path path_;
};

} // namespace kelda
