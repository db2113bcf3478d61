// SPDX-License-Identifier: MIT
#include "cli/TCliOutput.h"

#include "cli/TCliInput.h"
#include "util/TFileStream.h"

#include <ostream>
#include <vector>

namespace kelda {

TCliOutput::TCliOutput(const TCliContext& context, const std::string& operand)
    : context_(context), path_(operand) {
    if (operand == kCliStdStream) {
        scratch_.emplace();
        path_ = scratch_->File("stdout");
    }
}

bool TCliOutput::Commit() {
    if (!scratch_) {
        return true;
    }
    TFileStream written(path_, FileMode::Read);
    std::vector<char> block(std::size_t{1} << 20);
    while (const std::size_t got = written.Read(block.data(), block.size())) {
        context_.Out.write(block.data(), static_cast<std::streamsize>(got));
        if (!context_.Out) {
            return false;
        }
    }
    context_.Out.flush();
    return static_cast<bool>(context_.Out);
}

} // namespace kelda
