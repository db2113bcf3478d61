// SPDX-License-Identifier: MIT
#include "cli/CliText.h"
#include "util/FillText.h"
#include "util/TableOrder.h"

#include <array>
#include <cstddef>

namespace kelda {

namespace {

using TCliTextEntry = TTextEntry<TCliMsg>;

constexpr std::array<TCliTextEntry, 48> kTexts{{
    {TCliMsg::TryHelp, "Try '%s --help' for more information.", "詳しくは '%s --help' を実行してください。"},
    {TCliMsg::UnknownCommand, "unknown command '%s'", "'%s' というコマンドはありません"},
    {TCliMsg::MissingCommand, "a command is needed", "コマンドを指定してください"},
    {TCliMsg::OutputWriteError, "write error on standard output: %s", "標準出力に書き込めません: %s"},
    {TCliMsg::InputReadError, "read error on standard input: %s", "標準入力を読み込めません: %s"},
    {TCliMsg::IsFolder, "Warning ! This is a folder, not a file.", "警告 ! ファイルではなくフォルダです"},
    {TCliMsg::CheckUnreadable, "FAILED open or read", "FAILED 開けないか読み込めません"},
    {TCliMsg::CheckBadLines, "%s: %s lines are no CRC lines", "%s: CRC の行でない行が %s 行あります"},
    {TCliMsg::CheckMismatches, "WARNING: the CRCs of %s files did NOT match",
     "警告: %s 個のファイルの CRC が一致しません"},
    {TCliMsg::CheckUnreadables, "WARNING: %s listed files could not be read",
     "警告: %s 個のファイルを読み込めませんでした"},
    {TCliMsg::CheckNoLines, "%s: no CRC lines found", "%s: CRC の行がありません"},
    {TCliMsg::CheckLongLine, "line %1 is longer than %2 bytes and no CRC line: %3",
     "%1 行目は %2 バイトより長く、CRC の行ではありません: %3"},
    {TCliMsg::CheckUnverified, "%s: no file was verified", "%s: 検証できたファイルがありません"},
    {TCliMsg::OutputExists, "Warning ! The file exists already; -f replaces it.",
     "警告 ! ファイルは既にあります。-f で置き換えます"},
    {TCliMsg::ConvertOperands, "expected IN OUT, or IN... -o DIR (with file names, not -)",
     "IN OUT か IN... -o DIR を指定してください (- ではなくファイル名で)"},
    {TCliMsg::NoFolder, "Warning ! There is no such folder.", "警告 ! そのフォルダはありません"},
    {TCliMsg::ScanLink, "symbolic link, not followed", "シンボリックリンク (たどりません)"},
    {TCliMsg::ScanNotRegular, "not a regular file", "通常のファイルではありません"},
    {TCliMsg::ScanFiles, "%s files:", "%s 個のファイル:"},
    {TCliMsg::StdinOnce, "standard input (-) can be only one of the inputs",
     "標準入力 (-) は入力のうち一つにしか指定できません"},
    {TCliMsg::BatchSummary, "%s files: %s written, %s failed",
     "%s 個のファイル: %s 個を書き込み、%s 個は失敗"},
    {TCliMsg::WrittenThisRun, "Warning ! This run wrote it from %1 already; it is not replaced.",
     "警告 ! この実行で %1 から書き込み済みです。置き換えません"},
    {TCliMsg::BatchSkipped, "%s skipped (links, and files this command does not read)",
     "%s 個は対象外 (リンク、またはこのコマンドが読まないファイル)"},
    {TCliMsg::RecursiveNeedsDir, "-r needs -o DIR, where the outputs take the tree's shape",
     "-r には -o DIR が必要です (出力はそこに元の木の形で置かれます)"},
    {TCliMsg::ParseExtra, "The following argument was not expected: %s", "余分な引数があります: %s"},
    {TCliMsg::ParseExtras, "The following arguments were not expected: %s", "余分な引数があります: %s"},
    {TCliMsg::ParseRequired, "%s is required", "%s を指定してください"},
    {TCliMsg::ParseMissingValues, "%s: %s required %s missing", "%1: 値が %2 個足りません"},
    {TCliMsg::ParseExactCount, "Expected exactly %s arguments to %s, got %s",
     "%2 には値がちょうど %1 個必要ですが、%3 個でした"},
    {TCliMsg::ParseAtLeast, "Expected at least %s arguments to %s, got %s",
     "%2 には値が %1 個以上必要ですが、%3 個でした"},
    {TCliMsg::ParseAtLeastGiven, "%s: At least %s required but received %s",
     "%1: 値が %2 個以上必要ですが、%3 個でした"},
    {TCliMsg::ParseAtMostGiven, "%s: At Most %s required but received %s",
     "%1: 値は %2 個までですが、%3 個ありました"},
    {TCliMsg::ParseNoValue, "%s was given a disallowed flag override", "%s には値を付けられません"},
    {TCliMsg::ParseNotAllowed, "The value %s is not an allowed value for %s", "%2 に値 %1 は使えません"},
    {TCliMsg::ParseNoConversion, "Could not convert: %s = %s", "%1 の値 %2 を解釈できません"},
    {TCliMsg::ParseNotNumber, "%s: Failed parsing %s as a %s", "%1: %2 は数値ではありません"},
    {TCliMsg::ParseOutOfRange, "%s: Value %s not in range %s to %s", "%1: 値 %2 は %3～%4 の範囲外です"},
    {TCliMsg::ParseNotInSet, "%s: Check %s value in %s FAILED", "%1: %2 という値は使えません"},
    {TCliMsg::ParseExcludes, "%s excludes %s", "%1 と %2 は同時に指定できません"},
    {TCliMsg::ParseRequires, "%s requires %s", "%1 には %2 も指定してください"},
    {TCliMsg::ParseFlagValues, "%s: too many inputs for a flag", "%s: フラグに値が多すぎます"},
    {TCliMsg::ParseFlagBool, "%s: Should be true/false or a number",
     "%s: true か false か数値を指定してください"},
    {TCliMsg::ParseOther, "%s", "コマンドラインが正しくありません (%s)"},
    {TCliMsg::ResourceIdRange, "ID must be a number from -32768 to 32767: %s",
     "ID は -32768～32767 の数値で指定してください: %s"},
    {TCliMsg::CrcCheckAlone, "--quiet, --status and --ignore-missing go with --check only",
     "--quiet・--status・--ignore-missing は --check と共に指定してください"},
    {TCliMsg::NameEmpty, "the Mac name must not be empty", "Mac の名前を空にはできません"},
    {TCliMsg::NameControlByte, "the Mac name must not hold control characters",
     "Mac の名前に制御文字は使えません"},
    {TCliMsg::NameTooLong, "the Mac name is longer than 63 bytes in the Mac character set",
     "Mac の名前が Mac の文字セットで 63 バイトを超えています"},
}};

static_assert(ListedInEnumOrder<TCliTextEntry>(kTexts, &TCliTextEntry::Key, kTexts.size()),
              "kTexts lists the messages in the order of TCliMsg");

} // namespace

std::string CliText(TCliMsg msg, bool japanese, std::initializer_list<std::string_view> args) {
    return CliText(msg, japanese, std::span<const std::string_view>(args.begin(), args.size()));
}

std::string CliText(TCliMsg msg, bool japanese, std::span<const std::string_view> args) {
    const TCliTextEntry& entry = kTexts[static_cast<std::size_t>(msg)];
    return FillText(entry.In(japanese), args);
}

bool LocaleIsJapanese(const std::function<const char*(const char*)>& getEnv) {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = getEnv(name);
        if (value != nullptr && *value != '\0') {
            const std::string_view locale(value);
            return locale == "ja" || locale.starts_with("ja_") || locale.starts_with("ja.") ||
                   locale.starts_with("ja@");
        }
    }
    return false;
}

} // namespace kelda
