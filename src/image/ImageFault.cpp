// SPDX-License-Identifier: MIT
#include "image/ImageFault.h"
#include "util/TableOrder.h"

#include "app/Language.h"
#include "util/FillText.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <span>

namespace kelda {

namespace {

using TFaultText = TTextEntry<TImageFault>;

// In the order of TImageFault.
constexpr std::array<TFaultText, 54> kFaultTexts{{
    {TImageFault::RangeOutsideFile,
     "the image (offset %2, %3 bytes) does not lie inside the file of %4 bytes",
     "イメージ (オフセット %2、%3 バイト) が %4 バイトのファイルの中にありません"},
    {TImageFault::StructureCut, "the %1 at byte %2 (%3 bytes) runs past the end of the image of %4 bytes",
     "バイト %2 の%1 (%3 バイト) が %4 バイトのイメージの末尾を越えています"},
    {TImageFault::BadSignature, "the %1 at byte %2 has the signature %3, not %4",
     "バイト %2 の%1の署名が %4 ではなく %3 です"},
    {TImageFault::BadValue, "the %1 gives %2 = %3, which cannot be", "%1の %2 = %3 はありえない値です"},
    {TImageFault::DiskCopySizes,
     "the %1 gives %2 data bytes and %3 tag bytes; the image holds %4 bytes after it",
     "%1はデータ %2 バイト、タグ %3 バイトとしていますが、その後には %4 バイトしかありません"},
    {TImageFault::DiskCopyChecksum, "the checksum of the %1 is %2; the header gives %3",
     "%1のチェックサムは %2 ですが、ヘッダーは %3 としています"},
    {TImageFault::PartitionCount, "the partition map gives %2 entries; the image has room for %3",
     "パーティションマップは %2 項目としていますが、イメージには %3 項目分しかありません"},
    {TImageFault::PartitionOutside, "partition %2 (blocks %3 to %4) lies outside the image of %5 blocks",
     "パーティション %2 (ブロック %3 から %4) が %5 ブロックのイメージの外にあります"},
    {TImageFault::ExtentOutside,
     "extent %2 of the %1 of file %3 (blocks %4 to %5) lies outside the volume's %6 blocks",
     "ファイル %3 の%1のエクステント %2 (ブロック %4 から %5) がボリュームの %6 ブロックの外にあります"},
    {TImageFault::ForkShort, "the extents of the %1 of file %2 hold %3 bytes; its length is %4",
     "ファイル %2 の%1のエクステントは %3 バイト分しかありませんが、長さは %4 バイトです"},
    {TImageFault::ExtentsMissing,
     "the %1 of file %2 needs an overflow extent at block %3; the extents overflow B-tree has none",
     "ファイル %2 の%1にはブロック %3 からの追加エクステントが要りますが、エクステント B ツリーにありません"},
    {TImageFault::NodeOutside, "the %1 refers to node %2; it has %3 nodes",
     "%1がノード %2 を指していますが、ノードは %3 個しかありません"},
    {TImageFault::NodeKind, "node %2 of the %1 is of kind %3 where kind %4 belongs",
     "%1のノード %2 の種類は %4 のはずが %3 です"},
    {TImageFault::NodeHeight, "node %2 of the %1 has height %3 where %4 belongs",
     "%1のノード %2 の高さは %4 のはずが %3 です"},
    {TImageFault::NodeLoop, "the %1 reaches node %2 a second time (its links form a loop)",
     "%1がノード %2 に二度達しました (リンクが循環しています)"},
    {TImageFault::NodeBackLink, "node %2 of the %1 links back to node %3, not %4",
     "%1のノード %2 の後方リンクが %4 ではなく %3 です"},
    {TImageFault::NodeRecordCount, "node %2 of the %1 claims %3 records; at most %4 fit",
     "%1のノード %2 はレコード %3 個としていますが、最大 %4 個しか入りません"},
    {TImageFault::RecordOffsets,
     "the record offsets of node %2 of the %1 are out of order or outside the node",
     "%1のノード %2 のレコードオフセットが順序どおりでないか、ノードの外を指しています"},
    {TImageFault::RecordShort, "record %3 of node %2 of the %1 is too short (%4 bytes)",
     "%1のノード %2 のレコード %3 が短すぎます (%4 バイト)"},
    {TImageFault::TreeTooDeep, "the %1 goes below its stated depth of %2 at node %3",
     "%1がノード %3 で記載の深さ %2 を越えています"},
    {TImageFault::RecordKind, "record %3 of node %2 of the %1 is of the unknown kind %4",
     "%1のノード %2 のレコード %3 の種類 %4 は不明です"},
    {TImageFault::TooManyRecords, "the %1 holds more than %2 records", "%1のレコードが %2 個を越えています"},
    {TImageFault::DuplicateId, "the catalog holds two entries with the id %2",
     "カタログに ID %2 の項目が二つあります"},
    {TImageFault::MissingParent, "the catalog entry with id %2 lies in folder %3, which the catalog lacks",
     "ID %2 のカタログ項目の親フォルダー %3 がカタログにありません"},
    {TImageFault::ParentLoop, "the folders above the catalog entry with id %2 form a loop",
     "ID %2 のカタログ項目の上位フォルダーが循環しています"},
    {TImageFault::FolderTooDeep, "the catalog entry with id %2 lies more than %3 folders deep",
     "ID %2 のカタログ項目が %3 階層より深くにあります"},
    {TImageFault::LeafCountWrong, "the %1 holds %2 leaf records; its header gives %3",
     "%1の葉レコードは %2 個ですが、ヘッダーは %3 個としています"},
    {TImageFault::FirstLeafWrong, "the %1's first leaf is node %2; its header gives %3",
     "%1の最初の葉はノード %2 ですが、ヘッダーは %3 としています"},
    {TImageFault::LastLeafWrong, "the %1's last leaf is node %2; its header gives %3",
     "%1の最後の葉はノード %2 ですが、ヘッダーは %3 としています"},
    {TImageFault::FileCountWrong, "the %1 counts %2 files; the catalog holds %3",
     "%1はファイル %2 個としていますが、カタログには %3 個あります"},
    {TImageFault::FolderCountWrong, "the %1 counts %2 folders; the catalog holds %3",
     "%1はフォルダー %2 個としていますが、カタログには %3 個あります"},
    {TImageFault::RootFilesWrong, "the %1 counts %2 files in the root folder; the catalog holds %3",
     "%1はルートフォルダーのファイルを %2 個としていますが、カタログには %3 個あります"},
    {TImageFault::RootFoldersWrong, "the %1 counts %2 folders in the root folder; the catalog holds %3",
     "%1はルートフォルダーのフォルダーを %2 個としていますが、カタログには %3 個あります"},
    {TImageFault::ValenceWrong, "the folder with id %2 counts %3 items; the catalog holds %4",
     "ID %2 のフォルダーは項目 %3 個としていますが、カタログには %4 個あります"},
    {TImageFault::ThreadMissing, "the folder with id %2 has no thread record",
     "ID %2 のフォルダーにスレッドレコードがありません"},
    {TImageFault::ExtentsOverlap, "files %2 and %3 share allocation block %4",
     "ファイル %2 と %3 がアロケーションブロック %4 を共有しています"},
    {TImageFault::NotDiskImage,
     "it is not a DiskCopy 4.2 image, an Apple partition map or an HFS or MFS volume",
     "DiskCopy 4.2 イメージでも Apple パーティションマップでも HFS・MFS ボリュームでもありません"},
    {TImageFault::NoHfsVolume, "the image holds no HFS volume", "イメージに HFS ボリュームがありません"},
    {TImageFault::VolumeNotRead, "the volume is %2, which is not read", "ボリュームは %2 で、読めません"},
    {TImageFault::BlockOutside,
     "the %1 of file %2 refers to allocation block %3; the volume has blocks 2 to %4",
     "ファイル %2 の%1がアロケーションブロック %3 を指していますが、ボリュームのブロックは 2 から %4 "
     "までです"},
    {TImageFault::BlockFree,
     "the %1 of file %2 runs into allocation block %3, which the block map marks free",
     "ファイル %2 の%1がブロックマップで空きとされているアロケーションブロック %3 に達しました"},
    {TImageFault::BlockLoop,
     "the %1 of file %2 reaches allocation block %3 a second time (the block map forms a loop)",
     "ファイル %2 の%1がアロケーションブロック %3 に二度達しました (ブロックマップが循環しています)"},
    {TImageFault::ChainShort, "the blocks of the %1 of file %2 hold %3 bytes; its length is %4",
     "ファイル %2 の%1のブロックは %3 バイト分しかありませんが、長さは %4 バイトです"},
    {TImageFault::DirectoryEntryCut, "entry %2 of %1 block %3 runs past the end of its block",
     "%1のブロック %3 の項目 %2 がブロックの末尾を越えています"},
    {TImageFault::DirectoryFilesWrong, "the %1 counts %2 files; the file directory holds %3",
     "%1はファイル %2 個としていますが、ファイルディレクトリには %3 個あります"},
    {TImageFault::FreeBlocksWrong, "the %1 counts %2 free blocks; the block map marks %3 free",
     "%1は空きブロックを %2 個としていますが、ブロックマップでは %3 個です"},
    {TImageFault::BlocksUnclaimed,
     "the %1 marks %2 allocation blocks used that no file holds (the first is block %3)",
     "%1は使用中のアロケーションブロック %2 個をどのファイルにも属さないまま記録しています (最初はブロック "
     "%3)"},
    {TImageFault::ForkCompressed,
     "File %2 is stored compressed, which is not read: it is listed, but its %1 cannot be taken out",
     "ファイル %2 は圧縮して格納されていて読めません: 一覧には出ますが、%1は取り出せません"},
    {TImageFault::JournalChecksum, "the checksum of the %1 is %2; it gives %3",
     "%1のチェックサムは %2 ですが、%1は %3 としています"},
    {TImageFault::JournalListBad,
     "the %1 at journal byte %2 gives %3 blocks in %4 bytes, which the journal cannot hold",
     "ジャーナルのバイト %2 の%1はブロック %3 個・%4 バイトとしていますが、ジャーナルに収まりません"},
    {TImageFault::JournalBlockOutside,
     "the %1 at journal byte %2 writes sector %3 (%4 bytes) outside the volume",
     "ジャーナルのバイト %2 の%1がボリュームの外のセクター %3 (%4 バイト) に書き込もうとしています"},
    {TImageFault::JournalExternal, "the journal lies on another device; it is not replayed",
     "ジャーナルは別のデバイスにあるため、再生しません"},
    {TImageFault::JournalIgnored,
     "the volume is read without its journal: what the journal holds is not applied",
     "ボリュームはジャーナルなしで読んでいます: ジャーナルの内容は反映されていません"},
    {TImageFault::JournalReplayed, "the journal was replayed in memory: %2 transactions writing %3 blocks",
     "ジャーナルをメモリー上で再生しました: トランザクション %2 個、ブロック %3 個"},
}};

static_assert(ListedInEnumOrder<TFaultText>(kFaultTexts, &TFaultText::Key,
                                            static_cast<std::size_t>(TImageFault::JournalReplayed) + 1),
              "one text per fault, in the order of TImageFault");

using TStructureName = TTextEntry<TImageStructure>;

// In the order of TImageStructure.
constexpr std::array<TStructureName, 17> kStructureNames{{
    {TImageStructure::None, "", ""},
    {TImageStructure::Image, "image", "イメージ"},
    {TImageStructure::DiskCopyHeader, "DiskCopy header", "DiskCopy ヘッダー"},
    {TImageStructure::DiskCopyData, "DiskCopy data", "DiskCopy データ"},
    {TImageStructure::DiskCopyTags, "DiskCopy tags", "DiskCopy タグ"},
    {TImageStructure::DriverDescriptor, "driver descriptor block", "ドライバー記述ブロック"},
    {TImageStructure::PartitionEntry, "partition map entry", "パーティションマップ項目"},
    {TImageStructure::Mdb, "master directory block", "マスターディレクトリブロック"},
    {TImageStructure::CatalogTree, "catalog B-tree", "カタログ B ツリー"},
    {TImageStructure::ExtentsTree, "extents overflow B-tree", "エクステント B ツリー"},
    {TImageStructure::DataFork, "data fork", "データフォーク"},
    {TImageStructure::ResourceFork, "resource fork", "リソースフォーク"},
    {TImageStructure::BlockMap, "volume allocation block map", "ボリュームのアロケーションブロックマップ"},
    {TImageStructure::FileDirectory, "file directory", "ファイルディレクトリ"},
    {TImageStructure::JournalInfoBlock, "journal info block", "ジャーナル情報ブロック"},
    {TImageStructure::JournalHeader, "journal header", "ジャーナルヘッダー"},
    {TImageStructure::JournalBlockList, "journal block list header", "ジャーナルのブロックリストヘッダー"},
}};

static_assert(ListedInEnumOrder<TStructureName>(kStructureNames, &TStructureName::Key,
                                                static_cast<std::size_t>(TImageStructure::JournalBlockList) +
                                                    1),
              "one name per structure, in the order of TImageStructure");

} // namespace

std::string_view StructureName(TImageStructure structure, bool japanese) {
    const TStructureName& entry = kStructureNames[static_cast<std::size_t>(structure)];
    return entry.In(japanese);
}

std::string TImageFinding::Text(bool japanese) const {
    const TFaultText& entry = kFaultTexts[static_cast<std::size_t>(Kind)];
    std::vector<std::string> args;
    args.reserve(Args.size() + 1);
    args.emplace_back(StructureName(Structure, japanese));
    args.insert(args.end(), Args.begin(), Args.end());
    return FillText(entry.In(japanese), std::span<const std::string>(args));
}

bool TImageFinding::Fatal() const {
    switch (Kind) {
    case TImageFault::LeafCountWrong:
    case TImageFault::FirstLeafWrong:
    case TImageFault::LastLeafWrong:
    case TImageFault::FileCountWrong:
    case TImageFault::FolderCountWrong:
    case TImageFault::RootFilesWrong:
    case TImageFault::RootFoldersWrong:
    case TImageFault::ValenceWrong:
    case TImageFault::ThreadMissing:
    case TImageFault::ExtentsOverlap:
    case TImageFault::DirectoryFilesWrong:
    case TImageFault::FreeBlocksWrong:
    case TImageFault::BlocksUnclaimed:
    case TImageFault::JournalExternal:
    case TImageFault::JournalIgnored:
    case TImageFault::JournalReplayed:
        return false;
    default:
        return true;
    }
}

// A compressed file is no damage: its text stands alone.
EImageError::EImageError(TImageFinding finding)
    : EBilingualError(finding.Kind == TImageFault::ForkCompressed
                          ? finding.Text(true)
                          : FormatMessage(TMsg::ImageDamaged, true, finding.Text(true)),
                      finding.Kind == TImageFault::ForkCompressed
                          ? finding.Text(false)
                          : FormatMessage(TMsg::ImageDamaged, false, finding.Text(false))),
      finding_(std::move(finding)) {}

std::string FaultHex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, static_cast<unsigned>(value));
    return text;
}

void ThrowImageFault(TImageFault kind, TImageStructure structure, std::vector<std::string> args) {
    throw EImageError(TImageFinding{kind, structure, std::move(args)});
}

} // namespace kelda
