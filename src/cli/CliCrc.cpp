// SPDX-License-Identifier: MIT
// The CRC command of kelda-cli: the CRC page's result lines for files, as JSON with --json, and
// the check of such lines against the files they name with --check.
#include "app/Language.h"
#include "cli/Cli.h"
#include "cli/CliJson.h"
#include "cli/CliText.h"
#include "cli/TCliCommands.h"
#include "cli/TCliInput.h"
#include "crc/CrcAllPass.h"
#include "crc/CrcPage.h"
#include "crc/CrcUtils.h"
#include "util/TFileStream.h"
#include "util/VisibleText.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <limits>
#include <optional>
#include <ostream>
#include <span>
#include <sstream>
#include <string_view>
#include <vector>

namespace kelda {

namespace {

// The variant the CRC page's list is most often used for: "CRC32 ITU-T, RIGHT, NEG".
constexpr int kDefaultCrcVariant = 10;

struct TCrcOptions {
    bool All = false;
    int Variant = kDefaultCrcVariant;
    bool Json = false;
    bool Check = false;         // --check: the operands are sum files
    TCliArgs Files;             // the files, or with --check the sum files
    bool Quiet = false;         // --check: no line for a file that is OK
    bool Status = false;        // --check: no line at all, the exit status says it
    bool IgnoreMissing = false; // --check: a file that does not exist is neither said nor a failure
};

struct TCrcValue {
    std::size_t Variant; // index in CrcVariants
    std::uint32_t Value;
};

// The engines of one run, each built when first asked for: building one (its tables and folding
// constants) costs far more than the CRC of a small file, so a run over many files builds each once.
class TCrcEngineCache {
public:
    TCrc& One(std::size_t variant) {
        std::unique_ptr<TCrc>& engine = engines_[variant];
        if (!engine) {
            engine = MakeCrcEngine(CrcVariants[variant]);
        }
        return *engine;
    }
    // All twelve, in the list's order.
    std::span<const std::unique_ptr<TCrc>> All() {
        for (std::size_t i = 0; i < CrcVariantCount; ++i) {
            One(i);
        }
        return engines_;
    }

private:
    std::array<std::unique_ptr<TCrc>, CrcVariantCount> engines_;
};

// The CRCs of the chosen variants over one reading of file, in the order asked.
// size receives how many bytes were read.
std::vector<TCrcValue> ComputeCrcs(const TCliContext& context, TCrcEngineCache& engines,
                                   const std::string& label, const std::filesystem::path& file,
                                   const std::vector<std::size_t>& variants, std::int64_t* size = nullptr) {
    const TCliProgress::TScope progress(context.Progress, label);
    std::vector<TCrcValue> values;
    if (variants.size() == 1) {
        values.push_back(
            {variants.front(), CrcFile(engines.One(variants.front()), file, progress.Fn(), size)});
        return values;
    }
    const std::span<const std::unique_ptr<TCrc>> all = engines.All();
    CrcFileAll(all, file, progress.Fn(), size);
    for (const std::size_t v : variants) {
        values.push_back({v, all[v]->Value()});
    }
    return values;
}

// The same over standard input, folded as it comes: a pipe is read once, in large blocks, and never
// stored. size receives its length.
std::vector<TCrcValue> StreamCrcs(const TCliContext& context, const std::vector<std::size_t>& variants,
                                  std::int64_t& size) {
    const TCliProgress::TScope progress(context.Progress, std::string(kCliStdStream));
    const ProgressFn report = progress.Fn();
    std::vector<std::unique_ptr<TCrc>> engines;
    for (const std::size_t v : variants) {
        engines.push_back(MakeCrcEngine(CrcVariants[v]));
    }
    TCrcAllPass pass(engines);
    pass.Init();
    size = 0;
    if (context.In != nullptr) {
        ReadAllOf(*context.In, CrcReadBlockSize, [&](const char* data, std::size_t got) {
            pass.Calc(reinterpret_cast<const std::uint8_t*>(data), got);
            size += static_cast<std::int64_t>(got);
            if (report && !report(size, -1)) {
                throw ECancelled();
            }
        });
    }
    pass.Finish();
    std::vector<TCrcValue> values;
    for (std::size_t i = 0; i < variants.size(); ++i) {
        values.push_back({variants[i], engines[i]->Value()});
    }
    return values;
}

std::vector<std::size_t> ChosenVariants(const TCrcOptions& options) {
    std::vector<std::size_t> variants;
    if (options.All) {
        for (std::size_t i = 0; i < CrcVariantCount; ++i) {
            variants.push_back(i);
        }
    } else {
        variants.push_back(static_cast<std::size_t>(options.Variant));
    }
    return variants;
}

void WriteText(const TCliContext& context, const std::string& file, const std::vector<TCrcValue>& values) {
    for (const TCrcValue& value : values) {
        const TCrcVariant& v = CrcVariants[value.Variant];
        // A name that needs escapes (a line break, a backslash, a control) is written escaped on a
        // line that starts with a backslash, as sha256sum does, so the line stays one line and
        // crc -c reads the name back.
        const std::string name = EscapeSumName(file);
        // Sum lines are bytes for crc -c to read back, in any locale: never converted.
        CliRawOut(context) << (name == file ? "" : "\\") << CrcResultLine(v.Entry, v.Width, value.Value, name)
                           << '\n';
    }
}

TCliJson CrcJson(const std::string& file, std::int64_t size, const std::vector<TCrcValue>& values) {
    TCliJson object = CliJsonObject("kelda-cli.crc", file);
    object["size"] = size;
    TCliJson crcs = TCliJson::array();
    for (const TCrcValue& value : values) {
        const TCrcVariant& v = CrcVariants[value.Variant];
        crcs.push_back({{"index", v.Index},
                        {"variant", std::string(v.Entry)},
                        {"width", v.Width},
                        {"value", HexValue(value.Value, v.Width)}});
    }
    object["crcs"] = std::move(crcs);
    return object;
}

int CrcOneFile(const TCliContext& context, TCrcEngineCache& engines, const std::string& file,
               const TCrcOptions& options) {
    std::string error;
    try {
        std::vector<TCrcValue> values;
        std::int64_t size = 0;
        if (file == kCliStdStream) {
            values = StreamCrcs(context, ChosenVariants(options), size);
        } else {
            const TCliInput input(context, file);
            error = input.Problem(context);
            if (error.empty()) {
                values = ComputeCrcs(context, engines, file, input.Path(), ChosenVariants(options), &size);
            }
        }
        if (error.empty()) {
            if (options.Json) {
                CliWriteJson(context, CrcJson(file, size, values));
            } else {
                WriteText(context, file, values);
            }
            return kCliOk;
        }
    } catch (const ECancelled&) {
        throw;
    } catch (const std::exception& e) {
        error = CliErrorText(context, e);
    }
    CliReport(context, file, error);
    if (options.Json) {
        TCliJson object = CliJsonObject("kelda-cli.crc", file);
        object["error"] = error;
        CliWriteJson(context, object);
    }
    return kCliFailure;
}

// One line that crc writes: variant text, TAB, value, TAB, name.
struct TSumLine {
    std::size_t Variant;
    std::uint32_t Value;
    std::string Name;
};

std::optional<TSumLine> ParseSumLine(std::string_view line) {
    const bool escaped = !line.empty() && line.front() == '\\';
    if (escaped) {
        line.remove_prefix(1);
    }
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string_view::npos || tab2 + 1 >= line.size()) {
        return std::nullopt;
    }
    const std::string_view entry = line.substr(0, tab1);
    const std::string_view hex = line.substr(tab1 + 1, tab2 - tab1 - 1);
    for (const TCrcVariant& v : CrcVariants) {
        if (v.Entry != entry) {
            continue;
        }
        if (hex.size() != static_cast<std::size_t>(v.Width / 4)) {
            return std::nullopt;
        }
        std::uint32_t value = 0;
        for (const char c : hex) {
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) {
                return std::nullopt;
            }
            value = (value << 4) | static_cast<std::uint32_t>(digit);
        }
        std::string name(line.substr(tab2 + 1));
        if (escaped) {
            std::optional<std::string> unescaped = UnescapeSumName(name);
            if (!unescaped) {
                return std::nullopt;
            }
            name = std::move(*unescaped);
        }
        return TSumLine{static_cast<std::size_t>(v.Index), value, std::move(name)};
    }
    return std::nullopt;
}

// How one file of a sum file came out: 0 all match, 1 one differs, 2 cannot be read, 3 missing
// and ignored.
enum class TSumResult { Ok, Failed, Unreadable, Ignored };

// The JSON of one checked file: "ok", "failed", "unreadable" (with the reason).
void CheckResultJson(const TCliContext& context, const std::string& name, std::string_view result,
                     const std::string& error = {}) {
    TCliJson object = CliJsonObject("kelda-cli.crc-check", name);
    object["result"] = result;
    if (!error.empty()) {
        object["error"] = error;
    }
    CliWriteJson(context, object);
}

// Checks the lines of one file (consecutive lines of the same name, as crc --all writes them).
TSumResult CheckOneFile(const TCliContext& context, TCrcEngineCache& engines, const TCrcOptions& options,
                        const std::string& name, const std::vector<TSumLine>& lines) {
    std::vector<std::size_t> variants;
    for (const TSumLine& line : lines) {
        variants.push_back(line.Variant);
    }
    if (options.IgnoreMissing && name != kCliStdStream) {
        std::error_code ec;
        if (!std::filesystem::exists(std::filesystem::symlink_status(name, ec))) {
            return TSumResult::Ignored;
        }
    }
    const bool say = !options.Status && !options.Json;
    std::string error;
    try {
        const TCliInput input(context, name);
        error = input.Problem(context);
        if (error.empty()) {
            const std::vector<TCrcValue> values = ComputeCrcs(context, engines, name, input.Path(), variants);
            bool same = true;
            for (std::size_t i = 0; i < lines.size(); ++i) {
                same = same && values[i].Value == lines[i].Value;
            }
            if (options.Json) {
                CheckResultJson(context, name, same ? "ok" : "failed");
            } else if (say && !(same && options.Quiet)) {
                context.Out << EscapeControls(name) << ": " << (same ? "OK" : "FAILED") << '\n';
            }
            return same ? TSumResult::Ok : TSumResult::Failed;
        }
    } catch (const ECancelled&) {
        throw;
    } catch (const std::exception& e) {
        error = CliErrorText(context, e);
    }
    if (options.Json) {
        CheckResultJson(context, name, "unreadable", error);
    } else if (say) {
        CliReport(context, name, error);
        context.Out << EscapeControls(name) << ": " << CliText(TCliMsg::CheckUnreadable, context.Japanese)
                    << '\n';
    }
    return TSumResult::Unreadable;
}

// A sum line holds a variant's name, a TAB, at most eight digits, a TAB and a file name. A file
// that crc could read has a name shorter than PATH_MAX (4096 bytes on Linux; open refuses longer
// ones), so no line crc writes is longer than that and the fields. Longer lines are not read into
// memory: a sum file of one endless line costs no more than a short one.
constexpr std::size_t kMaxSumLine = 4096 + 64;
// How much of an over-long line its report shows.
constexpr std::size_t kShownLongLine = 60;

enum class TSumRead { End, Line, TooLong };

// The next line of in without its LF, at most kMaxSumLine bytes; the rest of a longer line is
// skipped unread (TooLong, line then holds its first bytes).
TSumRead ReadSumLine(std::istream& in, std::string& line) {
    line.clear();
    std::streambuf* buffer = in.rdbuf();
    for (;;) {
        const int c = buffer->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            return line.empty() ? TSumRead::End : TSumRead::Line;
        }
        if (c == '\n') {
            return TSumRead::Line;
        }
        if (line.size() == kMaxSumLine) {
            in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
            return TSumRead::TooLong;
        }
        line.push_back(static_cast<char>(c));
    }
}

// The start of an over-long line for its report: the name when the line has the fields before it,
// cut at a character's start and with control characters escaped.
std::string LongLineShown(std::string_view line) {
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 != std::string_view::npos) {
        line.remove_prefix(tab2 + 1);
    }
    std::size_t cut = std::min(line.size(), kShownLongLine);
    while (cut > 0 && cut < line.size() && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) {
        --cut; // not inside a UTF-8 character
    }
    return EscapeControls(line.substr(0, cut)) + "...";
}

int CrcCheck(const TCliContext& context, TCrcEngineCache& engines, const TCrcOptions& options,
             const std::string& sumFile) {
    // Standard input is read as it comes: the lines are read once, in order.
    std::optional<std::ifstream> file;
    if (sumFile != kCliStdStream) {
        if (const std::string problem = TCliInput(context, sumFile).Problem(context); !problem.empty()) {
            CliReport(context, sumFile, problem);
            return kCliFailure;
        }
        file.emplace(sumFile, std::ios::binary);
        if (!*file) {
            throw EFileError::openFailed(sumFile, errno);
        }
    }
    std::istringstream none;
    std::istream& in = file ? *file : context.In != nullptr ? *context.In : none;
    std::size_t badLines = 0, good = 0, mismatches = 0, unreadable = 0, checked = 0, lineNumber = 0;
    std::vector<TSumLine> group;
    const auto flush = [&] {
        if (group.empty()) {
            return;
        }
        const TSumResult result = CheckOneFile(context, engines, options, group.front().Name, group);
        mismatches += result == TSumResult::Failed ? 1 : 0;
        unreadable += result == TSumResult::Unreadable ? 1 : 0;
        checked += result == TSumResult::Ignored ? 0 : 1;
        group.clear();
    };
    std::string line;
    for (TSumRead read; context.Out && (read = ReadSumLine(in, line)) != TSumRead::End;) {
        ++lineNumber;
        if (read == TSumRead::TooLong) {
            CliReport(
                context, sumFile,
                CliText(TCliMsg::CheckLongLine, context.Japanese,
                        {std::to_string(lineNumber), std::to_string(kMaxSumLine), LongLineShown(line)}));
            ++badLines;
            continue;
        }
        if (line.ends_with('\r')) {
            line.pop_back(); // a list saved with CR LF
        }
        std::optional<TSumLine> parsed = ParseSumLine(line);
        if (!parsed) {
            badLines += line.empty() ? 0 : 1;
            continue;
        }
        ++good;
        if (!group.empty() && group.front().Name != parsed->Name) {
            flush();
        }
        group.push_back(std::move(*parsed));
    }
    if (in.bad()) {
        throw EFileError::inOut(EIO, sumFile);
    }
    flush();
    const bool japanese = context.Japanese;
    // With --ignore-missing a list none of whose files is there has checked nothing: that is no
    // success, or a list read in the wrong folder would pass.
    if (options.Status) {
        return checked > 0 && mismatches == 0 && unreadable == 0 ? kCliOk : kCliFailure;
    }
    if (good == 0) {
        context.Err << "kelda-cli: " << CliText(TCliMsg::CheckNoLines, japanese, {sumFile}) << '\n';
        return kCliFailure;
    }
    if (checked == 0) {
        context.Err << "kelda-cli: " << CliText(TCliMsg::CheckUnverified, japanese, {sumFile}) << '\n';
        return kCliFailure;
    }
    if (badLines > 0) {
        context.Err << "kelda-cli: "
                    << CliText(TCliMsg::CheckBadLines, japanese, {sumFile, std::to_string(badLines)}) << '\n';
    }
    if (unreadable > 0) {
        context.Err << "kelda-cli: "
                    << CliText(TCliMsg::CheckUnreadables, japanese, {std::to_string(unreadable)}) << '\n';
    }
    if (mismatches > 0) {
        context.Err << "kelda-cli: "
                    << CliText(TCliMsg::CheckMismatches, japanese, {std::to_string(mismatches)}) << '\n';
    }
    // Lines that are no CRC lines are only pointed out: a list may carry notes.
    return mismatches == 0 && unreadable == 0 ? kCliOk : kCliFailure;
}

int RunCrc(const TCliContext& context, const TCrcOptions& options) {
    TCrcEngineCache engines;
    if (options.Check) {
        // -c SUMFILE [SUMFILE...]: each in turn; the status is the worst.
        if (options.Files.empty()) {
            CliReport(context, "crc", CliText(TCliMsg::ParseRequired, context.Japanese, {"SUMFILE"}));
            return kCliUsage;
        }
        int status = kCliOk;
        for (const std::string& sumFile : options.Files) {
            if (CliGuarded(context, sumFile, [&] { return CrcCheck(context, engines, options, sumFile); }) !=
                kCliOk) {
                status = kCliFailure;
            }
        }
        return status;
    }
    if (options.Quiet || options.Status || options.IgnoreMissing) {
        CliReport(context, "crc", CliText(TCliMsg::CrcCheckAlone, context.Japanese));
        return kCliUsage;
    }
    if (options.Files.empty()) {
        CliReport(context, "crc", CliText(TCliMsg::ParseRequired, context.Japanese, {"FILE"}));
        return kCliUsage;
    }
    int status = kCliOk;
    for (const std::string& file : options.Files) {
        if (CrcOneFile(context, engines, file, options) != kCliOk) {
            status = kCliFailure;
        }
        if (!context.Out) {
            return kCliFailure; // standard output is gone: CliMain says so
        }
    }
    return status;
}

} // namespace

void RegisterCrcCommands(TCliCommands& commands) {
    TCrcOptions& options = commands.Store<TCrcOptions>();
    CLI::App& crc = commands.Add("crc", "The CRC page's result lines of each FILE, or their check",
                                 [&options](const TCliContext& context) { return RunCrc(context, options); });
    crc.add_flag("-a,--all", options.All, "All twelve variants, in the list's order (wins over --variant)");
    crc.add_option("-n,--variant", options.Variant,
                   "The variant's index in the list, 0-11 (default 10: CRC32 ITU-T, RIGHT, NEG)")
        ->check(CLI::Range(0, static_cast<int>(CrcVariantCount) - 1).description(""))
        ->type_name("N");
    crc.add_flag("--json", options.Json, "One JSON object per file and line (docs/cli-json.md)");
    // A flag, not an option with a value, so that the options of a check may stand between it and
    // the sum files: crc -c --ignore-missing SUMFILE.
    crc.add_flag("-c,--check", options.Check,
                 "Read the lines crc wrote to the operands, SUMFILEs (- for standard input), and say OK or "
                 "FAILED per file (with --json one object per file)");
    crc.add_flag("--quiet", options.Quiet, "--check: no line for a file that is OK");
    crc.add_flag("--status", options.Status, "--check: no output at all; the exit status says it");
    crc.add_flag("--ignore-missing", options.IgnoreMissing,
                 "--check: a listed file that is not there passes unsaid (none there at all fails)");
    crc.add_option("FILE", options.Files, "Files of any kind (- for standard input); with --check, sum files")
        ->type_name("");
}

} // namespace kelda
