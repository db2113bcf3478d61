// The MacBinary commands of kelda-cli: info, tomacbin2, strip, datafork.
#include "app/InspectMessages.h"
#include "app/Language.h"
#include "cli/Cli.h"
#include "cli/CliText.h"
#include "cli/TCliCommands.h"
#include "cli/TCliInput.h"
#include "cli/TCliOutput.h"
#include "macbinary/Conversion.h"
#include "macbinary/TInspection.h"
#include "util/TFileStream.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <system_error>

namespace kelda {

namespace {

// Inspects the input named file as the window does; reports the refusal and returns nothing when it
// is refused.
std::optional<TInspection> Inspect(const TCliContext& context, const std::string& file,
                                   const TCliInput& input) {
    if (const std::string problem = input.Problem(context); !problem.empty()) {
        CliReport(context, file, problem);
        return std::nullopt;
    }
    TInspectResult result = InspectFile(input.Path(), file);
    if (!result.Accepted()) {
        CliReport(context, file, MessageText(RefusalMessage(result.Refusal), context.Japanese));
    }
    return std::move(result.Inspection);
}

using TConvertFn =
    std::function<TConvertStatus(const TInspection& inspection, const std::filesystem::path& in,
                                 const std::filesystem::path& out, const ProgressFn& progress)>;

// One conversion of in to out. Unless force, an existing out is left alone and reported.
int ConvertOne(const TCliContext& context, const std::string& in, const std::string& out, bool keepExisting,
               const TConvertFn& convert) {
    return CliGuarded(context, in, [&] {
        const TCliInput input(context, in);
        const std::optional<TInspection> inspection = Inspect(context, in, input);
        if (!inspection) {
            return kCliFailure;
        }
        std::error_code ec;
        if (keepExisting && std::filesystem::exists(std::filesystem::symlink_status(out, ec)) &&
            !IsSameFile(input.Path(), out)) {
            CliReport(context, out, CliText(TCliMsg::OutputExists, context.Japanese));
            return kCliFailure;
        }
        TCliOutput output(context, out);
        TConvertStatus status{};
        {
            const TCliProgress::TScope progress(context.Progress, in);
            status = convert(*inspection, input.Path(), output.Path(), progress.Fn());
        }
        if (status == TConvertStatus::SourceIsOutput) {
            CliReport(context, out, MessageText(TMsg::CannotWriteOverSource, context.Japanese));
            return kCliFailure;
        }
        return output.Commit() ? kCliOk : kCliFailure;
    });
}

int Convert(const TCliContext& context, const TCliArgs& args, const TConvertFn& convert) {
    if (args.size() != 2) {
        context.Err << "kelda-cli: expected IN and OUT\n";
        return kCliUsage;
    }
    return ConvertOne(context, args[0], args[1], false, convert);
}

// The conversions' options: IN OUT, or IN... -o DIR.
struct TConvertOptions {
    TCliArgs Operands;
    std::string OutputDir;
    bool Force = false;
};

bool EndsWithBin(const std::string& name) {
    if (name.size() <= 4) {
        return false;
    }
    std::string end = name.substr(name.size() - 4);
    for (char& c : end) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return end == ".bin";
}

// The output name in the folder for an input: its own name, without ".bin" where the output is no
// MacBinary file any more.
std::filesystem::path BatchOutput(const std::filesystem::path& folder, const std::string& in, bool dropBin) {
    std::string name = std::filesystem::path(in).filename().string();
    if (dropBin && EndsWithBin(name)) {
        name.resize(name.size() - 4);
    }
    return folder / name;
}

int RunConversion(const TCliContext& context, const TConvertOptions& options, TCliCommand single,
                  const TConvertFn& convert, bool dropBin) {
    if (options.OutputDir.empty()) {
        if (options.Operands.size() != 2) {
            context.Err << "kelda-cli: " << CliText(TCliMsg::ConvertOperands, context.Japanese) << '\n';
            return kCliUsage;
        }
        return single(context, options.Operands);
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(options.OutputDir, ec)) {
        CliReport(context, options.OutputDir, CliText(TCliMsg::NoFolder, context.Japanese));
        return kCliFailure;
    }
    int status = kCliOk;
    for (const std::string& in : options.Operands) {
        if (in == kCliStdStream) {
            context.Err << "kelda-cli: " << CliText(TCliMsg::ConvertOperands, context.Japanese) << '\n';
            return kCliUsage;
        }
    }
    for (const std::string& in : options.Operands) {
        const std::string out = BatchOutput(options.OutputDir, in, dropBin).string();
        if (ConvertOne(context, in, out, !options.Force, convert) != kCliOk) {
            status = kCliFailure; // the others still go on
        }
    }
    return status;
}

TConvertStatus ToMacBin2(const TInspection& inspection, const std::filesystem::path& in,
                         const std::filesystem::path& out, const ProgressFn& progress) {
    return WriteMacBinaryII(inspection.HeaderII, in, out, progress);
}

TConvertStatus Strip(const TInspection&, const std::filesystem::path& in, const std::filesystem::path& out,
                     const ProgressFn& progress) {
    return WriteWithoutHeader(in, out, progress);
}

TConvertStatus DataFork(const TInspection& inspection, const std::filesystem::path& in,
                        const std::filesystem::path& out, const ProgressFn& progress) {
    return WriteDataFork(in, HeaderInteger(inspection.Header, kOffsetDataForkLength), out, progress);
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
            const std::optional<TInspection> inspection = Inspect(context, file, input);
            if (!inspection) {
                return kCliFailure;
            }
            for (const std::string& line : inspection->LogBlock) {
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
    return Convert(context, args, ToMacBin2);
}

int CliStrip(const TCliContext& context, const TCliArgs& args) {
    return Convert(context, args, Strip);
}

int CliDataFork(const TCliContext& context, const TCliArgs& args) {
    return Convert(context, args, DataFork);
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
        TCliCommand Single;
        TConvertStatus (*Convert)(const TInspection&, const std::filesystem::path&,
                                  const std::filesystem::path&, const ProgressFn&);
        bool DropBin;
    };
    constexpr TConversion kConversions[] = {
        {"tomacbin2", "IN with a MacBinary II header, written to OUT", CliToMacBin2, ToMacBin2, false},
        {"strip", "Everything after the 128-byte header of IN, written to OUT", CliStrip, Strip, true},
        {"datafork", "The data fork of IN alone, written to OUT", CliDataFork, DataFork, true},
    };
    for (const TConversion& conversion : kConversions) {
        TConvertOptions& options = commands.Store<TConvertOptions>();
        CLI::App& command = commands.Add(
            conversion.Name, std::string(conversion.Description) + "; or each IN into DIR with -o",
            [&options, conversion](const TCliContext& context) {
                return RunConversion(context, options, conversion.Single, conversion.Convert,
                                     conversion.DropBin);
            });
        command
            .add_option("IN OUT", options.Operands,
                        "The MacBinary file and the file to write, never the source (- for standard input "
                        "and output); with -o, the MacBinary files")
            ->required()
            ->type_name("");
        command
            .add_option("-o,--output-dir", options.OutputDir,
                        std::string("Write each IN into DIR under its own name") +
                            (conversion.DropBin ? " without \".bin\"" : "") +
                            "; an existing file there is left alone unless -f")
            ->type_name("DIR");
        command.add_flag("-f,--force", options.Force, "Replace existing output files (never the source)");
    }
}

} // namespace kelda
