// SPDX-License-Identifier: MIT
#include "app/Language.h"
#include "cli/Cli.h"
#include "cli/CliHelpText.h"
#include "cli/CliParseError.h"
#include "cli/CliText.h"
#include "cli/TCliCodesetBuf.h"
#include "cli/TCliCommands.h"
#include "cli/TCliFdOutBuf.h"
#include "cli/TCliInput.h"
#include "util/VisibleText.h"

#include "util/BilingualError.h"
#include "util/Progress.h"
#include "util/TAtomicOutput.h"
#include "util/TFileStream.h"
#include "util/TFolder.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

namespace kelda {

namespace {

constexpr std::string_view kProgram = "kelda-cli";

// Every command file's registration function. A new command file adds one line here.
constexpr void (*kRegistrations[])(TCliCommands&) = {
    RegisterMacBinaryCommands, RegisterCrcCommands,      RegisterCheckCommands, RegisterScanCommands,
    RegisterForkCommands,      RegisterResourceCommands, RegisterImageCommands,
};

// The options every command takes, before or after the command word.
struct TGlobalOptions {
    bool Japanese = false;
    bool English = false;
    bool Force = false;
    bool Sync = false;
};

// Sets whether new outputs go to disk before they take their names for one run, and restores the
// setting after it (tests run many command lines in one process).
class TSyncScope {
public:
    explicit TSyncScope(bool sync) : before_(SyncNewOutputs()) { SetSyncNewOutputs(sync); }
    ~TSyncScope() { SetSyncNewOutputs(before_); }
    TSyncScope(const TSyncScope&) = delete;
    TSyncScope& operator=(const TSyncScope&) = delete;

private:
    bool before_;
};

void BuildParser(CLI::App& app, TGlobalOptions& options) {
    app.description("Mac files (MacBinary, BinHex, AppleSingle, AppleDouble), HFS disk images and CRCs "
                    "without the window.");
    app.set_version_flag("--version", std::string(kProgram) + ' ' + KELDA_VERSION,
                         "Print the version and exit");
    app.set_help_flag("-h,--help", "Print this help and exit");
    app.add_flag("--japanese", options.Japanese, "Messages in Japanese");
    app.add_flag("--english", options.English, "Messages in English (the default unless the locale is ja)");
    app.add_flag("--force", options.Force,
                 "Replace an output that is there already, even a read-only one (never the source)");
    app.add_flag("--sync", options.Sync,
                 "Write each new output to disk before it takes its name (a replaced file always is)");
    app.require_subcommand(0, 1);
    app.fallthrough(); // --japanese after the command word is still the global option
    auto formatter = std::make_shared<CLI::Formatter>();
    formatter->label("SUBCOMMAND", "COMMAND");
    formatter->label("Subcommands", "Commands");
    formatter->label("Positionals", "Operands");
    app.formatter(formatter);
}

// The formatter BuildParser gave the program and, by inheritance, every command.
const CLI::Formatter& FormatterOf(const CLI::App& app) {
    return static_cast<const CLI::Formatter&>(*app.get_formatter());
}

// The command the line chose, or the program itself when it chose none.
const CLI::App& ChosenApp(const CLI::App& app) {
    const auto chosen = app.get_subcommands();
    return chosen.empty() ? app : *chosen.front();
}

std::string ProgramAndCommand(const CLI::App& app) {
    const CLI::App& chosen = ChosenApp(app);
    return &chosen == &app ? std::string(kProgram) : std::string(kProgram) + ' ' + chosen.get_name();
}

// A usage error: what is wrong, the usage line of the command concerned, and where its help is.
void ReportUsage(const CLI::App& app, std::ostream& err, bool japanese, const std::string& message) {
    if (!message.empty()) {
        err << kProgram << ": " << message << '\n';
    }
    const std::string name = ProgramAndCommand(app);
    err << FormatterOf(app).make_usage(&ChosenApp(app), name);
    err << CliText(TCliMsg::TryHelp, japanese, {name}) << '\n';
}

// CLI11's text for a parse error, with the program name it sometimes puts in front taken away, and
// a word for an unknown command that CLI11 takes for an unexpected argument.
std::string ParseErrorText(const CLI::App& app, const CLI::ParseError& e, bool japanese) {
    std::string text = e.what();
    const std::string prefix = std::string(kProgram) + ": ";
    if (text.starts_with(prefix)) {
        text.erase(0, prefix.size());
    }
    if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr && app.get_subcommands().empty()) {
        const std::vector<std::string> extras = app.remaining();
        const auto word = std::find_if(extras.begin(), extras.end(),
                                       [](const std::string& arg) { return !arg.starts_with("-"); });
        if (word != extras.end() && extras.front() == *word) {
            return CliText(TCliMsg::UnknownCommand, japanese, {*word});
        }
    }
    if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr) {
        // The parser lists the words last first when it is given them as a vector; list them in
        // the order they were typed.
        const std::vector<std::string> extras = app.remaining(true);
        if (!extras.empty()) {
            std::string words;
            for (const std::string& extra : extras) {
                words += (words.empty() ? "" : " ") + extra;
            }
            return CliText(extras.size() == 1 ? TCliMsg::ParseExtra : TCliMsg::ParseExtras, japanese,
                           {words});
        }
    }
    return ParserMessage(text, japanese);
}

// Whether the words ask for Japanese, read from them directly: a parse error can come before the
// parser has set the options it has seen.
bool WordsAskForJapanese(const TCliArgs& argv, bool localeJapanese) {
    bool japanese = false;
    bool english = false;
    for (const std::string& word : argv) {
        if (word == "--") {
            break;
        }
        japanese = japanese || word == "--japanese";
        english = english || word == "--english";
    }
    return japanese || (localeJapanese && !english);
}

// Whether everything written to out arrived; reports it once when not.
bool OutputArrived(std::ostream& out, std::ostream& err, bool japanese) {
    out.flush();
    if (out) {
        return true;
    }
    const auto* fd = dynamic_cast<const TCliFdOutBuf*>(out.rdbuf());
    const int reason = fd != nullptr && fd->Error() != 0 ? fd->Error() : EIO;
    err << kProgram << ": " << CliText(TCliMsg::OutputWriteError, japanese, {SystemErrorText(reason)})
        << '\n';
    return false;
}

} // namespace

void CliReport(const TCliContext& context, const std::string& what, const std::string& message) {
    // Both may hold bytes of file names or of files: their controls are shown, never sent.
    context.Err << "kelda-cli: " << EscapeControls(what) << ": " << EscapeControls(message) << '\n';
}

bool CliOutputExists(const TCliContext& context, const std::filesystem::path& source,
                     const std::filesystem::path& out) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(out, ec)) && !IsSameFile(source, out)) {
        CliReport(context, out.string(), CliText(TCliMsg::OutputExists, context.Japanese));
        return true;
    }
    return false;
}

namespace {

std::optional<TFileStat> OperandFile(const TCliContext& context, const std::string& operand, bool output) {
    if (operand == kCliStdStream) {
        return output ? context.OutFile : context.InFile;
    }
    return StatFile(operand);
}

} // namespace

bool CliWritesOverSource(const TCliContext& context, std::initializer_list<std::string> inputs,
                         const std::string& out) {
    const std::optional<TFileStat> target = OperandFile(context, out, true);
    if (!target || !target->Regular) {
        return false;
    }
    for (const std::string& in : inputs) {
        const std::optional<TFileStat> source = OperandFile(context, in, false);
        if (source && source->SameFile(*target)) {
            CliReport(context, out, MessageText(TMsg::CannotWriteOverSource, context.Japanese));
            return true;
        }
    }
    return false;
}

bool TRunOutputs::WrittenBefore(const TCliContext& context, const std::filesystem::path& out) const {
    const std::optional<TFileStat> existing = StatFile(out);
    if (!existing) {
        return false;
    }
    const auto earlier = std::find_if(written_.begin(), written_.end(),
                                      [&](const auto& w) { return w.first.SameFile(*existing); });
    if (earlier == written_.end()) {
        return false;
    }
    CliReport(context, out.string(), CliText(TCliMsg::WrittenThisRun, context.Japanese, {earlier->second}));
    return true;
}

void TRunOutputs::Add(const std::filesystem::path& out, const std::string& in) {
    if (const std::optional<TFileStat> made = StatFile(out)) {
        written_.emplace_back(*made, in);
    }
}

std::filesystem::path CliOutputFolder(const std::filesystem::path& outputDir,
                                      const std::filesystem::path& relative) {
    std::filesystem::path at = outputDir;
    for (const std::filesystem::path& part : relative) {
        at /= part;
        std::error_code ec;
        const std::filesystem::file_status status = std::filesystem::symlink_status(at, ec);
        if (!std::filesystem::exists(status)) {
            if (!std::filesystem::create_directory(at, ec) && ec) {
                throw EFileError::createFailed(at, ec.value());
            }
        } else if (!std::filesystem::is_directory(status)) {
            throw EFileError::createFailed(at, std::filesystem::is_symlink(status) ? ELOOP : ENOTDIR);
        }
    }
    return at;
}

void CliBatchSummary(const TCliContext& context, const std::string& command, std::size_t total,
                     std::size_t failed, std::size_t skipped) {
    std::string text =
        CliText(TCliMsg::BatchSummary, context.Japanese,
                {std::to_string(total), std::to_string(total - failed - skipped), std::to_string(failed)});
    if (skipped != 0) {
        text += (context.Japanese ? "、" : ", ") +
                CliText(TCliMsg::BatchSkipped, context.Japanese, {std::to_string(skipped)});
    }
    CliReport(context, command, text);
}

std::string CliErrorText(const TCliContext& context, const std::exception& e) {
    const auto* bilingual = dynamic_cast<const EBilingualError*>(&e);
    return bilingual != nullptr && !context.Japanese ? bilingual->english() : std::string(e.what());
}

int CliGuarded(const TCliContext& context, const std::string& file, const std::function<int()>& step) {
    try {
        return step();
    } catch (const ECancelled&) {
        throw;
    } catch (const EFileError& e) {
        CliReport(context, e.File().empty() ? file : e.File().string(),
                  context.Japanese ? e.what() : e.english());
    } catch (const std::exception& e) {
        CliReport(context, file, CliErrorText(context, e));
    }
    return kCliFailure;
}

namespace {

// The width the progress line stays within: the terminal's, else COLUMNS, else 80.
int TerminalColumns(const TCliTerminal& terminal) {
    if (terminal.ErrColumns > 0) {
        return terminal.ErrColumns;
    }
    const char* columns = terminal.GetEnv ? terminal.GetEnv("COLUMNS") : nullptr;
    const int given = columns != nullptr ? std::atoi(columns) : 0;
    return given > 0 ? given : kCliColumns;
}

// The whole parser: the program's options and every command's.
void BuildCommands(CLI::App& app, TGlobalOptions& global, TCliCommands& commands) {
    BuildParser(app, global);
    for (const auto registration : kRegistrations) {
        registration(commands);
    }
    app.footer(
        "Run 'kelda-cli COMMAND --help' for a command's options.\n"
        "Exit status: 0 done, every file sound or matched; 1 a file failed, was damaged or is not what\n"
        "  the command reads; 2 bad usage; 3 an output was written but its source ended before its\n"
        "  forks (--partial) or before a BinHex fork's CRC. Several files: the most serious status.");
}

// Whether the chosen command writes JSON or CSV (--json, --csv), which stay UTF-8 in every locale.
bool MachineOutputAsked(const CLI::App& app) {
    for (const CLI::App* command = &app; command != nullptr;) {
        for (const char* name : {"--json", "--csv"}) {
            const CLI::Option* option = command->get_option_no_throw(name);
            if (option != nullptr && option->count() > 0) {
                return true;
            }
        }
        const std::vector<const CLI::App*> chosen =
            command->get_subcommands([](const CLI::App* sub) { return sub->parsed(); });
        command = chosen.empty() ? nullptr : chosen.front();
    }
    return false;
}

int CliRun(const TCliArgs& argv, std::ostream& textOut, std::ostream& rawOut, std::ostream& err,
           const TCliTerminal& terminal);

} // namespace

TCliHelpAudit AuditCliHelp() {
    CLI::App app{"", std::string(kProgram)};
    TGlobalOptions global;
    TCliCommands commands(app);
    BuildCommands(app, global, commands);
    return {UntranslatedHelpTexts(app), UnusedHelpTexts(app)};
}

std::ostream& CliRawOut(const TCliContext& context) {
    if (context.RawOut == nullptr) {
        return context.Out;
    }
    context.Out.flush();
    return *context.RawOut;
}

int CliMain(const TCliArgs& argv, std::ostream& rawOut, std::ostream& rawErr, const TCliTerminal& terminal) {
    // Text goes out in the locale's codeset; JSON and CSV are UTF-8 whatever the locale.
    TCliCodesetBuf outBuffer(rawOut.rdbuf(), terminal.Codeset);
    TCliCodesetBuf errBuffer(rawErr.rdbuf(), terminal.Codeset);
    std::ostream textOut(&outBuffer);
    std::ostream textErr(&errBuffer);
    const bool convert = !CliCodesetIsUtf8(terminal.Codeset);
    std::ostream& err = convert ? textErr : rawErr;
    const int status = CliRun(argv, convert ? textOut : rawOut, rawOut, err, terminal);
    textOut.flush();
    textErr.flush();
    if (convert && (!textOut || !textErr)) {
        rawOut.setstate(std::ios::badbit);
    }
    return status;
}

namespace {

int CliRun(const TCliArgs& argv, std::ostream& out, std::ostream& rawOut, std::ostream& err,
           const TCliTerminal& terminal) {
    CLI::App app{"", std::string(kProgram)};
    TGlobalOptions global;
    TCliCommands commands(app);
    BuildCommands(app, global, commands);
    const bool localeJapanese = terminal.GetEnv && LocaleIsJapanese(terminal.GetEnv);
    const auto japanese = [&] { return global.Japanese || (localeJapanese && !global.English); };

    std::vector<std::string> reversed(argv.rbegin(), argv.rend()); // CLI11 takes the words last first
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        if (japanese()) {
            PutHelpInJapanese(app);
        }
        out << app.help();
        return OutputArrived(out, err, japanese()) ? kCliOk : kCliFailure;
    } catch (const CLI::CallForAllHelp&) {
        if (japanese()) {
            PutHelpInJapanese(app);
        }
        out << app.help("", CLI::AppFormatMode::All);
        return OutputArrived(out, err, japanese()) ? kCliOk : kCliFailure;
    } catch (const CLI::CallForVersion& e) {
        out << e.what() << '\n';
        return OutputArrived(out, err, japanese()) ? kCliOk : kCliFailure;
    } catch (const CLI::ParseError& e) {
        const bool inJapanese = WordsAskForJapanese(argv, localeJapanese);
        ReportUsage(app, err, inJapanese, ParseErrorText(app, e, inJapanese));
        return kCliUsage;
    }
    std::ostream& commandOut = MachineOutputAsked(app) ? rawOut : out;
    const TCliCommands::TRun* run = commands.Chosen();
    if (run == nullptr) {
        ReportUsage(app, err, japanese(), CliText(TCliMsg::MissingCommand, japanese()));
        return kCliUsage;
    }

    TCliProgress progress(err, terminal.ErrIsTerminal, terminal.Clock, terminal.StopRequested,
                          TerminalColumns(terminal));
    const TCliContext context{japanese(),      commandOut,       err,
                              &progress,       terminal.In,      global.Force,
                              terminal.InFile, terminal.OutFile, &commandOut == &rawOut ? nullptr : &rawOut};
    const TSyncScope syncScope(global.Sync);
    int status = kCliFailure;
    try {
        status = (*run)(context);
    } catch (const ECancelled&) {
        return kCliFailure; // stopped by the user, who knows it; the work has cleaned up
    }
    if (status == kCliUsage) {
        ReportUsage(app, err, context.Japanese, "");
    }
    if (!OutputArrived(commandOut, err, context.Japanese)) {
        return kCliFailure;
    }
    return status;
}

} // namespace

} // namespace kelda
