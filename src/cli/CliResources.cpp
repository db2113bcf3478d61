// SPDX-License-Identifier: MIT
// The resource commands of kelda-cli: resources (the map of each file, as lines or JSON lines),
// resource (one resource's bytes to a file) and vers (each file's short version string).
#include "app/InspectMessages.h"
#include "app/Language.h"
#include "cli/Cli.h"
#include "cli/CliJson.h"
#include "cli/CliMacFile.h"
#include "cli/CliText.h"
#include "cli/TCliCommands.h"
#include "cli/TCliInput.h"
#include "cli/TCliOutput.h"
#include "macbinary/Conversion.h"
#include "macbinary/TInspection.h"
#include "resources/FileVersion.h"
#include "resources/ResourceFork.h"
#include "resources/ResourceTexts.h"
#include "resources/VersResource.h"
#include "util/TFolder.h"
#include "util/VisibleText.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <system_error>

namespace kelda {

namespace {

struct TOpenedFork {
    std::unique_ptr<TCliInput> Input; // "-": the scratch copy of standard input, kept while File is open
    std::unique_ptr<TMacFileSource> Source;
    const TFileStream& File() const { return *Source->Resource().Stream; }
    TResourceFork Fork;
};

// Opens file through the model (any container KELDA reads) and reads its resource map, keeping the
// file open for the resources' data; reports the refusal and returns nothing when it is refused.
std::optional<TOpenedFork> OpenFork(const TCliContext& context, const std::string& file,
                                    TMacEncoding nameEncoding = TMacEncoding::Auto) {
    auto input = std::make_unique<TCliInput>(context, file);
    std::optional<TMacFileSource> source = CliOpenMacFile(context, file, *input, nameEncoding);
    if (!source) {
        return std::nullopt;
    }
    auto opened = std::make_unique<TMacFileSource>(std::move(*source));
    const TMacFile& model = opened->File();
    TResourceFork fork;
    if (const TFileStream* stream = opened->Resource().Stream) {
        fork = ReadResourceFork(*stream, model.Resource, MacFileTextEncoding(model, nameEncoding));
    }
    return TOpenedFork{std::move(input), std::move(opened), std::move(fork)};
}

void ReportFindings(const TCliContext& context, const std::string& file, const TResourceMap& map) {
    for (const TResourceFinding& f : map.Findings) {
        CliReport(context, file, f.Text(context.Japanese));
    }
    if (map.FindingsOmitted > 0) {
        CliReport(
            context, file,
            ResourceText(TResText::FindingsOmitted, context.Japanese, std::to_string(map.FindingsOmitted)));
    }
}

std::optional<TVersInfo> VersOf(const TOpenedFork& opened, const TResourceEntry& entry) {
    return DecodeVers(ReadResourceData(opened.File(), opened.Fork, entry, kVersReadLimit));
}

int BcdValue(std::uint8_t b) {
    return (b >> 4) * 10 + (b & 0x0F);
}

TCliJson VersJson(const TVersInfo& v) {
    return {{"version", v.NumberText()}, {"major", BcdValue(v.Major)}, {"minor", v.Minor},
            {"bugfix", v.Bugfix},        {"stage", v.StageName()},     {"release", BcdValue(v.Release)},
            {"region", v.Region},        {"short", v.ShortVersion},    {"long", v.LongVersion}};
}

// Text of a file name that may not be UTF-8: invalid bytes become U+FFFD in JSON.
std::string JsonLine(const TCliJson& j) {
    return j.dump(-1, ' ', false, TCliJson::error_handler_t::replace);
}

int ListResources(const TCliContext& context, const std::string& file, bool json, TMacEncoding nameEncoding) {
    const std::optional<TOpenedFork> opened = OpenFork(context, file, nameEncoding);
    if (!opened) {
        return kCliFailure;
    }
    const TResourceMap& map = opened->Fork.Map;
    for (const TResourceEntry& r : map.Resources) {
        std::optional<TVersInfo> vers;
        if (r.Type == ResType("vers")) {
            vers = VersOf(*opened, r);
        }
        if (json) {
            TCliJson j = CliJsonObject("kelda-cli.resources", file, kCliResourcesSchemaVersion);
            j["type"] = TCliJson{{"text", ResTypeText(r.Type)}, {"hex", HexBytes(FourCCBytes(r.Type))}};
            j["id"] = r.Id;
            j["name"] =
                r.HasName ? TCliJson{{"text", r.Name}, {"hex", HexBytes(r.NameBytes)}} : TCliJson(nullptr);
            j["attributes"] = r.Attributes;
            j["attribute_names"] = ResAttributeNames(r.Attributes);
            j["length"] = r.Length;
            j["complete"] = r.DataComplete;
            if (vers) {
                j["vers"] = VersJson(*vers);
            }
            context.Out << JsonLine(j) << '\n';
        } else {
            // file, type, ID, name, attributes, length: tab-separated, "-" for an empty field.
            const std::string attributes = ResAttributeNames(r.Attributes);
            // Every text from the file or its name with its controls shown: a TAB or LF there can
            // forge neither a column nor a line.
            context.Out << EscapeControls(file) << "\t'" << EscapeControls(ResTypeText(r.Type)) << "'\t"
                        << r.Id << '\t' << (r.HasName ? EscapeControls(r.Name) : "-") << '\t'
                        << (attributes.empty() ? "-" : attributes) << '\t' << r.Length;
            if (vers) {
                context.Out << '\t' << EscapeControls(vers->NumberText());
            }
            context.Out << '\n';
        }
    }
    ReportFindings(context, file, map);
    // A map that could not be read whole lists what it could, and the run says it failed.
    return map.Findings.empty() ? kCliOk : kCliFailure;
}

// A type given as its four characters, or as eight hex digits with "0x" before them.
bool TypeMatches(const TResType& type, const std::string& text) {
    if (text.size() == 10 && (text.starts_with("0x") || text.starts_with("0X"))) {
        std::string lower = text.substr(2);
        for (char& c : lower) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        return lower == ResTypeHex(type);
    }
    return ResTypeText(type) == text;
}

std::optional<std::int16_t> ParseId(const std::string& text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < -32768 || value > 32767) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(value);
}

int RunResources(const TCliContext& context, const TCliArgs& files, bool json, TMacEncoding nameEncoding) {
    int status = kCliOk;
    for (const std::string& file : files) {
        if (CliGuarded(context, file, [&] { return ListResources(context, file, json, nameEncoding); }) !=
            kCliOk) {
            status = kCliFailure;
        }
    }
    return status;
}

struct TResourceOperands {
    std::string File;
    std::string Type;
    std::string Id;
    std::string Out;
    bool Force = false;
};

int RunResource(const TCliContext& context, const TResourceOperands& operands) {
    const std::string& file = operands.File;
    const std::optional<std::int16_t> id = ParseId(operands.Id);
    if (!id) {
        CliReport(context, "resource", CliText(TCliMsg::ResourceIdRange, context.Japanese, {operands.Id}));
        return kCliUsage;
    }
    const std::string& out = operands.Out;
    return CliGuarded(context, file, [&] {
        const std::optional<TOpenedFork> opened = OpenFork(context, file);
        if (!opened) {
            return kCliFailure;
        }
        const TResourceEntry* found = nullptr;
        for (const TResourceEntry& r : opened->Fork.Map.Resources) {
            if (r.Id == *id && TypeMatches(r.Type, operands.Type)) {
                found = &r;
                break;
            }
        }
        if (found == nullptr || found->ForkOffset < 0) {
            CliReport(context, file,
                      ResourceText(TResText::ResourceNotFound, context.Japanese,
                                   "'" + operands.Type + "' " + operands.Id));
            return kCliFailure;
        }
        if (CliWritesOverSource(context, {file}, out)) {
            return kCliFailure;
        }
        TCliOutput stream(context, out);
        // The guards of every output: never the source as it was opened, a read-only file only
        // with -f (or the global --force).
        switch (SaveResource(opened->File(), opened->Fork, *found, stream.Path(),
                             operands.Force || context.Force)) {
        case TConvertStatus::SourceIsOutput:
            CliReport(context, out, MessageText(TMsg::CannotWriteOverSource, context.Japanese));
            return kCliFailure;
        case TConvertStatus::OutputReadOnly:
            CliReport(context, out, MessageText(TMsg::OutputReadOnly, context.Japanese));
            return kCliFailure;
        case TConvertStatus::Written:
            break;
        }
        if (!stream.Commit()) {
            return kCliFailure;
        }
        if (!found->DataComplete) {
            // What the file holds is written, and the user is told that it is not all.
            ReportFindings(context, file, opened->Fork.Map);
            return kCliFailure;
        }
        return kCliOk;
    });
}

struct TVersOptions {
    bool Json = false;
    TCliArgs Files;
};

int RunVers(const TCliContext& context, const TVersOptions& options) {
    const TCliArgs& files = options.Files;
    int status = kCliOk;
    for (const std::string& file : files) {
        const int one = CliGuarded(context, file, [&] {
            const std::optional<TOpenedFork> opened = OpenFork(context, file);
            if (!opened) {
                return kCliFailure;
            }
            const TResourceMap& map = opened->Fork.Map;
            const TResourceEntry* entry = FileVersEntry(map);
            std::optional<TVersInfo> vers;
            if (entry != nullptr) {
                vers = VersOf(*opened, *entry);
            }
            if (options.Json) {
                TCliJson j = CliJsonObject("kelda-cli.vers", file);
                j["id"] = entry != nullptr ? TCliJson(entry->Id) : TCliJson(nullptr);
                j["vers"] = vers ? VersJson(*vers) : TCliJson(nullptr);
                context.Out << JsonLine(j) << '\n';
            } else {
                context.Out << EscapeControls(file) << '\t'
                            << EscapeControls(vers ? vers->ShortVersion : std::string()) << '\n';
            }
            // No version because the map is damaged is no answer: say why, and fail.
            if (!vers && !map.Findings.empty()) {
                ReportFindings(context, file, map);
                return kCliFailure;
            }
            return kCliOk;
        });
        if (one != kCliOk) {
            status = kCliFailure;
        }
    }
    return status;
}

} // namespace

void RegisterResourceCommands(TCliCommands& commands) {
    struct TResourcesOptions {
        bool Json = false;
        TMacEncoding NameEncoding = TMacEncoding::Auto;
        TCliArgs Files;
    };
    TResourcesOptions& list = commands.Store<TResourcesOptions>();
    CLI::App& resources = commands.Add(
        "resources", "One line per resource of each MacBinary FILE: type, ID, name, attributes, length",
        [&list](const TCliContext& context) {
            return RunResources(context, list.Files, list.Json, list.NameEncoding);
        });
    resources.add_flag("--json", list.Json, "One JSON object per resource and line");
    AddNameEncodingOption(resources, list.NameEncoding);
    resources.add_option("FILE", list.Files, "MacBinary files (- for standard input)")
        ->required()
        ->type_name("");

    TResourceOperands& one = commands.Store<TResourceOperands>();
    CLI::App& resource =
        commands.Add("resource", "The bytes of one resource of FILE, written to OUT",
                     [&one](const TCliContext& context) { return RunResource(context, one); });
    resource
        .add_option("FILE", one.File,
                    "The Mac file: MacBinary, AppleSingle, AppleDouble or BinHex (- for standard input)")
        ->required()
        ->type_name("");
    resource.add_option("TYPE", one.Type, "Its four characters, or 0x and eight hex digits")
        ->required()
        ->type_name("");
    resource.add_option("ID", one.Id, "The resource ID, -32768 to 32767")->required()->type_name("");
    AddForceFlag(resource, one.Force);
    resource.add_option("OUT", one.Out, "The file to write (- for standard output; never the source)")
        ->required()
        ->type_name("");

    TVersOptions& vers = commands.Store<TVersOptions>();
    CLI::App& versCommand = commands.Add(
        "vers",
        "The short version string of each Mac FILE ('vers' 1, else 2, else the first), for inventories",
        [&vers](const TCliContext& context) { return RunVers(context, vers); });
    versCommand.add_flag("--json", vers.Json, "One JSON object per file: the resource's id and its fields");
    versCommand
        .add_option("FILE", vers.Files,
                    "Mac files: MacBinary, AppleSingle, AppleDouble, BinHex (- for standard input)")
        ->required()
        ->type_name("");
}

} // namespace kelda
