// SPDX-License-Identifier: MIT
// scan over a generated tree: every kind of entry, the same answer in the tree as alone, every
// format, and the JSON checked against the schema in docs/.
#include "CliRun.h"
#include "macbinary/TestFiles.h"

#include "util/VisibleText.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace kelda {
namespace {

using nlohmann::json;
using test::Bytes;
using test::RunCli;
using test::TCliRun;
using test::TempDir;
namespace fs = std::filesystem;

// The parts of JSON Schema that docs/cli-scan.schema.json uses. Returns what is wrong, or "".
std::string Validate(const json& value, const json& schema, const json& root, const std::string& at) {
    if (schema.contains("$ref")) {
        const std::string ref = schema["$ref"].get<std::string>().substr(1); // "#/$defs/x" -> "/$defs/x"
        return Validate(value, root.at(json::json_pointer(ref)), root, at);
    }
    if (schema.contains("type")) {
        const std::string type = schema["type"];
        const bool ok = type == "object"    ? value.is_object()
                        : type == "string"  ? value.is_string()
                        : type == "integer" ? value.is_number_integer()
                        : type == "boolean" ? value.is_boolean()
                                            : false;
        if (!ok) {
            return at + ": not " + type;
        }
    }
    if (schema.contains("enum") &&
        std::find(schema["enum"].begin(), schema["enum"].end(), value) == schema["enum"].end()) {
        return at + ": " + value.dump() + " not in the enum";
    }
    if (schema.contains("pattern") &&
        !std::regex_search(value.get<std::string>(), std::regex(schema["pattern"].get<std::string>()))) {
        return at + ": " + value.dump() + " does not match";
    }
    if (schema.contains("minimum") && value < schema["minimum"]) {
        return at + ": below the minimum";
    }
    if (value.is_object()) {
        for (const auto& key : schema.value("required", json::array())) {
            if (!value.contains(key)) {
                return at + ": " + key.get<std::string>() + " missing";
            }
        }
        const json dependent = schema.value("dependentRequired", json::object());
        for (const auto& [key, needs] : dependent.items()) {
            for (const auto& need : needs) {
                if (value.contains(key) && !value.contains(need)) {
                    return at + ": " + need.get<std::string>() + " missing beside " + key;
                }
            }
        }
        const json properties = schema.value("properties", json::object());
        for (const auto& [key, item] : value.items()) {
            if (!properties.contains(key)) {
                if (schema.value("additionalProperties", true) == false) {
                    return at + ": " + key + " is not in the schema";
                }
                continue;
            }
            if (std::string wrong = Validate(item, properties[key], root, at + "/" + key); !wrong.empty()) {
                return wrong;
            }
        }
    }
    return "";
}

Bytes MacBinaryFile(int dataLength, int resourceLength, std::size_t size, bool fixCrc, std::uint8_t version) {
    THeader h{};
    test::PutName(h, "Disk");
    std::copy_n("dImgdCpy", 8, h.begin() + 65);
    test::PutUInt32(h, kOffsetDataForkLength, static_cast<std::uint32_t>(dataLength));
    test::PutUInt32(h, kOffsetResourceForkLength, static_cast<std::uint32_t>(resourceLength));
    h[kOffsetVersion] = version;
    h[kOffsetMinVersion] = version;
    if (fixCrc) {
        const std::uint16_t crc = HeaderCrc(h);
        h[kOffsetCrc] = static_cast<std::uint8_t>(crc >> 8);
        h[kOffsetCrc + 1] = static_cast<std::uint8_t>(crc);
    }
    Bytes file = test::RandomBytes(size, 5);
    std::copy(h.begin(), h.end(), file.begin());
    return file;
}

struct TEntry {
    const char* Path;
    const char* Verdict;
    const char* Finding; // the check report's finding that gives the reason; "" for none
    const char* Reason;  // for entries without a check report
};

class CliScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir / "tree/sub/deeper");
        test::WriteBytes(dir / "tree/good.bin", MacBinaryFile(300, 10, 128 + 384 + 128, true, kVersionII));
        test::WriteBytes(dir / "tree/sub/one.bin", MacBinaryFile(100, 0, 256, false, 0));
        test::WriteBytes(dir / "tree/sub/cut.bin", MacBinaryFile(3000, 0, 1000, true, kVersionII));
        test::WriteBytes(dir / "tree/sub/deeper/crc.bin", MacBinaryFile(10, 0, 256, false, kVersionII));
        // Neither MacBinary I (a reserved byte is set) nor a header with a CRC: the acceptance rule
        // and a name are not enough.
        Bytes noise = MacBinaryFile(100, 0, 256, false, 0);
        noise[110] = 1;
        test::WriteBytes(dir / "tree/sub/noise.bin", noise);
        test::WriteBytes(dir / "tree/readme.txt", Bytes(500, 'a'));
        test::WriteBytes(dir / "tree/zeros", Bytes(300, 0));
        test::WriteBytes(dir / "tree/tiny", Bytes(20, 0));
        fs::create_symlink("good.bin", dir / "tree/link.bin");
        fs::create_directory_symlink("..", dir / "tree/sub/loop"); // would loop if followed
        ::mkfifo((dir / "tree/fifo").c_str(), 0600);               // no regular file: left out
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }

    const std::vector<TEntry> expected_ = {
        {"tree/good.bin", "sound", "", ""},
        {"tree/link.bin", "link", "", "symbolic link, not followed"},
        {"tree/readme.txt", "not-macbinary", "old-version-byte", ""},
        {"tree/tiny", "not-macbinary", "too-short", ""},
        {"tree/zeros", "not-macbinary", "name-length", ""},
        {"tree/sub/cut.bin", "damaged", "data-fork-cut", ""},
        {"tree/sub/loop", "link", "", "symbolic link, not followed"},
        {"tree/sub/noise.bin", "not-macbinary", "neither-i-nor-crc", ""},
        {"tree/sub/one.bin", "sound", "", ""},
        {"tree/sub/deeper/crc.bin", "damaged", "crc-mismatch", ""},
    };
    TempDir dir;
};

// The text of the finding id in a check --json object, in its findings.
std::string FindingText(const json& check, const std::string& id) {
    for (const json& f : check["findings"]) {
        if (f["id"] == id) {
            return f["text"];
        }
    }
    return "(no finding " + id + ")";
}

TEST_F(CliScanTest, EveryEntryOfTheTreeGetsItsVerdictAsWhenScannedAloneAndAsCheckSays) {
    for (const char* jobs : {"1", "3"}) {
        SCOPED_TRACE(jobs);
        const TCliRun r = RunCli({"scan", "-r", "--json", "-j", jobs, Path("tree")});
        EXPECT_EQ(r.Status, kCliOk) << r.Err;
        std::istringstream lines(r.Out);
        std::string line;
        std::size_t i = 0;
        while (std::getline(lines, line)) {
            ASSERT_LT(i, expected_.size()) << line;
            const TEntry& e = expected_[i++];
            const json o = json::parse(line);
            EXPECT_EQ(o["path"], Path(e.Path));
            EXPECT_EQ(o["verdict"], e.Verdict) << o["path"];
            EXPECT_EQ(o.value("finding", ""), e.Finding) << o["path"];
            // The same file alone gives the same line.
            const TCliRun alone = RunCli({"scan", "--json", Path(e.Path)});
            EXPECT_EQ(alone.Out, line + "\n");
            if (o["verdict"] == "link") {
                EXPECT_EQ(o["reason"], e.Reason);
                continue;
            }
            // check on the file says the same, for the same reason.
            const json check = json::parse(RunCli({"check", "--json", Path(e.Path)}).Out);
            EXPECT_EQ(o["verdict"], check["verdict"]) << line;
            EXPECT_EQ(o.value("version", json()), check["version"]) << line;
            EXPECT_EQ(o["reason"], *e.Finding == '\0' ? "" : FindingText(check, e.Finding)) << line;
            if (o.contains("header_crc_ok")) {
                EXPECT_EQ(o["header_crc_ok"], check["header_crc"]["ok"]) << line;
            }
        }
        EXPECT_EQ(i, expected_.size());
        EXPECT_EQ(r.Err,
                  "kelda-cli: scan: 10 files: 2 sound, 2 damaged, 4 not-macbinary, 0 unreadable, 2 link\n");
    }
    // Without -r only the folder's own files.
    const TCliRun flat = RunCli({"scan", Path("tree")});
    EXPECT_EQ(test::LineCount(flat.Out), 5u) << flat.Out;
}

TEST_F(CliScanTest, ReasonsAndSummaryFollowTheLanguage) {
    const TCliRun r =
        RunCli({"--japanese", "scan", "--json", Path("tree/sub/cut.bin"), Path("tree/link.bin")});
    std::istringstream lines(r.Out);
    std::string cut, link;
    std::getline(lines, cut);
    std::getline(lines, link);
    const json check = json::parse(RunCli({"--japanese", "check", "--json", Path("tree/sub/cut.bin")}).Out);
    EXPECT_EQ(json::parse(cut)["reason"], FindingText(check, "data-fork-cut"));
    EXPECT_NE(json::parse(cut)["reason"].get<std::string>().find("データフォーク"), std::string::npos) << cut;
    EXPECT_EQ(json::parse(link)["reason"], "シンボリックリンク (たどりません)");
    EXPECT_EQ(r.Err,
              "kelda-cli: scan: 2 個のファイル: 0 sound, 1 damaged, 0 not-macbinary, 0 unreadable, 1 link\n");
    const TCliRun missing = RunCli({"--japanese", "scan", Path("missing")});
    EXPECT_EQ(missing.Status, kCliFailure);
    EXPECT_TRUE(
        missing.Err.starts_with("kelda-cli: " + Path("missing") + ": 警告 ! ファイルが見つかりません\n"))
        << missing.Err;
}

TEST_F(CliScanTest, JsonFollowsTheDocumentedSchema) {
    std::ifstream in(fs::path(KELDA_DOCS_DIR) / "cli-scan.schema.json");
    ASSERT_TRUE(in) << "docs/cli-scan.schema.json";
    const json schema = json::parse(in);
    for (const char* hash : {"--hash", "--json"}) {
        const TCliRun r = RunCli({"scan", "-r", "--json", hash, Path("tree"), Path("missing")});
        EXPECT_EQ(r.Status, kCliFailure) << "a missing operand fails the scan";
        std::istringstream lines(r.Out);
        std::size_t count = 0;
        for (std::string line; std::getline(lines, line); ++count) {
            const json o = json::parse(line);
            EXPECT_EQ(Validate(o, schema, schema, ""), "") << line;
            EXPECT_EQ(o.contains("data_sha256"), std::string(hash) == "--hash" && o.contains("version"))
                << line;
        }
        EXPECT_EQ(count, expected_.size());
    }
    // The validator itself catches what it should.
    const json good = {{"schema", "kelda-cli.scan"},
                       {"schema_version", 2},
                       {"path", "x"},
                       {"path_hex", "78"},
                       {"size", 1},
                       {"verdict", "not-macbinary"},
                       {"reason", "Byte 0 ..."},
                       {"finding", "old-version-byte"}};
    EXPECT_EQ(Validate(good, schema, schema, ""), "");
    json bad = good;
    bad["verdict"] = "maybe";
    EXPECT_NE(Validate(bad, schema, schema, ""), "");
    bad = good;
    bad["version"] = "II"; // without the fields that come with it
    EXPECT_NE(Validate(bad, schema, schema, ""), "");
    bad = good;
    bad["size"] = "1";
    EXPECT_NE(Validate(bad, schema, schema, ""), "");
    bad = good;
    bad["schema_version"] = 1; // the verdict words of version 1 were others
    EXPECT_NE(Validate(bad, schema, schema, ""), "");
    bad = good;
    bad["verdict"] = "macbinary";
    EXPECT_NE(Validate(bad, schema, schema, ""), "");
}

TEST_F(CliScanTest, CsvAndTextCarryTheSameRows) {
    const TCliRun csv = RunCli({"scan", "-r", "--csv", "--hash", Path("tree")});
    EXPECT_EQ(csv.Status, kCliOk);
    std::istringstream lines(csv.Out);
    std::string header;
    std::getline(lines, header);
    EXPECT_TRUE(header.starts_with("path,size,verdict,reason,version,name,type,creator,")) << header;
    EXPECT_TRUE(header.ends_with(",header_crc_ok,vers,data_sha256,resource_sha256,path_hex,finding"))
        << header;
    std::string good;
    std::getline(lines, good);
    EXPECT_TRUE(good.starts_with(Path("tree/good.bin") + ",640,sound,,II,Disk,dImg,dCpy,")) << good;
    // The data fork's digest of the bytes 128 to 427.
    const Bytes file = test::ReadBytes(dir / "tree/good.bin");
    EXPECT_EQ(good.substr(good.size() - 129, 64).size(), 64u);

    const TCliRun text = RunCli({"scan", "-r", Path("tree")});
    EXPECT_NE(text.Out.find("sound\tII\tdImg/dCpy\tDisk\t\t" + Path("tree/good.bin") + "\n"),
              std::string::npos)
        << text.Out;
    EXPECT_EQ(test::LineCount(text.Out), expected_.size());
    EXPECT_EQ(RunCli({"scan", "--csv", "--json", Path("tree")}).Status, kCliUsage);
    EXPECT_EQ(RunCli({"scan", "-j", "0", Path("tree")}).Status, kCliUsage);
}

// A CSV row is valid UTF-8 whatever the path's bytes, a name a spreadsheet would run as a formula is
// defused, and the path's bytes and the finding's id are there for scripts.
TEST_F(CliScanTest, CsvFieldsAreSafeForSpreadsheets) {
    const std::string odd = Path("tree") + "/=cmd|\xff.bin";
    test::WriteBytes(odd, Bytes(300, 0x41));
    const TCliRun csv = RunCli({"scan", "--csv", odd});
    const std::string row = csv.Out.substr(csv.Out.find('\n') + 1);
    EXPECT_NE(row.find("=cmd|\xef\xbf\xbd.bin,"), std::string::npos) << row;
    EXPECT_EQ(row.find('\xff'), std::string::npos) << row;
    EXPECT_TRUE(row.ends_with("," + HexBytes(odd) + ",old-version-byte\n")) << row;
    Bytes formula = MacBinaryFile(0, 0, 128, false, 0);
    std::copy_n("\x04=1+1", 5, formula.begin() + 1);
    test::WriteBytes(Path("tree") + "/formula.bin", formula);
    const TCliRun named = RunCli({"scan", "--csv", Path("tree") + "/formula.bin"});
    EXPECT_NE(named.Out.find(",'=1+1,"), std::string::npos) << named.Out;
}

TEST_F(CliScanTest, UnreadableEntriesAreReportedAndFailTheScan) {
    // A FIFO given by name is no regular file; a folder without permission cannot be listed.
    TCliRun r = RunCli({"scan", "--json", Path("tree/fifo")});
    EXPECT_EQ(r.Status, kCliFailure);
    EXPECT_EQ(json::parse(r.Out)["verdict"], "unreadable");
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind root";
    }
    fs::permissions(dir / "tree/sub", fs::perms::none);
    r = RunCli({"scan", "-r", "--json", Path("tree")});
    fs::permissions(dir / "tree/sub", fs::perms::owner_all);
    EXPECT_EQ(r.Status, kCliFailure);
    EXPECT_NE(r.Out.find("\"verdict\":\"unreadable\""), std::string::npos) << r.Out;
}

// Removes everything below folder descriptor fd, however deep, by descriptors (paths would be
// too long); closes fd.
void RemoveBelow(int fd) {
    DIR* dir = ::fdopendir(fd);
    ASSERT_NE(dir, nullptr);
    std::vector<std::pair<std::string, bool>> entries;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") {
            struct stat st {};
            ::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW);
            entries.emplace_back(name, S_ISDIR(st.st_mode));
        }
    }
    for (const auto& [name, folder] : entries) {
        if (folder) {
            const int sub = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
            ::fchmod(sub, 0700);
            RemoveBelow(sub);
        }
        ::unlinkat(fd, name.c_str(), folder ? AT_REMOVEDIR : 0);
    }
    ::closedir(dir);
}

// A tree deeper than a full path may be long (PATH_MAX): every file in it is listed and read, a
// link at the bottom is listed as a link, and what cannot be listed is reported as unreadable and
// fails the scan; nothing is dropped in silence.
TEST_F(CliScanTest, TreeDeeperThanPathMaxIsWalkedWhole) {
    const std::string level(40, 'd'); // 120 levels: about 4900 bytes of path
    const Bytes sound = MacBinaryFile(300, 10, 128 + 384 + 128, true, kVersionII);
    std::vector<std::string> files;
    fs::create_directory(dir / "deep");
    int fd = ::open((dir / "deep").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    std::string path = Path("deep");
    int locked = -1;
    for (int depth = 1; depth <= 120; ++depth) {
        ASSERT_EQ(::mkdirat(fd, level.c_str(), 0700), 0);
        const int sub = ::openat(fd, level.c_str(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(sub, 0);
        ::close(fd);
        fd = sub;
        path += "/" + level;
        if (depth % 10 == 0) { // 12 files, the deepest below 120 folders
            const int file = ::openat(fd, "f.bin", O_WRONLY | O_CREAT, 0600);
            ASSERT_EQ(::write(file, sound.data(), sound.size()), static_cast<ssize_t>(sound.size()));
            ::close(file);
            files.push_back(path + "/f.bin");
        }
        if (depth == 115) {
            locked = ::dup(fd);
        }
    }
    ASSERT_EQ(::symlinkat("f.bin", fd, "link"), 0);
    ::close(fd);
    ASSERT_GT(files.back().size(), 4096u);

    TCliRun r = RunCli({"scan", "-r", "--json", Path("deep")});
    EXPECT_EQ(r.Status, kCliOk) << r.Err.substr(0, 500);
    std::istringstream lines(r.Out);
    std::vector<std::string> sounds;
    std::size_t links = 0;
    for (std::string line; std::getline(lines, line);) {
        const json row = json::parse(line);
        if (row["verdict"] == "sound") {
            sounds.push_back(row["path"]);
        }
        links += row["verdict"] == "link" ? 1 : 0;
    }
    EXPECT_EQ(sounds, files);
    EXPECT_EQ(links, 1u);
    EXPECT_NE(r.Err.find("13 files: 12 sound, 0 damaged, 0 not-macbinary, 0 unreadable, 1 link"),
              std::string::npos)
        << r.Err.substr(0, 500);

    if (::geteuid() != 0) {
        // A folder deep down that cannot be listed is reported, and the scan fails.
        ASSERT_EQ(::fchmod(locked, 0), 0);
        r = RunCli({"scan", "-r", Path("deep")});
        EXPECT_EQ(r.Status, kCliFailure);
        EXPECT_NE(r.Err.find("11 sound, 0 damaged, 0 not-macbinary, 1 unreadable"), std::string::npos)
            << r.Err.substr(0, 500);
        EXPECT_NE(r.Out.find("unreadable"), std::string::npos);
        ::fchmod(locked, 0700);
    }
    ::close(locked);
    const int top = ::open((dir / "deep").c_str(), O_RDONLY | O_DIRECTORY);
    RemoveBelow(top);
}

} // namespace
} // namespace kelda
