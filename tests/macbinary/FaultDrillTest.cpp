// SPDX-License-Identifier: MIT
// Fault drills for the file work of the MacBinary page: a disk that fills, folders that cannot be
// written, sources that vanish or are no files, and the descriptors every operation must give back.
// Whatever fails, the source stays as it was and an existing output keeps its old contents.
#include "crc/CrcUtils.h"
#include "macbinary/Conversion.h"
#include "macbinary/HeaderPieces.h"
#include "macbinary/TestFiles.h"
#include "support/DrillSupport.h"
#include "util/TFileStream.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

namespace kelda {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

using TConversion = std::function<TConvertStatus(const fs::path& source, const fs::path& output)>;

struct ConversionCase {
    const char* name;
    TConversion run;
};

THeader FileHeader() {
    THeader header{};
    test::PutName(header, "Drill");
    return header;
}

// The header of a source whose data fork of 3 MiB needs many copy blocks.
THeader LargeHeader() {
    THeader header = FileHeader();
    test::PutUInt32(header, kOffsetDataForkLength, 3 << 20);
    return header;
}

// The three outputs of the page; the data fork is long enough to need many blocks.
const ConversionCase kConversions[] = {
    {"MacBinary II", [](const fs::path& s,
                        const fs::path& o) { return WriteMacBinaryII(MacBinaryIIForm(FileHeader()), s, o); }},
    {"without header", [](const fs::path& s, const fs::path& o) { return WriteWithoutHeader(s, o); }},
    {"data fork", [](const fs::path& s, const fs::path& o) { return WriteDataFork(s, LargeHeader(), o); }},
};

// A MacBinary file of a little over 3 MiB whose data fork fills it.
Bytes LargeSource() {
    const THeader header = LargeHeader();
    Bytes file = test::RandomBytes((3 << 20) + 228, 7);
    std::copy(header.begin(), header.end(), file.begin());
    return file;
}

// Runs write in a process without root's privileges: true when it failed with the create error for
// lack of permission, false when it did anything else, nothing when no such process could be run.
std::optional<bool> CreateRefusedForOrdinaryUser(const std::function<void()>& write) {
    return drill::RunAsOrdinaryUser([&] {
        try {
            write();
        } catch (const EFileError& e) {
            return e.kind() == EFileError::Kind::Create && e.errorCode() == EACCES;
        }
        return false;
    });
}

std::size_t EntriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(FaultDrill, ADiskThatFillsEndsTheConversionWithAnIOErrorAndLosesNothing) {
    TempDir dir;
    const Bytes source = LargeSource();
    WriteBytes(dir / "src.bin", source);
    const Bytes oldOutput(5000, 0x5A);
    for (const ConversionCase& c : kConversions) {
        SCOPED_TRACE(c.name);
        // The device that is always full fails the first write.
        try {
            c.run(dir / "src.bin", "/dev/full");
            ADD_FAILURE() << "no error from /dev/full";
        } catch (const EFileError& e) {
            EXPECT_EQ(e.kind(), EFileError::Kind::InOut);
            EXPECT_EQ(e.errorCode(), ENOSPC);
            EXPECT_STREQ(e.what(), "I/O エラー (28)");
        }
        // A file system that fills up half-way through: the old output stays whole and no
        // half-written temporary file is left behind.
        WriteBytes(dir / "out.bin", oldOutput);
        {
            drill::TFileSizeLimit limit(1 << 20);
            EXPECT_THROW(c.run(dir / "src.bin", dir / "out.bin"), EFileError);
        }
        EXPECT_EQ(ReadBytes(dir / "out.bin"), oldOutput);
        EXPECT_EQ(EntriesIn(dir.path()), 2u);
        EXPECT_EQ(ReadBytes(dir / "src.bin"), source);
    }
}

TEST(FaultDrill, AnOutputFolderThatCannotBeWrittenGivesTheCreateError) {
    TempDir dir;
    WriteBytes(dir / "src.bin", LargeSource());
    WriteBytes(dir / "plain-file", Bytes(10, 1));
    fs::create_directory(dir / "locked");
    fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                        fs::perms::group_exec | fs::perms::others_read |
                                        fs::perms::others_exec);
    drill::OpenToEveryone(dir / "src.bin");
    for (const ConversionCase& c : kConversions) {
        SCOPED_TRACE(c.name);
        // A folder that is a regular file stops everyone, root included.
        try {
            c.run(dir / "src.bin", dir / "plain-file" / "out.bin");
            ADD_FAILURE() << "no error for a folder that is a file";
        } catch (const EFileError& e) {
            EXPECT_EQ(e.kind(), EFileError::Kind::Create);
            EXPECT_EQ(e.errorCode(), ENOTDIR);
            EXPECT_NE(std::string(e.what()).find((dir / "plain-file" / "out.bin").string()),
                      std::string::npos);
        }
        // Permission bits stop an ordinary user; root gives its privileges away to be one.
        const fs::path locked = dir / "locked" / "out.bin";
        const std::optional<bool> refused =
            CreateRefusedForOrdinaryUser([&] { c.run(dir / "src.bin", locked); });
        if (!refused) {
            GTEST_SKIP() << "no process without root's privileges could be run here (setuid refused)";
        }
        EXPECT_TRUE(*refused);
        EXPECT_EQ(EntriesIn(dir / "locked"), 0u);
    }
}

// Every kind of source that is not a readable file: each operation reports the open error at once
// (a FIFO must not block), creates no output, and leaves no descriptor open.
TEST(FaultDrill, ASourceThatIsGoneOrNoFileRaisesTheOpenError) {
    TempDir dir;
    fs::create_directory(dir / "folder");
    ASSERT_TRUE(drill::MakeFifo(dir / "fifo"));
    fs::create_symlink(dir / "loop", dir / "loop");
    WriteBytes(dir / "chosen.bin", LargeSource());
    fs::remove(dir / "chosen.bin"); // chosen, then gone before the work starts

    struct Source {
        const char* name;
        fs::path path;
    };
    const Source sources[] = {
        {"gone", dir / "chosen.bin"},
        {"folder", dir / "folder"},
        {"FIFO", dir / "fifo"},
        {"link to itself", dir / "loop"},
    };
    const std::pair<const char*, std::function<void(const fs::path&)>> operations[] = {
        {"ReadHeader",
         [](const fs::path& p) {
             THeader h{};
             ReadHeader(p, h);
         }},
        {"FileSizeOf", [](const fs::path& p) { FileSizeOf(p); }},
        {"CrcFile",
         [](const fs::path& p) {
             auto e = MakeCrcEngine(CrcVariants[10]);
             CrcFile(*e, p);
         }},
        {"CrcFileAll", [](const fs::path& p) { CrcFileAll(p); }},
    };
    fs::create_directory(dir / "out");
    for (const Source& s : sources) {
        SCOPED_TRACE(s.name);
        const int descriptors = drill::OpenDescriptors();
        for (const auto& [name, operation] : operations) {
            SCOPED_TRACE(name);
            try {
                operation(s.path);
                ADD_FAILURE() << "no error";
            } catch (const EFileError& e) {
                EXPECT_EQ(e.kind(), EFileError::Kind::Open);
            }
        }
        for (const ConversionCase& c : kConversions) {
            SCOPED_TRACE(c.name);
            try {
                c.run(s.path, dir / "out" / "out.bin");
                ADD_FAILURE() << "no error";
            } catch (const EFileError& e) {
                EXPECT_EQ(e.kind(), EFileError::Kind::Open);
            }
            EXPECT_EQ(EntriesIn(dir / "out"), 0u);
        }
        EXPECT_EQ(drill::OpenDescriptors(), descriptors);
    }
}

TEST(FaultDrill, ATemporaryFolderThatCannotBeWrittenFailsAtTheFirstPiece) {
    TempDir dir;
    WriteBytes(dir / "src.bin", LargeSource());
    const THeader header = FileHeader();
    // A temporary folder that is a regular file stops everyone.
    WriteBytes(dir / "TMP", Bytes(4, 0));
    try {
        WriteHeaderPieces(dir / "TMP" / "", dir / "src.bin", header);
        ADD_FAILURE() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.kind(), EFileError::Kind::Create);
        EXPECT_NE(std::string(e.what()).find("src.bin.DA1"), std::string::npos);
    }
    // A read-only folder stops an ordinary user.
    fs::create_directory(dir / "RO");
    fs::permissions(dir / "RO", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    drill::OpenToEveryone(dir / "src.bin");
    const std::optional<bool> refused =
        CreateRefusedForOrdinaryUser([&] { WriteHeaderPieces(dir / "RO" / "", dir / "src.bin", header); });
    if (!refused) {
        GTEST_SKIP() << "no process without root's privileges could be run here (setuid refused)";
    }
    EXPECT_TRUE(*refused);
    EXPECT_EQ(EntriesIn(dir / "RO"), 0u);
}

// Each operation of the page, on success and on failure, gives back every descriptor it opened.
TEST(FaultDrill, EveryOperationClosesItsFiles) {
    TempDir dir;
    WriteBytes(dir / "src.bin", LargeSource());
    WriteBytes(dir / "short.bin", Bytes(50, 0));
    fs::create_directory(dir / "TMP");
    const fs::path tmp = dir / "TMP" / "";
    const std::pair<const char*, std::function<void()>> operations[] = {
        {"ReadHeader",
         [&] {
             THeader h{};
             ReadHeader(dir / "src.bin", h);
         }},
        {"ReadHeader of a short file",
         [&] {
             THeader h{};
             ReadHeader(dir / "short.bin", h);
         }},
        {"FileSizeOf", [&] { FileSizeOf(dir / "src.bin"); }},
        {"WriteHeaderPieces", [&] { WriteHeaderPieces(tmp, dir / "src.bin", FileHeader()); }},
        {"ReadMacBinaryIIPieces", [&] { ReadMacBinaryIIPieces(tmp, dir / "src.bin"); }},
        {"ReadMacBinaryIIPieces, pieces missing", [&] { ReadMacBinaryIIPieces(tmp, dir / "none.bin"); }},
        {"ClearTmpFiles", [&] { ClearTmpFiles(tmp); }},
        {"MacBinary II", [&] { kConversions[0].run(dir / "src.bin", dir / "out.bin"); }},
        {"without header", [&] { kConversions[1].run(dir / "src.bin", dir / "out.bin"); }},
        {"data fork", [&] { kConversions[2].run(dir / "src.bin", dir / "out.bin"); }},
        {"conversion to a full disk", [&] { kConversions[1].run(dir / "src.bin", "/dev/full"); }},
        {"conversion to a missing folder", [&] { kConversions[1].run(dir / "src.bin", dir / "no" / "o"); }},
        {"CrcFile",
         [&] {
             auto e = MakeCrcEngine(CrcVariants[0]);
             CrcFile(*e, dir / "src.bin");
         }},
        {"CrcFileAll", [&] { CrcFileAll(dir / "src.bin"); }},
        {"CrcGetCrc16", [&] { CrcGetCrc16(dir / "src.bin"); }},
    };
    for (const auto& [name, operation] : operations) {
        SCOPED_TRACE(name);
        const int before = drill::OpenDescriptors();
        try {
            operation();
        } catch (const EFileError&) {
            // failures count as much as successes
        }
        EXPECT_EQ(drill::OpenDescriptors(), before);
    }
}

} // namespace
} // namespace kelda
