// SPDX-License-Identifier: MIT
#include "resources/ResourceFinding.h"
#include "util/FillText.h"
#include "util/TableOrder.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace kelda {

namespace {

using TFindingText = TTextEntry<TResFinding>;

// In the order of TResFinding.
constexpr std::array<TFindingText, 20> kFindingTexts{{
    {TResFinding::ForkTruncated, "Only %1 of the %2 bytes of the resource fork are in the file",
     "リソースフォークの %2 バイトのうち %1 バイトしかファイルにありません"},
    {TResFinding::ForkTooShort, "The resource fork has %1 bytes, fewer than its 16-byte header",
     "リソースフォークが %1 バイトしかなく、16 バイトのヘッダーに足りません"},
    {TResFinding::MapOutside, "The resource map (offset %1, %2 bytes) does not lie inside the fork",
     "リソースマップ (オフセット %1、%2 バイト) がフォークの中にありません"},
    {TResFinding::MapTooShort, "The resource map is %1 bytes long, shorter than its 28 fixed bytes",
     "リソースマップが %1 バイトしかなく、28 バイトの固定部に足りません"},
    {TResFinding::MapTruncated,
     "The resource map runs past the end of the fork; %1 of its %2 bytes are there",
     "リソースマップがフォークの末尾を越えています (%2 バイトのうち %1 バイト)"},
    {TResFinding::DataAreaOutside, "The data area (offset %1, %2 bytes) runs past the end of the fork",
     "データ領域 (オフセット %1、%2 バイト) がフォークの末尾を越えています"},
    {TResFinding::DataMapOverlap, "The data area and the resource map overlap",
     "データ領域とリソースマップが重なっています"},
    {TResFinding::TypeListOutside, "The type list offset %1 lies outside the map",
     "タイプリストのオフセット %1 がマップの外です"},
    {TResFinding::TypeListTruncated, "The type list claims %1 types; the map holds %2",
     "タイプリストは %1 タイプとしていますが、マップには %2 タイプ分しかありません"},
    {TResFinding::NameListOutside, "The name list offset %1 lies outside the map",
     "名前リストのオフセット %1 がマップの外です"},
    {TResFinding::DuplicateType, "The type %1 appears more than once in the type list",
     "タイプ %1 がタイプリストに複数回あります"},
    {TResFinding::RefListOutside,
     "The reference list of %1 runs past the map; %2 of its %3 entries are there",
     "%1 の参照リストがマップを越えています (%3 件のうち %2 件)"},
    {TResFinding::RefListInTypeList, "The reference list of %1 lies inside the type list; it is not read",
     "%1 の参照リストがタイプリストの中にあります (読みません)"},
    {TResFinding::RefListOverlap, "The reference lists of %1 and %2 overlap; that of %2 is not read",
     "%1 と %2 の参照リストが重なっています (%2 のものは読みません)"},
    {TResFinding::DuplicateId, "There is more than one resource %1 %2", "リソース %1 %2 が複数あります"},
    {TResFinding::NameOutside, "The name of %1 %2 lies outside the map", "%1 %2 の名前がマップの外です"},
    {TResFinding::NameInData, "The name of %1 %2 points into the data area; it is not read",
     "%1 %2 の名前がデータ領域を指しています (読みません)"},
    {TResFinding::DataOutside, "The data of %1 %2 starts outside the data area",
     "%1 %2 のデータがデータ領域の外から始まっています"},
    {TResFinding::DataLengthOutside, "The data of %1 %2 (%3 bytes) runs past the data area",
     "%1 %2 のデータ (%3 バイト) がデータ領域を越えています"},
    {TResFinding::DataOverlap, "The data of %1 %2 and %3 %4 overlap",
     "%1 %2 と %3 %4 のデータが重なっています"},
}};

static_assert(ListedInEnumOrder<TFindingText>(kFindingTexts, &TFindingText::Key, kFindingTexts.size()),
              "one text per finding, in the order of TResFinding");

} // namespace

std::string TResourceFinding::Text(bool japanese) const {
    const TFindingText& entry = kFindingTexts[static_cast<std::size_t>(Kind)];
    return FillText(entry.In(japanese), std::span<const std::string>(Args));
}

} // namespace kelda
