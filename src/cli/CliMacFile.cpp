// SPDX-License-Identifier: MIT
#include "cli/CliMacFile.h"

#include "app/InspectMessages.h"
#include "app/Language.h"

namespace kelda {

std::optional<TInspection> CliInspect(const TCliContext& context, const std::string& file,
                                      const TCliInput& input, TMacEncoding nameEncoding) {
    if (const std::string problem = input.Problem(context); !problem.empty()) {
        CliReport(context, file, problem);
        return std::nullopt;
    }
    TInspectResult result = InspectFile(input.Path(), file, nameEncoding);
    if (!result.Accepted()) {
        CliReport(context, file, MessageText(RefusalMessage(result.Refusal), context.Japanese));
    } else if (input.Length()) {
        // A stream kept as its header alone: the header with the stream's length.
        result.Inspection = InspectHeader(input.Path(), file, result.HeaderRead, *input.Length());
    }
    return std::move(result.Inspection);
}

bool CliReadsMacFile(const std::filesystem::path& file, bool containers) {
    if (containers && SniffContainer(file)) {
        return true;
    }
    try {
        return InspectFile(file).Accepted();
    } catch (const std::exception&) {
        // Shorter than a header is no MacBinary; anything else the command reports itself.
        const std::optional<TFileStat> stat = StatFile(file);
        return !stat || stat->Size >= static_cast<std::int64_t>(kHeaderSize);
    }
}

std::optional<TMacFileSource> CliOpenMacFile(const TCliContext& context, const std::string& file,
                                             const TCliInput& input, TMacEncoding nameEncoding) {
    if (input.Problem(context).empty() && SniffContainer(input.Path())) {
        return TMacFileSource::Open(input.Path(), nameEncoding);
    }
    if (!CliInspect(context, file, input, nameEncoding)) {
        return std::nullopt;
    }
    return TMacFileSource::OpenMacBinary(input.Path(), nameEncoding);
}

} // namespace kelda
