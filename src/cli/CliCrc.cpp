// The CRC command of kelda-cli: the CRC page's result lines for files.
#include "app/Language.h"
#include "cli/Cli.h"
#include "cli/TCliCommands.h"
#include "crc/CrcPage.h"
#include "crc/CrcUtils.h"
#include "util/TFileStream.h"

#include <ostream>
#include <string_view>

namespace kelda {

namespace {

// The variant the CRC page's list is most often used for: "CRC32 ITU-T, RIGHT, NEG".
constexpr int kDefaultCrcVariant = 10;

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

void RegisterCrcCommands(TCliCommands& commands) {
    struct TCrcOptions {
        bool All = false;
        int Variant = kDefaultCrcVariant;
        TCliArgs Files;
    };
    TCrcOptions& options = commands.Store<TCrcOptions>();
    CLI::App& crc = commands.Add(
        "crc", "The CRC page's result lines of each FILE", [&options](const TCliContext& context) {
            int status = kCliOk;
            for (const std::string& file : options.Files) {
                if (CrcOneFile(context, file, options.All, options.Variant) != kCliOk) {
                    status = kCliFailure;
                }
            }
            return status;
        });
    crc.add_flag("-a,--all", options.All, "All twelve variants, in the list's order (wins over --variant)");
    crc.add_option("-n,--variant", options.Variant,
                   "The variant's index in the list, 0-11 (default 10: CRC32 ITU-T, RIGHT, NEG)")
        ->check(CLI::Range(0, static_cast<int>(CrcVariantCount) - 1).description(""))
        ->type_name("N");
    crc.add_option("FILE", options.Files, "Files of any kind")->required()->type_name("");
}

} // namespace kelda
