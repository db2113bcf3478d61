// SPDX-License-Identifier: MIT
// The check command of kelda-cli: for each file, whether it is sound MacBinary, damaged MacBinary
// or probably no MacBinary at all (or sound or damaged BinHex 4.0), with the reasons; as text or as
// one JSON object per line.
#include "app/Language.h"
#include "cli/Cli.h"
#include "cli/CliJson.h"
#include "cli/TCliCommands.h"
#include "cli/TCliInput.h"
#include "crc/CrcUtils.h"
#include "forks/MacFileCheck.h"
#include "macbinary/CheckReportText.h"
#include "util/BilingualError.h"
#include "util/Progress.h"
#include "util/TFileStream.h"
#include "util/VisibleText.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <ostream>
#include <system_error>

namespace kelda {

namespace {

using TJson = nlohmann::ordered_json;

// One opening (read only) gives the size and the header (left zero for a file too short for one).
// length: the input's, when file holds its header only (TCliInput::Length).
TCheckReport CheckFile(const std::filesystem::path& file, std::optional<std::int64_t> length, THeader& header,
                       TMacEncoding nameEncoding) {
    const TFileStream in(file, FileMode::Read);
    return CheckMacFile(in, header, nameEncoding, length);
}

TJson FindingsJson(const TCheckReport& r, bool japanese) {
    TJson findings = TJson::array();
    for (const TCheckFinding& f : r.Findings) {
        findings.push_back(TJson{{"id", f.Id},
                                 {"severity", SeverityId(f.Severity)},
                                 {"field", f.Field.empty() ? TJson(nullptr) : TJson(f.Field)},
                                 {"text", f.Text(japanese)}});
    }
    return findings;
}

// The object of one file, in the vocabulary every command shares (docs/cli-json.md): size, the
// name object, header_crc, the parts' extents (none for a file that is no Mac file: what its
// "forks" would be says nothing).
TJson ReportJson(const std::string& file, const TCheckReport& r, bool japanese) {
    TJson j = CliJsonObject("kelda-cli.check", file, kCliCheckSchemaVersion);
    j["verdict"] = VerdictId(r.Verdict);
    const bool binHex = r.Container == TCheckContainer::BinHex;
    const bool macFile = binHex || r.Verdict != TCheckVerdict::NotMacBinary;
    j["container"] = binHex ? TJson("binhex") : macFile ? TJson("macbinary") : TJson(nullptr);
    j["version"] = r.Version == TMacBinaryVersion::None ? TJson(nullptr) : TJson(VersionName(r.Version));
    j["size"] = r.FileSize;
    // The name is what the header's bytes say, also for a file judged no MacBinary.
    if (macFile || !r.NameBytes.empty()) {
        j["name"] = MacNameJson(r.NameBytes, TMacNameReading{r.Name, r.NameEncoding, r.NameReason});
        if (r.NameAmbiguous) {
            j["name_readings"] = TJson{{"mac_roman", r.NameRoman}, {"shift_jis", r.NameJapanese}};
        }
    }
    if (macFile) {
        j["type"] = MacTextJson(r.Type, TMacEncoding::Roman);
        j["creator"] = MacTextJson(r.Creator, TMacEncoding::Roman);
    }
    if (binHex) {
        TJson crcs = TJson::object();
        for (const TPartCrc& crc : r.PartCrcs) {
            crcs[std::string(crc.Id)] = CrcPairJson(crc.Stored, crc.Computed);
        }
        j["crcs"] = std::move(crcs);
    } else {
        TJson crc = CrcPairJson(r.CrcStored, r.CrcComputed);
        crc["variant"] = r.CrcOtherVariant
                             ? TJson(CrcVariants[static_cast<std::size_t>(*r.CrcOtherVariant)].Entry)
                             : TJson(nullptr);
        j["header_crc"] = std::move(crc);
    }
    if (macFile) {
        j["data_fork"] = ForkSpanJson(r.Layout.Data);
        j["resource_fork"] = ForkSpanJson(r.Layout.Resource);
        if (!binHex) {
            j["comment"] = ForkSpanJson(r.Layout.Comment);
        }
    }
    j["findings"] = FindingsJson(r, japanese);
    return j;
}

// File names are bytes; a name that is no UTF-8 still gives a line of valid JSON.
std::string Dump(const TJson& j) {
    return j.dump(-1, ' ', false, TJson::error_handler_t::replace);
}

struct TCheckOptions {
    bool Json = false;
    TMacEncoding NameEncoding = TMacEncoding::Auto;
    TCliArgs Files;
};

int RunCheck(const TCliContext& context, const TCheckOptions& options) {
    const bool json = options.Json;
    const TCliArgs& files = options.Files;
    int status = kCliOk;
    for (const std::string& file : files) {
        std::string error;
        std::optional<TCheckReport> report;
        THeader header{};
        try {
            // "-": standard input, of which the report needs the header and the length only, unless
            // it is a BinHex text, which is judged by the CRCs over all of it.
            const TCliInput input(context, file, TCliStreamNeed::HeaderAndSizeUnlessBinHex);
            error = input.Stream() != nullptr ? std::string() : input.Problem(context);
            if (input.Stream() != nullptr) {
                report = CheckMacFile(*input.Stream(), header, options.NameEncoding, std::nullopt);
            } else if (error.empty()) {
                report = CheckFile(input.Path(), input.Length(), header, options.NameEncoding);
            }
        } catch (const ECancelled&) {
            throw;
        } catch (const EBilingualError& e) {
            error = context.Japanese ? e.what() : e.english();
        } catch (const std::exception& e) {
            error = e.what();
        }
        if (!report) {
            CliReport(context, file, error);
            if (json) {
                TJson failed = CliJsonObject("kelda-cli.check", file, kCliCheckSchemaVersion);
                failed["verdict"] = "unreadable";
                failed["error"] = error;
                context.Out << Dump(failed) << '\n';
            }
            status = kCliFailure;
            continue;
        }
        if (json) {
            context.Out << Dump(ReportJson(file, *report, context.Japanese)) << '\n';
        } else {
            context.Out << EscapeControls(file) << '\n';
            for (const std::string& line : CheckReportLines(*report, context.Japanese)) {
                context.Out << "  " << EscapeControls(line) << '\n';
            }
        }
        if (report->Verdict != TCheckVerdict::Sound) {
            status = kCliFailure;
        }
    }
    return status;
}

} // namespace

void RegisterCheckCommands(TCliCommands& commands) {
    TCheckOptions& options = commands.Store<TCheckOptions>();
    CLI::App& check =
        commands.Add("check", "Whether each FILE is sound, damaged or no MacBinary, and why",
                     [&options](const TCliContext& context) { return RunCheck(context, options); });
    check.add_flag("--json", options.Json, "One JSON object per file and line");
    AddNameEncodingOption(check, options.NameEncoding);
    check.add_option("FILE", options.Files, "Files to check (- for standard input)")
        ->required()
        ->type_name("");
}

} // namespace kelda
