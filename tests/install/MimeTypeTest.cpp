// SPDX-License-Identifier: MIT
// The MIME package by content: Qt's MIME database, given only our package, against real MacBinary
// files of all three versions and against files that are not MacBinary.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>

namespace {

constexpr const char* kMacBinary = "application/x-macbinary";

// A data folder whose mime/packages holds only our package (no mime.cache, so Qt reads the XML).
class MimeTypeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir();
        ASSERT_TRUE(dir_->isValid());
        ASSERT_TRUE(QDir(dir_->path()).mkpath(QStringLiteral("mime/packages")));
        ASSERT_TRUE(QFile::copy(QStringLiteral(KELDA_MIME_XML), dir_->path() + "/mime/packages/kelda.xml"));
        // Read once, when the database is first used.
        ::setenv("XDG_DATA_DIRS", dir_->path().toLocal8Bit().constData(), 1);
        ::setenv("XDG_DATA_HOME", (dir_->path() + "/home").toLocal8Bit().constData(), 1);
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }

    static QString TypeOfData(const QByteArray& bytes) {
        return QMimeDatabase().mimeTypeForData(bytes).name();
    }
    static QString TypeOfCorpusFile(const char* name) {
        QFile file(QStringLiteral(KELDA_CORPUS_DIR "/") + QString::fromLatin1(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        return TypeOfData(file.read(4096));
    }

    static QTemporaryDir* dir_;
};

QTemporaryDir* MimeTypeTest::dir_ = nullptr;

// A 128-byte header with a name and a type and creator, and some fork bytes after it.
QByteArray Header(int version) {
    QByteArray h(128, '\0');
    h[1] = 5;
    h.replace(2, 5, "Hello");
    h.replace(65, 8, "TEXTttxt");
    h[86] = 4; // data fork length 4
    if (version >= 2) {
        h[122] = static_cast<char>(version == 3 ? 130 : 129);
        h[123] = static_cast<char>(129);
    }
    if (version == 3) {
        h.replace(102, 4, "mBIN");
    }
    return h + QByteArray("data", 4) + QByteArray(124, '\0');
}

TEST_F(MimeTypeTest, RealFilesOfEveryVersionAreMacBinary) {
    for (const char* name :
         {"wezm_TextFile_I.bin", "macutils_hexbin_4x6_font.bin", "wezm_TextFile_II.bin",
          "hfsutils_jw1995_Desktop.bin", "xadmaster_1234567.sit.bin", "convert2dsk_Blank800K.img.bin",
          "wezm_TextFile_III.bin", "monobit_4x6_ufond.bin"}) {
        EXPECT_EQ(TypeOfCorpusFile(name), kMacBinary) << name;
    }
}

TEST_F(MimeTypeTest, HeadersOfEachVersion) {
    for (int version : {1, 2, 3}) {
        EXPECT_EQ(TypeOfData(Header(version)), kMacBinary) << version;
    }
}

TEST_F(MimeTypeTest, FilesThatAreNotMacBinary) {
    QByteArray nameTooLong = Header(2);
    nameTooLong[1] = 64;
    QByteArray byte74 = Header(2);
    byte74[74] = 1;
    QByteArray byte82 = Header(2);
    byte82[82] = 1;
    QByteArray versionOneWithJunk = Header(1);
    versionOneWithJunk[110] = 7;
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"name length 64", nameTooLong}, {"byte 74 set", byte74},
        {"byte 82 set", byte82},         {"no version bytes and junk at 110", versionOneWithJunk},
        {"text", QByteArray(200, 'a')},  {"first byte set", QByteArray(1, '\x01') + Header(2).mid(1)},
    };
    for (const auto& c : cases) {
        EXPECT_NE(TypeOfData(c.bytes), kMacBinary) << c.what;
    }
    EXPECT_NE(TypeOfCorpusFile("neg_monobit_8x16.hbf.bin"), kMacBinary);
}

// What check calls not MacBinary for a byte the rule sees is never claimed: no name, a file of
// zeros, an ISO 9660 image (zeros up to its volume descriptor), an ELF file, a signature of version
// III behind a first byte that is set.
TEST_F(MimeTypeTest, FilesCheckRefusesAreNotClaimed) {
    for (int version : {1, 2, 3}) {
        QByteArray noName = Header(version);
        noName[1] = 0;
        EXPECT_NE(TypeOfData(noName), kMacBinary) << "name length 0, version " << version;
    }
    QByteArray iso(40960, '\0');
    iso.replace(32768, 6,
                QByteArray("\x01"
                           "CD001",
                           6));
    QByteArray elf = Header(1);
    elf.replace(0, 4,
                QByteArray("\x7f"
                           "ELF",
                           4));
    QByteArray signatureOnly(256, '\0');
    signatureOnly[0] = 1;
    signatureOnly[1] = 5;
    signatureOnly.replace(102, 4, "mBIN");
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {{"zeros", QByteArray(65536, '\0')},
                 {"ISO 9660 image", iso},
                 {"ELF", elf},
                 {"mBIN behind a first byte set", signatureOnly},
                 {"text", QByteArray("just some text\n").repeated(20)}};
    for (const auto& c : cases) {
        EXPECT_NE(TypeOfData(c.bytes), kMacBinary) << c.what;
    }
}

TEST_F(MimeTypeTest, TheNameAloneDoesNotClaimBinFiles) {
    const QMimeDatabase db;
    EXPECT_EQ(db.mimeTypeForFile(QStringLiteral("x.macbin"), QMimeDatabase::MatchExtension).name(),
              kMacBinary);
    EXPECT_NE(db.mimeTypeForFile(QStringLiteral("firmware.bin"), QMimeDatabase::MatchExtension).name(),
              kMacBinary);
}

} // namespace
