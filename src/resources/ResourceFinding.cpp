// SPDX-License-Identifier: MIT
#include "resources/ResourceFinding.h"
#include "util/FillText.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace kelda {

namespace {

struct TFindingText {
    TResFinding Kind;
    const char* Japanese;
    const char* English;
};

// In the order of TResFinding.
constexpr std::array<TFindingText, 20> kFindingTexts{{
    {TResFinding::ForkTruncated, "リソースフォークの %2 バイトのうち %1 バイトしかファイルにありません",
     "Only %1 of the %2 bytes of the resource fork are in the file"},
    {TResFinding::ForkTooShort, "リソースフォークが %1 バイトしかなく、16 バイトのヘッダーに足りません",
     "The resource fork has %1 bytes, fewer than its 16-byte header"},
    {TResFinding::MapOutside, "リソースマップ (オフセット %1、%2 バイト) がフォークの中にありません",
     "The resource map (offset %1, %2 bytes) does not lie inside the fork"},
    {TResFinding::MapTooShort, "リソースマップが %1 バイトしかなく、28 バイトの固定部に足りません",
     "The resource map is %1 bytes long, shorter than its 28 fixed bytes"},
    {TResFinding::MapTruncated, "リソースマップがフォークの末尾を越えています (%2 バイトのうち %1 バイト)",
     "The resource map runs past the end of the fork; %1 of its %2 bytes are there"},
    {TResFinding::DataAreaOutside, "データ領域 (オフセット %1、%2 バイト) がフォークの末尾を越えています",
     "The data area (offset %1, %2 bytes) runs past the end of the fork"},
    {TResFinding::DataMapOverlap, "データ領域とリソースマップが重なっています",
     "The data area and the resource map overlap"},
    {TResFinding::TypeListOutside, "タイプリストのオフセット %1 がマップの外です",
     "The type list offset %1 lies outside the map"},
    {TResFinding::TypeListTruncated,
     "タイプリストは %1 タイプとしていますが、マップには %2 タイプ分しかありません",
     "The type list claims %1 types; the map holds %2"},
    {TResFinding::NameListOutside, "名前リストのオフセット %1 がマップの外です",
     "The name list offset %1 lies outside the map"},
    {TResFinding::DuplicateType, "タイプ %1 がタイプリストに複数回あります",
     "The type %1 appears more than once in the type list"},
    {TResFinding::RefListOutside, "%1 の参照リストがマップを越えています (%3 件のうち %2 件)",
     "The reference list of %1 runs past the map; %2 of its %3 entries are there"},
    {TResFinding::RefListInTypeList, "%1 の参照リストがタイプリストの中にあります (読みません)",
     "The reference list of %1 lies inside the type list; it is not read"},
    {TResFinding::RefListOverlap, "%1 と %2 の参照リストが重なっています (%2 のものは読みません)",
     "The reference lists of %1 and %2 overlap; that of %2 is not read"},
    {TResFinding::DuplicateId, "リソース %1 %2 が複数あります", "There is more than one resource %1 %2"},
    {TResFinding::NameOutside, "%1 %2 の名前がマップの外です", "The name of %1 %2 lies outside the map"},
    {TResFinding::NameInData, "%1 %2 の名前がデータ領域を指しています (読みません)",
     "The name of %1 %2 points into the data area; it is not read"},
    {TResFinding::DataOutside, "%1 %2 のデータがデータ領域の外から始まっています",
     "The data of %1 %2 starts outside the data area"},
    {TResFinding::DataLengthOutside, "%1 %2 のデータ (%3 バイト) がデータ領域を越えています",
     "The data of %1 %2 (%3 bytes) runs past the data area"},
    {TResFinding::DataOverlap, "%1 %2 と %3 %4 のデータが重なっています",
     "The data of %1 %2 and %3 %4 overlap"},
}};

constexpr bool TextsInOrder() {
    for (std::size_t i = 0; i < kFindingTexts.size(); ++i) {
        if (static_cast<std::size_t>(kFindingTexts[i].Kind) != i) {
            return false;
        }
    }
    return true;
}
static_assert(TextsInOrder(), "one text per finding, in the order of TResFinding");

} // namespace

std::string TResourceFinding::Text(bool japanese) const {
    const TFindingText& entry = kFindingTexts[static_cast<std::size_t>(Kind)];
    return FillText(japanese ? entry.Japanese : entry.English, std::span<const std::string>(Args));
}

} // namespace kelda
