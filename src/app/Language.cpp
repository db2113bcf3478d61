// SPDX-License-Identifier: MIT
// The language tables. Japanese texts are UTF-8; the half-width katakana are kept half-width.
#include "app/Language.h"
#include "util/FillText.h"
#include "util/TableOrder.h"

#include <algorithm>

namespace kelda {

namespace {

using TMessageEntry = TTextEntry<TMsg>;

// The English ".CR2" text has no blank before "!", unlike its two siblings; stored files and users'
// notes may quote it, so it is kept as it has always read.
constexpr TMessageEntry kMessages[] = {
    {TMsg::FileNotFound, "Warning ! File can not find.", "警告 ! ファイルが見つかりません"},
    {TMsg::NotMacBinary, "Warning ! This file is not mac binary file.",
     "警告 ! MacBinary のファイルではありません"},
    {TMsg::FileNotRead, "Warning ! File does not read.", "警告 ! ファイルが読み込まれていません"},
    {TMsg::Da2Missing, "Warning ! Open file again. You cleared the .DA2 file.",
     "警告 ! 再度ファイルを開いて下さい（*.DA2 ファイルが削除されています）"},
    {TMsg::Cr2Missing, "Warning! Open file again. You cleared the .CR2 file.",
     "警告 ! 再度ファイルを開いて下さい（*.CR2 ファイルが削除されています）"},
    {TMsg::Os2Missing, "Warning ! Open file again. You cleared the .OS2 file.",
     "警告 ! 再度ファイルを開いて下さい（*.OS2 ファイルが削除されています）"},
    {TMsg::NoTmpFiles, "Information ! There is no tempolary files.",
     "情報 ! 削除する一時ファイルが在りません"},
    {TMsg::TmpFilesDeleted, "Information ! Tempolary files had been deleted.",
     "情報 ! 一時ファイルの削除が完了しました"},
    {TMsg::SelectOperationEach, "Warning ! Select Operation with Each.",
     "警告 ! 操作選択で Each を選択して下さい"},
    {TMsg::QuitQuestion, "Quit this program ?", "終了しますか ?"},
    {TMsg::CannotWriteOverSource, "Warning ! Can not write over the source file.",
     "警告 ! 元のファイルには書き込めません"},
    // An error text like those of the file layer: the window shows the Japanese text in both modes,
    // and in English mode the English one below it.
    {TMsg::CannotWriteSettings, "Can not write %s", "%s に書き込めません"},
    {TMsg::ProgressCaption, "Working", "処理中"},
    {TMsg::ProgressCrc, "Computing the CRC", "CRC を計算しています"},
    {TMsg::ProgressConvert, "Converting the file", "ファイルを変換しています"},
    {TMsg::ProgressCancel, "Cancel(&C)", "ｷｬﾝｾﾙ(&C)"},
    {TMsg::ReplaceReadOnly, "The file is read-only. Replace it ?",
     "読み取り専用のファイルです。置き換えますか ?"},
    {TMsg::OutputReadOnly, "Warning ! Can not write over a read-only file (--force replaces it).",
     "警告 ! 読み取り専用のファイルには書き込めません（--force で置き換えます）"},
    {TMsg::ForkCutRefused, "Warning ! The file ends inside a fork. Nothing was written.",
     "警告 ! ファイルがフォークの途中で終わっています。何も書き込みませんでした"},
    {TMsg::ForkCutWritten, "Warning ! The file ends inside a fork. Only the bytes present were written.",
     "警告 ! ファイルがフォークの途中で終わっています。在るバイトだけを書き込みました"},
    {TMsg::CommentCutWritten,
     "Warning ! The file ends inside the Finder comment. Both forks were written whole, the comment as far "
     "as it goes.",
     "警告 ! "
     "ファイルがコメントの途中で終わっています。両フォークは全て、コメントは在るバイトだけを書き込みました"},
    {TMsg::ForkUncheckedWritten,
     "Warning ! The file ends before a fork's CRC. Every byte of the fork was written, but it could not be "
     "verified.",
     "警告 ! ファイルがフォークの CRC "
     "の前で終わっています。フォークは全て書き込みましたが、検証できませんでした"},
    {TMsg::NotAppleFile, "Warning ! This file is not an AppleSingle or AppleDouble file.",
     "警告 ! AppleSingle / AppleDouble のファイルではありません"},
    {TMsg::AppleFileDamaged, "The AppleSingle / AppleDouble file is damaged: %s",
     "AppleSingle / AppleDouble のファイルが壊れています: %s"},
    {TMsg::AppleEntryPastEnd, "an entry runs past the end of the file", "項目がファイルの末尾を越えています"},
    {TMsg::AppleEntriesOverlap, "two entries overlap", "項目が重なっています"},
    {TMsg::AppleEntryTwice, "an entry appears twice", "同じ項目が二度あります"},
    {TMsg::AppleEntryTooShort, "an entry is too short", "項目が短すぎます"},
    {TMsg::BinHexDamaged, "The BinHex file is damaged: %s", "BinHex のファイルが壊れています: %s"},
    {TMsg::BinHexNoBody, "no BinHex 4.0 text was found", "BinHex 4.0 の本文が見つかりません"},
    {TMsg::BinHexBadCharacter, "a character that BinHex does not use", "BinHex で使わない文字があります"},
    {TMsg::BinHexBadRun, "a run-length mark with nothing to repeat, or one past the stated lengths",
     "繰り返しの印が不正です（繰り返す文字が無いか、長さを越えています）"},
    {TMsg::BinHexEndsInHeader, "the text ends inside the header", "ヘッダーの途中で終わっています"},
    {TMsg::BinHexBadNameLength, "the name's length is not 1 to 63", "名前の長さが 1 から 63 ではありません"},
    {TMsg::BinHexHeaderCrc, "the header's CRC is wrong", "ヘッダーの CRC が合いません"},
    {TMsg::BinHexEndsInData, "the text ends inside the data fork", "データフォークの途中で終わっています"},
    {TMsg::BinHexDataCrc, "the data fork's CRC is wrong", "データフォークの CRC が合いません"},
    {TMsg::BinHexEndsInResource, "the text ends inside the resource fork",
     "リソースフォークの途中で終わっています"},
    {TMsg::BinHexResourceCrc, "the resource fork's CRC is wrong", "リソースフォークの CRC が合いません"},
    {TMsg::BinHexNoClosingColon, "no ':' closes the text", "終わりの ':' がありません"},
    {TMsg::BinHexNeedsName, "Warning ! BinHex needs a name for the file (give one with --name).",
     "警告 ! BinHex にはファイル名が必要です（--name で指定して下さい）"},
    {TMsg::ForkTooLarge, "Warning ! A fork of 2 GiB or more does not fit into MacBinary.",
     "警告 ! 2 GiB 以上のフォークは MacBinary に入りません"},
    {TMsg::NameNotEncodable, "Warning ! The name has characters that the Mac character set lacks.",
     "警告 ! 名前に Mac の文字にない文字があります"},
    {TMsg::TypeCodeInvalid, "Warning ! Type and creator must be four characters.",
     "警告 ! タイプとクリエータは 4 文字で指定して下さい"},
    {TMsg::DateInvalid, "Warning ! Give the date as YYYY-MM-DD[THH:MM[:SS]].",
     "警告 ! 日付は YYYY-MM-DD[THH:MM[:SS]] で指定して下さい"},
    {TMsg::SourceDateEpochInvalid, "Warning ! SOURCE_DATE_EPOCH must be a number of seconds since 1970.",
     "警告 ! SOURCE_DATE_EPOCH は 1970 年からの秒数で指定して下さい"},
    {TMsg::DateOutOfRange, "Warning ! MacBinary holds dates from 1904-01-01 to 2040-02-06 06:28:15 only.",
     "警告 ! MacBinary の日付は 1904-01-01 から 2040-02-06 06:28:15 までです"},
    {TMsg::NoWriteThroughLink, "Warning ! Will not write through a symbolic link.",
     "警告 ! シンボリックリンクを通しては書き込みません"},
    {TMsg::ProgressForks, "Writing the forks", "フォークを書き出しています"},
    {TMsg::ForkCutAsk, "The file ends inside a fork. Write only the bytes present ?",
     "ファイルがフォークの途中で終わっています。在るバイトだけを書き込みますか ?"},
    {TMsg::ReplaceExisting, "The file already exists. Replace it ?",
     "ファイルは既にあります。置き換えますか ?"},
    {TMsg::CheckNotOpened, "Not opened: %s", "開いていません: %s"},
    {TMsg::NoDisplay,
     "kelda: no display to open the window on. Run it on a desktop, or without one as "
     "QT_QPA_PLATFORM=offscreen kelda or xvfb-run -a kelda (kelda-cli needs none).",
     "kelda: ウィンドウを開くディスプレイがありません。デスクトップで起動するか、ディスプレイなしでは "
     "QT_QPA_PLATFORM=offscreen kelda または xvfb-run -a kelda として起動して下さい（kelda-cli は不要です）"},
    {TMsg::ImageDamaged, "The disk image is damaged: %s", "ディスクイメージが壊れています: %s"},
    {TMsg::ImageReplaceAsk, "Some of the files are there already. Replace them ?",
     "既にあるファイルがあります。置き換えますか ?"},
    {TMsg::ImageExtractSummary, "Information ! %s file(s) written, %s not written.",
     "情報 ! %s 個のファイルを書き出しました（書き出せなかったもの %s 個）"},
    {TMsg::AboutText,
     "KELDA %s\nA tool for MacBinary I, II and III files and CRCs\n\n"
     "Copyright (c) 2026 the KELDA developers\nReleased under the MIT License\n\nQt %s",
     "KELDA %s\nMacBinary I・II・III のﾌｧｲﾙと CRC のためのﾂｰﾙ\n\n"
     "Copyright (c) 2026 the KELDA developers\nMIT ﾗｲｾﾝｽで配布しています\n\nQt %s"},
};
static_assert(ListedInEnumOrder<TMessageEntry>(kMessages, &TMessageEntry::Key, kMessageCount),
              "messages are listed in the order of TMsg");

constexpr TCaptionEntry kCaptions[] = {
    {"BtnLogClear", TCaptionTarget::Caption, "LogClear(&G)", "ﾛｸﾞｸﾘｱ(&G)"},
    {"BtnSaveLog", TCaptionTarget::Caption, "LogSave(&V)", "ﾛｸﾞ保存(&V)"},
    {"BtnLogTop", TCaptionTarget::Caption, "LogTop(&P)", "ﾛｸﾞ先頭へ(&P)"},
    {"BtnLogPrev", TCaptionTarget::Caption, "LogPrev(&V)", "ﾛｸﾞ前へ(&V)"},
    {"BtnLogNext", TCaptionTarget::Caption, "LogNext(&N)", "ﾛｸﾞ次へ(&N)"},
    {"BtnLogEnd", TCaptionTarget::Caption, "LogEnd(&E)", "ﾛｸﾞ最後へ(&E)"},
    {"BtnFileOpen", TCaptionTarget::Caption, "FileOpen(&O)", "ﾌｧｲﾙ開く(&O)"},
    {"BtnTmpFileClear", TCaptionTarget::Caption, "TmpFileClear(&L)", "一時ﾌｧｲﾙ削除(&L)"},
    {"BtnChangeFileType", TCaptionTarget::Caption, "ChangeFileTypeToMacBinII(&T)", "MacBinIIに変換(&T)"},
    {"BtnDeleteHeader", TCaptionTarget::Caption, "DeleteHeader(&D)", "ﾍｯﾀﾞｰ削除(&D)"},
    {"BtnDeleteHeaderResorceComment", TCaptionTarget::Caption, "DeleteHeaderResourceComment(&R)",
     "ﾍｯﾀﾞｰ･ﾘｿｰｽ･ｺﾒﾝﾄ削除(&R)"},
    {"BtnFileBrowse", TCaptionTarget::Caption, "FileBrowse(&B)", "ﾌｧｲﾙ参照(&B)"},
    {"RadioGroupInformation", TCaptionTarget::Caption, "Information(&M)", "内容表示(&M)"},
    {"RadioGroupInformation", TCaptionTarget::RadioItem0, "Text", "ﾃｷｽﾄ"},
    {"RadioGroupInformation", TCaptionTarget::RadioItem1, "Grid", "ｸﾞﾘｯﾄﾞ"},
    {"Label1", TCaptionTarget::Caption, "Operation(&O)", "操作選択(&O)"},
    {"Label3", TCaptionTarget::FileNameLine, "FileName : ", "ﾌｧｲﾙﾈｰﾑ  : "},
    {"Label4", TCaptionTarget::FileTypeLine, "FileType : ", "ﾌｧｲﾙﾀｲﾌﾟ : "},
    {"MenuFile", TCaptionTarget::Caption, "File(&F)", "ﾌｧｲﾙ(&F)"},
    {"MenuQuit", TCaptionTarget::Caption, "Quit(&Q)", "終了(&Q)"},
    {"MenuSetting", TCaptionTarget::Caption, "Setting(&S)", "設定(&S)"},
    {"MenuResetIniFile", TCaptionTarget::Caption, "Reset Ini File(&R)", "INIﾌｧｲﾙ初期化(&R)"},
    {"MenuJapaneseSet", TCaptionTarget::Caption, "Japanese(&J)", "Japanese(&J)"},
    {"MenuHelp", TCaptionTarget::Caption, "Help(&H)", "ﾍﾙﾌﾟ(&H)"},
    {"MenuAbout", TCaptionTarget::Caption, "About KELDA(&A)", "KELDA について(&A)"},
};

// Beside the designed captions, so that their table stays as it is.
constexpr TCaptionEntry kForkCaptions[] = {
    {"MenuExportResourceFork", TCaptionTarget::Caption, "Export resource fork(&R)…", "ﾘｿｰｽﾌｫｰｸ書き出し(&R)…"},
    {"MenuExportAppleDouble", TCaptionTarget::Caption, "Export as AppleDouble(&D)…",
     "AppleDouble で書き出し(&D)…"},
    {"MenuExportAppleSingle", TCaptionTarget::Caption, "Export as AppleSingle(&A)…",
     "AppleSingle で書き出し(&A)…"},
    {"MenuExtract", TCaptionTarget::Caption, "Extract(&X)…", "取り出し(&X)…"},
    {"MenuMakeMacBinary", TCaptionTarget::Caption, "Make MacBinary(&K)…", "MacBinary 作成(&K)…"},
    {"MakeMacBinaryDialog", TCaptionTarget::Caption, "Make MacBinary", "MacBinary 作成"},
    {"LabelDataFork", TCaptionTarget::Caption, "Data fork(&D)", "ﾃﾞｰﾀﾌｫｰｸ(&D)"},
    {"LabelResourceFork", TCaptionTarget::Caption, "Resource fork(&R)", "ﾘｿｰｽﾌｫｰｸ(&R)"},
    {"LabelMacName", TCaptionTarget::Caption, "Name(&N)", "名前(&N)"},
    {"LabelFileType", TCaptionTarget::Caption, "Type(&T)", "ﾀｲﾌﾟ(&T)"},
    {"LabelFileCreator", TCaptionTarget::Caption, "Creator(&C)", "ｸﾘｴｰﾀ(&C)"},
    {"LabelVersion", TCaptionTarget::Caption, "Version(&V)", "ﾊﾞｰｼﾞｮﾝ(&V)"},
    {"LabelNameEncoding", TCaptionTarget::Caption, "Name encoding(&E)", "名前の文字(&E)"},
    {"ItemNameEncodingAuto", TCaptionTarget::Caption, "Auto", "自動"},
    {"ItemNameEncodingRoman", TCaptionTarget::Caption, "Mac Roman", "欧文 (Mac Roman)"},
    {"ItemNameEncodingJapanese", TCaptionTarget::Caption, "Japanese (Shift-JIS)", "日本語 (Shift-JIS)"},
    {"BtnBrowseDataFork", TCaptionTarget::Caption, "Browse…", "参照…"},
    {"BtnBrowseResourceFork", TCaptionTarget::Caption, "Browse…", "参照…"},
    {"BtnMakeOk", TCaptionTarget::Caption, "OK", "OK"},
    {"BtnMakeCancel", TCaptionTarget::Caption, "Cancel", "ｷｬﾝｾﾙ"},
    {"ExtractDialog", TCaptionTarget::Caption, "Extract", "取り出し"},
    {"LabelResourceForm", TCaptionTarget::Caption, "Resource fork as(&R)", "ﾘｿｰｽﾌｫｰｸの形式(&R)"},
    {"ItemFormSidecar", TCaptionTarget::Caption, "AppleDouble sidecar (._NAME)",
     "AppleDouble の添付ﾌｧｲﾙ (._名前)"},
    {"ItemFormAppleSingle", TCaptionTarget::Caption, "AppleSingle (NAME.as)", "AppleSingle (名前.as)"},
    {"ItemFormRaw", TCaptionTarget::Caption, "Raw resource fork (NAME.rsrc)", "ﾘｿｰｽﾌｫｰｸそのまま (名前.rsrc)"},
    {"MenuSaveBinHex", TCaptionTarget::Caption, "Save as BinHex(&B)…", "BinHex で保存(&B)…"},
    {"MenuSaveMacBinary", TCaptionTarget::Caption, "Save as MacBinary(&M)…", "MacBinary で保存(&M)…"},
    {"MenuExtractImage", TCaptionTarget::Caption, "Extract from image(&I)…", "ｲﾒｰｼﾞから取り出し(&I)…"},
    {"TabSheetImages", TCaptionTarget::Caption, "    Images    ", "   ｲﾒｰｼﾞ   "},
    {"ImageColumnName", TCaptionTarget::Caption, "Name", "名前"},
    {"ImageColumnType", TCaptionTarget::Caption, "Type", "ﾀｲﾌﾟ"},
    {"ImageColumnCreator", TCaptionTarget::Caption, "Creator", "ｸﾘｴｰﾀ"},
    {"ImageColumnData", TCaptionTarget::Caption, "Data", "ﾃﾞｰﾀ"},
    {"ImageColumnResource", TCaptionTarget::Caption, "Resource", "ﾘｿｰｽ"},
    {"ImageColumnModified", TCaptionTarget::Caption, "Modified", "変更日"},
    {"LabelImageForm", TCaptionTarget::Caption, "Extract as(&A)", "取り出す形式(&A)"},
    {"ItemImageMacBinary", TCaptionTarget::Caption, "MacBinary III (NAME.bin)", "MacBinary III (名前.bin)"},
    {"ItemImageAppleDouble", TCaptionTarget::Caption, "AppleDouble (NAME, ._NAME)",
     "AppleDouble (名前, ._名前)"},
    {"ItemImageAppleSingle", TCaptionTarget::Caption, "AppleSingle (NAME.as)", "AppleSingle (名前.as)"},
    {"ItemImageBinHex", TCaptionTarget::Caption, "BinHex 4.0 (NAME.hqx)", "BinHex 4.0 (名前.hqx)"},
    {"ItemImageData", TCaptionTarget::Caption, "Data fork (NAME)", "ﾃﾞｰﾀﾌｫｰｸ (名前)"},
};

} // namespace

std::span<const TCaptionEntry> ForkCaptionTable() {
    return kForkCaptions;
}

const TCaptionEntry* FindForkCaption(std::string_view control) {
    const auto it = std::find_if(std::begin(kForkCaptions), std::end(kForkCaptions),
                                 [&](const TCaptionEntry& e) { return e.Control == control; });
    return it == std::end(kForkCaptions) ? nullptr : &*it;
}

const char* MessageText(TMsg msg, bool japanese) {
    const TMessageEntry& e = kMessages[static_cast<int>(msg)];
    return e.In(japanese);
}

std::string FormatMessage(TMsg msg, bool japanese, std::string_view arg) {
    return FillText(MessageText(msg, japanese), {arg});
}

std::string AboutText(bool japanese, std::string_view version, std::string_view qtVersion) {
    return FillText(MessageText(TMsg::AboutText, japanese), {version, qtVersion});
}

std::span<const TCaptionEntry> CaptionTable() {
    return kCaptions;
}

const TCaptionEntry* FindCaption(std::string_view control, TCaptionTarget target) {
    const auto it = std::find_if(std::begin(kCaptions), std::end(kCaptions), [&](const TCaptionEntry& e) {
        return e.Control == control && e.Target == target;
    });
    return it == std::end(kCaptions) ? nullptr : &*it;
}

std::string FileNameLine(bool japanese, std::string_view fileName) {
    const TCaptionEntry* e = FindCaption("Label3", TCaptionTarget::FileNameLine);
    return std::string(japanese ? e->Japanese : e->English) + std::string(fileName);
}

std::string FileTypeLine(bool japanese, std::string_view fileType) {
    const TCaptionEntry* e = FindCaption("Label4", TCaptionTarget::FileTypeLine);
    return std::string(japanese ? e->Japanese : e->English) + std::string(fileType);
}

std::string ErrorBoxText(std::string_view message) {
    std::string text(message);
    // Any byte of a multi-byte UTF-8 character is above 0x7F, so the last byte decides for it too.
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
        text += '.';
    }
    return text;
}

} // namespace kelda
