// SPDX-License-Identifier: MIT
// Saving one resource: its bytes, under the guards of every output.
#include "resources/ResourceFork.h"

#include "macbinary/TestFiles.h"
#include "resources/ForkBuilder.h"

#include <gtest/gtest.h>

namespace kelda {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

TEST(SaveResource, WritesTheBytesButNeverOverTheSourceAndAsksForReadOnly) {
    test::TempDir dir;
    const Bytes fork = test::BuildResourceFork({{"STR ", 128, std::nullopt, 0, {2, 'H', 'i'}}}).Bytes;
    THeader header{};
    test::PutName(header, "S");
    const fs::path source = dir / "s.bin";
    test::WriteBytes(source,
                     test::MakeMacBinaryFile(header, 0, static_cast<std::int32_t>(fork.size()), fork));
    const Bytes before = test::ReadBytes(source);
    fs::create_symlink(source, dir / "link");
    const fs::path locked = dir / "locked";
    test::WriteBytes(locked, {'o'});
    fs::permissions(locked, fs::perms::owner_read);

    const TFileStream file(source, FileMode::Read);
    std::copy(before.begin(), before.begin() + 128, header.begin()); // with the fork lengths
    const TResourceFork read = ReadResourceFork(file, header);
    ASSERT_EQ(read.Map.Resources.size(), 1U);
    const TResourceEntry& entry = read.Map.Resources[0];
    const struct {
        fs::path Output;
        bool Leave;
        TConvertStatus Status;
        Bytes After;
    } cases[] = {
        {source, true, TConvertStatus::SourceIsOutput, before},
        {dir / "link", true, TConvertStatus::SourceIsOutput, before},
        {locked, false, TConvertStatus::OutputReadOnly, {'o'}},
        {locked, true, TConvertStatus::Written, {2, 'H', 'i'}},
        {dir / "new", false, TConvertStatus::Written, {2, 'H', 'i'}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SaveResource(file, read, entry, c.Output, c.Leave), c.Status) << c.Output;
        EXPECT_EQ(test::ReadBytes(c.Output), c.After) << c.Output;
    }
}

} // namespace
} // namespace kelda
