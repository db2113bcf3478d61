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
    std::ostream& raw = CliRawOut(context_); // bytes, never converted to the locale's codeset
    TFileStream written(path_, FileMode::Read);
    std::vector<char> block(std::size_t{1} << 20);
    while (const std::size_t got = written.Read(block.data(), block.size())) {
        raw.write(block.data(), static_cast<std::streamsize>(got));
        if (!raw) {
            return false;
        }
    }
    raw.flush();
    return static_cast<bool>(raw);
}

} // namespace kelda
