// SPDX-License-Identifier: MIT
// Resource forks built byte by byte for the tests, laid out as the system writes them: the 16-byte
// header, reserved bytes up to offset 256, the data (a 4-byte length before each resource's
// bytes), then the map (a copy of the header, the fixed fields, the type list, the reference
// lists and the name list).
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelda::test {

struct TForkResource {
    std::string Type; // four characters
    std::int16_t Id = 0;
    std::optional<std::string> Name;
    std::uint8_t Attributes = 0;
    std::vector<std::uint8_t> Data;
};

// Where the parts of a built fork lie (offsets in the fork).
struct TBuiltFork {
    std::vector<std::uint8_t> Bytes;
    std::size_t DataOffset = 0;
    std::size_t MapOffset = 0;
    std::size_t TypeList = 0; // start of the type list
    std::size_t NameList = 0; // start of the name list

    void Put16(std::size_t at, std::uint32_t v) {
        Bytes[at] = static_cast<std::uint8_t>(v >> 8);
        Bytes[at + 1] = static_cast<std::uint8_t>(v);
    }
    void Put32(std::size_t at, std::uint32_t v) {
        Put16(at, v >> 16);
        Put16(at + 2, v & 0xFFFF);
    }
    // The reference entry k (counting over all types in order).
    std::size_t RefEntry(std::size_t k) const { return RefLists + 12 * k; }
    std::size_t RefLists = 0;
};

inline TBuiltFork BuildResourceFork(const std::vector<TForkResource>& resources) {
    TBuiltFork fork;
    std::vector<std::uint8_t>& b = fork.Bytes;
    const auto put16 = [](std::vector<std::uint8_t>& v, std::uint32_t x) {
        v.push_back(static_cast<std::uint8_t>(x >> 8));
        v.push_back(static_cast<std::uint8_t>(x));
    };
    const auto put32 = [&](std::vector<std::uint8_t>& v, std::uint32_t x) {
        put16(v, x >> 16);
        put16(v, x & 0xFFFF);
    };
    // Types in the order they first appear; each type's resources in the given order.
    std::vector<std::string> types;
    for (const TForkResource& r : resources) {
        if (std::find(types.begin(), types.end(), r.Type) == types.end()) {
            types.push_back(r.Type);
        }
    }
    std::vector<const TForkResource*> ordered;
    for (const std::string& t : types) {
        for (const TForkResource& r : resources) {
            if (r.Type == t) {
                ordered.push_back(&r);
            }
        }
    }
    b.assign(256, 0);
    fork.DataOffset = 256;
    std::vector<std::uint32_t> dataOffsets;
    for (const TForkResource* r : ordered) {
        dataOffsets.push_back(static_cast<std::uint32_t>(b.size() - fork.DataOffset));
        put32(b, static_cast<std::uint32_t>(r->Data.size()));
        b.insert(b.end(), r->Data.begin(), r->Data.end());
    }
    const std::size_t dataLength = b.size() - fork.DataOffset;

    std::vector<std::uint8_t> m(16, 0); // the header's copy, filled in below
    put32(m, 0);                        // next map
    put16(m, 0);                        // file reference
    put16(m, 0);                        // fork attributes
    put16(m, 28);                       // type list offset
    const std::size_t nameListAt = m.size();
    put16(m, 0); // name list offset, filled in below
    put16(m, static_cast<std::uint32_t>(types.size()) - 1);
    const std::size_t refLists = 2 + 8 * types.size();
    std::size_t refAt = refLists;
    for (const std::string& t : types) {
        m.insert(m.end(), t.begin(), t.begin() + 4);
        std::uint32_t count = 0;
        for (const TForkResource* r : ordered) {
            count += r->Type == t ? 1 : 0;
        }
        put16(m, count - 1);
        if (refAt > 0xFFFF) {
            throw std::length_error("a reference list past the reach of its 16-bit offset");
        }
        put16(m, static_cast<std::uint32_t>(refAt));
        refAt += 12 * count;
    }
    std::vector<std::uint8_t> names;
    for (std::size_t k = 0; k < ordered.size(); ++k) {
        const TForkResource& r = *ordered[k];
        put16(m, static_cast<std::uint16_t>(r.Id));
        if (r.Name) {
            put16(m, static_cast<std::uint32_t>(names.size()));
            names.push_back(static_cast<std::uint8_t>(r.Name->size()));
            names.insert(names.end(), r.Name->begin(), r.Name->end());
        } else {
            put16(m, 0xFFFF);
        }
        m.push_back(r.Attributes);
        m.push_back(static_cast<std::uint8_t>(dataOffsets[k] >> 16));
        put16(m, dataOffsets[k] & 0xFFFF);
        put32(m, 0); // handle
    }
    const std::size_t nameList = m.size();
    m[nameListAt] = static_cast<std::uint8_t>(nameList >> 8);
    m[nameListAt + 1] = static_cast<std::uint8_t>(nameList);
    m.insert(m.end(), names.begin(), names.end());

    fork.MapOffset = b.size();
    fork.TypeList = fork.MapOffset + 28;
    fork.RefLists = fork.TypeList + refLists;
    fork.NameList = fork.MapOffset + nameList;
    std::vector<std::uint8_t> head;
    put32(head, static_cast<std::uint32_t>(fork.DataOffset));
    put32(head, static_cast<std::uint32_t>(fork.MapOffset));
    put32(head, static_cast<std::uint32_t>(dataLength));
    put32(head, static_cast<std::uint32_t>(m.size()));
    std::copy(head.begin(), head.end(), b.begin());
    std::copy(head.begin(), head.end(), m.begin());
    b.insert(b.end(), m.begin(), m.end());
    return fork;
}

} // namespace kelda::test
