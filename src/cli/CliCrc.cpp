// The CRC command of kelda-cli: the CRC page's result lines for files.
#include "app/Language.h"
#include "cli/Cli.h"
#include "crc/CrcPage.h"
#include "crc/CrcUtils.h"
#include "util/TFileStream.h"

#include <charconv>
#include <ostream>
#include <string_view>

namespace kelda {

namespace {

// The variant the CRC page's list is most often used for: "CRC32 ITU-T, RIGHT, NEG".
constexpr int kDefaultCrcVariant = 10;

bool ParseVariant(std::string_view text, int& variant) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, variant);
    return ec == std::errc() && ptr == end && variant >= 0 && variant < static_cast<int>(CrcVariantCount);
}

int CrcOneFile(const TCliContext& context, const std::string& file, bool all, int variant) {
    if (!CrcFileExists(file)) {
        CliReport(context, file, MessageText(TMsg::FileNotFound, context.Japanese));
        return kCliFailure;
    }
    return CliGuarded(context, file, [&] {
        const TCliProgress::TScope progress(context.Progress, file);
        if (all) {
            for (const std::string& line : CrcAllResultLines(CrcFileAll(file, progress.Fn()), file)) {
                context.Out << line << '\n';
            }
        } else {
            const auto index = static_cast<std::size_t>(variant);
            const auto engine = MakeCrcEngine(CrcVariants[index]);
            context.Out << CrcVariantResultLine(index, CrcFile(*engine, file, progress.Fn()), file) << '\n';
        }
        return kCliOk;
    });
}

} // namespace

int CliCrc(const TCliContext& context, const TCliArgs& args) {
    bool all = false;
    int variant = kDefaultCrcVariant;
    bool endOfOptions = false;
    TCliArgs files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (endOfOptions || !arg.starts_with("-")) {
            files.push_back(arg);
        } else if (arg == "--") {
            endOfOptions = true;
        } else if (arg == "--all") {
            all = true;
        } else if (arg == "--variant" && i + 1 < args.size()) {
            if (!ParseVariant(args[++i], variant)) {
                context.Err << "kelda-cli: --variant takes a number from 0 to 11\n";
                return kCliUsage;
            }
        } else {
            context.Err << "kelda-cli: crc: unknown option " << arg << '\n';
            return kCliUsage;
        }
    }
    if (files.empty()) {
        context.Err << "kelda-cli: crc needs at least one FILE\n";
        return kCliUsage;
    }
    int status = kCliOk;
    for (const std::string& file : files) {
        if (CrcOneFile(context, file, all, variant) != kCliOk) {
            status = kCliFailure;
        }
    }
    return status;
}

} // namespace kelda
