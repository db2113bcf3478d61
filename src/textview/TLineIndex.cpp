// SPDX-License-Identifier: MIT
#include "textview/TLineIndex.h"

namespace kelda {

void TLineIndex::Feed(const char* data, std::size_t size) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    std::size_t i = 0;
    if (pendingCr_ && size > 0) {
        // The CR that ended the previous piece: CR LF, or a CR of its own.
        const std::uint64_t cr = fed_ - 1;
        pendingCr_ = false;
        if (bytes[0] == '\n') {
            addLine(cr - lineBegin_, 2);
            lineBegin_ = fed_ + 1;
            i = 1;
        } else {
            addLine(cr - lineBegin_, 1);
            lineBegin_ = fed_;
        }
    }
    for (; i < size; ++i) {
        const unsigned char c = bytes[i];
        if (c > '\r' || (c != '\r' && c != '\n')) {
            continue;
        }
        const std::uint64_t at = fed_ + i;
        if (c == '\n') {
            addLine(at - lineBegin_, 1);
            lineBegin_ = at + 1;
        } else if (i + 1 == size) {
            pendingCr_ = true;
        } else if (bytes[i + 1] == '\n') {
            addLine(at - lineBegin_, 2);
            lineBegin_ = at + 2;
            ++i;
        } else {
            addLine(at - lineBegin_, 1);
            lineBegin_ = at + 1;
        }
    }
    fed_ += size;
}

void TLineIndex::Finish() {
    if (pendingCr_) {
        pendingCr_ = false;
        addLine(fed_ - 1 - lineBegin_, 1);
        lineBegin_ = fed_;
    }
    if (fed_ > lineBegin_) {
        addLine(fed_ - lineBegin_, 0);
        lineBegin_ = fed_;
    }
}

void TLineIndex::addLine(std::uint64_t length, unsigned breakLength) {
    if (count_ % kStride == 0) {
        checkpoints_.push_back({lineBegin_, used_});
    }
    // Length and line break in one number, seven bits to a byte, low bits first.
    std::uint64_t value = (length << 2) | breakLength;
    while (value >= 0x80) {
        putByte(static_cast<std::uint8_t>(value | 0x80));
        value >>= 7;
    }
    putByte(static_cast<std::uint8_t>(value));
    ++count_;
}

void TLineIndex::putByte(std::uint8_t b) {
    const std::uint64_t page = used_ >> kPageBits;
    if (page == pages_.size()) {
        pages_.push_back(std::make_unique<std::uint8_t[]>(std::size_t{1} << kPageBits));
    }
    pages_[page][used_ & ((std::uint64_t{1} << kPageBits) - 1)] = b;
    ++used_;
}

std::uint64_t TLineIndex::readNumber(std::uint64_t& pos) const {
    std::uint64_t value = 0;
    for (unsigned shift = 0;; shift += 7) {
        const std::uint8_t b = byteAt(pos++);
        value |= std::uint64_t{b & 0x7Fu} << shift;
        if (b < 0x80) {
            return value;
        }
    }
}

void TLineIndex::seek(std::int64_t index, std::uint64_t& begin, std::uint64_t& pos) const {
    if (index >= count_) {
        begin = lineBegin_;
        pos = used_;
        return;
    }
    const TCheckpoint& cp = checkpoints_[static_cast<std::size_t>(index / kStride)];
    begin = cp.Begin;
    pos = cp.Pos;
    for (std::int64_t skip = index % kStride; skip > 0; --skip) {
        const std::uint64_t value = readNumber(pos);
        begin += (value >> 2) + (value & 3);
    }
}

TLineIndex::TRange TLineIndex::Line(std::int64_t index) const {
    std::uint64_t begin = 0;
    std::uint64_t pos = 0;
    seek(index, begin, pos);
    return {begin, begin + (readNumber(pos) >> 2)};
}

std::size_t TLineIndex::MemoryBytes() const {
    return pages_.size() * (std::size_t{1} << kPageBits) + checkpoints_.size() * sizeof(TCheckpoint) +
           pages_.capacity() * sizeof(pages_[0]);
}

} // namespace kelda
