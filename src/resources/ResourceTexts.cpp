// SPDX-License-Identifier: MIT
#include "resources/ResourceTexts.h"
#include "util/FillText.h"
#include "util/TableOrder.h"

#include <array>
#include <cstddef>

namespace kelda {

namespace {

using TResTextEntry = TTextEntry<TResText>;

constexpr std::array<TResTextEntry, 17> kTexts{{
    {TResText::PageCaption, "  Resources  ", "  ﾘｿｰｽ  "},
    {TResText::ColumnType, "Type", "ﾀｲﾌﾟ"},
    {TResText::ColumnId, "ID", "ID"},
    {TResText::ColumnName, "Name", "名前"},
    {TResText::ColumnAttributes, "Attributes", "属性"},
    {TResText::ColumnSize, "Size", "ｻｲｽﾞ"},
    {TResText::SaveResource, "Save resource(&W)...", "ﾘｿｰｽ保存(&W)..."},
    {TResText::NoResourceFork, "Information ! No resource fork.", "情報 ! リソースフォークがありません"},
    {TResText::ResourceNotFound, "Warning ! Resource %s can not find.",
     "警告 ! リソース %s が見つかりません"},
    {TResText::FindingsTitle, "Problems of the resource map:", "リソースマップの問題:"},
    {TResText::FindingsOmitted, "and %s more", "ほか %s 件"},
    {TResText::VersVersion, "Version", "バージョン"},
    {TResText::VersStage, "Stage", "段階"},
    {TResText::VersRegion, "Region", "地域コード"},
    {TResText::VersShort, "Short string", "短い文字列"},
    {TResText::VersLong, "Long string", "長い文字列"},
    {TResText::NoPreview, "The data can not be read", "データを読めません"},
}};

static_assert(ListedInEnumOrder<TResTextEntry>(kTexts, &TResTextEntry::Key, kTexts.size()),
              "one entry per text, in the order of TResText");

} // namespace

const char* ResourceText(TResText text, bool japanese) {
    const TResTextEntry& e = kTexts[static_cast<std::size_t>(text)];
    return e.In(japanese);
}

std::string ResourceText(TResText text, bool japanese, std::string_view arg) {
    return FillText(ResourceText(text, japanese), {arg});
}

} // namespace kelda
