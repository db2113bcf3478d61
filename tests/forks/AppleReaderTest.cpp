// SPDX-License-Identifier: MIT
// Reading AppleSingle/AppleDouble files that are damaged or made to mislead: each is refused with
// its reason before any entry is used, and a sound one gives its fields back.
#include "ForkSamples.h"

#include "forks/ForkExport.h"
#include "forks/TAppleContainer.h"

#include <gtest/gtest.h>

namespace kelda {
namespace {

using namespace test;

// A container: magic, version, filler, then the descriptors (id, offset, length), then tail.
Bytes Container(std::uint32_t magic, std::vector<TAppleEntry> entries, std::size_t tail,
                std::uint16_t count = 0) {
    Bytes b(26 + entries.size() * 12 + tail, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
        }
    };
    put32(0, magic);
    put32(4, 0x00020000);
    const std::uint16_t n = count != 0 ? count : static_cast<std::uint16_t>(entries.size());
    b[24] = static_cast<std::uint8_t>(n >> 8);
    b[25] = static_cast<std::uint8_t>(n);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        put32(26 + i * 12, entries[i].Id);
        put32(30 + i * 12, static_cast<std::uint32_t>(entries[i].Offset));
        put32(34 + i * 12, static_cast<std::uint32_t>(entries[i].Length));
    }
    return b;
}

struct THostileCase {
    const char* Name;
    Bytes File;
    const char* English; // the reason in English, empty for a file that is no container at all
};

std::vector<THostileCase> HostileCases() {
    constexpr std::uint32_t AD = 0x00051607;
    const std::int64_t data = 26 + 2 * 12; // where entries of a two-entry table may begin
    return {
        {"entry past the end", Container(AD, {{2, data, 100}}, 10), "an entry runs past the end of the file"},
        {"offset past the end", Container(AD, {{2, 0xFFFFFFF0, 0x20}}, 10),
         "an entry runs past the end of the file"},
        {"huge count", Container(AD, {{2, 38, 0}}, 4, 0xFFFF), "an entry runs past the end of the file"},
        {"overlapping", Container(AD, {{2, data, 10}, {3, data + 5, 10}}, 20), "two entries overlap"},
        {"inside the table", Container(AD, {{2, 10, 4}}, 4), "two entries overlap"},
        {"twice", Container(AD, {{2, data, 2}, {2, data + 2, 2}}, 4), "an entry appears twice"},
        {"short Finder info", Container(AD, {{9, 38, 8}}, 8), "an entry is too short"},
        {"short dates", Container(AD, {{8, 38, 4}}, 4), "an entry is too short"},
        {"wrong magic", Container(0x00051608, {}, 0), ""},
        {"wrong version",
         [] {
             Bytes b = Container(AD, {}, 0);
             b[5] = 3;
             return b;
         }(),
         ""},
        {"cut inside the header", Bytes{0x00, 0x05, 0x16, 0x07, 0x00, 0x02, 0x00, 0x00, 0x00}, ""},
    };
}

TEST(AppleReader, HostileFilesAreRefusedWithTheirReason) {
    TempDir dir;
    for (const THostileCase& c : HostileCases()) {
        SCOPED_TRACE(c.Name);
        WriteBytes(dir / "f", c.File);
        try {
            const TAppleContainer container(dir / "f");
            ADD_FAILURE() << "accepted";
        } catch (const EBilingualError& e) {
            if (*c.English == '\0') {
                EXPECT_EQ(e.english(), "Warning ! This file is not an AppleSingle or AppleDouble file.");
            } else {
                EXPECT_EQ(e.english(),
                          std::string("The AppleSingle / AppleDouble file is damaged: ") + c.English);
                EXPECT_NE(std::string(e.what()).find("壊れています"), std::string::npos);
            }
        }
    }
}

TEST(AppleReader, EmptyEntriesMayShareAnOffsetAndUnknownIdsAreSkipped) {
    TempDir dir;
    WriteBytes(dir / "f", Container(0x00051607, {{2, 62, 0}, {3, 62, 2}, {77, 64, 3}}, 5));
    const TAppleContainer c(dir / "f");
    EXPECT_EQ(c.Kind(), TAppleKind::Double);
    ASSERT_NE(c.Find(2), nullptr);
    EXPECT_EQ(c.Find(2)->Length, 0);
    EXPECT_EQ(c.Find(9), nullptr);
    EXPECT_EQ(c.Info().Name, std::string(2, '\0'));
}

// A sidecar as macOS writes it has a Finder info entry far longer than 32 bytes (extended
// attributes follow); only its first 32 bytes are the Finder's.
TEST(AppleReader, LongFinderInfoEntryIsReadForItsFirst32Bytes) {
    TempDir dir;
    Bytes f = Container(0x00051607, {{9, 50, 3810}, {2, 3860, 2}}, 3812);
    const Bytes fi = Hex("54455854 74747874 0120 0010 0020 0003  0000 000000000000 01 40 0000 00000000");
    std::copy(fi.begin(), fi.end(), f.begin() + 50);
    WriteBytes(dir / "f", f);
    const TMacFileInfo info = TAppleContainer(dir / "f").Info();
    EXPECT_EQ(std::string(info.Type.begin(), info.Type.end()), "TEXT");
    EXPECT_EQ(std::string(info.Creator.begin(), info.Creator.end()), "ttxt");
    EXPECT_EQ(info.FinderFlags, 0x0120);
    EXPECT_EQ(info.LocationV, 0x10);
    EXPECT_EQ(info.LocationH, 0x20);
    EXPECT_EQ(info.Folder, 3);
    EXPECT_EQ(info.Script, 1);
    EXPECT_EQ(info.ExtFlags, 0x40);
}

TEST(AppleReader, WhatTheWriterWroteComesBack) {
    TempDir dir;
    WriteBytes(dir / "in.bin", SampleFile());
    for (const TAppleKind kind : {TAppleKind::Double, TAppleKind::Single}) {
        ASSERT_EQ(ExportAppleFile(kind, dir / "in.bin", dir / "c", TCutPolicy::Refuse), TForkStatus::Written);
        EXPECT_EQ(SniffAppleFile(dir / "c"), kind);
        const TAppleContainer c(dir / "c");
        EXPECT_EQ(c.Info(), FileInfoFromHeader(SampleHeader()));
        EXPECT_EQ(c.Comment(), "hi");
        EXPECT_EQ(c.Find(kEntryDataFork) != nullptr, kind == TAppleKind::Single);
    }
    EXPECT_EQ(SniffAppleFile(dir / "in.bin"), std::nullopt);
    EXPECT_EQ(SniffAppleFile(dir / "missing"), std::nullopt);
}

} // namespace
} // namespace kelda
