// SPDX-License-Identifier: MIT
#include "cli/TCliInput.h"

#include "app/Language.h"
#include "cli/CliText.h"
#include "forks/BinHex.h"
#include "macbinary/MacBinaryHeader.h"
#include "util/TFileStream.h"

#include <algorithm>
#include <istream>
#include <system_error>
#include <vector>

namespace kelda {

void ReadAllOf(std::istream& in, std::size_t blockSize,
               const std::function<void(const char*, std::size_t)>& take) {
    std::vector<char> block(blockSize);
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const std::streamsize got = in.gcount();
        if (got > 0) {
            take(block.data(), static_cast<std::size_t>(got));
        }
    }
    if (in.bad()) {
        throw EFileError::inOut(EIO);
    }
}

TCliInput::TCliInput(const TCliContext& context, const std::string& operand, TCliStreamNeed need)
    : path_(operand) {
    if (operand != kCliStdStream) {
        return;
    }
    scratch_.emplace();
    path_ = scratch_->File("stdin");
    TFileStream copy(path_, FileMode::Create);
    if (context.In == nullptr) {
        copy.Close();
        return; // no standard input: an empty one
    }
    if (need == TCliStreamNeed::Whole) {
        ReadAllOf(*context.In, std::size_t{1} << 20,
                  [&copy](const char* data, std::size_t size) { copy.WriteBuffer(data, size); });
        copy.Close();
        return;
    }
    // The stream's start: the header, or for HeaderAndSizeUnlessBinHex as much as BinHex's marker
    // may lie in.
    std::vector<char> start(need == TCliStreamNeed::HeaderAndSizeUnlessBinHex ? kBinHexSniffSize
                                                                              : kHeaderSize);
    context.In->read(start.data(), static_cast<std::streamsize>(start.size()));
    if (context.In->bad()) {
        throw EFileError::inOut(EIO);
    }
    const auto read = static_cast<std::size_t>(context.In->gcount());
    if (need == TCliStreamNeed::HeaderAndSizeUnlessBinHex) {
        TFileStream whole = TFileStream::Anonymous();
        whole.WriteBuffer(start.data(), read);
        if (SniffBinHex(whole)) {
            ReadAllOf(*context.In, std::size_t{1} << 20,
                      [&whole](const char* data, std::size_t size) { whole.WriteBuffer(data, size); });
            stream_.emplace(std::move(whole));
            copy.Close();
            return;
        }
        need = TCliStreamNeed::HeaderAndSize;
    }
    THeader header{};
    const std::size_t got = std::min(read, header.size());
    std::copy_n(start.begin(), got, reinterpret_cast<char*>(header.data()));
    copy.WriteBuffer(header.data(), got);
    if (got == header.size() && (need == TCliStreamNeed::HeaderAndSize || IsMacBinary(header))) {
        // The rest is counted, not kept.
        std::int64_t size = static_cast<std::int64_t>(read);
        ReadAllOf(*context.In, std::size_t{1} << 20,
                  [&size](const char*, std::size_t n) { size += static_cast<std::int64_t>(n); });
        length_ = size;
    } else if (got == header.size()) {
        complete_ = false; // the header decided: nothing more is read
    }
    copy.Close();
}

std::string TCliInput::Problem(const TCliContext& context) const {
    std::error_code ec;
    if (!std::filesystem::exists(path_, ec)) {
        return MessageText(TMsg::FileNotFound, context.Japanese);
    }
    if (std::filesystem::is_directory(path_, ec)) {
        return CliText(TCliMsg::IsFolder, context.Japanese);
    }
    return {};
}

} // namespace kelda
