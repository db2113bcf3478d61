// The fork commands of kelda-cli: rsrc, appledouble, applesingle, extract and encode. "-" stands
// for standard input or output; such a stream goes through a temporary file, so the work itself
// always has a seekable file and never holds a fork in memory.
#include "app/Language.h"
#include "cli/Cli.h"
#include "forks/ForkExport.h"
#include "forks/MacBinaryEncoder.h"
#include "forks/MacDate.h"
#include "macbinary/HeaderPieces.h"
#include "util/TFileStream.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <unistd.h>
#include <vector>

namespace kelda {

namespace {

constexpr std::size_t kStreamBlock = std::size_t{1} << 16;

// A file in the temporary folder, removed when it goes.
class TCliTempFile {
public:
    TCliTempFile() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kelda-cli-XXXXXX").string();
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0) {
            throw EFileError::createFailed(pattern, errno);
        }
        ::close(fd);
        path_ = pattern;
    }
    ~TCliTempFile() {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    TCliTempFile(const TCliTempFile&) = delete;
    TCliTempFile& operator=(const TCliTempFile&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Standard input copied into a temporary file.
void CopyStdinTo(const std::filesystem::path& file) {
    TFileStream out(file, FileMode::Create);
    std::vector<char> buffer(kStreamBlock);
    while (std::cin.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) ||
           std::cin.gcount() > 0) {
        out.WriteBuffer(buffer.data(), static_cast<std::size_t>(std::cin.gcount()));
    }
    out.Close();
}

void CopyFileTo(const std::filesystem::path& file, std::ostream& out) {
    TFileStream in(file, FileMode::Read);
    std::vector<char> buffer(kStreamBlock);
    while (const std::size_t got = in.Read(buffer.data(), buffer.size())) {
        out.write(buffer.data(), static_cast<std::streamsize>(got));
    }
    out.flush();
}

// The command's options and operands. An option in valued takes the next word as its value.
struct TParsed {
    std::map<std::string, std::string> Values;
    std::set<std::string> Flags;
    std::vector<std::string> Operands;
};

std::optional<TParsed> Parse(const TCliContext& context, const TCliArgs& args,
                             const std::set<std::string>& valued, const std::set<std::string>& flags) {
    TParsed parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-" || !arg.starts_with("-")) {
            parsed.Operands.push_back(arg);
            continue;
        }
        std::string name = arg;
        std::optional<std::string> value;
        if (const auto eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (flags.count(name) != 0 && !value) {
            parsed.Flags.insert(name);
        } else if (valued.count(name) != 0) {
            if (!value) {
                if (i + 1 >= args.size()) {
                    context.Err << "kelda-cli: " << name << " needs a value\n";
                    return std::nullopt;
                }
                value = args[++i];
            }
            parsed.Values[name] = *value;
        } else {
            context.Err << "kelda-cli: unknown option " << arg << '\n';
            return std::nullopt;
        }
    }
    return parsed;
}

// The input: the file itself, or standard input through a temporary file.
class TCliInput {
public:
    explicit TCliInput(const std::string& name) : name_(name) {
        if (name == "-") {
            temp_.emplace();
            CopyStdinTo(temp_->Path());
        }
    }
    std::filesystem::path Path() const { return temp_ ? temp_->Path() : std::filesystem::path(name_); }

private:
    std::string name_;
    std::optional<TCliTempFile> temp_;
};

// The output: the file itself, or a temporary file that goes to standard output once complete.
class TCliOutput {
public:
    explicit TCliOutput(const std::string& name) : name_(name) {
        if (name == "-") {
            temp_.emplace();
        }
    }
    std::filesystem::path Path() const { return temp_ ? temp_->Path() : std::filesystem::path(name_); }
    void Finish(const TCliContext& context) const {
        if (temp_) {
            CopyFileTo(temp_->Path(), context.Out);
        }
    }

private:
    std::string name_;
    std::optional<TCliTempFile> temp_;
};

bool IsMacBinaryFile(const TCliContext& context, const std::string& shown,
                     const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        CliReport(context, shown, MessageText(TMsg::FileNotFound, context.Japanese));
        return false;
    }
    THeader header{};
    ReadHeader(file, header);
    if (!IsMacBinary(header)) {
        CliReport(context, shown, MessageText(TMsg::NotMacBinary, context.Japanese));
        return false;
    }
    return true;
}

// The status of the command for what a fork operation reported.
int Report(const TCliContext& context, const std::string& in, const std::string& out, TForkStatus status) {
    switch (status) {
    case TForkStatus::Written:
        return kCliOk;
    case TForkStatus::WrittenCut:
        CliReport(context, in, MessageText(TMsg::ForkCutWritten, context.Japanese));
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
    }
    return kCliFailure;
}

TCutPolicy Policy(const TParsed& parsed) {
    return parsed.Flags.count("--partial") != 0 ? TCutPolicy::WriteWhatExists : TCutPolicy::Refuse;
}

using TExportFn = TForkStatus (*)(const std::filesystem::path&, const std::filesystem::path&, TCutPolicy,
                                  const ProgressFn&);

int Export(const TCliContext& context, const TCliArgs& args, TExportFn run) {
    const auto parsed = Parse(context, args, {}, {"--partial"});
    if (!parsed || parsed->Operands.size() != 2) {
        if (parsed) {
            context.Err << "kelda-cli: expected IN and OUT\n";
        }
        return kCliUsage;
    }
    const std::string& in = parsed->Operands[0];
    const std::string& out = parsed->Operands[1];
    return CliGuarded(context, in, [&] {
        const TCliInput input(in);
        if (!IsMacBinaryFile(context, in, input.Path())) {
            return kCliFailure;
        }
        const TCliOutput output(out);
        TForkStatus status{};
        {
            const TCliProgress::TScope progress(context.Progress, in);
            status = run(input.Path(), output.Path(), Policy(*parsed), progress.Fn());
        }
        const int result = Report(context, in, out, status);
        if (status == TForkStatus::Written || status == TForkStatus::WrittenCut) {
            output.Finish(context);
        }
        return result;
    });
}

TForkStatus RunAppleDouble(const std::filesystem::path& in, const std::filesystem::path& out,
                           TCutPolicy policy, const ProgressFn& progress) {
    return ExportAppleFile(TAppleKind::Double, in, out, policy, progress);
}

TForkStatus RunAppleSingle(const std::filesystem::path& in, const std::filesystem::path& out,
                           TCutPolicy policy, const ProgressFn& progress) {
    return ExportAppleFile(TAppleKind::Single, in, out, policy, progress);
}

} // namespace

int CliRsrc(const TCliContext& context, const TCliArgs& args) {
    return Export(context, args, ExportResourceFork);
}

int CliAppleDouble(const TCliContext& context, const TCliArgs& args) {
    return Export(context, args, RunAppleDouble);
}

int CliAppleSingle(const TCliContext& context, const TCliArgs& args) {
    return Export(context, args, RunAppleSingle);
}

int CliExtract(const TCliContext& context, const TCliArgs& args) {
    const auto parsed = Parse(context, args, {"-o", "--rsrc"}, {"--partial"});
    if (!parsed || parsed->Operands.size() != 1) {
        if (parsed) {
            context.Err << "kelda-cli: extract needs one IN\n";
        }
        return kCliUsage;
    }
    TResourceForm form = TResourceForm::Sidecar;
    if (const auto it = parsed->Values.find("--rsrc"); it != parsed->Values.end()) {
        static const std::map<std::string, TResourceForm> kForms = {
            {"sidecar", TResourceForm::Sidecar},
            {"applesingle", TResourceForm::AppleSingle},
            {"raw", TResourceForm::Raw}};
        const auto form_ = kForms.find(it->second);
        if (form_ == kForms.end()) {
            context.Err << "kelda-cli: --rsrc is sidecar, applesingle or raw\n";
            return kCliUsage;
        }
        form = form_->second;
    }
    const auto dir = parsed->Values.count("-o") != 0 ? parsed->Values.at("-o") : std::string(".");
    const std::string& in = parsed->Operands[0];
    return CliGuarded(context, in, [&] {
        const TCliInput input(in);
        if (!IsMacBinaryFile(context, in, input.Path())) {
            return kCliFailure;
        }
        TExtractResult result;
        {
            const TCliProgress::TScope progress(context.Progress, in);
            result = Extract(input.Path(), dir, form, Policy(*parsed), progress.Fn());
        }
        const int status = Report(context, in, result.DataFile.string(), result.Status);
        if (result.Status == TForkStatus::Written || result.Status == TForkStatus::WrittenCut) {
            context.Out << result.DataFile.string() << '\n' << result.ResourceFile.string() << '\n';
        }
        return status;
    });
}

int CliEncode(const TCliContext& context, const TCliArgs& args) {
    const auto parsed =
        Parse(context, args, {"--version", "--rsrc", "--type", "--creator", "--name", "--date", "--encoding"},
              {"--no-sidecar"});
    if (!parsed || parsed->Operands.size() != 2) {
        if (parsed) {
            context.Err << "kelda-cli: expected DATA and OUT\n";
        }
        return kCliUsage;
    }
    TEncodeOptions options;
    const auto value = [&](const char* name) -> std::optional<std::string> {
        const auto it = parsed->Values.find(name);
        return it == parsed->Values.end() ? std::nullopt : std::optional<std::string>(it->second);
    };
    if (const auto v = value("--version")) {
        if (*v != "1" && *v != "2" && *v != "3") {
            context.Err << "kelda-cli: --version is 1, 2 or 3\n";
            return kCliUsage;
        }
        options.Version = *v == "1" ? 1 : *v == "2" ? 2 : 3;
    }
    if (const auto v = value("--encoding")) {
        if (*v != "roman" && *v != "japanese" && *v != "auto") {
            context.Err << "kelda-cli: --encoding is roman, japanese or auto\n";
            return kCliUsage;
        }
        options.NameEncoding = *v == "roman"      ? TMacEncoding::Roman
                               : *v == "japanese" ? TMacEncoding::Japanese
                                                  : TMacEncoding::Auto;
    }
    if (const auto v = value("--rsrc")) {
        options.Resource = std::filesystem::path(*v);
    }
    options.Name = value("--name");
    options.Type = value("--type");
    options.Creator = value("--creator");
    options.Date = value("--date");
    options.UseSidecar = parsed->Flags.count("--no-sidecar") == 0;
    const std::string& data = parsed->Operands[0];
    const std::string& out = parsed->Operands[1];
    return CliGuarded(context, data, [&] {
        if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != '\0') {
            options.SourceDateEpoch = ParseSourceDateEpoch(epoch);
            if (!options.SourceDateEpoch) {
                CliReport(context, "SOURCE_DATE_EPOCH", MessageText(TMsg::DateInvalid, context.Japanese));
                return kCliFailure;
            }
        }
        const TCliInput input(data);
        if (data == "-" && !options.Name) {
            options.Name = "untitled";
        }
        std::error_code ec;
        if (!std::filesystem::exists(input.Path(), ec)) {
            CliReport(context, data, MessageText(TMsg::FileNotFound, context.Japanese));
            return kCliFailure;
        }
        const TCliOutput output(out);
        TConvertStatus status{};
        {
            const TCliProgress::TScope progress(context.Progress, data);
            status = EncodeMacBinary(input.Path(), output.Path(), options, progress.Fn());
        }
        if (status == TConvertStatus::SourceIsOutput) {
            CliReport(context, out, MessageText(TMsg::CannotWriteOverSource, context.Japanese));
            return kCliFailure;
        }
        output.Finish(context);
        return kCliOk;
    });
}

} // namespace kelda
