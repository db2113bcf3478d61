// SPDX-License-Identifier: MIT
#include "crc/RecentFiles.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using List = std::vector<std::string>;

namespace {

// A list of 20 entries: the given ones, then blanks.
List Padded(List head) {
    head.resize(kelda::kRecentFileCount);
    return head;
}

List Distinct(int count) {
    List l;
    for (int i = 0; i < count; ++i) {
        l.push_back("/f" + std::to_string(i));
    }
    return l;
}

struct Case {
    const char* what;
    std::string name;
    List before;
    List after;
};

TEST(RecentFiles, UpdateRecentFiles) {
    List twentyOneAfter = Distinct(19);
    twentyOneAfter.insert(twentyOneAfter.begin(), "/new");
    List movedFromFive = Distinct(20);
    movedFromFive.erase(movedFromFive.begin() + 5);
    movedFromFive.insert(movedFromFive.begin(), "/f5");

    const Case cases[] = {
        {"first file", "/a", Padded({}), Padded({"/a"})},
        {"same file again", "/a", Padded({"/a", "/b"}), Padded({"/a", "/b"})},
        {"an older file moves to the top", "/b", Padded({"/a", "/b", "/c"}), Padded({"/b", "/a", "/c"})},
        {"oldest falls off", "/new", Distinct(20), twentyOneAfter},
        {"chosen from the middle of a full list", "/f5", Distinct(20), movedFromFive},
        {"letter case counts", "/A", Padded({"/a"}), Padded({"/A", "/a"})},
        {"blanks go last", "/q", Padded({"", "", "", "/p"}), Padded({"/q", "/p"})},
        {"a blank entry chosen", "", Padded({"", "", "", "/p"}), Padded({"/p"})},
        {"only one duplicate is removed", "/a", Padded({"/x", "/a", "/a"}), Padded({"/a", "/x", "/a"})},
        {"a short list is padded", "/a", List{"/b"}, Padded({"/a", "/b"})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(kelda::UpdateRecentFiles(c.name, c.before), c.after);
    }
}

} // namespace
