// SPDX-License-Identifier: MIT
// The fork commands of kelda-cli: rsrc, appledouble, applesingle, extract and encode. "-" stands
// for standard input or output; such a stream goes through a scratch file (TCliInput, TCliOutput),
// so the work itself always has a seekable file and never holds a fork in memory. Like the
// conversions they never write over a source and replace a read-only output only with --force (or -f).
#include "app/InspectMessages.h"
#include "app/Language.h"
#include "cli/Cli.h"
#include "cli/CliMacFile.h"
#include "cli/CliParseError.h"
#include "cli/CliText.h"
#include "cli/TCliCommands.h"
#include "cli/TCliInput.h"
#include "cli/TCliOutput.h"
#include "cli/TreeWalk.h"
#include "forks/ForkExport.h"
#include "forks/MacBinaryEncoder.h"
#include "forks/MacDate.h"
#include "forks/MacNames.h"
#include "forks/TAppleContainer.h"
#include "forks/TMacFile.h"
#include "macbinary/TInspection.h"
#include "util/TFolder.h"
#include "util/VisibleText.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <system_error>

namespace kelda {

namespace {

// The status of the command for what a fork operation reported.
int Report(const TCliContext& context, const std::string& in, const std::string& out, TForkStatus status) {
    switch (status) {
    case TForkStatus::Written:
        return kCliOk;
    case TForkStatus::WrittenCut:
        CliReport(context, in, MessageText(TMsg::ForkCutWritten, context.Japanese));
        return kCliSourceTruncated;
    case TForkStatus::WrittenUnchecked:
        CliReport(context, in, MessageText(TMsg::ForkUncheckedWritten, context.Japanese));
        return kCliSourceTruncated;
    case TForkStatus::WrittenCommentCut:
        CliReport(context, in, MessageText(TMsg::CommentCutWritten, context.Japanese));
        return kCliOk;
    case TForkStatus::RefusedCut:
        CliReport(context, in, MessageText(TMsg::ForkCutRefused, context.Japanese));
        return kCliFailure;
    case TForkStatus::SourceIsOutput:
        CliReport(context, out, MessageText(TMsg::CannotWriteOverSource, context.Japanese));
        return kCliFailure;
    case TForkStatus::ThroughLink:
        CliReport(context, out, MessageText(TMsg::NoWriteThroughLink, context.Japanese));
        return kCliFailure;
    case TForkStatus::OutputReadOnly:
        CliReport(context, out, MessageText(TMsg::OutputReadOnly, context.Japanese));
        return kCliFailure;
    }
    return kCliFailure;
}

struct TExportOptions {
    std::string In;
    std::string Out;
    bool Partial = false;
    bool Force = false;
};

TCutPolicy Policy(bool partial) {
    return partial ? TCutPolicy::WriteWhatExists : TCutPolicy::Refuse;
}

using TExportFn = TForkStatus (*)(const TMacFileSource&, const std::filesystem::path&, TCutPolicy,
                                  const ProgressFn&, bool replaceReadOnly);

int RunExport(const TCliContext& context, const TExportOptions& options, TExportFn run) {
    const std::string& in = options.In;
    const std::string& out = options.Out;
    return CliGuarded(context, in, [&] {
        const TCliInput input(context, in);
        const std::optional<TMacFileSource> source = CliOpenMacFile(context, in, input);
        if (!source || CliWritesOverSource(context, {in}, out)) {
            return kCliFailure;
        }
        TCliOutput output(context, out);
        TForkStatus status{};
        {
            const TCliProgress::TScope progress(context.Progress, in);
            status = run(*source, output.Path(), Policy(options.Partial), progress.Fn(),
                         options.Force || context.Force);
        }
        const int result = Report(context, in, out, status);
        if (ForkOutputWritten(status) && !output.Commit()) {
            return kCliFailure;
        }
        return result;
    });
}

TForkStatus RunResourceFork(const TMacFileSource& in, const std::filesystem::path& out, TCutPolicy policy,
                            const ProgressFn& progress, bool replaceReadOnly) {
    return ExportResourceFork(in, out, policy, progress, replaceReadOnly);
}

TForkStatus RunAppleDouble(const TMacFileSource& in, const std::filesystem::path& out, TCutPolicy policy,
                           const ProgressFn& progress, bool replaceReadOnly) {
    return ExportAppleFile(TAppleKind::Double, in, out, policy, progress, replaceReadOnly);
}

TForkStatus RunAppleSingle(const TMacFileSource& in, const std::filesystem::path& out, TCutPolicy policy,
                           const ProgressFn& progress, bool replaceReadOnly) {
    return ExportAppleFile(TAppleKind::Single, in, out, policy, progress, replaceReadOnly);
}

struct TExtractOptions {
    TCliArgs Inputs;
    std::string Folder; // -o; none: the current folder
    TResourceForm Form = TResourceForm::Sidecar;
    TMacEncoding NameEncoding = TMacEncoding::Auto;
    bool Partial = false;
    bool Force = false;
    bool Recursive = false;
};

// The two files the extraction of a Mac file into folder writes: the data fork and the rest.
std::array<std::string, 2> ExtractOutputs(const TExtractOptions& options, const std::filesystem::path& folder,
                                          const TMacFile& file) {
    const std::filesystem::path data = folder / ExtractName(file);
    return {data.string(), ResourceFileName(data, options.Form).string()};
}

// Whether a file the extraction of in would write is there already; reports it. The source itself
// is left to Extract, which refuses it with its own message.
bool OutputsExist(const TCliContext& context, const TExtractOptions& options,
                  const std::filesystem::path& folder, const std::filesystem::path& in,
                  const TMacFile& file) {
    const auto [data, resource] = ExtractOutputs(options, folder, file);
    return CliOutputExists(context, in, data) || CliOutputExists(context, in, resource);
}

int ExtractOne(const TCliContext& context, const TExtractOptions& options,
               const std::filesystem::path& folder, const std::string& in, TRunOutputs& written) {
    return CliGuarded(context, in, [&] {
        const TCliInput input(context, in);
        const std::optional<TMacFileSource> source = CliOpenMacFile(context, in, input, options.NameEncoding);
        if (!source) {
            return kCliFailure;
        }
        const TMacFile* file = &source->File();
        const auto [data, resource] = ExtractOutputs(options, folder, *file);
        if (CliWritesOverSource(context, {in}, data) || CliWritesOverSource(context, {in}, resource)) {
            return kCliFailure;
        }
        if (written.WrittenBefore(context, data) || written.WrittenBefore(context, resource)) {
            return kCliFailure;
        }
        if (!options.Force && !context.Force && OutputsExist(context, options, folder, input.Path(), *file)) {
            return kCliFailure;
        }
        TExtractResult result;
        {
            const TCliProgress::TScope progress(context.Progress, in);
            result = Extract(*source, folder, options.Form, Policy(options.Partial), progress.Fn(), {},
                             options.Force || context.Force);
        }
        const std::filesystem::path& about = result.Refused.empty() ? result.DataFile : result.Refused;
        const int status = Report(context, in, about.string(), result.Status);
        if (ForkOutputWritten(result.Status)) {
            written.Add(result.DataFile, in);
            written.Add(result.ResourceFile, in);
            context.Out << EscapeControls(result.DataFile.string()) << '\n'
                        << EscapeControls(result.ResourceFile.string()) << '\n';
        }
        return status;
    });
}

// Each input in turn: one that fails does not stop the others, and the status says one failed.
int RunExtract(const TCliContext& context, const TExtractOptions& options) {
    if (options.Recursive && options.Folder.empty()) {
        context.Err << "kelda-cli: " << CliText(TCliMsg::RecursiveNeedsDir, context.Japanese) << '\n';
        return kCliUsage;
    }
    if (options.Recursive) {
        std::error_code ec;
        if (!std::filesystem::is_directory(options.Folder, ec)) {
            CliReport(context, options.Folder, CliText(TCliMsg::NoFolder, context.Japanese));
            return kCliFailure;
        }
    }
    if (std::count(options.Inputs.begin(), options.Inputs.end(), std::string(kCliStdStream)) > 1) {
        context.Err << "kelda-cli: " << CliText(TCliMsg::StdinOnce, context.Japanese) << '\n';
        return kCliUsage;
    }
    // Every input is spared by the clean-ups of the outputs before its own.
    for (const std::string& in : options.Inputs) {
        if (const std::optional<TFileStat> source = in == kCliStdStream ? std::nullopt : StatFile(in)) {
            SpareFromCleanup(*source);
        }
    }
    TBatchTally tally;
    TRunOutputs written;
    if (options.Recursive) {
        // Each Mac file's outputs go where extract puts them, in the folder below DIR that mirrors
        // its own; what extract does not read is left out.
        WalkBatch(
            context, options.Inputs, options.Folder,
            [](const std::string& in) { return CliReadsMacFile(in, true); },
            [&](const std::string& in, const std::filesystem::path& folder, const std::string&) {
                tally.Add(ExtractOne(context, options, folder, in, written));
            },
            tally);
    } else {
        const std::filesystem::path folder = options.Folder.empty() ? "." : options.Folder;
        for (const std::string& in : options.Inputs) {
            tally.Add(ExtractOne(context, options, folder, in, written));
            if (!context.Out) {
                break;
            }
        }
    }
    if (!context.Out) {
        return kCliFailure; // standard output is gone: CliMain says so
    }
    if (tally.Total > 1 || options.Recursive) {
        CliBatchSummary(context, "extract", tally.Total, tally.Failed, tally.Skipped);
    }
    return tally.Status;
}

struct TEncodeCliOptions {
    int Version = 2;
    std::optional<int> OldVersion; // --version, the old spelling of --macbinary-version
    std::string Resource;
    std::string Type;
    std::string Creator;
    std::string Name;
    std::string Date;
    TMacEncoding Encoding = TMacEncoding::Auto;
    bool NoSidecar = false;
    bool Force = false;
    std::string Data;
    std::string Out;
    // Which of the text options the line gave (an empty value is a value too).
    const CLI::App* Command = nullptr;
};

std::optional<std::string> Given(const TEncodeCliOptions& o, const char* option, const std::string& value) {
    return o.Command->count(option) != 0 ? std::optional<std::string>(value) : std::nullopt;
}

int RunEncode(const TCliContext& context, const TEncodeCliOptions& o) {
    const std::string& data = o.Data;
    const std::string& out = o.Out;
    return CliGuarded(context, data, [&] {
        TEncodeOptions options;
        options.Version = o.OldVersion.value_or(o.Version);
        if (options.Version < 1 || options.Version > 3) {
            context.Err << "kelda-cli: "
                        << ParserMessage("--version: Value " + std::to_string(options.Version) +
                                             " not in range 1 to 3",
                                         context.Japanese)
                        << '\n';
            return kCliUsage;
        }
        options.NameEncoding = o.Encoding;
        if (!o.Resource.empty()) {
            options.Resource = std::filesystem::path(o.Resource);
        }
        options.Name = Given(o, "--name", o.Name);
        if (options.Name) {
            // A name given is written as it is or refused, never cut or left empty.
            constexpr std::pair<TMacNameFault, TCliMsg> kFaults[] = {
                {TMacNameFault::Empty, TCliMsg::NameEmpty},
                {TMacNameFault::ControlByte, TCliMsg::NameControlByte},
                {TMacNameFault::TooLong, TCliMsg::NameTooLong},
            };
            const TMacNameFault fault = GivenMacNameFault(*options.Name, o.Encoding);
            for (const auto& [f, msg] : kFaults) {
                if (f == fault) {
                    CliReport(context, "--name", CliText(msg, context.Japanese));
                    return kCliUsage;
                }
            }
        }
        options.Type = Given(o, "--type", o.Type);
        options.Creator = Given(o, "--creator", o.Creator);
        options.Date = Given(o, "--date", o.Date);
        options.UseSidecar = !o.NoSidecar && data != "-";
        try {
            options.SourceDateEpoch = SourceDateEpochFromEnvironment();
        } catch (const EBilingualError& e) {
            CliReport(context, "SOURCE_DATE_EPOCH", context.Japanese ? e.what() : e.english());
            return kCliFailure;
        }
        if (data == "-") {
            options.DefaultName = "untitled";
        }
        std::error_code ec;
        if (data != "-" && !std::filesystem::exists(data, ec)) {
            CliReport(context, data, MessageText(TMsg::FileNotFound, context.Japanese));
            return kCliFailure;
        }
        const std::string sidecar = options.UseSidecar ? SidecarName(data).string() : std::string();
        if (CliWritesOverSource(context, {data, o.Resource, sidecar}, out)) {
            return kCliFailure;
        }
        const TCliInput input(context, data);
        TCliOutput output(context, out);
        TConvertStatus status{};
        {
            const TCliProgress::TScope progress(context.Progress, data);
            status = EncodeMacBinary(input.Path(), output.Path(), options, progress.Fn(),
                                     o.Force || context.Force);
        }
        if (status != TConvertStatus::Written) {
            return Report(context, data, out, ForkStatusOf(status));
        }
        return output.Commit() ? kCliOk : kCliFailure;
    });
}

struct TBinHexOptions {
    std::string In;
    std::string Out;
    std::string Resource;
    bool Partial = false;
    bool Force = false;
};

// BinHex 4.0 from any Mac file KELDA reads, or from a data fork with --rsrc (its name, type and
// creator from the entries of an AppleDouble/AppleSingle --rsrc, else the data file's name).
int RunBinHex(const TCliContext& context, const TBinHexOptions& options) {
    const std::string& in = options.In;
    const std::string& out = options.Out;
    return CliGuarded(context, in, [&] {
        const TCliInput input(context, in);
        std::optional<TCliInput> resource;
        std::optional<TMacFileSource> source;
        if (!options.Resource.empty()) {
            resource.emplace(context, options.Resource);
            for (const TCliInput* given : {&input, static_cast<const TCliInput*>(&*resource)}) {
                if (const std::string problem = given->Problem(context); !problem.empty()) {
                    CliReport(context, given == &input ? in : options.Resource, problem);
                    return kCliFailure;
                }
            }
        } else if (source = CliOpenMacFile(context, in, input); !source) {
            return kCliFailure;
        }
        if (CliWritesOverSource(context, {in, options.Resource}, out)) {
            return kCliFailure;
        }
        TEncodeOptions plan;
        plan.Resource = resource ? std::optional<std::filesystem::path>(resource->Path()) : std::nullopt;
        plan.UseSidecar = false;
        plan.SourceDateEpoch = 0; // BinHex holds no dates
        if (in == kCliStdStream) {
            plan.DefaultName = "untitled";
        }
        TCliOutput output(context, out);
        TForkStatus status{};
        {
            const TCliProgress::TScope progress(context.Progress, in);
            if (resource) {
                source = PlanEncode(input.Path(), plan);
            }
            status = ExportBinHex(*source, output.Path(), Policy(options.Partial), progress.Fn(),
                                  options.Force || context.Force);
        }
        const int result = Report(context, in, out, status);
        if (ForkOutputWritten(status) && !output.Commit()) {
            return kCliFailure;
        }
        return result;
    });
}

} // namespace

void RegisterForkCommands(TCliCommands& commands) {
    struct TExport {
        const char* Name;
        const char* Description;
        TExportFn Run;
    };
    constexpr TExport kExports[] = {
        {"rsrc", "The resource fork of IN alone, written to OUT", RunResourceFork},
        {"appledouble", "IN as an AppleDouble file (the ._NAME sidecar: everything but the data fork)",
         RunAppleDouble},
        {"applesingle", "IN as an AppleSingle file (both forks and the Finder's information)",
         RunAppleSingle},
    };
    for (const TExport& e : kExports) {
        TExportOptions& options = commands.Store<TExportOptions>();
        CLI::App& command =
            commands.Add(e.Name, e.Description, [&options, run = e.Run](const TCliContext& context) {
                return RunExport(context, options, run);
            });
        command.add_flag(
            "--partial", options.Partial,
            "Write what the file holds of a fork cut short (with a warning) instead of refusing");
        AddForceFlag(command, options.Force);
        command
            .add_option("IN", options.In,
                        "The Mac file: MacBinary, AppleSingle, or AppleDouble ._NAME with NAME beside it (- "
                        "for standard input)")
            ->required()
            ->type_name("");
        command.add_option("OUT", options.Out, "The file to write (- for standard output; never the source)")
            ->required()
            ->type_name("");
    }

    TExtractOptions& extract = commands.Store<TExtractOptions>();
    CLI::App& extractCommand =
        commands.Add("extract", "The data fork of each IN under its Mac name (made safe), the rest beside it",
                     [&extract](const TCliContext& context) { return RunExtract(context, extract); });
    AddOutputDirOption(extractCommand, extract.Folder,
                       "The folder to write to (default: the current one); an existing file there is left "
                       "alone unless -f");
    const std::map<std::string, TResourceForm> forms = {{"sidecar", TResourceForm::Sidecar},
                                                        {"applesingle", TResourceForm::AppleSingle},
                                                        {"raw", TResourceForm::Raw}};
    extractCommand
        .add_option("--rsrc", extract.Form,
                    "The resource fork as the ._NAME AppleDouble sidecar (default), NAME.as or raw NAME.rsrc")
        ->transform(CLI::CheckedTransformer(forms).description(""))
        ->type_name("sidecar|applesingle|raw");
    AddNameEncodingOption(extractCommand, extract.NameEncoding);
    extractCommand.add_flag("--partial", extract.Partial, "Write what the file holds of a fork cut short");
    AddForceFlag(extractCommand, extract.Force);
    extractCommand.add_flag(
        "-r,--recursive", extract.Recursive,
        "With -o, every file below the folders among IN, as scan -r walks them (links are "
        "not followed, files extract does not read are left out), each extracted into the "
        "same folder below DIR");
    extractCommand
        .add_option(
            "IN", extract.Inputs,
            "The Mac files: MacBinary, AppleSingle or AppleDouble (one of them may be - for standard input)")
        ->required()
        ->type_name("");

    TBinHexOptions& binHex = commands.Store<TBinHexOptions>();
    CLI::App& binHexCommand = commands.Add(
        "binhex",
        "IN as BinHex 4.0 text (IN: MacBinary, AppleSingle, AppleDouble, BinHex; or a data fork with --rsrc)",
        [&binHex](const TCliContext& context) { return RunBinHex(context, binHex); });
    binHexCommand
        .add_option(
            "--rsrc", binHex.Resource,
            "IN is a data fork and this its resource fork: a raw fork, or an AppleDouble/AppleSingle file")
        ->type_name("FILE");
    binHexCommand.add_flag(
        "--partial", binHex.Partial,
        "Write what the file holds of a fork cut short (with a warning) instead of refusing");
    AddForceFlag(binHexCommand, binHex.Force);
    binHexCommand.add_option("IN", binHex.In, "The Mac file (- for standard input)")
        ->required()
        ->type_name("");
    binHexCommand
        .add_option("OUT", binHex.Out, "The BinHex file to write (- for standard output; never the source)")
        ->required()
        ->type_name("");

    TEncodeCliOptions& encode = commands.Store<TEncodeCliOptions>();
    CLI::App& encodeCommand = commands.Add(
        "encode",
        "MacBinary made from DATA (a data fork, an AppleSingle file, or a file with a ._DATA sidecar)",
        [&encode](const TCliContext& context) { return RunEncode(context, encode); });
    encode.Command = &encodeCommand;
    // --macbinary-version, not --version, which is the program's own; the old spelling stays hidden
    // for one release (the parser gives a hidden option no name in its errors: RunEncode checks it).
    encodeCommand.add_option("--macbinary-version", encode.Version, "MacBinary I, II (default) or III")
        ->check(CLI::Range(1, 3).description(""))
        ->type_name("1|2|3");
    encodeCommand.add_option("--version", encode.OldVersion, "")->group("");
    encodeCommand
        .add_option("--rsrc", encode.Resource,
                    "The resource fork: a raw fork, or an AppleDouble/AppleSingle file")
        ->type_name("FILE");
    encodeCommand.add_option("--type", encode.Type, "File type (four characters)")->type_name("T");
    encodeCommand.add_option("--creator", encode.Creator, "Creator (four characters)")->type_name("C");
    encodeCommand.add_option("--name", encode.Name, "The Mac name (default: the entries', else DATA's)")
        ->type_name("NAME");
    encodeCommand
        .add_option("--date", encode.Date,
                    "Creation and modification date, YYYY-MM-DD[THH:MM[:SS]] (default: the entries', else "
                    "SOURCE_DATE_EPOCH in UTC, else DATA's modification time)")
        ->type_name("D");
    const std::map<std::string, TMacEncoding> encodings = {
        {"roman", TMacEncoding::Roman}, {"japanese", TMacEncoding::Japanese}, {"auto", TMacEncoding::Auto}};
    encodeCommand
        .add_option("--encoding", encode.Encoding, "The name's character set (auto: Mac Roman when it can)")
        ->transform(CLI::CheckedTransformer(encodings).description(""))
        ->type_name("roman|japanese|auto");
    encodeCommand.add_flag("--no-sidecar", encode.NoSidecar, "Do not take ._DATA as the resource fork");
    AddForceFlag(encodeCommand, encode.Force);
    encodeCommand.add_option("DATA", encode.Data, "The data fork (- for standard input)")
        ->required()
        ->type_name("");
    encodeCommand.add_option("OUT", encode.Out, "The MacBinary file to write (- for standard output)")
        ->required()
        ->type_name("");
}

} // namespace kelda
