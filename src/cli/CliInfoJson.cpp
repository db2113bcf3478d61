// SPDX-License-Identifier: MIT
// info --json: what the log block says, as one JSON object per file.
#include "app/Language.h"
#include "cli/CliJson.h"
#include "cli/TCliInput.h"
#include "macbinary/HeaderPieces.h"
#include "util/Progress.h"

namespace kelda {

namespace {

// The object of one file; a file that cannot be read or is no MacBinary file gets "error".
TCliJson InfoObject(const TCliContext& context, const std::string& file, TMacEncoding nameEncoding) {
    TCliJson object = CliJsonObject("kelda-cli.info", file);
    try {
        const TCliInput input(context, file, TCliStreamNeed::HeaderThenSizeIfMacBinary);
        if (std::string problem = input.Problem(context); !problem.empty()) {
            object["error"] = std::move(problem);
            return object;
        }
        const std::int64_t size = input.Length().value_or(FileSizeOf(input.Path()));
        if (input.Complete()) {
            object["size"] = size; // unknown for a stream whose refused header stopped the reading
        }
        THeader header{};
        ReadHeader(input.Path(), header);
        object["macbinary"] = IsMacBinary(header);
        if (!IsMacBinary(header)) {
            object["error"] = MessageText(TMsg::NotMacBinary, context.Japanese);
            return object;
        }
        AddHeaderJson(object, header, size, nameEncoding);
    } catch (const ECancelled&) {
        throw;
    } catch (const std::exception& e) {
        object["error"] = CliErrorText(context, e);
    }
    return object;
}

} // namespace

int CliInfoJson(const TCliContext& context, const TCliArgs& files, TMacEncoding nameEncoding) {
    int status = kCliOk;
    for (const std::string& file : files) {
        const TCliJson object = InfoObject(context, file, nameEncoding);
        CliWriteJson(context, object);
        if (object.contains("error")) {
            CliReport(context, file, object["error"].get<std::string>());
            status = kCliFailure;
        }
        if (!context.Out) {
            return kCliFailure;
        }
    }
    return status;
}

} // namespace kelda
