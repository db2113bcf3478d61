// SPDX-License-Identifier: MIT
// The help text describes the window as it is: every page, every item the File menu adds, the
// Images page's form list, Save resource and where an installed copy keeps its pieces, named with
// the captions of the language tables, in the English part and in the Japanese part.
#include "app/Language.h"
#include "resources/ResourceTexts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kelda {
namespace {

std::string HelpText() {
    const std::filesystem::path file =
        std::filesystem::path(KELDA_CORPUS_DIR).parent_path().parent_path() / "src/app/kelda.TXT";
    std::ifstream in(file, std::ios::binary);
    EXPECT_TRUE(in) << file;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A caption as the help text names it: without its blanks around, its "…" and its accelerator.
std::string Named(std::string caption) {
    for (const std::string cut : {"…", "..."}) {
        if (caption.size() >= cut.size() &&
            caption.compare(caption.size() - cut.size(), cut.size(), cut) == 0) {
            caption.erase(caption.size() - cut.size());
        }
    }
    if (const std::size_t amp = caption.find("(&"); amp != std::string::npos) {
        caption.erase(amp);
    }
    const std::size_t first = caption.find_first_not_of(' ');
    const std::size_t last = caption.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : caption.substr(first, last - first + 1);
}

TEST(HelpText, NamesEveryPageAndFileMenuItemInBothLanguages) {
    const std::string text = HelpText();
    const std::size_t japaneseStart = text.find("KELDA の使い方\n");
    ASSERT_NE(japaneseStart, std::string::npos);
    const std::string parts[2] = {text.substr(0, japaneseStart), text.substr(japaneseStart)};
    for (const bool japanese : {false, true}) {
        SCOPED_TRACE(japanese ? "Japanese part" : "English part");
        const std::string& part = parts[japanese ? 1 : 0];
        std::vector<std::string> names;
        for (const std::string_view page : kPageCaptions) {
            names.push_back(Named(std::string(page)));
        }
        names.push_back(Named(ResourceText(TResText::PageCaption, japanese)));
        names.push_back(Named(ResourceText(TResText::SaveResource, japanese)));
        for (const TCaptionEntry& e : ForkCaptionTable()) {
            const std::string control = e.Control;
            if (control.rfind("Menu", 0) == 0 || control.rfind("ItemImage", 0) == 0 ||
                control == "TabSheetImages" || control == "LabelImageForm") {
                names.push_back(Named(japanese ? e.Japanese : e.English));
            }
        }
        for (const char* control : {"MenuFile", "MenuSetting", "MenuResetIniFile", "MenuJapaneseSet"}) {
            const TCaptionEntry* e = FindCaption(control);
            ASSERT_NE(e, nullptr) << control;
            names.push_back(Named(japanese ? e->Japanese : e->English));
        }
        names.push_back("~/.cache/kelda/TMP/");
        names.push_back("~/.config/kelda/");
        names.push_back("kelda-cli");
        for (const std::string& name : names) {
            EXPECT_NE(part.find(name), std::string::npos) << name;
        }
    }
}

} // namespace
} // namespace kelda
