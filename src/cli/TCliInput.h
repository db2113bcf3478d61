// SPDX-License-Identifier: MIT
// An input operand of a command: a file name as given, or "-" for standard input. Standard input
// is copied to a scratch file first, because the core reads its files by name, at offsets and more
// than once; the copy goes to disk in blocks, so memory stays small for any length. A command that
// needs only the header (and the length) stores no more than that.
#pragma once

#include "cli/Cli.h"
#include "cli/TCliScratch.h"
#include "util/TFileStream.h"

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

// How much of standard input a command reads.
enum class TCliStreamNeed {
    Whole, // every byte, kept in the scratch file
    // The 128-byte header and the stream's length (check): the header is kept, the rest counted and
    // not stored (Length()).
    HeaderAndSize,
    // As HeaderAndSize when the header passes the acceptance rule (bytes 0 and 74 are 0), else the
    // header alone and nothing more is read (info: a refused file prints no size).
    HeaderThenSizeIfMacBinary,
    // As HeaderAndSize, unless the stream's start holds a BinHex 4.0 body (check): a BinHex text is
    // judged by the CRCs over all of it, so then every byte is kept, in an unnamed scratch file
    // (Stream()).
    HeaderAndSizeUnlessBinHex,
};

class TCliInput {
public:
    // For "-": reads as much of context.In as need says (throws EFileError when it cannot be read or
    // stored).
    TCliInput(const TCliContext& context, const std::string& operand,
              TCliStreamNeed need = TCliStreamNeed::Whole);

    // The file to read; for a stream kept whole in an unnamed file (Stream()), a name of nothing.
    const std::filesystem::path& Path() const { return path_; }
    // The whole input, when standard input was kept in an unnamed scratch file
    // (HeaderAndSizeUnlessBinHex and a BinHex text); null otherwise: read Path().
    const TFileStream* Stream() const { return stream_ ? &*stream_ : nullptr; }
    bool IsStandardInput() const { return scratch_.has_value(); }
    // Whether the input was read to its end: false for standard input whose reading stopped after a
    // header that was refused.
    bool Complete() const { return complete_; }
    // The input's length when Path() holds its header only (standard input read for its header and
    // length); nothing when Path() is the whole input, or when the length is unknown (!Complete()).
    std::optional<std::int64_t> Length() const { return length_; }

    // Why the input cannot be read as a file, in the language asked for ("File can not find", or a
    // folder); empty when it can be.
    std::string Problem(const TCliContext& context) const;

private:
    std::optional<TCliScratch> scratch_;
    std::filesystem::path path_;
    bool complete_ = true;
    std::optional<std::int64_t> length_;
    std::optional<TFileStream> stream_;
};

} // namespace kelda
