// SPDX-License-Identifier: MIT
// The header as read from any 128 bytes: its 28 table lines, the grid cells cut from them, the log
// block, the byte ranges and the MacBinary II form.
#include "FuzzSupport.h"

#include "crc/CrcUtils.h"
#include "log/LogNavigation.h"
#include "macbinary/HeaderTable.h"
#include "macbinary/LogBlock.h"
#include "macbinary/MacBinaryHeader.h"
#include "util/Myutil.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using namespace kelda;

namespace {

// The date a header date field means, worked out with the standard calendar: value seconds after
// 1904-01-01 00:00:00.
std::string ExpectedDate(std::uint32_t value) {
    using namespace std::chrono;
    const sys_seconds t = sys_days(year(1904) / January / 1) + seconds(value);
    const sys_days day = floor<days>(t);
    const year_month_day date(day);
    const hh_mm_ss<seconds> time(t - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d/%02u/%02u %02d:%02d:%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text;
}

std::string HexOf(const THeader& header, const THeaderField& field) {
    std::string text;
    char two[4];
    for (int i = 0; i < field.Width; ++i) {
        std::snprintf(two, sizeof two, "%02x", header[static_cast<std::size_t>(field.Offset + i)]);
        text += (i > 0 ? " " : "");
        text += two;
    }
    return text;
}

void CheckTable(const THeader& header, const std::vector<std::string>& table) {
    KELDA_FUZZ_CHECK(table.size() == HeaderFields.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        const THeaderField& field = HeaderFields[i];
        KELDA_FUZZ_CHECK(fuzz::IsWellFormedUtf8(table[i]));
        // The grid's cells: a tab inside a decoded name adds cells, but the first two and the last
        // two are always the label and the bytes.
        std::vector<std::string> cells;
        SplitFields(table[i], cells);
        KELDA_FUZZ_CHECK(cells.size() >= 6);
        KELDA_FUZZ_CHECK(cells[0] == field.No);
        KELDA_FUZZ_CHECK(cells[1] == field.Item);
        KELDA_FUZZ_CHECK(cells.back() == "[HEX]");
        KELDA_FUZZ_CHECK(cells[cells.size() - 2] == HexOf(header, field));
        if (field.Kind == TFieldKind::Date) {
            KELDA_FUZZ_CHECK(cells.size() == 6);
            KELDA_FUZZ_CHECK(cells[2] == ExpectedDate(HeaderUInt32(header, field.Offset)));
        }
    }
}

void CheckMacBinaryIIForm(const THeader& header) {
    const THeader form = MacBinaryIIForm(header);
    const std::size_t nameLength = std::min<std::size_t>(header[kOffsetNameLength], 62);
    for (std::size_t i = 0; i < kHeaderSize; ++i) {
        if (i >= 2 && i < 64) {
            KELDA_FUZZ_CHECK(form[i] == (i < 2 + nameLength ? header[i] : 0));
        } else if (i == kOffsetVersion || i == kOffsetMinVersion) {
            KELDA_FUZZ_CHECK(form[i] == kVersionII);
        } else if (i != kOffsetCrc && i != kOffsetCrc + 1) {
            KELDA_FUZZ_CHECK(form[i] == header[i]);
        }
    }
    const std::uint16_t crc = Crc16Xmodem(form.data(), kCrcCoveredBytes);
    KELDA_FUZZ_CHECK(form[kOffsetCrc] == (crc >> 8) && form[kOffsetCrc + 1] == (crc & 0xFF));
}

void CheckLogBlock(const THeader& header, const std::string& name, std::int64_t size) {
    const std::vector<std::string> block = BuildLogBlock(name, header, size);
    KELDA_FUZZ_CHECK(block.size() == 8 + HeaderFields.size());
    KELDA_FUZZ_CHECK(block[0] == LogSeparator());
    KELDA_FUZZ_CHECK(block[1] == "FileName         : " + name);
    const TFileLayout layout = ComputeLayout(header, size);
    KELDA_FUZZ_CHECK(layout.Header == (TByteRange{0, 127}));
    KELDA_FUZZ_CHECK(layout.DataFork.Start == 128);
    KELDA_FUZZ_CHECK(layout.ResourceFork.Start == layout.DataFork.End + 1);
    KELDA_FUZZ_CHECK(layout.Comment.Start == layout.ResourceFork.End + 1);
    KELDA_FUZZ_CHECK(layout.Comment.End == size - 1);
    for (std::size_t i = 3; i < 8; ++i) {
        KELDA_FUZZ_CHECK(block[i].find("[DEC]") != std::string::npos);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    THeader header{};
    const std::vector<std::uint8_t> bytes = input.ConsumeBytes<std::uint8_t>(kHeaderSize);
    std::copy(bytes.begin(), bytes.end(), header.begin());
    // Any size a file can have, and a few numbers from outside that range for the formatters.
    const auto fileSize = input.ConsumeIntegralInRange<std::int64_t>(0, std::int64_t{1} << 62);
    const auto anyNumber = input.ConsumeIntegral<std::int64_t>();
    const std::string name = input.ConsumeRemainingBytesAsString();

    CheckTable(header, BuildHeaderTable(header));
    CheckMacBinaryIIForm(header);
    CheckLogBlock(header, name, fileSize);
    KELDA_FUZZ_CHECK(Dec8(anyNumber).size() >= 8);
    KELDA_FUZZ_CHECK(Hex8(anyNumber, true).size() >= 8);
    KELDA_FUZZ_CHECK(IsMacBinary(header) == (header[0] == 0 && header[kOffsetConst1] == 0));
    return 0;
}
