// The MacBinary commands of kelda-cli: info, tomacbin2, strip, datafork.
#include "app/InspectMessages.h"
#include "app/Language.h"
#include "cli/Cli.h"
#include "cli/TCliCommands.h"
#include "macbinary/Conversion.h"
#include "macbinary/LogBlock.h"
#include "macbinary/TInspection.h"
#include "util/TFileStream.h"
#include "util/VisibleText.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <system_error>

namespace kelda {

namespace {

// Inspects file as the window does; reports the refusal and returns nothing when it is refused.
std::optional<TInspection> Inspect(const TCliContext& context, const std::string& file) {
    TInspectResult result = InspectFile(file);
    if (!result.Accepted()) {
        CliReport(context, file, MessageText(RefusalMessage(result.Refusal), context.Japanese));
    }
    return std::move(result.Inspection);
}

using TConvertFn = std::function<TConvertStatus(const TInspection& inspection, const std::string& in,
                                                const std::string& out, const ProgressFn& progress,
                                                bool replaceReadOnly)>;

int Convert(const TCliContext& context, const TCliArgs& args, const TConvertFn& convert) {
    if (args.size() != 2) {
        context.Err << "kelda-cli: expected IN and OUT\n";
        return kCliUsage;
    }
    const std::string& in = args[0];
    const std::string& out = args[1];
    return CliGuarded(context, in, [&] {
        const std::optional<TInspection> inspection = Inspect(context, in);
        if (!inspection) {
            return kCliFailure;
        }
        TConvertStatus status{};
        {
            const TCliProgress::TScope progress(context.Progress, in);
            status = convert(*inspection, in, out, progress.Fn(), context.Force);
        }
        if (status == TConvertStatus::SourceIsOutput) {
            CliReport(context, out, MessageText(TMsg::CannotWriteOverSource, context.Japanese));
            return kCliFailure;
        }
        if (status == TConvertStatus::OutputReadOnly) {
            CliReport(context, out, MessageText(TMsg::OutputReadOnly, context.Japanese));
            return kCliFailure;
        }
        return kCliOk;
    });
}

} // namespace

int CliInfo(const TCliContext& context, const TCliArgs& args) {
    if (args.empty()) {
        context.Err << "kelda-cli: info needs at least one FILE\n";
        return kCliUsage;
    }
    int status = kCliOk;
    for (const std::string& file : args) {
        const int one = CliGuarded(context, file, [&] {
            const std::optional<TInspection> inspection = Inspect(context, file);
            if (!inspection) {
                return kCliFailure;
            }
            // A name inside a hostile file must not forge lines or reach the terminal as commands; the
            // file name is the user's own and comes out byte for byte.
            for (const std::string& line :
                 BuildLogBlock(file, inspection->Header, inspection->Size, EscapeControls)) {
                context.Out << line << '\n';
            }
            return kCliOk;
        });
        if (one != kCliOk) {
            status = kCliFailure;
        }
    }
    return status;
}

int CliToMacBin2(const TCliContext& context, const TCliArgs& args) {
    return Convert(
        context, args,
        [](const TInspection& inspection, const std::string& in, const std::string& out,
           const ProgressFn& progress, bool force) {
            return WriteMacBinaryII(inspection.HeaderII, in, out, progress, force);
        });
}

int CliStrip(const TCliContext& context, const TCliArgs& args) {
    return Convert(context, args,
                   [](const TInspection&, const std::string& in, const std::string& out,
                      const ProgressFn& progress, bool force) { return WriteWithoutHeader(in, out, progress, force); });
}

int CliDataFork(const TCliContext& context, const TCliArgs& args) {
    return Convert(context, args,
                   [](const TInspection& inspection, const std::string& in, const std::string& out,
                      const ProgressFn& progress, bool force) {
                       return WriteDataFork(in, HeaderInteger(inspection.Header, kOffsetDataForkLength), out,
                                            progress, force);
                   });
}

void RegisterMacBinaryCommands(TCliCommands& commands) {
    TCliArgs& files = commands.Store<TCliArgs>();
    commands
        .Add("info", "The log block of each MacBinary FILE, as the window writes it",
             [&files](const TCliContext& context) { return CliInfo(context, files); })
        .add_option("FILE", files, "MacBinary files")
        ->required()
        ->type_name("");

    struct TConversion {
        const char* Name;
        const char* Description;
        TCliCommand Run;
    };
    constexpr TConversion kConversions[] = {
        {"tomacbin2", "IN with a MacBinary II header, written to OUT", CliToMacBin2},
        {"strip", "Everything after the 128-byte header of IN, written to OUT", CliStrip},
        {"datafork", "The data fork of IN alone, written to OUT", CliDataFork},
    };
    for (const TConversion& conversion : kConversions) {
        TCliArgs& operands = commands.Store<TCliArgs>();
        operands.resize(2);
        CLI::App& command = commands.Add(
            conversion.Name, conversion.Description,
            [&operands, run = conversion.Run](const TCliContext& context) { return run(context, operands); });
        command.add_option("IN", operands[0], "The MacBinary file")->required()->type_name("");
        command.add_option("OUT", operands[1], "The file to write (never the source)")
            ->required()
            ->type_name("");
    }
}

} // namespace kelda
