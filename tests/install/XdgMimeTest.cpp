// SPDX-License-Identifier: MIT
// The MIME package as a desktop sees it: installed with update-mime-database into a data folder of
// its own and asked through xdg-mime, beside the system's own packages. MacBinary files of every
// version are application/x-macbinary; a CD image, zeros, random bytes, a program and a text file,
// all named *.bin, are not.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr const char* kMacBinary = "application/x-macbinary";

std::string Output(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer{};
        std::size_t n = 0;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), p)) > 0) {
            out.append(buffer.data(), n);
        }
        ::pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) {
        out.pop_back();
    }
    return out;
}

bool Have(const char* tool) {
    return !Output(std::string("command -v ") + tool + " 2>/dev/null").empty();
}

void Write(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

class XdgMimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        // xdg-mime asks GLib (gio) on a GNOME desktop, which reads shared-mime-info's databases;
        // elsewhere it falls back to file(1), which knows nothing of them.
        for (const char* tool : {"xdg-mime", "update-mime-database", "gio"}) {
            if (!Have(tool)) {
                GTEST_SKIP() << tool << " is missing (scripts/install-deps dev installs it)";
            }
        }
        root_ = fs::temp_directory_path() / ("kelda-xdg-mime-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "data/mime/packages");
        fs::create_directories(root_ / "files");
        fs::copy_file(KELDA_MIME_XML, root_ / "data/mime/packages/kelda.xml");
        ASSERT_EQ(
            Output("update-mime-database '" + (root_ / "data/mime").string() + "' >/dev/null 2>&1; echo $?"),
            "0");
        ASSERT_TRUE(fs::exists(root_ / "data/mime/mime.cache"));
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    std::string Query(const fs::path& file) const {
        return Output("env XDG_DATA_HOME='" + (root_ / "data").string() +
                      "' XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype '" + file.string() +
                      "' 2>/dev/null");
    }

    fs::path root_;
};

TEST_F(XdgMimeTest, MacBinaryFilesAndOnlyThemAreClaimed) {
    const fs::path files = root_ / "files";
    const fs::path corpus = KELDA_CORPUS_DIR;
    fs::copy_file(corpus / "wezm_TextFile_I.bin", files / "macbinary1.bin");
    fs::copy_file(corpus / "wezm_TextFile_II.bin", files / "macbinary2.bin");
    fs::copy_file(corpus / "wezm_TextFile_III.bin", files / "macbinary3.bin");
    // An ISO 9660 image as far as its first volume descriptor: "CD001" at 0x8001.
    std::string iso(40 * 1024, '\0');
    iso.replace(0x8000, 6,
                std::string("\x01"
                            "CD001",
                            6));
    Write(files / "cdimage.bin", iso);
    Write(files / "zeros.bin", std::string(64 * 1024, '\0'));
    std::mt19937 random(1234);
    std::string noise(64 * 1024, '\0');
    for (char& c : noise) {
        c = static_cast<char>(random() & 0xFFu);
    }
    Write(files / "random.bin", noise);
    fs::copy_file("/proc/self/exe", files / "x.bin"); // this test program: an ELF file
    Write(files / "t.bin", "Just a few lines of text,\nnamed as a binary file.\n");

    const struct {
        const char* Name;
        bool MacBinary;
    } cases[] = {{"macbinary1.bin", true}, {"macbinary2.bin", true}, {"macbinary3.bin", true},
                 {"cdimage.bin", false},   {"zeros.bin", false},     {"random.bin", false},
                 {"x.bin", false},         {"t.bin", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string type = Query(files / c.Name);
        std::cout << "  " << c.Name << ": " << type << "\n";
        EXPECT_FALSE(type.empty());
        EXPECT_EQ(type == kMacBinary, c.MacBinary) << type;
    }
}

} // namespace
