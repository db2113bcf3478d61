// kelda-cli: the window's jobs for scripts. Each command is one function over its arguments
// (the program name, the command word and the global options already taken away).
#pragma once

#include "cli/TCliProgress.h"
#include "util/ProgressThrottle.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace kelda {

inline constexpr int kCliOk = 0;      // everything done
inline constexpr int kCliFailure = 1; // a file was not MacBinary, or an I/O error occurred
inline constexpr int kCliUsage = 2;   // bad command line

struct TCliContext {
    bool Japanese = false; // messages in Japanese instead of English
    std::ostream& Out;
    std::ostream& Err;
    // Long work reports through it (TCliProgress::TScope); null: no progress and no stopping.
    TCliProgress* Progress = nullptr;
};

// How kelda-cli meets its terminal: whether the error stream is one (then long work draws a progress
// bar there), the clock of that bar (empty: the system's), and whether the user has asked to stop
// (Ctrl-C; empty: never).
struct TCliTerminal {
    bool ErrIsTerminal = false;
    TProgressClock Clock;
    std::function<bool()> StopRequested;
};

using TCliArgs = std::vector<std::string>;
using TCliCommand = int (*)(const TCliContext&, const TCliArgs&);

// The MacBinary commands (CliMacBinary.cpp).
int CliInfo(const TCliContext& context, const TCliArgs& args);
int CliToMacBin2(const TCliContext& context, const TCliArgs& args);
int CliStrip(const TCliContext& context, const TCliArgs& args);
int CliDataFork(const TCliContext& context, const TCliArgs& args);
// crc [--all | --variant N] FILE... (CliCrc.cpp): the CRC page's result lines.
int CliCrc(const TCliContext& context, const TCliArgs& args);

// The resource commands (CliResources.cpp): resources FILE... [--json], resource FILE TYPE ID OUT,
// vers FILE...
int CliResources(const TCliContext& context, const TCliArgs& args);
int CliResource(const TCliContext& context, const TCliArgs& args);
int CliVers(const TCliContext& context, const TCliArgs& args);

// "kelda-cli: <what>: <message>" on the error stream.
void CliReport(const TCliContext& context, const std::string& what, const std::string& message);

// Runs one step on file: its status, or kCliFailure once an error it throws is reported (in the
// language asked for). A stop on the user's request (ECancelled) ends the whole command.
int CliGuarded(const TCliContext& context, const std::string& file, const std::function<int()>& step);

// Runs a whole command line (argv without the program name). Work stopped on the user's request
// leaves no partial output and gives kCliFailure.
int CliMain(const TCliArgs& argv, std::ostream& out, std::ostream& err, const TCliTerminal& terminal = {});

} // namespace kelda
