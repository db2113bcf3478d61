// The MacBinary commands of kelda-cli: info, tomacbin2, strip, datafork.
#include "app/Language.h"
#include "cli/Cli.h"
#include "macbinary/Conversion.h"
#include "macbinary/HeaderPieces.h"
#include "macbinary/LogBlock.h"
#include "util/TFileStream.h"
#include "util/VisibleText.h"

#include <filesystem>
#include <functional>
#include <ostream>
#include <system_error>

namespace kelda {

namespace {

// Reads and tests the header of file; reports and returns false when that fails.
bool ReadMacBinaryHeader(const TCliContext& context, const std::string& file, THeader& header) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        CliReport(context, file, MessageText(TMsg::FileNotFound, context.Japanese));
        return false;
    }
    ReadHeader(file, header);
    if (!IsMacBinary(header)) {
        CliReport(context, file, MessageText(TMsg::NotMacBinary, context.Japanese));
        return false;
    }
    return true;
}

using TConvertFn =
    std::function<TConvertStatus(const THeader& header, const std::string& in, const std::string& out,
                                 const ProgressFn& progress, bool replaceReadOnly)>;

int Convert(const TCliContext& context, const TCliArgs& args, const TConvertFn& convert) {
    if (args.size() != 2) {
        context.Err << "kelda-cli: expected IN and OUT\n";
        return kCliUsage;
    }
    const std::string& in = args[0];
    const std::string& out = args[1];
    return CliGuarded(context, in, [&] {
        THeader header{};
        if (!ReadMacBinaryHeader(context, in, header)) {
            return kCliFailure;
        }
        TConvertStatus status{};
        {
            const TCliProgress::TScope progress(context.Progress, in);
            status = convert(header, in, out, progress.Fn(), context.Force);
        }
        if (status == TConvertStatus::SourceIsOutput) {
            CliReport(context, out, MessageText(TMsg::CannotWriteOverSource, context.Japanese));
            return kCliFailure;
        }
        if (status == TConvertStatus::OutputReadOnly) {
            CliReport(context, out, MessageText(TMsg::OutputReadOnly, context.Japanese));
            return kCliFailure;
        }
        return kCliOk;
    });
}

} // namespace

int CliInfo(const TCliContext& context, const TCliArgs& args) {
    if (args.empty()) {
        context.Err << "kelda-cli: info needs at least one FILE\n";
        return kCliUsage;
    }
    int status = kCliOk;
    for (const std::string& file : args) {
        const int one = CliGuarded(context, file, [&] {
            THeader header{};
            if (!ReadMacBinaryHeader(context, file, header)) {
                return kCliFailure;
            }
            // A name inside a hostile file must not forge lines or reach the terminal as commands; the
            // file name is the user's own and comes out byte for byte.
            for (const std::string& line : BuildLogBlock(file, header, FileSizeOf(file), EscapeControls)) {
                context.Out << line << '\n';
            }
            return kCliOk;
        });
        if (one != kCliOk) {
            status = kCliFailure;
        }
    }
    return status;
}

int CliToMacBin2(const TCliContext& context, const TCliArgs& args) {
    return Convert(
        context, args,
        [](const THeader& header, const std::string& in, const std::string& out, const ProgressFn& progress,
           bool force) { return WriteMacBinaryII(MacBinaryIIForm(header), in, out, progress, force); });
}

int CliStrip(const TCliContext& context, const TCliArgs& args) {
    return Convert(context, args,
                   [](const THeader&, const std::string& in, const std::string& out,
                      const ProgressFn& progress,
                      bool force) { return WriteWithoutHeader(in, out, progress, force); });
}

int CliDataFork(const TCliContext& context, const TCliArgs& args) {
    return Convert(context, args,
                   [](const THeader& header, const std::string& in, const std::string& out,
                      const ProgressFn& progress, bool force) {
                       return WriteDataFork(in, HeaderInteger(header, kOffsetDataForkLength), out, progress,
                                            force);
                   });
}

} // namespace kelda
