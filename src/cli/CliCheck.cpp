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

TJson SpanJson(const TForkSpan& span) {
    return TJson{{"offset", span.Offset}, {"length", span.Length}, {"complete", span.Complete()}};
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

TJson ReportJson(const std::string& file, const TCheckReport& r, const THeader& header, bool japanese) {
    TJson j = CliJsonObject("kelda-cli.check", file);
    j["file"] = file;
    j["verdict"] = VerdictId(r.Verdict);
    const bool binHex = r.Container == TCheckContainer::BinHex;
    j["container"] = binHex                                     ? "binhex"
                     : r.Verdict == TCheckVerdict::NotMacBinary ? TJson(nullptr)
                                                                : TJson("macbinary");
    if (binHex) {
        TJson crcs = TJson::object();
        for (const TPartCrc& crc : r.PartCrcs) {
            crcs[std::string(crc.Id)] = TJson{{"stored", HexValue(crc.Stored, 16)},
                                              {"computed", HexValue(crc.Computed, 16)},
                                              {"ok", crc.Ok()}};
        }
        j["crcs"] = std::move(crcs);
        j["file_size"] = r.FileSize;
        j["data_fork"] = SpanJson(r.Layout.Data);
        j["resource_fork"] = SpanJson(r.Layout.Resource);
        j["name"] = r.Name;
        j["type"] = r.Type;
        j["creator"] = r.Creator;
        j["findings"] = FindingsJson(r, japanese);
        return j;
    }
    j["version"] = r.Version == TMacBinaryVersion::None ? TJson(nullptr) : TJson(VersionName(r.Version));
    j["crc_stored"] = HexValue(r.CrcStored, 16);
    j["crc_computed"] = HexValue(r.CrcComputed, 16);
    j["crc_ok"] = r.CrcOk;
    j["crc_variant"] = r.CrcOtherVariant
                           ? TJson(CrcVariants[static_cast<std::size_t>(*r.CrcOtherVariant)].Entry)
                           : TJson(nullptr);
    j["file_size"] = r.FileSize;
    j["data_fork"] = SpanJson(r.Layout.Data);
    j["resource_fork"] = SpanJson(r.Layout.Resource);
    j["comment"] = SpanJson(r.Layout.Comment);
    j["name"] = r.Name;
    j["name_hex"] = r.Verdict == TCheckVerdict::NotMacBinary ? "" : HexBytes(HeaderNameBytes(header));
    if (r.Verdict != TCheckVerdict::NotMacBinary) {
        j["name_encoding"] = MacEncodingId(r.NameEncoding);
        j["name_reason"] = MacNameReasonId(r.NameReason);
    }
    if (r.NameAmbiguous) {
        j["name_readings"] = TJson{{"mac_roman", r.NameRoman}, {"shift_jis", r.NameJapanese}};
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
            // "-": standard input, of which the report needs the header and the length only.
            const TCliInput input(context, file, TCliStreamNeed::HeaderAndSize);
            error = input.Problem(context);
            if (error.empty()) {
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
                TJson failed = CliJsonObject("kelda-cli.check", file);
                failed.update(TJson{{"file", file}, {"verdict", nullptr}, {"error", error}});
                context.Out << Dump(failed) << '\n';
            }
            status = kCliFailure;
            continue;
        }
        if (json) {
            context.Out << Dump(ReportJson(file, *report, header, context.Japanese)) << '\n';
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
