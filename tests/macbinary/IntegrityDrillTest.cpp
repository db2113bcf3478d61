// SPDX-License-Identifier: MIT
// Integrity drills, as an attacker who can write to the temporary folder or the output's folder, or
// who controls the source while it is read, would try them: no write through a planted link, the
// source never the output however it is named, no partial output called success, nothing deleted
// that KELDA did not write.
#include "app/Language.h"
#include "macbinary/Conversion.h"
#include "macbinary/HeaderPieces.h"
#include "macbinary/TestFiles.h"
#include "support/DrillSupport.h"
#include "util/TFileStream.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <set>

namespace kelda {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

using TConversion = std::function<TConvertStatus(const fs::path& source, const fs::path& output,
                                                 const ProgressFn& progress, bool replaceReadOnly)>;

THeader DrillHeader() {
    THeader header{};
    test::PutName(header, "Victim");
    return header;
}

// The header of a source whose data fork of 3 MiB needs several copy blocks.
THeader LargeHeader() {
    THeader header = DrillHeader();
    test::PutUInt32(header, kOffsetDataForkLength, 3 << 20);
    return header;
}

const std::pair<const char*, TConversion> kConversions[] = {
    {"MacBinary II", [](const fs::path& s, const fs::path& o, const ProgressFn& p,
                        bool r) { return WriteMacBinaryII(MacBinaryIIForm(DrillHeader()), s, o, p, r); }},
    {"without header", [](const fs::path& s, const fs::path& o, const ProgressFn& p,
                          bool r) { return WriteWithoutHeader(s, o, p, r); }},
    {"data fork", [](const fs::path& s, const fs::path& o, const ProgressFn& p,
                     bool r) { return WriteDataFork(s, LargeHeader(), o, p, r); }},
};

// A MacBinary file of a little over 3 MiB (several copy blocks) whose data fork fills it.
Bytes LargeSource() {
    const THeader header = LargeHeader();
    Bytes file = test::RandomBytes((3 << 20) + 128, 4);
    std::copy(header.begin(), header.end(), file.begin());
    return file;
}

std::set<std::string> Entries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

unsigned ModeOf(const fs::path& file) {
    struct stat st {};
    ::lstat(file.c_str(), &st);
    return st.st_mode & 07777;
}

// Whatever stands under a piece's name in the temporary folder, opening a file never writes through
// it: a link to a user's file, a dangling link, a FIFO, a second name of a user's file.
TEST(IntegrityDrill, APlantedPieceNameNeverLeadsAWriteElsewhere) {
    struct Case {
        const char* name;
        std::function<void(const fs::path& piece, const fs::path& victim)> plant;
        bool victimExists;
    };
    const Case cases[] = {
        {"link to a file", [](const fs::path& p, const fs::path& v) { fs::create_symlink(v, p); }, true},
        {"dangling link", [](const fs::path& p, const fs::path& v) { fs::create_symlink(v, p); }, false},
        {"FIFO", [](const fs::path& p, const fs::path&) { ASSERT_TRUE(drill::MakeFifo(p)); }, true},
        {"hard link", [](const fs::path& p, const fs::path& v) { fs::create_hard_link(v, p); }, true},
    };
    const Bytes victimBytes(4000, 0x77);
    for (const Case& c : cases) {
        for (const TPieceSpec& piece : HeaderPieceSpecs) {
            SCOPED_TRACE(std::string(c.name) + " as " + std::string(piece.Extension));
            TempDir dir;
            fs::create_directory(dir / "TMP");
            fs::create_directory(dir / "home");
            const fs::path victim = dir / "home" / "thesis.doc";
            if (c.victimExists) {
                WriteBytes(victim, victimBytes);
            }
            const fs::path planted = dir / "TMP" / ("victim.bin" + std::string(piece.Extension));
            c.plant(planted, victim);
            try {
                WriteHeaderPieces(dir / "TMP" / "", dir / "victim.bin", DrillHeader());
                ADD_FAILURE() << "the planted name was written";
            } catch (const EFileError& e) {
                EXPECT_EQ(e.kind(), EFileError::Kind::Create);
                EXPECT_NE(std::string(e.what()).find(planted.string()), std::string::npos) << e.what();
            }
            if (c.victimExists) {
                EXPECT_EQ(ReadBytes(victim), victimBytes);
            } else {
                EXPECT_FALSE(fs::exists(fs::symlink_status(victim)));
            }
            EXPECT_EQ(Entries(dir / "home").size(), c.victimExists ? 1u : 0u);
        }
    }
}

TEST(IntegrityDrill, AnOrdinaryPieceIsEmptiedAndRewritten) {
    TempDir dir;
    fs::create_directory(dir / "TMP");
    WriteBytes(dir / "TMP" / "a.bin.DA1", Bytes(5000, 1));
    WriteHeaderPieces(dir / "TMP" / "", dir / "a.bin", DrillHeader());
    EXPECT_EQ(ReadBytes(dir / "TMP" / "a.bin.DA1").size(), 124u);
    EXPECT_EQ(ReadMacBinaryIIPieces(dir / "TMP" / "", dir / "a.bin"), MacBinaryIIForm(DrillHeader()));
}

// The source behind a chain of links (L0 -> d/L1 -> ... -> d/source.bin with d -> .) or a second name:
// the kernel opens it, so the guard compares what the kernel opens.
TEST(IntegrityDrill, NoChainOfLinksMakesTheSourceTheOutput) {
    TempDir dir;
    const Bytes source = LargeSource();
    WriteBytes(dir / "source.bin", source);
    fs::create_directory_symlink(".", dir / "d");
    constexpr int kHops = 19; // each hop follows two links; the kernel allows 40
    for (int i = 0; i < kHops; ++i) {
        const std::string next = i + 1 < kHops ? "L" + std::to_string(i + 1) : "source.bin";
        fs::create_symlink("d/" + next, dir / ("L" + std::to_string(i)));
    }
    ASSERT_TRUE(fs::exists(dir / "L0"));
    fs::create_hard_link(dir / "source.bin", dir / "second-name.bin");
    for (const char* output : {"L0", "L7", "d/d/d/L3", "second-name.bin", "d/source.bin"}) {
        for (const auto& [name, convert] : kConversions) {
            SCOPED_TRACE(std::string(output) + ", " + name);
            EXPECT_EQ(convert(dir / "source.bin", dir / output, {}, true), TConvertStatus::SourceIsOutput);
            EXPECT_EQ(ReadBytes(dir / "source.bin"), source);
        }
    }
    EXPECT_EQ(Entries(dir.path()).size(), kHops + 3u);
}

// A source cut short while it is copied: the read-past-end error, no output, an old output kept whole.
TEST(IntegrityDrill, ASourceThatShrinksWhileCopiedLeavesNoOutput) {
    const Bytes old(700, 0x42);
    for (const auto& [name, convert] : kConversions) {
        SCOPED_TRACE(name);
        TempDir dir;
        WriteBytes(dir / "src.bin", LargeSource());
        WriteBytes(dir / "out.bin", old);
        const ProgressFn shrink = [&](std::int64_t done, std::int64_t) {
            if (done == static_cast<std::int64_t>(kConvertBlockSize)) {
                fs::resize_file(dir / "src.bin", 2 * kConvertBlockSize);
            }
            return true;
        };
        try {
            convert(dir / "src.bin", dir / "out.bin", shrink, false);
            ADD_FAILURE() << "a partial copy was called complete";
        } catch (const EFileError& e) {
            EXPECT_EQ(e.kind(), EFileError::Kind::ReadPastEnd);
        }
        EXPECT_EQ(ReadBytes(dir / "out.bin"), old);
        EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"out.bin", "src.bin"}));
    }
}

// The temporary is its owner's alone while it is written; the output ends with the old file's
// permissions, or the usual ones for a new file. A name of 255 bytes fits beside its temporary.
TEST(IntegrityDrill, TheTemporaryIsPrivateAndItsNameShort) {
    const mode_t oldMask = ::umask(022);
    struct Case {
        const char* name;
        std::string output;
        std::optional<unsigned> oldMode;
        unsigned finalMode;
    };
    const Case cases[] = {
        {"over a private file", "out.bin", 0600, 0600},
        {"over a shared file", "out.bin", 0664, 0664},
        {"a new file", "new.bin", std::nullopt, 0644},
        {"a name of 255 bytes", std::string(251, 'n') + ".bin", std::nullopt, 0644},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteBytes(dir / "src.bin", LargeSource());
        if (c.oldMode) {
            WriteBytes(dir / c.output, {1, 2, 3});
            ::chmod((dir / c.output).c_str(), *c.oldMode);
        }
        std::set<unsigned> temporaryModes;
        const ProgressFn look = [&](std::int64_t, std::int64_t) {
            for (const std::string& entry : Entries(dir.path())) {
                if (entry != "src.bin" && entry != c.output) {
                    temporaryModes.insert(ModeOf(dir / entry));
                }
            }
            return true;
        };
        ASSERT_EQ(WriteWithoutHeader(dir / "src.bin", dir / c.output, look), TConvertStatus::Written);
        EXPECT_EQ(temporaryModes, (std::set<unsigned>{0600}));
        EXPECT_EQ(ModeOf(dir / c.output), c.finalMode);
        EXPECT_EQ(ReadBytes(dir / c.output).size(), 3u << 20);
    }
    ::umask(oldMask);
}

// A read-only output is replaced only when that is asked for, and keeps its permissions then.
TEST(IntegrityDrill, AReadOnlyOutputIsReplacedOnlyWhenAllowed) {
    for (const auto& [name, convert] : kConversions) {
        SCOPED_TRACE(name);
        TempDir dir;
        WriteBytes(dir / "src.bin", LargeSource());
        WriteBytes(dir / "ro.bin", {9, 9});
        ::chmod((dir / "ro.bin").c_str(), 0444);
        EXPECT_EQ(convert(dir / "src.bin", dir / "ro.bin", {}, false), TConvertStatus::OutputReadOnly);
        EXPECT_EQ(ReadBytes(dir / "ro.bin"), (Bytes{9, 9}));
        EXPECT_EQ(convert(dir / "src.bin", dir / "ro.bin", {}, true), TConvertStatus::Written);
        EXPECT_GT(ReadBytes(dir / "ro.bin").size(), 3000000u);
        EXPECT_EQ(ModeOf(dir / "ro.bin"), 0444u);
        EXPECT_EQ(Entries(dir.path()).size(), 2u);
    }
}

// Temporaries that killed runs left behind go at the next output into that folder; one that a
// running program holds, a link of that name and every other file stay, also plain files that only
// bear the temporaries' name.
TEST(IntegrityDrill, StaleTemporariesOfOurPatternAreRemovedAndNothingElse) {
    TempDir dir;
    if (!drill::KeepsUserAttributes(dir.path())) {
        GTEST_SKIP() << "this file system keeps no extended attributes: no temporary is ever stale";
    }
    WriteBytes(dir / "src.bin", LargeSource());
    WriteBytes(dir / "victim.txt", {5});
    const Bytes partial(1000, 3);
    for (const char* named : {".kelda-0123abcd.tmp", ".kelda-ffffffff.tmp"}) {
        WriteBytes(dir / named, partial);
    }
    for (int killed = 0; killed < 2; ++killed) {
        ASSERT_FALSE(drill::TemporaryOfKilledRun(dir / "out.bin").empty());
    }
    WriteBytes(dir / ".kelda-1234567.tmp", partial);  // one digit short: not ours
    WriteBytes(dir / ".kelda-0123abcd.TMP", partial); // another suffix
    WriteBytes(dir / ".out.bin.1234abcd.tmp", partial);
    fs::create_symlink(dir / "victim.txt", dir / ".kelda-aaaaaaaa.tmp");
    WriteBytes(dir / ".kelda-bbbbbbbb.tmp", partial);
    const int held = ::open((dir / ".kelda-bbbbbbbb.tmp").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0); // as a running program holds its temporary

    ASSERT_EQ(WriteWithoutHeader(dir / "src.bin", dir / "out.bin"), TConvertStatus::Written);
    EXPECT_EQ(Entries(dir.path()),
              (std::set<std::string>{".kelda-0123abcd.tmp", ".kelda-ffffffff.tmp", ".kelda-1234567.tmp",
                                     ".kelda-0123abcd.TMP", ".out.bin.1234abcd.tmp", ".kelda-aaaaaaaa.tmp",
                                     ".kelda-bbbbbbbb.tmp", "out.bin", "src.bin", "victim.txt"}));
    EXPECT_EQ(ReadBytes(dir / "victim.txt"), (Bytes{5}));
    ::close(held);
}

// TmpFileClear deletes what KELDA could have written there, never through a link, and does not enter
// a temporary folder that is a link to somewhere else.
TEST(IntegrityDrill, TmpFileClearDeletesOnlyPiecesKeldaCouldHaveWritten) {
    TempDir dir;
    fs::create_directory(dir / "home");
    WriteBytes(dir / "home" / "thesis.da1", Bytes(2000, 8));
    WriteBytes(dir / "home" / "small.DA2", {1, 2});
    fs::create_directory_symlink(dir / "home", dir / "TMP-link");
    const TTmpClearResult linked = ClearTmpFiles(dir / "TMP-link" / "");
    EXPECT_FALSE(linked.FolderHadEntries);
    EXPECT_EQ(Entries(dir / "home"), (std::set<std::string>{"small.DA2", "thesis.da1"}));

    fs::create_directory(dir / "TMP");
    WriteHeaderPieces(dir / "TMP" / "", "mine.bin", DrillHeader());
    fs::create_symlink(dir / "home" / "small.DA2", dir / "TMP" / "link.DA2");
    fs::create_hard_link(dir / "home" / "small.DA2", dir / "TMP" / "second.CR1");
    WriteBytes(dir / "TMP" / "big.da1", Bytes(2000, 8));
    const TTmpClearResult real = ClearTmpFiles(dir / "TMP" / "");
    EXPECT_TRUE(real.FolderHadEntries);
    EXPECT_EQ(real.Deleted, 6);
    EXPECT_EQ(Entries(dir / "TMP"), (std::set<std::string>{"big.da1", "link.DA2", "second.CR1"}));
    EXPECT_EQ(ReadBytes(dir / "home" / "small.DA2"), (Bytes{1, 2}));
    EXPECT_EQ(ReadBytes(dir / "home" / "thesis.da1").size(), 2000u);
}

// A temporary folder that is a link to another folder is refused for the pieces as TmpFileClear
// refuses it: nothing is written there (a user's file of a piece's name stays as it was), nothing is
// read from there, and the error says why in both languages.
TEST(IntegrityDrill, APieceFolderThatIsALinkIsNeitherWrittenNorRead) {
    TempDir dir;
    fs::create_directory(dir / "home");
    for (const TPieceSpec& piece : HeaderPieceSpecs) {
        WriteBytes(dir / "home" / ("ok.bin" + std::string(piece.Extension)), Bytes(100, 8));
    }
    fs::create_directory_symlink(dir / "home", dir / "TMP");
    for (const fs::path& tmp : {dir / "TMP" / "", dir / "TMP"}) {
        SCOPED_TRACE(tmp.string());
        try {
            WriteHeaderPieces(tmp, dir / "ok.bin", DrillHeader());
            ADD_FAILURE() << "written through the link";
        } catch (const EFileError& e) {
            EXPECT_EQ(e.kind(), EFileError::Kind::Create);
            EXPECT_EQ(e.File(), PieceFileName(tmp, "ok.bin", ".DA1"));
            EXPECT_NE(std::string(e.what()).find(MessageText(TMsg::NoWriteThroughLink, true)),
                      std::string::npos)
                << e.what();
            EXPECT_NE(e.english().find(MessageText(TMsg::NoWriteThroughLink, false)), std::string::npos)
                << e.english();
        }
        EXPECT_THROW(ReadMacBinaryIIPieces(tmp, "ok.bin"), EFileError);
        EXPECT_EQ(FirstMissingPiece(tmp, "ok.bin"), std::optional<std::string_view>(".DA2"));
    }
    EXPECT_EQ(Entries(dir / "home").size(), HeaderPieceSpecs.size());
    for (const TPieceSpec& piece : HeaderPieceSpecs) {
        EXPECT_EQ(ReadBytes(dir / "home" / ("ok.bin" + std::string(piece.Extension))), Bytes(100, 8));
    }
}

} // namespace
} // namespace kelda
