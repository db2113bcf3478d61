// SPDX-License-Identifier: MIT
// A small MacBinary II file with every Finder field set, the corpus files, and hex text for
// expected bytes.
#pragma once

#include "macbinary/TestFiles.h"
#include "support/Corpus.h"

#include <algorithm>
#include <string_view>

namespace kelda::test {

// "00 05 16 07" -> bytes; blanks and line breaks are ignored.
inline Bytes Hex(std::string_view text) {
    Bytes out;
    int high = -1;
    for (const char c : text) {
        int v = -1;
        if (c >= '0' && c <= '9') {
            v = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            v = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            v = c - 'A' + 10;
        }
        if (v < 0) {
            continue;
        }
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    return out;
}

inline Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

inline void Pad128(Bytes& bytes) {
    bytes.resize((bytes.size() + 127) / 128 * 128, 0);
}

// Name "Ab", TEXT/ttxt, flags 0x0120, icon at (16, 32), folder 3, protected, extended flags 0x40,
// created one second after 2000-01-01 and modified one second before; data "DATA!", resource
// fork "RS", comment "hi".
inline THeader SampleHeader() {
    THeader h{};
    PutName(h, "Ab");
    std::copy_n("TEXTttxt", 8, h.begin() + 65);
    h[73] = 0x01;
    h[75] = 0x00;
    h[76] = 0x10;
    h[77] = 0x00;
    h[78] = 0x20;
    h[79] = 0x00;
    h[80] = 0x03;
    h[81] = 0x01;
    PutUInt32(h, 83, 5);
    PutUInt32(h, 87, 2);
    PutUInt32(h, 91, 3029529601u);
    PutUInt32(h, 95, 3029529599u);
    h[99] = 0;
    h[100] = 2;
    h[101] = 0x20;
    h[107] = 0x40;
    h[122] = 129;
    h[123] = 129;
    const std::uint16_t crc = HeaderCrc(h);
    h[124] = static_cast<std::uint8_t>(crc >> 8);
    h[125] = static_cast<std::uint8_t>(crc);
    return h;
}

// The file of a header and its three parts, each padded to 128 bytes but the last.
inline Bytes MacBinaryOf(const THeader& header, const Bytes& data, const Bytes& resource,
                         const Bytes& comment) {
    Bytes file(header.begin(), header.end());
    file.insert(file.end(), data.begin(), data.end());
    Pad128(file);
    file.insert(file.end(), resource.begin(), resource.end());
    if (!comment.empty()) {
        Pad128(file);
        file.insert(file.end(), comment.begin(), comment.end());
    }
    return file;
}

inline Bytes SampleFile() {
    return MacBinaryOf(SampleHeader(), Text("DATA!"), Text("RS"), Text("hi"));
}

} // namespace kelda::test
