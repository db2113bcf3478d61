// SPDX-License-Identifier: MIT
// Journaled HFS+ volumes: a journal still holding a transaction that renames a file is replayed
// in memory (in either byte order, wrapping round the ring), so the listing is the renamed one;
// a damaged journal gives its fault and the volume is read without it.
#include "image/HfsVolume.h"

#include "HfsPlusBuilder.h"
#include "ImageFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace kelda {
namespace {

using test::Bytes;
using test::TPlusItem;

std::vector<TPlusItem> Items(const std::u16string& name) {
    return {{.Path = {u"Docs"}, .Folder = true},
            {.Path = {u"Docs", name}, .Data = test::Bytes(3000, 'd')},
            {.Path = {u"Notes"}, .Data = test::Bytes(100, 'n')}};
}

// The 4096-byte blocks in which after differs from before: what a transaction would write.
test::TJournalWrites Changes(const Bytes& before, const Bytes& after) {
    test::TJournalWrites writes;
    for (std::size_t at = 0; at < before.size(); at += 4096) {
        if (!std::equal(before.begin() + at, before.begin() + at + 4096, after.begin() + at)) {
            writes.push_back({at, Bytes(after.begin() + at, after.begin() + at + 4096)});
        }
    }
    return writes;
}

std::vector<std::string> Listing(const THfsVolume& v) {
    std::vector<std::string> paths;
    for (const THfsEntry& e : v.Entries()) {
        paths.push_back(EntryPathText(e));
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

bool Has(const std::vector<TImageFinding>& findings, TImageFault kind) {
    return std::any_of(findings.begin(), findings.end(),
                       [&](const TImageFinding& f) { return f.Kind == kind; });
}

class HfsJournalTest : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = test::BuildHfsPlus(Items(u"Draft"));
        renamed_ = test::BuildHfsPlus(Items(u"Final"));
        ASSERT_EQ(old_.size(), renamed_.size());
        writes_ = Changes(old_, renamed_);
        ASSERT_FALSE(writes_.empty());
    }
    THfsVolume Open(const Bytes& bytes) {
        test::WriteBytes(dir_.path() / "j.img", bytes);
        stream_ = std::make_unique<TFileStream>(dir_.path() / "j.img", FileMode::Read);
        return THfsVolume::Open(*stream_, 0, stream_->Size());
    }
    Bytes old_, renamed_;
    test::TJournalWrites writes_;
    test::TempDir dir_;
    std::unique_ptr<TFileStream> stream_;
};

TEST_F(HfsJournalTest, ReplaysTheTransactionsInEitherByteOrderAndRoundTheRing) {
    const std::vector<std::string> expected = {"Docs", "Docs/Final", "Notes"};
    // A first transaction that the second overwrites: later ones win.
    test::TJournalWrites garbage;
    for (const auto& w : writes_) {
        garbage.push_back({w.first, Bytes(w.second.size(), 0xEE)});
    }
    const struct {
        const char* Name;
        test::TJournalOptions Options;
        std::vector<test::TJournalWrites> Transactions;
    } cases[] = {
        {"big-endian", {}, {writes_}},
        {"little-endian", {.LittleEndian = true}, {writes_}},
        {"wraps past the ring's end", {.Start = 8 * 4096 - 4096}, {writes_}},
        {"later transaction wins", {.Blocks = 16}, {garbage, writes_}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Bytes bytes = old_;
        test::AddJournal(bytes, c.Transactions, c.Options);
        const THfsVolume v = Open(bytes);
        EXPECT_EQ(Listing(v), expected);
        EXPECT_EQ(v.Journal().Transactions, c.Transactions.size());
        const std::vector<TImageFinding> findings = v.Check();
        ASSERT_FALSE(findings.empty());
        EXPECT_EQ(findings.front().Kind, TImageFault::JournalReplayed) << findings.front().Text(false);
        EXPECT_FALSE(Has(findings, TImageFault::JournalIgnored));
        // The fork of the renamed file reads as before.
        const THfsEntry* file = nullptr;
        for (const THfsEntry& e : v.Entries()) {
            file = EntryPathText(e) == "Docs/Final" ? &e : file;
        }
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(v.ForkSources(*file, THfsForkKind::Data).size(), 1u);
    }
}

// Each damage: its fault naming the journal's structure, then the volume read without the journal.
TEST_F(HfsJournalTest, ADamagedJournalIsReportedAndLeftAside) {
    using test::plusbuild::Rechecksum;
    const struct {
        const char* Name;
        std::function<void(Bytes&, const test::TJournalLayout&)> Damage;
        TImageFault Fault;
        TImageStructure Structure;
    } cases[] = {
        {"magic", [](Bytes& b, const auto& l) { b[l.HeaderAt] = 'X'; }, TImageFault::BadSignature,
         TImageStructure::JournalHeader},
        {"endian marker",
         [](Bytes& b, const auto& l) {
             test::SetBig32(b, l.HeaderAt + 4, 0x11223344);
             Rechecksum(b, l.HeaderAt, 44, 36);
         },
         TImageFault::BadSignature, TImageStructure::JournalHeader},
        {"header checksum", [](Bytes& b, const auto& l) { b[l.HeaderAt + 19] ^= 1; },
         TImageFault::JournalChecksum, TImageStructure::JournalHeader},
        {"size past the journal",
         [](Bytes& b, const auto& l) {
             test::SetBig32(b, l.HeaderAt + 24, 0x7FFFFFFF);
             Rechecksum(b, l.HeaderAt, 44, 36);
         },
         TImageFault::BadValue, TImageStructure::JournalHeader},
        {"block list checksum", [](Bytes& b, const auto& l) { b[l.FirstListAt + 20] ^= 1; },
         TImageFault::JournalChecksum, TImageStructure::JournalBlockList},
        {"block list past the journal",
         [](Bytes& b, const auto& l) {
             test::SetBig32(b, l.FirstListAt + 4, 0xFFFFF000);
             Rechecksum(b, l.FirstListAt, 32, 8);
         },
         TImageFault::JournalListBad, TImageStructure::JournalBlockList},
        {"end never reached (a loop)",
         [](Bytes& b, const auto& l) {
             // One list that takes the whole ring comes back to itself; the end lies elsewhere.
             test::SetBig32(b, l.FirstListAt + 4, 8 * 4096 - 512);
             Rechecksum(b, l.FirstListAt, 32, 8);
         },
         TImageFault::JournalListBad, TImageStructure::JournalBlockList},
        {"block outside the volume",
         [](Bytes& b, const auto& l) {
             test::SetBig32(b, l.FirstListAt + 32, 0x7FFFFFFF);
             Rechecksum(b, l.FirstListAt, 32, 8);
         },
         TImageFault::JournalBlockOutside, TImageStructure::JournalBlockList},
        {"journal outside the volume",
         [](Bytes& b, const auto& l) { test::SetBig32(b, l.InfoAt + 40, 0x7FFFFFF0); }, TImageFault::BadValue,
         TImageStructure::JournalInfoBlock},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Bytes bytes = old_;
        const test::TJournalLayout layout = test::AddJournal(bytes, {writes_});
        c.Damage(bytes, layout);
        const THfsVolume v = Open(bytes);
        EXPECT_EQ(Listing(v), (std::vector<std::string>{"Docs", "Docs/Draft", "Notes"}));
        const std::vector<TImageFinding> findings = v.Check();
        ASSERT_GE(findings.size(), 2u);
        EXPECT_EQ(findings[0].Kind, c.Fault) << findings[0].Text(false);
        EXPECT_EQ(findings[0].Structure, c.Structure) << findings[0].Text(false);
        EXPECT_NE(findings[0].Text(true), findings[0].Text(false));
        EXPECT_EQ(findings[1].Kind, TImageFault::JournalIgnored);
    }
}

TEST_F(HfsJournalTest, AJournalOnAnotherDeviceIsReportedNotReplayed) {
    Bytes bytes = old_;
    test::AddJournal(bytes, {writes_}, {.InfoFlags = 2});
    const THfsVolume v = Open(bytes);
    EXPECT_EQ(Listing(v), (std::vector<std::string>{"Docs", "Docs/Draft", "Notes"}));
    EXPECT_TRUE(Has(v.Check(), TImageFault::JournalExternal));
    EXPECT_FALSE(Has(v.Check(), TImageFault::JournalReplayed));
}

} // namespace
} // namespace kelda
