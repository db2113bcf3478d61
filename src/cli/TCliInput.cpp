// SPDX-License-Identifier: MIT
#include "cli/TCliInput.h"

#include "app/Language.h"
#include "cli/CliText.h"
#include "util/TFileStream.h"

#include <istream>
#include <system_error>
#include <vector>

namespace kelda {

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
    std::vector<char> block(std::size_t{1} << 20);
    while (*context.In) {
        context.In->read(block.data(), static_cast<std::streamsize>(block.size()));
        const std::streamsize got = context.In->gcount();
        if (got > 0) {
            copy.WriteBuffer(block.data(), static_cast<std::size_t>(got));
        }
    }
    if (context.In->bad()) {
        throw EFileError::inOut(EIO);
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
