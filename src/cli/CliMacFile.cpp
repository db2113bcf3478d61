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
