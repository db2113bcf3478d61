#include "cli/Cli.h"

#include "util/BilingualError.h"
#include "util/Progress.h"

#include <algorithm>
#include <ostream>
#include <string>
#include <string_view>

namespace kelda {

namespace {

struct TCliEntry {
    std::string_view Name;
    TCliCommand Run;
    std::string_view Args; // what follows the command word
    std::string_view Help;
};

// Every command. A new command is one more line here.
constexpr TCliEntry kCommands[] = {
    {"info", CliInfo, "FILE...", "the log block of each MacBinary file"},
    {"tomacbin2", CliToMacBin2, "IN OUT", "IN with a MacBinary II header, written to OUT"},
    {"strip", CliStrip, "IN OUT", "everything after the 128-byte header of IN, written to OUT"},
    {"datafork", CliDataFork, "IN OUT", "the data fork of IN alone, written to OUT"},
    {"crc", CliCrc, "[--all | --variant N] FILE...", "CRC lines; N is 0-11 in the list's order, default 10"},
    {"resources", CliResources, "FILE... [--json]", "one line per resource of each file"},
    {"resource", CliResource, "FILE TYPE ID OUT", "the bytes of one resource, written to OUT"},
    {"vers", CliVers, "FILE...", "the short version string of each file"},
};

void PrintUsage(std::ostream& out) {
    constexpr std::size_t kHelpColumn = 36;
    out << "Usage: kelda-cli [--japanese] COMMAND ARGS...\n";
    for (const TCliEntry& entry : kCommands) {
        std::string line = "  " + std::string(entry.Name) + ' ' + std::string(entry.Args);
        line.append(line.size() < kHelpColumn ? kHelpColumn - line.size() : 1, ' ');
        out << line << entry.Help << '\n';
    }
    out << "Exit status: 0 success, 1 a file is not MacBinary or an I/O error occurred, 2 bad usage.\n";
}

} // namespace

void CliReport(const TCliContext& context, const std::string& what, const std::string& message) {
    context.Err << "kelda-cli: " << what << ": " << message << '\n';
}

int CliGuarded(const TCliContext& context, const std::string& file, const std::function<int()>& step) {
    try {
        return step();
    } catch (const ECancelled&) {
        throw;
    } catch (const EBilingualError& e) {
        CliReport(context, file, context.Japanese ? e.what() : e.english());
    } catch (const std::exception& e) {
        CliReport(context, file, e.what());
    }
    return kCliFailure;
}

int CliMain(const TCliArgs& argv, std::ostream& out, std::ostream& err, const TCliTerminal& terminal) {
    bool japanese = false;
    bool endOfOptions = false;
    TCliArgs words;
    for (const std::string& arg : argv) {
        if (!endOfOptions && arg == "--japanese") {
            japanese = true;
        } else if (!endOfOptions && (arg == "--help" || arg == "-h")) {
            PrintUsage(out);
            return kCliOk;
        } else if (!endOfOptions && arg == "--") {
            endOfOptions = true;
        } else if (words.empty() && !endOfOptions && arg.starts_with("-")) {
            err << "kelda-cli: unknown option " << arg << '\n';
            PrintUsage(err);
            return kCliUsage;
        } else {
            words.push_back(arg);
        }
    }
    if (words.empty()) {
        PrintUsage(err);
        return kCliUsage;
    }
    const auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                                 [&](const TCliEntry& entry) { return entry.Name == words.front(); });
    if (it == std::end(kCommands)) {
        err << "kelda-cli: unknown command " << words.front() << '\n';
        PrintUsage(err);
        return kCliUsage;
    }
    TCliProgress progress(err, terminal.ErrIsTerminal, terminal.Clock, terminal.StopRequested);
    const TCliContext context{japanese, out, err, &progress};
    int status = kCliFailure;
    try {
        status = it->Run(context, TCliArgs(words.begin() + 1, words.end()));
    } catch (const ECancelled&) {
        return kCliFailure; // stopped by the user, who knows it; the work has cleaned up
    }
    if (status == kCliUsage) {
        PrintUsage(err);
    }
    return status;
}

} // namespace kelda
