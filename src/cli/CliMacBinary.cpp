// SPDX-License-Identifier: MIT
// The MacBinary commands of kelda-cli: info, tomacbin2, strip, datafork.
#include "app/InspectMessages.h"
#include "app/Language.h"
#include "cli/Cli.h"
#include "cli/CliMacFile.h"
#include "cli/CliText.h"
#include "cli/TCliCommands.h"
#include "cli/TCliInput.h"
#include "cli/TCliOutput.h"
#include "cli/TreeWalk.h"
#include "forks/ForkExport.h"
#include "macbinary/Conversion.h"
#include "macbinary/LogBlock.h"
#include "macbinary/SourceShortfall.h"
#include "macbinary/TInspection.h"
#include "util/TFileStream.h"
#include "util/TFolder.h"
#include "util/VisibleText.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <system_error>
#include <vector>

namespace kelda {

namespace {

using TConvertFn = std::function<TConvertStatus(
    const TInspection& inspection, const std::filesystem::path& in, const std::filesystem::path& out,
    const ProgressFn& progress, bool replaceReadOnly)>;

// One conversion of in to out. Unless force, an existing out is left alone and reported. shortfall:
// the part whose end the source must reach; when it does not, the output is still written, and the
// user told how much it lacks (exit status kCliSourceTruncated).
// force (or the global --force) also replaces an output that is a read-only file.
// datafork of a Mac file in another container (AppleSingle, AppleDouble, BinHex): its data fork
// through the model; a fork cut short is written as far as it goes, as datafork does for MacBinary,
// and said (exit status kCliSourceTruncated).
int DataForkOfContainer(const TCliContext& context, const std::string& in, const std::string& out,
                        const TCliInput& input, bool keepExisting, bool force) {
    const std::optional<TMacFileSource> source = CliOpenMacFile(context, in, input);
    if (!source || CliWritesOverSource(context, {in}, out)) {
        return kCliFailure;
    }
    if (keepExisting && CliOutputExists(context, input.Path(), out)) {
        return kCliFailure;
    }
    TCliOutput output(context, out);
    TForkStatus status{};
    {
        const TCliProgress::TScope progress(context.Progress, in);
        status = ExportDataFork(*source, output.Path(), TCutPolicy::WriteWhatExists, progress.Fn(),
                                force || context.Force);
    }
    if (!ForkOutputWritten(status)) {
        CliReport(context, out,
                  MessageText(status == TForkStatus::OutputReadOnly ? TMsg::OutputReadOnly
                                                                    : TMsg::CannotWriteOverSource,
                              context.Japanese));
        return kCliFailure;
    }
    if (!output.Commit()) {
        return kCliFailure;
    }
    if (status == TForkStatus::WrittenCut || status == TForkStatus::WrittenUnchecked) {
        CliReport(
            context, in,
            MessageText(status == TForkStatus::WrittenCut ? TMsg::ForkCutWritten : TMsg::ForkUncheckedWritten,
                        context.Japanese));
        return kCliSourceTruncated;
    }
    return kCliOk;
}

int ConvertOne(const TCliContext& context, const std::string& in, const std::string& out, bool keepExisting,
               const TConvertFn& convert, std::optional<TOutputPart> shortfall, bool force) {
    return CliGuarded(context, in, [&] {
        const TCliInput input(context, in);
        // The data fork is the one part every container holds; the other conversions are views of a
        // MacBinary header.
        if (shortfall == TOutputPart::DataFork && input.Problem(context).empty() &&
            SniffContainer(input.Path())) {
            return DataForkOfContainer(context, in, out, input, keepExisting, force);
        }
        const std::optional<TInspection> inspection = CliInspect(context, in, input);
        if (!inspection || CliWritesOverSource(context, {in}, out)) {
            return kCliFailure;
        }
        if (keepExisting && CliOutputExists(context, input.Path(), out)) {
            return kCliFailure;
        }
        TCliOutput output(context, out);
        TConvertStatus status{};
        {
            const TCliProgress::TScope progress(context.Progress, in);
            status = convert(*inspection, input.Path(), output.Path(), progress.Fn(), force || context.Force);
        }
        if (status == TConvertStatus::SourceIsOutput) {
            CliReport(context, out, MessageText(TMsg::CannotWriteOverSource, context.Japanese));
            return kCliFailure;
        }
        if (status == TConvertStatus::OutputReadOnly) {
            CliReport(context, out, MessageText(TMsg::OutputReadOnly, context.Japanese));
            return kCliFailure;
        }
        if (!output.Commit()) {
            return kCliFailure;
        }
        if (shortfall) {
            const std::int64_t missing = SourceShortfall(inspection->Header, inspection->Size, *shortfall);
            if (missing > 0) {
                CliReport(context, in, ShortfallMessage(*shortfall, missing, context.Japanese));
                return kCliSourceTruncated;
            }
        }
        return kCliOk;
    });
}

int Convert(const TCliContext& context, const TCliArgs& args, const TConvertFn& convert,
            std::optional<TOutputPart> shortfall = std::nullopt) {
    if (args.size() != 2) {
        context.Err << "kelda-cli: expected IN and OUT\n";
        return kCliUsage;
    }
    return ConvertOne(context, args[0], args[1], false, convert, shortfall, false);
}

// The conversions' options: IN OUT, or IN... -o DIR.
struct TConvertOptions {
    TCliArgs Operands;
    std::string OutputDir;
    bool Force = false;
    bool Recursive = false;
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
    if (name.empty()) {
        return {};
    }
    if (dropBin && EndsWithBin(name)) {
        name.resize(name.size() - 4);
    }
    return folder / name;
}

int RunConversion(const TCliContext& context, const std::string& command, const TConvertOptions& options,
                  const TConvertFn& convert, bool dropBin, std::optional<TOutputPart> shortfall) {
    if (options.Recursive && options.OutputDir.empty()) {
        context.Err << "kelda-cli: " << CliText(TCliMsg::RecursiveNeedsDir, context.Japanese) << '\n';
        return kCliUsage;
    }
    if (options.OutputDir.empty()) {
        if (options.Operands.size() != 2) {
            context.Err << "kelda-cli: " << CliText(TCliMsg::ConvertOperands, context.Japanese) << '\n';
            return kCliUsage;
        }
        return ConvertOne(context, options.Operands[0], options.Operands[1], false, convert, shortfall,
                          options.Force);
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(options.OutputDir, ec)) {
        CliReport(context, options.OutputDir, CliText(TCliMsg::NoFolder, context.Japanese));
        return kCliFailure;
    }
    for (const std::string& in : options.Operands) {
        if (in == kCliStdStream) {
            context.Err << "kelda-cli: " << CliText(TCliMsg::ConvertOperands, context.Japanese) << '\n';
            return kCliUsage;
        }
    }
    // Every input is spared by the clean-ups of the outputs before its own.
    for (const std::string& in : options.Operands) {
        if (const std::optional<TFileStat> source = StatFile(in)) {
            SpareFromCleanup(*source);
        }
    }
    TBatchTally tally;
    TRunOutputs written;
    const auto convertOne = [&](const std::string& in, const std::filesystem::path& outPath) {
        if (written.WrittenBefore(context, outPath)) {
            tally.Add(kCliFailure);
            return;
        }
        const int one = ConvertOne(context, in, outPath.string(), !options.Force && !context.Force, convert,
                                   shortfall, options.Force);
        if (one == kCliOk || one == kCliSourceTruncated) {
            written.Add(outPath, in);
        }
        tally.Add(one); // the others still go on
    };
    if (options.Recursive) {
        WalkBatch(
            context, options.Operands, options.OutputDir,
            [&](const std::string& in) { return CliReadsMacFile(in, shortfall == TOutputPart::DataFork); },
            [&](const std::string& in, const std::filesystem::path& folder, const std::string& name) {
                convertOne(in, BatchOutput(folder, name, dropBin));
            },
            tally);
    } else {
        for (const std::string& in : options.Operands) {
            convertOne(in, BatchOutput(options.OutputDir, in, dropBin));
        }
    }
    if (tally.Total > 1 || options.Recursive) {
        CliBatchSummary(context, command, tally.Total, tally.Failed, tally.Skipped);
    }
    return tally.Status;
}

TConvertStatus ToMacBin2(const TInspection& inspection, const std::filesystem::path& in,
                         const std::filesystem::path& out, const ProgressFn& progress, bool force) {
    return WriteMacBinaryII(inspection.HeaderII, in, out, progress, force);
}

TConvertStatus Strip(const TInspection&, const std::filesystem::path& in, const std::filesystem::path& out,
                     const ProgressFn& progress, bool force) {
    return WriteWithoutHeader(in, out, progress, force);
}

TConvertStatus DataFork(const TInspection& inspection, const std::filesystem::path& in,
                        const std::filesystem::path& out, const ProgressFn& progress, bool force) {
    return WriteDataFork(in, inspection.Header, out, progress, force);
}

} // namespace

int CliInfo(const TCliContext& context, const TCliArgs& args, TMacEncoding nameEncoding) {
    if (args.empty()) {
        context.Err << "kelda-cli: info needs at least one FILE\n";
        return kCliUsage;
    }
    int status = kCliOk;
    for (const std::string& file : args) {
        const int one = CliGuarded(context, file, [&] {
            // From a stream the header decides; the size is read only for a header that is accepted.
            const TCliInput input(context, file, TCliStreamNeed::HeaderThenSizeIfMacBinary);
            const std::optional<TInspection> inspection = CliInspect(context, file, input, nameEncoding);
            if (!inspection) {
                return kCliFailure;
            }
            // A name inside a hostile file, or a file name, must not forge lines or reach the
            // terminal as commands: both come out with their controls shown.
            for (const std::string& line : BuildLogBlock(EscapeControls(file), inspection->Header,
                                                         inspection->Size, EscapeControls, nameEncoding)) {
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
    return Convert(context, args, Strip, TOutputPart::Forks);
}

int CliDataFork(const TCliContext& context, const TCliArgs& args) {
    return Convert(context, args, DataFork, TOutputPart::DataFork);
}

void RegisterMacBinaryCommands(TCliCommands& commands) {
    struct TInfoOptions {
        bool Json = false;
        TMacEncoding NameEncoding = TMacEncoding::Auto;
        TCliArgs Files;
    };
    TInfoOptions& info = commands.Store<TInfoOptions>();
    CLI::App& infoCommand =
        commands.Add("info", "The log block of each MacBinary FILE, as the window writes it",
                     [&info](const TCliContext& context) {
                         return info.Json ? CliInfoJson(context, info.Files, info.NameEncoding)
                                          : CliInfo(context, info.Files, info.NameEncoding);
                     });
    infoCommand.add_flag("--json", info.Json, "One JSON object per file and line (docs/cli-json.md)");
    AddNameEncodingOption(infoCommand, info.NameEncoding);
    infoCommand.add_option("FILE", info.Files, "MacBinary files (- for standard input)")
        ->required()
        ->type_name("");

    struct TConversion {
        const char* Name;
        const char* Description;
        TConvertStatus (*Convert)(const TInspection&, const std::filesystem::path&,
                                  const std::filesystem::path&, const ProgressFn&, bool);
        bool DropBin;
        std::optional<TOutputPart> Shortfall;
    };
    constexpr TConversion kConversions[] = {
        {"tomacbin2", "IN with a MacBinary II header, written to OUT", ToMacBin2, false, TOutputPart::Forks},
        {"strip", "Everything after the 128-byte header of IN, written to OUT", Strip, true,
         TOutputPart::Forks},
        {"datafork", "The data fork of IN alone, written to OUT", DataFork, true, TOutputPart::DataFork},
    };
    for (const TConversion& conversion : kConversions) {
        TConvertOptions& options = commands.Store<TConvertOptions>();
        CLI::App& command = commands.Add(
            conversion.Name, std::string(conversion.Description) + "; or each IN into DIR with -o",
            [&options, conversion](const TCliContext& context) {
                return RunConversion(context, conversion.Name, options, conversion.Convert,
                                     conversion.DropBin, conversion.Shortfall);
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
        AddForceFlag(command, options.Force);
        command.add_flag(
            "-r,--recursive", options.Recursive,
            "With -o, every file below the folders among IN, as scan -r walks them (links are not "
            "followed, files that are not MacBinary are left out), into the same folders below DIR");
    }
}

} // namespace kelda
