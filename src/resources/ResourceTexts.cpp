// SPDX-License-Identifier: MIT
#include "resources/ResourceTexts.h"
#include "util/FillText.h"

#include <array>
#include <cstddef>

namespace kelda {

namespace {

struct TTextEntry {
    TResText Id;
    const char* Japanese;
    const char* English;
};

constexpr std::array<TTextEntry, 17> kTexts{{
    {TResText::PageCaption, "  ﾘｿｰｽ  ", "  Resources  "},
    {TResText::ColumnType, "ﾀｲﾌﾟ", "Type"},
    {TResText::ColumnId, "ID", "ID"},
    {TResText::ColumnName, "名前", "Name"},
    {TResText::ColumnAttributes, "属性", "Attributes"},
    {TResText::ColumnSize, "ｻｲｽﾞ", "Size"},
    {TResText::SaveResource, "ﾘｿｰｽ保存(&W)...", "Save resource(&W)..."},
    {TResText::NoResourceFork, "情報 ! リソースフォークがありません", "Information ! No resource fork."},
    {TResText::ResourceNotFound, "警告 ! リソース %s が見つかりません",
     "Warning ! Resource %s can not find."},
    {TResText::FindingsTitle, "リソースマップの問題:", "Problems of the resource map:"},
    {TResText::FindingsOmitted, "ほか %s 件", "and %s more"},
    {TResText::VersVersion, "バージョン", "Version"},
    {TResText::VersStage, "段階", "Stage"},
    {TResText::VersRegion, "地域コード", "Region"},
    {TResText::VersShort, "短い文字列", "Short string"},
    {TResText::VersLong, "長い文字列", "Long string"},
    {TResText::NoPreview, "データを読めません", "The data can not be read"},
}};

constexpr bool InOrder() {
    for (std::size_t i = 0; i < kTexts.size(); ++i) {
        if (static_cast<std::size_t>(kTexts[i].Id) != i) {
            return false;
        }
    }
    return true;
}
static_assert(InOrder(), "one entry per text, in the order of TResText");

} // namespace

const char* ResourceText(TResText text, bool japanese) {
    const TTextEntry& e = kTexts[static_cast<std::size_t>(text)];
    return japanese ? e.Japanese : e.English;
}

std::string ResourceText(TResText text, bool japanese, std::string_view arg) {
    return FillText(ResourceText(text, japanese), {arg});
}

} // namespace kelda
