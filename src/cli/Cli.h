// SPDX-License-Identifier: MIT
// kelda-cli: the window's jobs for scripts. The command line is parsed by CLI11; every command file
// registers its commands with one function (see TCliCommands.h and README.md), and each command is a
// function over its parsed options.
#pragma once

#include "cli/TCliProgress.h"
#include "util/MacText.h"
#include "util/ProgressThrottle.h"
#include "util/TFolder.h"

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace kelda {

inline constexpr int kCliOk = 0;      // everything done
inline constexpr int kCliFailure = 1; // a file was not MacBinary, or an I/O error occurred
inline constexpr int kCliUsage = 2;   // bad command line
// An output was written from what the source holds, but the source ended before its forks did
// (tomacbin2, strip, datafork, an export with --partial) or before a BinHex fork's CRC.
inline constexpr int kCliSourceTruncated = 3;

struct TCliContext {
    bool Japanese = false; // messages in Japanese instead of English
    std::ostream& Out;
    std::ostream& Err;
    // Long work reports through it (TCliProgress::TScope); null: no progress and no stopping.
    TCliProgress* Progress = nullptr;
    // Standard input, for the operand "-"; null: none (reading it fails).
    std::istream* In = nullptr;
    bool Force = false; // --force: an output that is a read-only file is replaced
    // The files behind standard input and output (fstat of descriptors 0 and 1), which the operand
    // "-" stands for; nothing when they are unknown.
    std::optional<TFileStat> InFile = std::nullopt;
    std::optional<TFileStat> OutFile = std::nullopt;
    // Standard output as bytes, never converted to the locale's codeset (forks written to "-", sum
    // lines); null: Out is that already.
    std::ostream* RawOut = nullptr;
};

// Standard output for bytes (TCliContext::RawOut), after what Out holds has gone before it.
std::ostream& CliRawOut(const TCliContext& context);

// How kelda-cli meets its terminal: whether the error stream is one (then long work draws a progress
// bar there), the clock of that bar (empty: the system's), whether the user has asked to stop
// (Ctrl-C; empty: never), standard input, and the environment (empty: no variable is set, so the
// language is English unless the command line asks otherwise).
struct TCliTerminal {
    bool ErrIsTerminal = false;
    TProgressClock Clock;
    std::function<bool()> StopRequested;
    std::istream* In = nullptr;
    std::function<const char*(const char*)> GetEnv = {};
    // The files behind standard input and output (TCliContext::InFile, OutFile).
    std::optional<TFileStat> InFile = std::nullopt;
    std::optional<TFileStat> OutFile = std::nullopt;
    // The width of the terminal standard error goes to, in columns (0: unknown, then COLUMNS or 80).
    int ErrColumns = 0;
    // The locale's codeset (nl_langinfo(CODESET) after setlocale): messages, help and text reports
    // are written in it; JSON, CSV, sum lines and forks stay as they are. Empty, UTF-8 or ASCII (the C
    // locale): unchanged.
    std::string Codeset = {};
};

using TCliArgs = std::vector<std::string>;
using TCliCommand = int (*)(const TCliContext&, const TCliArgs&);

class TCliCommands;

// One registration function per command file; CliMain calls each (the list is in CliMain.cpp).
void RegisterMacBinaryCommands(TCliCommands& commands); // info, tomacbin2, strip, datafork
void RegisterCrcCommands(TCliCommands& commands);       // crc
void RegisterCheckCommands(TCliCommands& commands);     // check
void RegisterScanCommands(TCliCommands& commands);      // scan
void RegisterForkCommands(TCliCommands& commands);      // rsrc, appledouble, applesingle, extract, encode
void RegisterResourceCommands(TCliCommands& commands);  // resources, resource, vers
void RegisterImageCommands(TCliCommands& commands);     // image list, image check, image extract

// The MacBinary commands (CliMacBinary.cpp) over their operands: the files for info, IN and OUT for
// the conversions.
int CliInfo(const TCliContext& context, const TCliArgs& args, TMacEncoding nameEncoding = TMacEncoding::Auto);
int CliToMacBin2(const TCliContext& context, const TCliArgs& args);
int CliStrip(const TCliContext& context, const TCliArgs& args);
int CliDataFork(const TCliContext& context, const TCliArgs& args);
// info --json (CliInfoJson.cpp).
int CliInfoJson(const TCliContext& context, const TCliArgs& files,
                TMacEncoding nameEncoding = TMacEncoding::Auto);

// "kelda-cli: <what>: <message>" on the error stream.
void CliReport(const TCliContext& context, const std::string& what, const std::string& message);

// Whether out is there already (a link counts) and is not source itself; reports it. The outputs
// of an -o folder are kept unless -f; the source is left to the conversion, which refuses it with
// its own message.
bool CliOutputExists(const TCliContext& context, const std::filesystem::path& source,
                     const std::filesystem::path& out);

// Whether the output operand out stands for the file one of the input operands stands for; reports
// it ("Can not write over the source file"). Names are judged by the files they lead to (device and
// inode, links followed) and "-" by the file behind standard input or output (InFile, OutFile), so
// that "strip IN - 1<>IN" and "strip - IN <IN" are refused as "strip IN IN" is. Only regular files
// count: a terminal or a pipe holds nothing to lose. Every writing command asks this before it
// writes; the core guards its named files again as it opens them.
bool CliWritesOverSource(const TCliContext& context, std::initializer_list<std::string> inputs,
                         const std::string& out);

// The outputs a batch has written so far, and from which input: two inputs of one name (in1/x.bin,
// in2/x.bin) would otherwise give one output, the second replacing the first even with -f, which only
// ever replaces files that were there before the run.
class TRunOutputs {
public:
    // Whether out is a file this run wrote; reports it ("This run wrote it from IN already").
    bool WrittenBefore(const TCliContext& context, const std::filesystem::path& out) const;
    // Notes out (when it is there) as written from in.
    void Add(const std::filesystem::path& out, const std::string& in);

private:
    std::vector<std::pair<TFileStat, std::string>> written_;
};

// The folder of outputDir at relative (a walked file's folder below its operand, TWalkEntry), made
// as needed; a part that is there as no folder, or as a link, is refused (EFileError): outputs are
// never written through a link.
std::filesystem::path CliOutputFolder(const std::filesystem::path& outputDir,
                                      const std::filesystem::path& relative);

// A batch's last line: "command: N files: W written, F failed" (", S skipped" when some were).
void CliBatchSummary(const TCliContext& context, const std::string& command, std::size_t total,
                     std::size_t failed, std::size_t skipped);

// The text of an error in the language asked for (a file error in English or Japanese).
std::string CliErrorText(const TCliContext& context, const std::exception& e);

// Runs one step on file: its status, or kCliFailure once an error it throws is reported (in the
// language asked for, under the name of the file that failed: file, or the output when writing it
// failed). A stop on the user's request (ECancelled) ends the whole command.
int CliGuarded(const TCliContext& context, const std::string& file, const std::function<int()>& step);

// Runs a whole command line (argv without the program name). Work stopped on the user's request
// leaves no partial output and gives kCliFailure. A command that returns kCliUsage has reported
// what is wrong; CliMain adds its usage line and where to find help.
int CliMain(const TCliArgs& argv, std::ostream& out, std::ostream& err, const TCliTerminal& terminal = {});

} // namespace kelda
