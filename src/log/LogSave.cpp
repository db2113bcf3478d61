// SPDX-License-Identifier: MIT
#include "log/LogSave.h"

#include "util/TAtomicOutput.h"
#include "util/TFolder.h"
#include "util/VisibleText.h"

#include <optional>
#include <vector>

namespace kelda {

std::string LogFileText(std::span<const std::string> lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += EscapeLineBreaks(line);
        text += "\r\n";
    }
    return text;
}

TConvertStatus SaveLog(const std::filesystem::path& output, std::span<const std::filesystem::path> sources,
                       std::span<const std::string> lines, bool replaceReadOnly) {
    TAtomicOutput out(output);
    std::vector<TFileStat> stats;
    for (const std::filesystem::path& source : sources) {
        if (const std::optional<TFileStat> file = source.empty() ? std::nullopt : StatFile(source)) {
            stats.push_back(*file);
        }
    }
    if (const TConvertStatus refused = GuardOutput(out, stats, replaceReadOnly);
        refused != TConvertStatus::Written) {
        return refused;
    }
    const std::string text = LogFileText(lines);
    out.Create().WriteBuffer(text.data(), text.size());
    out.Commit();
    return TConvertStatus::Written;
}

} // namespace kelda
