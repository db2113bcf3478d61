// SPDX-License-Identifier: MIT
#include "cli/TCliInput.h"

#include "app/Language.h"
#include "cli/CliText.h"
#include "util/TFileStream.h"

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

TCliInput::TCliInput(const TCliContext& context, const std::string& operand) : path_(operand) {
    if (operand != kCliStdStream) {
        return;
    }
    scratch_.emplace();
    path_ = scratch_->Folder() / "stdin";
    TFileStream copy(path_, FileMode::Create);
    if (context.In == nullptr) {
        copy.Close();
        return; // no standard input: an empty one
    }
    ReadAllOf(*context.In, std::size_t{1} << 20,
              [&copy](const char* data, std::size_t size) { copy.WriteBuffer(data, size); });
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
