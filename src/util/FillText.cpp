// SPDX-License-Identifier: MIT
#include "util/FillText.h"

namespace kelda {

namespace {

// Runs of plain text are copied whole: the check report fills its texts for every file a scan reads.
template <class TArg> std::string Fill(std::string_view pattern, std::span<const TArg> args) {
    std::string text;
    text.reserve(pattern.size() + 16);
    std::size_t next = 0;
    std::size_t from = 0;
    for (std::size_t at = pattern.find('%'); at != std::string_view::npos && at + 1 < pattern.size();
         at = pattern.find('%', at + 1)) {
        const char after = pattern[at + 1];
        std::size_t index = args.size();
        if (after == 's') {
            index = next;
        } else if (after >= '1' && after <= '9') {
            index = static_cast<std::size_t>(after - '1');
        }
        const bool numbered = after >= '1' && after <= '9';
        if (index >= args.size() && !numbered) {
            continue;
        }
        next += after == 's' ? 1 : 0;
        text.append(pattern.substr(from, at - from));
        if (index < args.size()) {
            text.append(args[index]);
        }
        from = at + 2;
        ++at;
    }
    text.append(pattern.substr(from));
    return text;
}

} // namespace

std::string FillText(std::string_view pattern, std::span<const std::string_view> args) {
    return Fill(pattern, args);
}

std::string FillText(std::string_view pattern, std::span<const std::string> args) {
    return Fill(pattern, args);
}

} // namespace kelda
