// The MacBinary commands of kelda-cli: info, tomacbin2, strip, datafork.
#include "app/Language.h"
#include "cli/Cli.h"
#include "cli/TCliCommands.h"
#include "cli/TCliInput.h"
#include "cli/TCliOutput.h"
#include "macbinary/Conversion.h"
#include "macbinary/HeaderPieces.h"
#include "macbinary/LogBlock.h"
#include "util/TFileStream.h"

#include <filesystem>
#include <functional>
#include <ostream>
#include <system_error>

namespace kelda {

namespace {

// Reads and tests the header of the input named file; reports and returns false when that fails.
bool ReadMacBinaryHeader(const TCliContext& context, const std::string& file, const TCliInput& input,
                         THeader& header) {
    if (const std::string problem = input.Problem(context); !problem.empty()) {
        CliReport(context, file, problem);
        return false;
    }
    ReadHeader(input.Path(), header);
    if (!IsMacBinary(header)) {
        CliReport(context, file, MessageText(TMsg::NotMacBinary, context.Japanese));
        return false;
    }
    return true;
}

using TConvertFn =
    std::function<TConvertStatus(const THeader& header, const std::filesystem::path& in,
                                 const std::filesystem::path& out, const ProgressFn& progress)>;

int Convert(const TCliContext& context, const TCliArgs& args, const TConvertFn& convert) {
    if (args.size() != 2) {
        context.Err << "kelda-cli: expected IN and OUT\n";
        return kCliUsage;
    }
    const std::string& in = args[0];
    const std::string& out = args[1];
    return CliGuarded(context, in, [&] {
        const TCliInput input(context, in);
        THeader header{};
        if (!ReadMacBinaryHeader(context, in, input, header)) {
            return kCliFailure;
        }
        TCliOutput output(context, out);
        TConvertStatus status{};
        {
            const TCliProgress::TScope progress(context.Progress, in);
            status = convert(header, input.Path(), output.Path(), progress.Fn());
        }
        if (status == TConvertStatus::SourceIsOutput) {
            CliReport(context, out, MessageText(TMsg::CannotWriteOverSource, context.Japanese));
            return kCliFailure;
        }
        return output.Commit() ? kCliOk : kCliFailure;
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
            const TCliInput input(context, file);
            THeader header{};
            if (!ReadMacBinaryHeader(context, file, input, header)) {
                return kCliFailure;
            }
            for (const std::string& line : BuildLogBlock(file, header, FileSizeOf(input.Path()))) {
                context.Out << line << '\n';
            }
            return kCliOk;
        });
        if (one != kCliOk) {
            status = kCliFailure;
        }
        if (!context.Out) {
            return kCliFailure; // standard output is gone: CliMain says so
        }
    }
    return status;
}

int CliToMacBin2(const TCliContext& context, const TCliArgs& args) {
    return Convert(context, args,
                   [](const THeader& header, const std::filesystem::path& in,
                      const std::filesystem::path& out, const ProgressFn& progress) {
                       return WriteMacBinaryII(MacBinaryIIForm(header), in, out, progress);
                   });
}

int CliStrip(const TCliContext& context, const TCliArgs& args) {
    return Convert(context, args,
                   [](const THeader&, const std::filesystem::path& in, const std::filesystem::path& out,
                      const ProgressFn& progress) { return WriteWithoutHeader(in, out, progress); });
}

int CliDataFork(const TCliContext& context, const TCliArgs& args) {
    return Convert(context, args,
                   [](const THeader& header, const std::filesystem::path& in,
                      const std::filesystem::path& out, const ProgressFn& progress) {
                       return WriteDataFork(in, HeaderInteger(header, kOffsetDataForkLength), out, progress);
                   });
}

void RegisterMacBinaryCommands(TCliCommands& commands) {
    struct TInfoOptions {
        bool Json = false;
        TCliArgs Files;
    };
    TInfoOptions& info = commands.Store<TInfoOptions>();
    CLI::App& infoCommand =
        commands.Add("info", "The log block of each MacBinary FILE, as the window writes it",
                     [&info](const TCliContext& context) {
                         return info.Json ? CliInfoJson(context, info.Files) : CliInfo(context, info.Files);
                     });
    infoCommand.add_flag("--json", info.Json, "One JSON object per file and line (docs/cli-json.md)");
    infoCommand.add_option("FILE", info.Files, "MacBinary files (- for standard input)")
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
        command.add_option("IN", operands[0], "The MacBinary file (- for standard input)")
            ->required()
            ->type_name("");
        command.add_option("OUT", operands[1], "The file to write, never the source (- for standard output)")
            ->required()
            ->type_name("");
    }
}

} // namespace kelda
