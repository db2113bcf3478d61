// SPDX-License-Identifier: MIT
// BinHex 4.0: files the writer makes read back whole; bodies laid out as mail and other programs lay
// them out read the same; crafted bodies reach each fault at its place; the files of other programs
// (tests/corpus/binhex) give their forks byte for byte, and the writer makes the same body as they.
#include "ForkSamples.h"

#include "crc/CrcUtils.h"
#include "forks/BinHex.h"
#include "forks/ForkExport.h"
#include "forks/TMacFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelda {
namespace {

using namespace test;

constexpr std::string_view kAlphabet = "!\"#$%&'()*+,-012345689@ABCDEFGHIJKLMNPQRSTUVXYZ[`abcdefhijklmpqr";
constexpr std::string_view kMarker = "(This file must be converted with BinHex 4.0)\n";

// --- an independent small writer of bodies, for crafted inputs

// The bytes of a header with its CRC.
Bytes HeaderBytes(const std::string& name, std::uint32_t dataLength, std::uint32_t resourceLength) {
    Bytes h = Text(name);
    h.insert(h.begin(), static_cast<std::uint8_t>(name.size()));
    h.push_back(0);
    const Bytes rest = Hex("54455854 74747874 0100"); // TEXT ttxt, flags 0x0100
    h.insert(h.end(), rest.begin(), rest.end());
    for (const std::uint32_t v : {dataLength, resourceLength}) {
        for (int s = 24; s >= 0; s -= 8) {
            h.push_back(static_cast<std::uint8_t>(v >> s));
        }
    }
    const std::uint16_t crc = Crc16Xmodem(h.data(), h.size());
    h.push_back(static_cast<std::uint8_t>(crc >> 8));
    h.push_back(static_cast<std::uint8_t>(crc));
    return h;
}

void AppendWithCrc(Bytes& stream, const Bytes& part) {
    stream.insert(stream.end(), part.begin(), part.end());
    const std::uint16_t crc = Crc16Xmodem(part.data(), part.size());
    stream.push_back(static_cast<std::uint8_t>(crc >> 8));
    stream.push_back(static_cast<std::uint8_t>(crc));
}

// The whole byte stream of a file, without run marks (data and resource hold no 0x90).
Bytes Stream(const std::string& name, const Bytes& data, const Bytes& resource) {
    Bytes s = HeaderBytes(name, static_cast<std::uint32_t>(data.size()),
                          static_cast<std::uint32_t>(resource.size()));
    AppendWithCrc(s, data);
    AppendWithCrc(s, resource);
    return s;
}

// Bytes as characters, in one line.
std::string Chars(const Bytes& bytes) {
    std::string out;
    std::uint32_t acc = 0;
    int bits = 0;
    for (const std::uint8_t b : bytes) {
        acc = (acc << 8) | b;
        bits += 8;
        while (bits >= 6) {
            out += kAlphabet[(acc >> (bits - 6)) & 63];
            bits -= 6;
        }
    }
    if (bits > 0) {
        out += kAlphabet[(acc << (6 - bits)) & 63];
    }
    return out;
}

std::string Hqx(const std::string& chars) {
    return std::string(kMarker) + ":" + chars + ":\n";
}

// Random bytes without 0x90, so that the stream needs no marks.
Bytes Plain(std::size_t count, unsigned seed) {
    Bytes b = RandomBytes(count, seed);
    for (auto& x : b) {
        x = x == 0x90 ? 0x91 : x;
    }
    return b;
}

class BinHexFiles : public ::testing::Test {
protected:
    std::filesystem::path Put(const std::string& text, const std::string& name = "in.hqx") {
        const std::filesystem::path file = dir_ / name;
        WriteBytes(file, Bytes(text.begin(), text.end()));
        return file;
    }

    struct TDecoded {
        TBinHexReading Reading;
        Bytes Data, Resource;
    };

    TDecoded Decode(const std::filesystem::path& file, const ProgressFn& progress = {}) {
        const std::filesystem::path forks = dir_ / "forks";
        TDecoded d;
        {
            const TFileStream in(file, FileMode::Read);
            TFileStream out(forks, FileMode::Create);
            d.Reading = DecodeBinHex(in, &out, progress);
        }
        const Bytes both = ReadBytes(forks);
        d.Data = Slice(both, 0, static_cast<std::size_t>(d.Reading.DataPresent));
        d.Resource = Slice(both, d.Data.size(), static_cast<std::size_t>(d.Reading.ResourcePresent));
        EXPECT_EQ(both.size(), d.Data.size() + d.Resource.size());
        return d;
    }
    TDecoded Decode(const std::string& text) { return Decode(Put(text)); }

    std::string Write(const TBinHexHeader& h, const Bytes& data, const Bytes& resource,
                      const ProgressFn& progress = {}) {
        WriteBytes(dir_ / "data", data);
        WriteBytes(dir_ / "rsrc", resource);
        const TFileStream d(dir_ / "data", FileMode::Read);
        const TFileStream r(dir_ / "rsrc", FileMode::Read);
        {
            TFileStream out(dir_ / "out.hqx", FileMode::Create);
            WriteBinHex(h, {&d, 0, static_cast<std::int64_t>(data.size())},
                        {&r, 0, static_cast<std::int64_t>(resource.size())}, out, progress);
        }
        const Bytes text = ReadBytes(dir_ / "out.hqx");
        return std::string(text.begin(), text.end());
    }

    static TBinHexHeader HeaderOf(const std::string& name, const Bytes& data, const Bytes& resource) {
        TBinHexHeader h;
        h.Name = name;
        h.Type = {'A', 'P', 'P', 'L'};
        h.Creator = {'?', '?', '?', '?'};
        h.Flags = 0x2100;
        h.DataLength = static_cast<std::uint32_t>(data.size());
        h.ResourceLength = static_cast<std::uint32_t>(resource.size());
        return h;
    }

    TempDir dir_;
};

Bytes Repeat(std::uint8_t b, std::size_t n) {
    return Bytes(n, b);
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

TEST_F(BinHexFiles, WrittenFilesReadBackWhole) {
    struct TCase {
        const char* What;
        std::string Name;
        Bytes Data, Resource;
    };
    const std::vector<TCase> cases = {
        {"empty forks", "E", {}, {}},
        {"both forks", "Both", RandomBytes(1000, 1), RandomBytes(777, 2)},
        {"resource fork only", "R", {}, RandomBytes(100, 3)},
        {"runs of every length around the marks' limits", "Runs",
         Join({Repeat('a', 3), Repeat('b', 4), Repeat('c', 5), Repeat('d', 255), Repeat('e', 256),
               Repeat('f', 259), Repeat('g', 511), Repeat(0, 1000)}),
         Join({Repeat(0, 3), {'x'}, Repeat(0xFF, 300)})},
        {"0x90 alone and in runs", "Marks",
         Join({{0x90},
               {'a', 0x90, 'a'},
               Repeat(0x90, 2),
               {'z'},
               Repeat(0x90, 300),
               Repeat('q', 7),
               {0x90, 0}}),
         Repeat(0x90, 600)},
        {"name of 63 bytes", std::string(63, 'N'), {'x'}, {}},
        {"Japanese name bytes", "\x83\x65\x83\x58\x83\x67\x90\x90", Repeat(0x90, 3), {}},
        {"forks longer than a read block", "Big", RandomBytes(600000, 4),
         Join({Repeat(7, 300000), RandomBytes(5, 5)})},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        const TBinHexHeader h = HeaderOf(c.Name, c.Data, c.Resource);
        const std::string text = Write(h, c.Data, c.Resource);
        EXPECT_EQ(Write(h, c.Data, c.Resource), text); // the same bytes every time
        const TDecoded d = Decode(text);
        ASSERT_TRUE(d.Reading.Sound())
            << static_cast<int>(d.Reading.Fault) << " at " << d.Reading.FaultOffset;
        EXPECT_EQ(d.Reading.Header, h);
        EXPECT_EQ(d.Reading.BodyOffset, static_cast<std::int64_t>(kMarker.size()));
        EXPECT_EQ(d.Data, c.Data);
        EXPECT_EQ(d.Resource, c.Resource);
        EXPECT_EQ(d.Reading.DataCrcStored, Crc16Xmodem(c.Data.data(), c.Data.size()));
        // The layout: the marker line, then lines of 64 characters (the colons count) ended by LF.
        ASSERT_TRUE(text.starts_with(std::string(kMarker) + ":"));
        std::size_t at = kMarker.size();
        for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
            const bool lastLine = end + 1 == text.size();
            EXPECT_TRUE(end - at == 64 || lastLine) << "line at " << at;
            EXPECT_LE(end - at, 64u);
        }
        EXPECT_TRUE(text.ends_with(":\n"));
    }
}

TEST_F(BinHexFiles, NamesOfNoOrTooManyBytesAndForksUnlikeTheHeaderAreRefused) {
    const Bytes none;
    TBinHexHeader h = HeaderOf("", none, none);
    EXPECT_THROW(Write(h, none, none), std::invalid_argument);
    h.Name = std::string(64, 'x');
    EXPECT_THROW(Write(h, none, none), std::invalid_argument);
    h.Name = "x";
    h.DataLength = 1;
    EXPECT_THROW(Write(h, none, none), std::invalid_argument);
}

TEST_F(BinHexFiles, LayoutsOfTheBodyReadTheSame) {
    const Bytes data = Plain(500, 7);
    const Bytes resource = Plain(90, 8);
    const std::string body = Write(HeaderOf("Mail", data, resource), data, resource).substr(kMarker.size());
    auto replaced = [&](std::string_view from, std::string_view to) {
        std::string s;
        for (const char c : body) {
            s += c == from[0] ? std::string(to) : std::string(1, c);
        }
        return s;
    };
    const std::string headers = "From: a@example.org\nSubject: file\n\nHere it is.\n\n";
    const struct {
        const char* What;
        std::string Text;
    } cases[] = {
        {"CRLF", "(This file must be converted with BinHex 4.0)\r\n\r\n" + replaced("\n", "\r\n")},
        {"CR", "(This file must be converted with BinHex 4.0)\r" + replaced("\n", "\r")},
        {"blanks and tabs everywhere", std::string(kMarker) + "  \t\n" + replaced("\n", " \t \n  ")},
        {"one long line", std::string(kMarker) + replaced("\n", "")},
        {"mail headers before, a signature after",
         headers + "(This file must be converted; you knew that already.)\n\n" + body + "\n-- \nSigned\n"},
        {"the marker first mentioned in text",
         "Mind the (This file must be converted line.\nText.\n" + std::string(kMarker) + body},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const std::filesystem::path file = Put(c.Text);
        EXPECT_TRUE(SniffBinHex(TFileStream(file, FileMode::Read)));
        const TDecoded d = Decode(file);
        ASSERT_TRUE(d.Reading.Sound())
            << static_cast<int>(d.Reading.Fault) << " at " << d.Reading.FaultOffset;
        EXPECT_EQ(d.Reading.BodyOffset,
                  static_cast<std::int64_t>(c.Text.find(':', c.Text.rfind("(This file must be converted"))));
        EXPECT_EQ(d.Data, data);
        EXPECT_EQ(d.Resource, resource);
    }
}

// A run mark and its count fall on each side of a line break or of the 256 KiB read block.
TEST_F(BinHexFiles, ARunMarkMaySpanALineOrABlock) {
    const Bytes head = HeaderBytes("Span", 0, 0);
    for (const std::size_t markByte : {std::size_t{30}, std::size_t{31}, std::size_t{32}, std::size_t{196606},
                                       std::size_t{196607}, std::size_t{196608}}) {
        for (const std::size_t pad : {0, 1, 2, 3}) {
            SCOPED_TRACE(testing::Message() << "mark at byte " << markByte << ", " << pad << " blanks first");
            // data: plain bytes, a run of 9 more copies of the byte before the mark, plain bytes.
            const std::size_t q = markByte - head.size();
            const Bytes plain = Plain(q + 1000, static_cast<unsigned>(markByte));
            Bytes data(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(q));
            data.insert(data.end(), 9, plain[q - 1]);
            data.insert(data.end(), plain.begin() + static_cast<std::ptrdiff_t>(q), plain.end());
            Bytes s = HeaderBytes("Span", static_cast<std::uint32_t>(data.size()), 0);
            s.insert(s.end(), plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(q));
            s.push_back(0x90);
            s.push_back(10);
            s.insert(s.end(), plain.begin() + static_cast<std::ptrdiff_t>(q), plain.end());
            const std::uint16_t crc = Crc16Xmodem(data.data(), data.size());
            s.insert(s.end(), {static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc), 0, 0});
            std::string chars = Chars(s);
            if (markByte < 100) {
                // The count's character starts the next line: byte 31 ends in value 42.
                chars.insert((8 * (markByte + 1) + 7) / 6, "\r\n");
            }
            const TDecoded d = Decode(Hqx(std::string(pad, ' ') + chars));
            ASSERT_TRUE(d.Reading.Sound())
                << static_cast<int>(d.Reading.Fault) << " at " << d.Reading.FaultOffset;
            EXPECT_EQ(d.Data, data);
        }
    }
}

TEST_F(BinHexFiles, EachFaultIsReachedWhereItLies) {
    const Bytes data = Plain(40, 11);
    const Bytes resource = Plain(20, 12);
    const Bytes good = Stream("Fault", data, resource);
    const std::size_t headerEnd = HeaderBytes("Fault", 0, 0).size(); // 27
    auto flipped = [&](std::size_t at) {
        Bytes s = good;
        s[at] ^= 1;
        return Chars(s);
    };
    auto cut = [&](std::size_t bytes) { return Chars(Slice(good, 0, bytes)); };
    const std::string goodChars = Chars(good);
    // The offset of the body's character i.
    auto at = [](std::size_t i) { return static_cast<std::int64_t>(kMarker.size() + 1 + i); };
    // The character that completes byte j.
    auto byteAt = [&](std::size_t j) { return at((8 * j + 7) / 6); };
    const Bytes zeros(5, 0);
    Bytes zeroStream = Stream("Z", zeros, {});
    zeroStream.resize(zeroStream.size() - 9); // the run makes the five zeros, both CRCs and more
    zeroStream.insert(zeroStream.end(), {0, 0x90, 0xFF});

    const struct {
        const char* What;
        std::string Text;
        TBinHexFault Fault;
        std::int64_t Offset; // -1: not checked
    } cases[] = {
        {"no marker", ":" + goodChars + ":\n", TBinHexFault::NoBody, 0},
        {"a marker and no body", std::string(kMarker) + "text\n:" + goodChars + ":", TBinHexFault::NoBody, 0},
        {"a character outside the alphabet", Hqx(goodChars.substr(0, 50) + "o" + goodChars.substr(50)),
         TBinHexFault::BadCharacter, at(50)},
        {"no closing colon", std::string(kMarker) + ":" + goodChars + "\n", TBinHexFault::NoClosingColon, -1},
        {"text after the body, no colon", std::string(kMarker) + ":" + goodChars + "\n-- \nno colon here\n",
         TBinHexFault::NoClosingColon, at(goodChars.size() + 5)},
        {"cut in the header", Hqx(cut(10)), TBinHexFault::EndsInHeader, at(cut(10).size())},
        {"cut in the data fork", Hqx(cut(headerEnd + 20)), TBinHexFault::EndsInData,
         at(cut(headerEnd + 20).size())},
        {"cut in the data fork's CRC", Hqx(cut(headerEnd + 41)), TBinHexFault::EndsInData, -1},
        {"cut in the resource fork", Hqx(cut(good.size() - 5)), TBinHexFault::EndsInResource, -1},
        {"cut before the resource fork's CRC ends", Hqx(cut(good.size() - 1)), TBinHexFault::EndsInResource,
         -1},
        {"cut in a body never closed", std::string(kMarker) + ":" + cut(headerEnd + 20),
         TBinHexFault::EndsInData, -1},
        {"header CRC", Hqx(flipped(headerEnd - 1)), TBinHexFault::HeaderCrc, byteAt(headerEnd - 1)},
        {"a header field", Hqx(flipped(8)), TBinHexFault::HeaderCrc, byteAt(headerEnd - 1)},
        {"data fork CRC", Hqx(flipped(headerEnd + 41)), TBinHexFault::DataCrc, byteAt(headerEnd + 41)},
        {"data fork byte", Hqx(flipped(headerEnd + 3)), TBinHexFault::DataCrc, byteAt(headerEnd + 41)},
        {"resource fork CRC", Hqx(flipped(good.size() - 1)), TBinHexFault::ResourceCrc,
         byteAt(good.size() - 1)},
        {"name length 0", Hqx(Chars(Join({{0}, Slice(good, 1, good.size())}))), TBinHexFault::BadNameLength,
         at(1)},
        {"name length 64", Hqx(Chars(Join({{64}, Repeat('n', 100)}))), TBinHexFault::BadNameLength, at(1)},
        {"a run with nothing before it", Hqx(Chars({0x90, 5, 'a'})), TBinHexFault::BadRun, byteAt(1)},
        {"a run past the last part", Hqx(Chars(zeroStream)), TBinHexFault::BadRun,
         byteAt(zeroStream.size() - 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const TDecoded d = Decode(c.Text);
        EXPECT_EQ(d.Reading.Fault, c.Fault) << static_cast<int>(d.Reading.Fault);
        if (c.Offset >= 0) {
            EXPECT_EQ(d.Reading.FaultOffset, c.Offset);
        }
        EXPECT_LE(d.Reading.DataPresent, static_cast<std::int64_t>(data.size()));
    }
    // What was read is told: the header of a cut file, the CRCs of the whole parts.
    const TDecoded d = Decode(Hqx(cut(good.size() - 5)));
    ASSERT_TRUE(d.Reading.Header);
    EXPECT_EQ(d.Reading.Header->Name, "Fault");
    EXPECT_EQ(d.Reading.DataCrcStored, d.Reading.DataCrcComputed);
    EXPECT_EQ(d.Data, data);
    EXPECT_EQ(d.Resource, Slice(resource, 0, 17));
    EXPECT_FALSE(d.Reading.ResourceCrcStored);
    EXPECT_FALSE(SniffBinHex(TFileStream(Put(":" + goodChars + ":\n"), FileMode::Read)));
}

// Run marks as other writers put them, and as this one never does.
TEST_F(BinHexFiles, RunMarksOfEveryShapeExpand) {
    const struct {
        const char* Marked;
        const char* Plain;
    } cases[] = {
        {"41 90 05", "41 41 41 41 41"},       {"41 90 01 42", "41 42"},
        {"41 90 03 90 03", "41 41 41 41 41"}, {"90 00 90 04", "90 90 90 90"},
        {"90 00 90 00 90 02", "90 90 90"},    {"41 90 00 90 02 42 90 02", "41 90 90 42 42"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Marked);
        const Bytes plain = Hex(c.Plain);
        Bytes s = HeaderBytes("M", static_cast<std::uint32_t>(plain.size()), 0);
        const Bytes marked = Hex(c.Marked);
        s.insert(s.end(), marked.begin(), marked.end());
        const std::uint16_t crc = Crc16Xmodem(plain.data(), plain.size());
        s.insert(s.end(), {static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc), 0, 0});
        const TDecoded d = Decode(Hqx(Chars(s)));
        EXPECT_TRUE(d.Reading.Sound()) << static_cast<int>(d.Reading.Fault);
        EXPECT_EQ(d.Data, plain);
    }
}

// Lengths near 4 GiB are what the header says, and the body's end stops the reading.
// A text that ends after every byte of a fork but before its CRC: that fork is written, and said
// to be unverified; a fork with bytes missing is still refused.
TEST_F(BinHexFiles, AForkWhoseCrcNeverCameIsWrittenAndSaidUnverified) {
    const Bytes data = Plain(40, 21);
    const Bytes resource = Plain(20, 22);
    const Bytes whole = Stream("Ab", data, resource);
    const std::size_t afterData = whole.size() - resource.size() - 4; // the data fork's CRC next
    const std::size_t afterResource = whole.size() - 2;               // the resource fork's CRC next
    Bytes noResource = HeaderBytes("Ab", static_cast<std::uint32_t>(data.size()), 0);
    noResource.insert(noResource.end(), data.begin(), data.end()); // an empty resource fork follows
    const struct {
        Bytes Body;
        TForkStatus Data, Resource, MacBinary;
    } cases[] = {
        {Slice(whole, 0, afterData), TForkStatus::WrittenUnchecked, TForkStatus::RefusedCut,
         TForkStatus::RefusedCut},
        {Slice(whole, 0, afterResource), TForkStatus::Written, TForkStatus::WrittenUnchecked,
         TForkStatus::WrittenUnchecked},
        {noResource, TForkStatus::WrittenUnchecked, TForkStatus::WrittenUnchecked,
         TForkStatus::WrittenUnchecked},
        {whole, TForkStatus::Written, TForkStatus::Written, TForkStatus::Written},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Body.size());
        const TMacFileSource source = TMacFileSource::OpenBinHex(Put(Hqx(Chars(c.Body))));
        EXPECT_EQ(ExportDataFork(source, dir_ / "d", TCutPolicy::Refuse, {}, true), c.Data);
        EXPECT_EQ(ReadBytes(dir_ / "d"), data);
        EXPECT_EQ(ExportResourceFork(source, dir_ / "r", TCutPolicy::Refuse, {}, true), c.Resource);
        EXPECT_EQ(ExportMacBinary(source, dir_ / "m", 2, TCutPolicy::Refuse, {}, true), c.MacBinary);
        std::filesystem::remove(dir_ / "r");
    }
}

TEST_F(BinHexFiles, HugeStatedLengthsStopAtTheBodysEnd) {
    Bytes s = HeaderBytes("Huge", 0xFFFFFFFFu, 0x7FFFFFFFu);
    s.insert(s.end(), {'a', 0x90, 0xFF, 0x90, 0xFF, 'b'});
    const TDecoded d = Decode(Hqx(Chars(s)));
    EXPECT_EQ(d.Reading.Fault, TBinHexFault::EndsInData);
    EXPECT_EQ(d.Reading.Header->DataLength, 0xFFFFFFFFu);
    EXPECT_EQ(d.Reading.DataPresent, 1 + 254 + 254 + 1);
    EXPECT_EQ(d.Data, Join({Repeat('a', 509), {'b'}}));
}

TEST_F(BinHexFiles, ProgressMayStopBothWays) {
    const Bytes data = RandomBytes(700000, 21);
    const ProgressFn stop = [](std::int64_t, std::int64_t) { return false; };
    EXPECT_THROW(Write(HeaderOf("P", data, {}), data, {}, stop), ECancelled);
    std::vector<std::int64_t> seen;
    const std::string text =
        Write(HeaderOf("P", data, {}), data, {}, [&](std::int64_t done, std::int64_t total) {
            EXPECT_EQ(total, 700000);
            seen.push_back(done);
            return true;
        });
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 700000);
    const std::filesystem::path file = Put(text);
    EXPECT_THROW(Decode(file, stop), ECancelled);
}

// Files that other programs wrote (tests/corpus/binhex/README.md) give the forks of the MacBinary
// file they were made from, and the writer makes the same body from the same header and forks.
TEST_F(BinHexFiles, OtherProgramsFilesGiveTheirSourcesForks) {
    const struct {
        const char* File;
        const char* Source;
        bool SameBody; // made by a writer whose body the writer here makes byte for byte
    } cases[] = {
        {"mu_wezm_TextFile_II.hqx", "wezm_TextFile_II.bin", true},
        {"hf_wezm_TextFile_II.hqx", "wezm_TextFile_II.bin", false},
        {"mu_monobit_4x6_ufond.hqx", "monobit_4x6_ufond.bin", true},
        {"hf_xadmaster_1234567.sit.hqx", "xadmaster_1234567.sit.bin", false},
        {"mu_hfsutils_jw1995_CHAPTER12.hqx", "hfsutils_jw1995_CHAPTER12.bin", true},
        {"hf_wezm_NoResourceFork.hqx", "wezm_NoResourceFork.bin", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File);
        const std::filesystem::path file = CorpusFile(std::string("binhex/") + c.File);
        const TMacFileSource source = TMacFileSource::OpenMacBinary(CorpusFile(c.Source));
        const Bytes bytes = ReadBytes(CorpusFile(c.Source));
        const TMacFile& m = source.File();
        EXPECT_TRUE(SniffBinHex(TFileStream(file, FileMode::Read)));
        const TDecoded d = Decode(file);
        ASSERT_TRUE(d.Reading.Sound())
            << static_cast<int>(d.Reading.Fault) << " at " << d.Reading.FaultOffset;
        EXPECT_EQ(d.Data, Slice(bytes, static_cast<std::size_t>(m.Data.Offset),
                                static_cast<std::size_t>(m.Data.Length)));
        EXPECT_EQ(d.Resource, Slice(bytes, static_cast<std::size_t>(m.Resource.Offset),
                                    static_cast<std::size_t>(m.Resource.Length)));
        EXPECT_EQ(d.Reading.Header->Type, m.Info.Type);
        EXPECT_EQ(d.Reading.Header->Creator, m.Info.Creator);
        if (c.SameBody) {
            const Bytes theirs = ReadBytes(file);
            const std::string mine = Write(*d.Reading.Header, d.Data, d.Resource);
            const auto body = static_cast<std::size_t>(*d.Reading.BodyOffset);
            EXPECT_EQ(mine.substr(kMarker.size()),
                      std::string(theirs.begin() + static_cast<std::ptrdiff_t>(body), theirs.end()));
        }
    }
}

} // namespace
} // namespace kelda
