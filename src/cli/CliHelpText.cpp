// SPDX-License-Identifier: MIT
#include "cli/CliHelpText.h"

#include <algorithm>
#include <array>
#include <map>
#include <string_view>

namespace kelda {

namespace {

struct THelpText {
    std::string_view English;
    std::string_view Japanese;
};

// Keyed by the English text exactly as the parser has it; a text added or changed there needs its
// Japanese text here (CliDocsTest fails on one without).
constexpr THelpText kHelpTexts[] = {
    {"Replace an output that is there already, even a read-only one (never the source)",
     "既にある出力を、読み取り専用でも置き換えます (元のファイルは置き換えません)"},
    {"With -o, every file below the folders among IN, as scan -r walks them (links are not followed, files "
     "that are not MacBinary are left out), into the same folders below DIR",
     "-o と共に: IN のうちフォルダの下の全てのファイルを scan -r と同じようにたどり "
     "(リンクはたどらず、MacBinary でないファイルは除きます)、DIR の下の同じフォルダに書きます"},
    {"With -o, every file below the folders among IN, as scan -r walks them (links are not followed, files "
     "extract does not read are left out), each extracted into the same folder below DIR",
     "-o と共に: IN のうちフォルダの下の全てのファイルを scan -r と同じようにたどり "
     "(リンクはたどらず、extract が読まないファイルは除きます)、それぞれ DIR "
     "の下の同じフォルダに取り出します"},
    {"Read the lines crc wrote to the operands, SUMFILEs (- for standard input), and say OK or FAILED per "
     "file (with --json one object per file)",
     "crc がオペランドの SUMFILE (- は標準入力) に書いた行を読み、ファイルごとに OK か FAILED を出します "
     "(--json なら 1 ファイル 1 オブジェクト)"},
    {"--check: a listed file that is not there passes unsaid (none there at all fails)",
     "--check: 一覧にあって無いファイルは何も言わずに通します (1 つも無ければ失敗)"},
    {"Files of any kind (- for standard input); with --check, sum files",
     "どんな種類のファイルでも (- は標準入力)。--check のときは SUMFILE"},
    {"Mac files (MacBinary, BinHex, AppleSingle, AppleDouble), HFS disk images and CRCs without the window.",
     "ウィンドウを使わずに Mac のファイル (MacBinary・BinHex・AppleSingle・AppleDouble)、HFS "
     "ディスクイメージと "
     "CRC を扱います。"},
    {"Run 'kelda-cli COMMAND --help' for a command's options.\nExit status: 0 done, every file sound or "
     "matched; 1 a file failed, was damaged or is not what\n  the command reads; 2 bad usage; 3 an output "
     "was "
     "written but its source ended before its\n  forks (--partial) or before a BinHex fork's CRC. Several "
     "files: the most serious status.",
     "コマンドのオプションは 'kelda-cli COMMAND --help' で表示します。\n終了ステータス: 0 完了 "
     "(どのファイルも"
     "健全か一致)、1 失敗したファイル、壊れたファイル、\n  またはコマンドが読む種類でないファイルがあった、"
     "2 使い方の誤り、3 出力は書き込んだが、元のファイルが\n  フォークの途中 (--partial) か BinHex の"
     "フォークの CRC の前で終わっていた。複数のファイルでは最も重いステータス。"},
    {"Print the version and exit", "バージョンを表示して終了します"},
    {"Print this help and exit", "このヘルプを表示して終了します"},
    {"Messages in Japanese", "メッセージを日本語で出します"},
    {"Messages in English (the default unless the locale is ja)",
     "メッセージを英語で出します (ロケールが ja でなければ既定)"},
    {"Write each new output to disk before it takes its name (a replaced file always is)",
     "新しい出力を名前を付ける前にディスクへ書き出します (置き換えるファイルは常にそうします)"},
    {"The log block of each MacBinary FILE, as the window writes it",
     "各 MacBinary ファイル (FILE) のログを、ウィンドウと同じ形で出します"},
    {"One JSON object per file and line (docs/cli-json.md)",
     "1 ファイルにつき 1 行の JSON オブジェクト (docs/cli-json.md)"},
    {"How Mac names are decoded: auto (default: the script byte, else the more plausible reading), mac-roman "
     "or japanese",
     "Mac の名前の読み方: auto (既定。スクリプトバイト、なければより自然な読み方)、mac-roman、japanese"},
    {"MacBinary files (- for standard input)", "MacBinary のファイル (- は標準入力)"},
    {"IN with a MacBinary II header, written to OUT; or each IN into DIR with -o",
     "IN を MacBinary II のヘッダーにして OUT に書きます。-o なら各 IN を DIR に書きます"},
    {"The MacBinary file and the file to write, never the source (- for standard input and output); with -o, "
     "the MacBinary files",
     "MacBinary のファイルと書き込むファイル (元のファイルは不可。- は標準入力・標準出力)。-o のときは "
     "MacBinary のファイル"},
    {"Write each IN into DIR under its own name; an existing file there is left alone unless -f",
     "各 IN を同じ名前で DIR に書きます。既にあるファイルは -f がなければ残します"},
    {"Everything after the 128-byte header of IN, written to OUT; or each IN into DIR with -o",
     "IN の 128 バイトのヘッダーより後を全て OUT に書きます。-o なら各 IN を DIR に書きます"},
    {"Write each IN into DIR under its own name without \".bin\"; an existing file there is left alone "
     "unless -f",
     "各 IN を \".bin\" を除いた名前で DIR に書きます。既にあるファイルは -f がなければ残します"},
    {"The data fork of IN alone, written to OUT; or each IN into DIR with -o",
     "IN のデータフォークだけを OUT に書きます。-o なら各 IN を DIR に書きます"},
    {"The CRC page's result lines of each FILE, or their check",
     "各 FILE の CRC ページの結果の行、またはその照合"},
    {"All twelve variants, in the list's order (wins over --variant)",
     "12 種類全てを一覧の順に (--variant より優先)"},
    {"The variant's index in the list, 0-11 (default 10: CRC32 ITU-T, RIGHT, NEG)",
     "一覧での種類の番号 0～11 (既定 10: CRC32 ITU-T, RIGHT, NEG)"},
    {"--check: no line for a file that is OK", "--check: OK のファイルの行を出しません"},
    {"--check: no output at all; the exit status says it",
     "--check: 何も出さず、終了ステータスだけで知らせます"},
    {"Whether each FILE is sound, damaged or no MacBinary, and why",
     "各 FILE が正常か、壊れているか、MacBinary でないか、とその理由"},
    {"One JSON object per file and line", "1 ファイルにつき 1 行の JSON オブジェクト"},
    {"Files to check (- for standard input)", "調べるファイル (- は標準入力)"},
    {"Every file under each PATH: sound, damaged or not MacBinary, as check says",
     "各 PATH の下の全てのファイル: check と同じく正常・破損・MacBinary でない"},
    {"Every file below the folders (links are not followed)",
     "フォルダの下の全てのファイル (リンクはたどりません)"},
    {"Comma-separated values with a header line", "見出し行付きのカンマ区切り (CSV)"},
    {"SHA-256 of each fork of the MacBinary files", "MacBinary のファイルの各フォークの SHA-256"},
    {"Files read at once (default: one per core)", "同時に読むファイルの数 (既定: コア 1 つにつき 1)"},
    {"Files and folders", "ファイルとフォルダ"},
    {"The resource fork of IN alone, written to OUT", "IN のリソースフォークだけを OUT に書きます"},
    {"Write what the file holds of a fork cut short (with a warning) instead of refusing",
     "途中で切れたフォークも、断らずにファイルに在る分を (警告付きで) 書きます"},
    {"The Mac file: MacBinary, AppleSingle, or AppleDouble ._NAME with NAME beside it (- for standard input)",
     "Mac のファイル: MacBinary、AppleSingle、または隣に NAME がある AppleDouble の ._NAME (- は標準入力)"},
    {"The file to write (- for standard output; never the source)",
     "書き込むファイル (- は標準出力。元のファイルは不可)"},
    {"IN as an AppleDouble file (the ._NAME sidecar: everything but the data fork)",
     "IN を AppleDouble のファイル (._NAME: データフォーク以外の全て) にします"},
    {"IN as an AppleSingle file (both forks and the Finder's information)",
     "IN を AppleSingle のファイル (両フォークと Finder の情報) にします"},
    {"The data fork of each IN under its Mac name (made safe), the rest beside it",
     "各 IN のデータフォークを Mac の名前 (安全にしたもの) で、残りをその隣に書きます"},
    {"The folder to write to (default: the current one); an existing file there is left alone unless -f",
     "書き込むフォルダ (既定: カレントフォルダ)。既にあるファイルは -f がなければ残します"},
    {"The resource fork as the ._NAME AppleDouble sidecar (default), NAME.as or raw NAME.rsrc",
     "リソースフォークの形: AppleDouble の ._NAME (既定)、NAME.as、そのままの NAME.rsrc"},
    {"Write what the file holds of a fork cut short", "途中で切れたフォークもファイルに在る分を書きます"},
    {"The Mac files: MacBinary, AppleSingle or AppleDouble (one of them may be - for standard input)",
     "Mac のファイル: MacBinary、AppleSingle、AppleDouble (1 つは - で標準入力にできます)"},
    {"IN as BinHex 4.0 text (IN: MacBinary, AppleSingle, AppleDouble, BinHex; or a data fork with --rsrc)",
     "IN を BinHex 4.0 のテキストにします (IN: MacBinary、AppleSingle、AppleDouble、BinHex、または --rsrc "
     "付きのデータフォーク)"},
    {"IN is a data fork and this its resource fork: a raw fork, or an AppleDouble/AppleSingle file",
     "IN はデータフォークで、これがそのリソースフォーク: そのままのフォーク、または AppleDouble/AppleSingle "
     "のファイル"},
    {"The Mac file (- for standard input)", "Mac のファイル (- は標準入力)"},
    {"The BinHex file to write (- for standard output; never the source)",
     "書き込む BinHex のファイル (- は標準出力。元のファイルは不可)"},
    {"MacBinary made from DATA (a data fork, an AppleSingle file, or a file with a ._DATA sidecar)",
     "DATA (データフォーク、AppleSingle のファイル、または ._DATA が隣にあるファイル) から MacBinary "
     "を作ります"},
    {"MacBinary I, II (default) or III", "MacBinary I、II (既定)、III"},
    {"The resource fork: a raw fork, or an AppleDouble/AppleSingle file",
     "リソースフォーク: そのままのフォーク、または AppleDouble/AppleSingle のファイル"},
    {"File type (four characters)", "ファイルタイプ (4 文字)"},
    {"Creator (four characters)", "クリエータ (4 文字)"},
    {"The Mac name (default: the entries', else DATA's)",
     "Mac の名前 (既定: 項目の名前、なければ DATA の名前)"},
    {"Creation and modification date, YYYY-MM-DD[THH:MM[:SS]] (default: the entries', else SOURCE_DATE_EPOCH "
     "in UTC, else DATA's modification time)",
     "作成日時と変更日時 YYYY-MM-DD[THH:MM[:SS]] (既定: 項目の日時、なければ UTC の "
     "SOURCE_DATE_EPOCH、なければ DATA の変更日時)"},
    {"The name's character set (auto: Mac Roman when it can)", "名前の文字コード (auto: できれば Mac Roman)"},
    {"Do not take ._DATA as the resource fork", "._DATA をリソースフォークにしません"},
    {"The data fork (- for standard input)", "データフォーク (- は標準入力)"},
    {"The MacBinary file to write (- for standard output)", "書き込む MacBinary のファイル (- は標準出力)"},
    {"One line per resource of each MacBinary FILE: type, ID, name, attributes, length",
     "各 MacBinary ファイルのリソースを 1 つ 1 行で: タイプ、ID、名前、属性、長さ"},
    {"One JSON object per resource and line", "1 リソースにつき 1 行の JSON オブジェクト"},
    {"The bytes of one resource of FILE, written to OUT", "FILE のリソース 1 つのバイトを OUT に書きます"},
    {"The Mac file: MacBinary, AppleSingle, AppleDouble or BinHex (- for standard input)",
     "Mac のファイル: MacBinary、AppleSingle、AppleDouble、BinHex (- は標準入力)"},
    {"Its four characters, or 0x and eight hex digits", "4 文字、または 0x と 16 進 8 桁"},
    {"The resource ID, -32768 to 32767", "リソース ID (-32768～32767)"},
    {"The short version string of each Mac FILE ('vers' 1, else 2, else the first), for inventories",
     "各 Mac のファイルの短いバージョン文字列 ('vers' 1、なければ 2、なければ最初のもの)。目録づくりに"},
    {"One JSON object per file: the resource's id and its fields",
     "1 ファイルにつき 1 つの JSON オブジェクト: リソースの ID とその項目"},
    {"Mac files: MacBinary, AppleSingle, AppleDouble, BinHex (- for standard input)",
     "Mac のファイル: MacBinary、AppleSingle、AppleDouble、BinHex (- は標準入力)"},
    {"The HFS volumes of a disk image (bare, DiskCopy 4.2, partitioned, or inside a MacBinary, AppleSingle "
     "or BinHex file): list, check, or extract their files",
     "ディスクイメージ (そのまま、DiskCopy 4.2、パーティション付き、または MacBinary・AppleSingle・BinHex "
     "の中) の HFS ボリューム: ファイルの一覧、検査、取り出し"},
    {"list, check or extract", "list (一覧)、check (検査)、extract (取り出し)"},
    {"The disk image", "ディスクイメージ"},
    {"extract: the files and folders to take, as list shows them (default: all)",
     "extract: 取り出すファイルとフォルダ。list の表示どおりに (既定: 全て)"},
    {"list: one JSON object per file and folder",
     "list: ファイルとフォルダ 1 つにつき 1 つの JSON オブジェクト"},
    {"extract: the folder to write to (default: the current one)",
     "extract: 書き込むフォルダ (既定: カレントフォルダ)"},
    {"extract: each file as MacBinary III NAME.bin (default), NAME with its ._NAME sidecar, NAME.as, "
     "NAME.hqx, or its data fork alone",
     "extract: 各ファイルの形: MacBinary III の NAME.bin (既定)、NAME と "
     "._NAME、NAME.as、NAME.hqx、データフォークだけ"},
};

const std::map<std::string_view, std::string_view>& HelpTable() {
    static const std::map<std::string_view, std::string_view> table = [] {
        std::map<std::string_view, std::string_view> t;
        for (const THelpText& text : kHelpTexts) {
            t.emplace(text.English, text.Japanese);
        }
        return t;
    }();
    return table;
}

const std::string_view* JapaneseOf(const std::string& english) {
    const auto& table = HelpTable();
    const auto found = table.find(english);
    return found == table.end() ? nullptr : &found->second;
}

// Calls visit with each description of app and of its commands, and a setter for it.
template <typename TApp, typename TVisit> void EachText(TApp& app, const TVisit& visit) {
    visit(app.get_description(), [&app](const std::string& text) { app.description(text); });
    visit(app.get_footer(), [&app](const std::string& text) { app.footer(text); });
    for (auto* option : app.get_options()) {
        visit(option->get_description(), [option](const std::string& text) { option->description(text); });
    }
    for (auto* command : app.get_subcommands({})) {
        EachText(*command, visit);
    }
}

template <typename TVisit> void EachOption(CLI::App& app, const TVisit& visit) {
    for (CLI::Option* option : app.get_options()) {
        visit(*option);
    }
    for (CLI::App* command : app.get_subcommands({})) {
        EachOption(*command, visit);
    }
}

} // namespace

void PutHelpInJapanese(CLI::App& app) {
    EachText(app, [](const std::string& english, const auto& set) {
        if (const std::string_view* japanese = JapaneseOf(english)) {
            set(std::string(*japanese));
        }
    });
    // The groups of options and of commands are names of their own, not the formatter's labels.
    EachOption(app, [](CLI::Option& option) {
        if (option.get_group() == "Options") {
            option.group("オプション");
        }
    });
    for (CLI::App* command : app.get_subcommands({})) {
        if (command->get_group() == "Commands") {
            command->group("コマンド");
        }
    }
    // Labels that go in the left column ("REQUIRED", the value names) stay as they are: the
    // formatter pads that column by bytes, so wider text would push the descriptions out of line.
    auto formatter = app.get_formatter();
    formatter->label("Usage", "使い方");
    formatter->label("OPTIONS", "オプション");
    formatter->label("SUBCOMMAND", "コマンド");
    formatter->label("Subcommands", "コマンド");
    formatter->label("Positionals", "オペランド");
}

std::vector<std::string> UnusedHelpTexts(CLI::App& app) {
    std::vector<std::string> used;
    EachText(app, [&used](const std::string& english, const auto&) { used.push_back(english); });
    std::vector<std::string> unused;
    for (const THelpText& text : kHelpTexts) {
        if (std::find(used.begin(), used.end(), text.English) == used.end()) {
            unused.emplace_back(text.English);
        }
    }
    return unused;
}

std::vector<std::string> UntranslatedHelpTexts(CLI::App& app) {
    std::vector<std::string> missing;
    EachText(app, [&missing](const std::string& english, const auto&) {
        if (!english.empty() && JapaneseOf(english) == nullptr &&
            std::find(missing.begin(), missing.end(), english) == missing.end()) {
            missing.push_back(english);
        }
    });
    return missing;
}

} // namespace kelda
