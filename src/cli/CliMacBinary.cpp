// The MacBinary commands of kelda-cli: info, tomacbin2, strip, datafork.
#include "app/Language.h"
#include "cli/Cli.h"
#include "macbinary/Conversion.h"
#include "macbinary/HeaderPieces.h"
#include "macbinary/LogBlock.h"
#include "macbinary/SourceShortfall.h"
#include "util/TFileStream.h"

#include <filesystem>
#include <functional>
#include <optional>
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

using TConvertFn = std::function<TConvertStatus(const THeader& header, const std::string& in,
                                                const std::string& out, const ProgressFn& progress)>;

// shortfall: the part whose end the source must reach, for the outputs that lack it otherwise.
int Convert(const TCliContext& context, const TCliArgs& args, const TConvertFn& convert,
            std::optional<TOutputPart> shortfall = std::nullopt) {
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
            status = convert(header, in, out, progress.Fn());
        }
        if (status == TConvertStatus::SourceIsOutput) {
            CliReport(context, out, MessageText(TMsg::CannotWriteOverSource, context.Japanese));
            return kCliFailure;
        }
        if (shortfall) {
            if (const std::int64_t missing = SourceShortfall(header, FileSizeOf(in), *shortfall);
                missing > 0) {
                CliReport(context, in, ShortfallMessage(*shortfall, missing, context.Japanese));
                return kCliSourceTruncated;
            }
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
            for (const std::string& line : BuildLogBlock(file, header, FileSizeOf(file))) {
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
        [](const THeader& header, const std::string& in, const std::string& out, const ProgressFn& progress) {
            return WriteMacBinaryII(MacBinaryIIForm(header), in, out, progress);
        });
}

int CliStrip(const TCliContext& context, const TCliArgs& args) {
    return Convert(
        context, args,
        [](const THeader&, const std::string& in, const std::string& out, const ProgressFn& progress) {
            return WriteWithoutHeader(in, out, progress);
        },
        TOutputPart::Forks);
}

int CliDataFork(const TCliContext& context, const TCliArgs& args) {
    return Convert(
        context, args,
        [](const THeader& header, const std::string& in, const std::string& out, const ProgressFn& progress) {
            return WriteDataFork(in, HeaderInteger(header, kOffsetDataForkLength), out, progress);
        },
        TOutputPart::DataFork);
}

} // namespace kelda
