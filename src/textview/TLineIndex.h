// SPDX-License-Identifier: MIT
// Where each line of a byte stream begins and ends, built in one pass as the bytes arrive.
//
// A line ends at CR LF, LF or CR; the bytes after the last line break are a line only when there are
// any (the same rule as splitting a whole text). The table is compact, so that a text of hundreds of
// megabytes is indexed in a fraction of its size: each line is one variable-length number (its
// length and the length of its line break, one byte for an empty line, two for most others), with
// an absolute position every 64 lines. A line is found from the position before it, at most 63
// numbers away. Storage grows in fixed pages, never by reallocating what is already there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace kelda {

class TLineIndex {
public:
    // A line's text, without its line break: bytes [Begin, End) of the stream.
    struct TRange {
        std::uint64_t Begin = 0;
        std::uint64_t End = 0;
        bool operator==(const TRange&) const = default;
    };

    // Adds the next bytes of the stream.
    void Feed(const char* data, std::size_t size);
    // No more bytes come: a pending CR is a line break of its own and unterminated bytes form the
    // last line.
    void Finish();
    // Lines whose end is known.
    std::int64_t LineCount() const { return count_; }
    // The line's bytes; index must be in 0..LineCount()-1.
    TRange Line(std::int64_t index) const;
    // Calls f(index, range) for the lines from first on, in order, until f returns false or the
    // lines run out; cheaper than Line() for each.
    template <typename F> void ForEachFrom(std::int64_t first, F&& f) const {
        std::uint64_t begin = 0;
        std::uint64_t pos = 0;
        seek(first, begin, pos);
        for (std::int64_t i = first; i < count_; ++i) {
            if (i % kStride == 0) {
                const TCheckpoint& cp = checkpoints_[static_cast<std::size_t>(i / kStride)];
                begin = cp.Begin;
                pos = cp.Pos;
            }
            const std::uint64_t value = readNumber(pos);
            if (!f(i, TRange{begin, begin + (value >> 2)})) {
                return;
            }
            begin += (value >> 2) + (value & 3);
        }
    }
    std::uint64_t FedBytes() const { return fed_; }
    // Bytes held by the table.
    std::size_t MemoryBytes() const;

private:
    static constexpr int kStride = 64;
    static constexpr std::size_t kPageBits = 16;

    struct TCheckpoint {
        std::uint64_t Begin; // where line kStride * k begins
        std::uint64_t Pos;   // where its number is in the stream of numbers
    };

    void addLine(std::uint64_t length, unsigned breakLength);
    // Moves begin and pos to line index (which must exist, or be LineCount()).
    void seek(std::int64_t index, std::uint64_t& begin, std::uint64_t& pos) const;
    std::uint64_t readNumber(std::uint64_t& pos) const;
    void putByte(std::uint8_t b);
    std::uint8_t byteAt(std::uint64_t pos) const {
        return pages_[pos >> kPageBits][pos & ((std::uint64_t{1} << kPageBits) - 1)];
    }

    std::vector<std::unique_ptr<std::uint8_t[]>> pages_;
    std::uint64_t used_ = 0; // bytes of numbers written
    std::deque<TCheckpoint> checkpoints_;
    std::int64_t count_ = 0;
    std::uint64_t fed_ = 0;
    std::uint64_t lineBegin_ = 0; // where the line being read begins
    bool pendingCr_ = false;      // the last byte fed was a CR that may be followed by LF
};

} // namespace kelda
