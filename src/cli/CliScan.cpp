// SPDX-License-Identifier: MIT
// scan PATH... [-r] [--json | --csv] [--hash] [-j N]: an inventory of a collection, one line per file.
#include "app/Language.h"
#include "cli/Cli.h"
#include "cli/CliJson.h"
#include "cli/CliText.h"
#include "cli/ScanFile.h"
#include "cli/TCliCommands.h"
#include "cli/TreeWalk.h"
#include "macbinary/HeaderTable.h"
#include "util/BilingualError.h"
#include "util/TFileStream.h"
#include "util/TFolder.h"
#include "util/VisibleText.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <iterator>
#include <memory>
#include <ostream>
#include <thread>
#include <vector>

namespace kelda {

namespace {

namespace fs = std::filesystem;

struct TScanOptions {
    TCliArgs Paths;
    bool Recursive = false;
    bool Json = false;
    bool Csv = false;
    bool Hash = false;
    TMacEncoding NameEncoding = TMacEncoding::Auto;
    unsigned Jobs = 0; // 0: one per core
};

// Files are read in batches of this many, in parallel, and written in the order found: memory stays
// bounded by one batch whatever the size of the tree.
constexpr std::size_t kBatch = 2048;

// At most this many folders are held open by the files of one batch: a batch is read before more
// are opened, so that a tree of many small folders stays far below the limit of open descriptors.
constexpr std::size_t kBatchFolders = 256;

// A path found by the walk: a file to read (Name in Folder), or an entry already judged (a link, an
// unreadable entry or folder).
struct TFound {
    std::string Path;
    bool Judged = false;
    TScanRow Row;
    std::shared_ptr<const TFolder> Folder;
    std::string Name;
};

std::string RawField(const THeader& header, int offset, int count) {
    return std::string(reinterpret_cast<const char*>(header.data()) + offset,
                       static_cast<std::size_t>(count));
}

TCliJson RowJson(const TScanRow& row, bool hash, bool japanese, TMacEncoding nameEncoding) {
    TCliJson o = CliJsonObject("kelda-cli.scan", row.Path, kCliScanSchemaVersion);
    o["size"] = row.Size;
    o["verdict"] = ScanVerdictWord(row.Verdict);
    const TCheckFinding* reason = row.Report ? row.Report->Reason() : nullptr;
    o["reason"] = reason != nullptr ? reason->Text(japanese) : row.Reason;
    if (reason != nullptr) {
        o["finding"] = reason->Id;
    }
    if (row.BinHex) {
        const TBinHexHeader& b = *row.BinHex;
        const TMacNameReading name = ReadMacName(b.Name, nameEncoding);
        o["container"] = "binhex";
        o["name"] = MacNameJson(b.Name, name);
        o["type"] = MacTextJson(FourCCBytes(b.Type), TMacEncoding::Roman);
        o["creator"] = MacTextJson(FourCCBytes(b.Creator), TMacEncoding::Roman);
        o["data_fork_length"] = b.DataLength;
        o["resource_fork_length"] = b.ResourceLength;
        o["header_crc_ok"] = !row.Report->PartCrcs.empty() && row.Report->PartCrcs.front().Ok();
        if (hash) {
            o["data_sha256"] = row.DataSha256;
            o["resource_sha256"] = row.ResourceSha256;
        }
    } else if (row.Accepted()) {
        const THeader& h = row.Header;
        o["container"] = "macbinary";
        const TMacEncoding encoding = HeaderTextEncoding(h, nameEncoding);
        o["version"] = VersionName(row.Report->Version);
        o["name"] = MacNameJson(h, nameEncoding);
        o["type"] = MacTextJson(RawField(h, kOffsetType, kFourCharCodeWidth), encoding);
        o["creator"] = MacTextJson(RawField(h, kOffsetCreator, kFourCharCodeWidth), encoding);
        o["created"] = FormatDateTime(MacDateToDateTime(HeaderUInt32(h, kOffsetCreated)), '-', ':');
        o["modified"] = FormatDateTime(MacDateToDateTime(HeaderUInt32(h, kOffsetModified)), '-', ':');
        o["data_fork_length"] = HeaderUInt32(h, kOffsetDataForkLength);
        o["resource_fork_length"] = HeaderUInt32(h, kOffsetResourceForkLength);
        o["header_crc_ok"] = row.Report->CrcOk;
        o["vers"] = row.Vers;
        if (hash) {
            o["data_sha256"] = row.DataSha256;
            o["resource_sha256"] = row.ResourceSha256;
        }
    }
    return o;
}

// A field of --csv: valid UTF-8 (bytes that are not become U+FFFD, as in the JSON), a text a
// spreadsheet would take for a formula (=, +, -, @, TAB or CR first) led by an apostrophe, and
// quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& raw) {
    std::string text = TCliJson::parse(TCliJson(raw).dump(-1, ' ', false, TCliJson::error_handler_t::replace))
                           .get<std::string>();
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos) {
        text.insert(text.begin(), '\'');
    }
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

// The columns of --csv (and the fields of --json they come from), before the digests of --hash.
constexpr const char* kCsvColumns[] = {
    "path",          "size",    "verdict", "reason",   "version",          "name",
    "type",          "creator", "created", "modified", "data_fork_length", "resource_fork_length",
    "header_crc_ok", "vers"};
// After them (and after the digests of --hash), so that the columns scripts know keep their places.
constexpr const char* kCsvTrailingColumns[] = {"path_hex", "finding"};

void WriteRow(const TCliContext& context, const TScanOptions& options, const TScanRow& row) {
    const TCliJson o = RowJson(row, options.Hash, context.Japanese, options.NameEncoding);
    if (options.Json) {
        CliWriteJson(context, o);
        return;
    }
    const auto field = [&o](const char* key) -> std::string {
        if (!o.contains(key)) {
            return "";
        }
        const TCliJson& v = o[key];
        if (v.is_object()) {
            return v["text"].get<std::string>();
        }
        return v.is_string() ? v.get<std::string>() : v.dump();
    };
    if (options.Csv) {
        std::string line;
        for (const char* key : kCsvColumns) {
            line += (line.empty() ? "" : ",") + CsvField(field(key));
        }
        if (options.Hash) {
            line += "," + field("data_sha256") + "," + field("resource_sha256");
        }
        for (const char* key : kCsvTrailingColumns) {
            line += "," + CsvField(field(key));
        }
        context.Out << line << '\n';
        return;
    }
    // Plain text: verdict, version, type/creator (else the reason), name, 'vers', path; TAB between.
    context.Out << field("verdict") << '\t' << field("version") << '\t'
                << EscapeControls(row.Accepted() ? field("type") + "/" + field("creator") : field("reason"))
                << '\t' << EscapeControls(field("name")) << '\t' << EscapeControls(field("vers")) << '\t'
                << EscapeControls(row.Path) << '\n';
}

class TScanner {
public:
    TScanner(const TCliContext& context, const TScanOptions& options) : context_(context), options_(options) {
        jobs_ = options.Jobs != 0 ? options.Jobs : std::max(1u, std::thread::hardware_concurrency());
        batch_.reserve(kBatch);
    }

    int Run() {
        if (options_.Csv) {
            for (const char* column : kCsvColumns) {
                context_.Out << (column == kCsvColumns[0] ? "" : ",") << column;
            }
            context_.Out << (options_.Hash ? ",data_sha256,resource_sha256" : "");
            for (const char* column : kCsvTrailingColumns) {
                context_.Out << ',' << column;
            }
            context_.Out << '\n';
        }
        for (const std::string& path : options_.Paths) {
            Walk(path);
        }
        Flush();
        if (progressShown_) {
            context_.Err << '\r' << std::string(progressWidth_, ' ') << '\r';
        }
        context_.Err << "kelda-cli: scan: "
                     << CliText(TCliMsg::ScanFiles, context_.Japanese, {std::to_string(total_)});
        for (std::size_t v = 0; v < counts_.size(); ++v) {
            context_.Err << (v == 0 ? " " : ", ") << counts_[v] << ' '
                         << ScanVerdictWord(static_cast<TScanVerdict>(v));
        }
        context_.Err << '\n';
        return counts_[static_cast<std::size_t>(TScanVerdict::Unreadable)] == 0 && !missing_ ? kCliOk
                                                                                             : kCliFailure;
    }

private:
    void Judged(const std::string& path, TScanVerdict verdict, std::string reason) {
        TFound found{path, true, {}, nullptr, {}};
        found.Row.Path = path;
        found.Row.Verdict = verdict;
        found.Row.Reason = std::move(reason);
        Add(std::move(found));
    }

    void Add(TFound found) {
        if (found.Folder != nullptr && found.Folder != lastFolder_) {
            lastFolder_ = found.Folder;
            ++batchFolders_;
        }
        batch_.push_back(std::move(found));
        if (batch_.size() == kBatch || batchFolders_ >= kBatchFolders) {
            Flush();
        }
    }

    // One operand, walked as every batch command walks it (TreeWalk.h).
    void Walk(const std::string& operand) {
        const TWalkRules rules{options_.Recursive};
        missing_ = !WalkOperand(context_, operand, rules, [this](TWalkEntry&& entry) {
            switch (entry.Kind) {
            case TWalkKind::File:
                Add({std::move(entry.Path), false, {}, std::move(entry.Folder), std::move(entry.Name)});
                break;
            case TWalkKind::Link:
                Judged(entry.Path, TScanVerdict::Link, std::move(entry.Reason));
                break;
            case TWalkKind::NotRegular:
            case TWalkKind::Unreadable:
                Judged(entry.Path, TScanVerdict::Unreadable, std::move(entry.Reason));
                break;
            }
        }) || missing_;
    }

    void Flush() {
        std::atomic<std::size_t> next{0};
        const auto work = [&] {
            std::vector<unsigned char> buffer;
            for (std::size_t i; (i = next.fetch_add(1)) < batch_.size();) {
                TFound& found = batch_[i];
                if (!found.Judged) {
                    found.Row = ScanFile(*found.Folder, found.Name, found.Path, options_.Hash,
                                         context_.Japanese, buffer);
                }
            }
        };
        {
            std::vector<std::jthread> threads;
            for (unsigned t = 1; t < jobs_ && t < batch_.size(); ++t) {
                threads.emplace_back(work);
            }
            work();
        }
        for (const TFound& found : batch_) {
            WriteRow(context_, options_, found.Row);
            ++counts_[static_cast<std::size_t>(found.Row.Verdict)];
            ++total_;
        }
        batch_.clear();
        lastFolder_.reset();
        batchFolders_ = 0;
        Progress();
    }

    void Progress() {
        if (context_.Progress == nullptr || !context_.Progress->Draws() || total_ == 0) {
            return;
        }
        const std::string line = "kelda-cli: scan: " + std::to_string(total_) + " files";
        context_.Err << '\r' << line << std::flush;
        progressWidth_ = line.size();
        progressShown_ = true;
    }

    const TCliContext& context_;
    const TScanOptions& options_;
    unsigned jobs_ = 1;
    std::vector<TFound> batch_;
    std::shared_ptr<const TFolder> lastFolder_; // the folder of the batch's last file
    std::size_t batchFolders_ = 0;              // folders the batch's files are in
    std::array<std::size_t, kScanVerdicts> counts_{};
    std::size_t total_ = 0;
    bool missing_ = false;
    bool progressShown_ = false;
    std::size_t progressWidth_ = 0;
};

} // namespace

void RegisterScanCommands(TCliCommands& commands) {
    TScanOptions& options = commands.Store<TScanOptions>();
    CLI::App& scan =
        commands.Add("scan", "Every file under each PATH: sound, damaged or not MacBinary, as check says",
                     [&options](const TCliContext& context) {
                         TScanner scanner(context, options);
                         return scanner.Run();
                     });
    scan.add_flag("-r,--recursive", options.Recursive,
                  "Every file below the folders (links are not followed)");
    CLI::Option* json = scan.add_flag("--json", options.Json, "One JSON object per file and line");
    scan.add_flag("--csv", options.Csv, "Comma-separated values with a header line")->excludes(json);
    scan.add_flag("--hash", options.Hash, "SHA-256 of each fork of the MacBinary files");
    AddNameEncodingOption(scan, options.NameEncoding);
    scan.add_option("-j,--jobs", options.Jobs, "Files read at once (default: one per core)")
        ->check(CLI::Range(1u, 256u).description(""))
        ->type_name("N");
    scan.add_option("PATH", options.Paths, "Files and folders")->required()->type_name("");
}

} // namespace kelda
