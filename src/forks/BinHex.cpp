// SPDX-License-Identifier: MIT
// BinHex 4.0 in three layers each way. Reading: characters to bytes (a 256-entry table, four
// characters to three bytes at a time), the 0x90 run marks expanded, and the parts (header, data
// fork, resource fork, each followed by its CRC) filled from the expanded bytes. Writing: the parts
// as one byte stream, run marks put in, bytes to characters, lines of 64. Each layer keeps its state
// between blocks, so that a run mark, a group of four characters or a part may fall across a line or
// a block boundary.
#include "forks/BinHex.h"

#include "crc/CrcUtils.h"
#include "forks/MacNames.h"
#include "util/BigEndian.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace kelda {
namespace {

constexpr std::string_view kMarker = "(This file must be converted";
constexpr std::string_view kMarkerLine = "(This file must be converted with BinHex 4.0)\n";
constexpr std::string_view kAlphabet = "!\"#$%&'()*+,-012345689@ABCDEFGHIJKLMNPQRSTUVXYZ[`abcdefhijklmpqr";
static_assert(kAlphabet.size() == 64);

// The reads of the input and of the forks, and the writes of the output.
constexpr std::size_t kBlockSize = std::size_t{256} << 10;

constexpr std::uint8_t kRunMark = 0x90;
constexpr std::size_t kMaxRun = 255;
// Runs shorter than this are written as they are: the mark takes three bytes, and the usual writers
// leave runs of three and four alone.
constexpr std::size_t kMinRun = 5;
constexpr std::size_t kLineWidth = 64;
// After the name: the version byte, type, creator, flags, the two lengths and the CRC.
constexpr std::size_t kHeaderFixed = 1 + 4 + 4 + 2 + 4 + 4 + 2;

// The decoding table: a character's 6-bit value, or one of these classes.
constexpr std::uint8_t kSkip = 0x40;  // a line end, a tab or a space
constexpr std::uint8_t kColon = 0x41; // the body's end
constexpr std::uint8_t kBad = 0xFF;

constexpr std::array<std::uint8_t, 256> MakeDecodeTable() {
    std::array<std::uint8_t, 256> table{};
    table.fill(kBad);
    for (std::size_t i = 0; i < kAlphabet.size(); ++i) {
        table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::uint8_t>(i);
    }
    for (const char c : {'\r', '\n', '\t', ' '}) {
        table[static_cast<unsigned char>(c)] = kSkip;
    }
    table[':'] = kColon;
    return table;
}

constexpr std::array<std::uint8_t, 256> kDecode = MakeDecodeTable();

bool IsBlank(std::uint8_t c) {
    return kDecode[c] == kSkip;
}

// The offset of the body's opening ':' in the file's first kBinHexSniffSize bytes: after a line holding
// the marker, past blank lines.
std::optional<std::int64_t> FindBody(const TFileStream& in) {
    std::vector<char> head(kBinHexSniffSize);
    std::size_t size = 0;
    try {
        size = in.ReadAt(head.data(), head.size(), 0);
    } catch (const EFileError&) {
        return std::nullopt;
    }
    const std::string_view text(head.data(), size);
    for (std::size_t at = text.find(kMarker); at != std::string_view::npos; at = text.find(kMarker, at + 1)) {
        const std::size_t lineEnd = text.find_first_of("\r\n", at + kMarker.size());
        if (lineEnd == std::string_view::npos) {
            return std::nullopt;
        }
        std::size_t i = lineEnd;
        while (i < text.size() && IsBlank(static_cast<std::uint8_t>(text[i]))) {
            ++i;
        }
        if (i < text.size() && text[i] == ':') {
            return static_cast<std::int64_t>(i);
        }
    }
    return std::nullopt;
}

// ------------------------------------------------------------------ reading

enum class TPart { Header, Data, DataCrc, Resource, ResourceCrc, Done };

// The expanded bytes into the parts; the forks' bytes through a buffer into the forks file, their
// CRCs over the buffer.
class TPartSink {
public:
    TPartSink(TBinHexReading& reading, TFileStream* forks) : r_(reading), forks_(forks) {
        buffer_.reserve(kBlockSize);
    }

    TPart Part() const { return part_; }

    // Takes n bytes; false at a fault, with FaultIndex() the index in bytes of the byte that
    // showed it. run: the bytes are the copies a run mark made, which may not pass the last part.
    bool Put(const std::uint8_t* bytes, std::size_t n, bool run) {
        std::size_t i = 0;
        while (i < n) {
            switch (part_) {
            case TPart::Header:
                if (headerSize_ == 0) {
                    const std::uint8_t length = bytes[i];
                    if (length == 0 || length > kMaxMacNameLength) {
                        return Fault(TBinHexFault::BadNameLength, i);
                    }
                    headerNeed_ = 1 + length + kHeaderFixed;
                }
                i += Take(header_.data(), headerSize_, headerNeed_, bytes + i, n - i);
                if (headerSize_ == headerNeed_ && !EndHeader()) {
                    return Fault(TBinHexFault::HeaderCrc, i - 1);
                }
                break;
            case TPart::Data:
            case TPart::Resource: {
                const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(left_, n - i));
                Fork(bytes + i, take);
                i += take;
                left_ -= take;
                if (left_ == 0) {
                    EndFork();
                }
                break;
            }
            case TPart::DataCrc:
            case TPart::ResourceCrc:
                i += Take(crc_.data(), crcSize_, crc_.size(), bytes + i, n - i);
                if (crcSize_ == crc_.size() && !EndCrc()) {
                    return Fault(part_ == TPart::DataCrc ? TBinHexFault::DataCrc : TBinHexFault::ResourceCrc,
                                 i - 1);
                }
                break;
            case TPart::Done:
                // Bytes after the last CRC (a writer's padding) are left alone; a run there would make
                // more than the header said.
                return run ? Fault(TBinHexFault::BadRun, i) : true;
            }
        }
        return true;
    }

    // The fault the body's end gives in the part reached, None when every part was whole.
    TBinHexFault EndFault() const {
        switch (part_) {
        case TPart::Header:
            return TBinHexFault::EndsInHeader;
        case TPart::Data:
        case TPart::DataCrc:
            return TBinHexFault::EndsInData;
        case TPart::Resource:
        case TPart::ResourceCrc:
            return TBinHexFault::EndsInResource;
        case TPart::Done:
            break;
        }
        return TBinHexFault::None;
    }

    // Writes what the buffer still holds of a fork cut short to the forks file.
    void Finish() { FoldAndFlush(); }

    std::size_t FaultIndex() const { return faultIndex_; }

private:
    static std::size_t Take(std::uint8_t* to, std::size_t& have, std::size_t need, const std::uint8_t* from,
                            std::size_t n) {
        const std::size_t take = std::min(need - have, n);
        std::memcpy(to + have, from, take);
        have += take;
        return take;
    }

    bool Fault(TBinHexFault fault, std::size_t index) {
        r_.Fault = fault;
        faultIndex_ = index;
        return false;
    }

    bool EndHeader() {
        const std::uint8_t* h = header_.data();
        const std::size_t length = h[0];
        TBinHexHeader header;
        header.Name.assign(reinterpret_cast<const char*>(h + 1), length);
        const std::uint8_t* at = h + 1 + length + 1; // past the version byte
        std::copy_n(at, 4, header.Type.begin());
        std::copy_n(at + 4, 4, header.Creator.begin());
        header.Flags = GetBig16(at + 8);
        header.DataLength = GetBig32(at + 10);
        header.ResourceLength = GetBig32(at + 14);
        r_.Header = header;
        r_.HeaderCrcStored = GetBig16(at + 18);
        r_.HeaderCrcComputed = Crc16Xmodem(h, headerNeed_ - 2);
        if (r_.HeaderCrcStored != r_.HeaderCrcComputed) {
            return false;
        }
        StartFork(TPart::Data, header.DataLength);
        return true;
    }

    void StartFork(TPart part, std::uint64_t length) {
        part_ = part;
        left_ = length;
        crc_ = {};
        crcSize_ = 0;
        forkCrc_ = 0;
        if (length == 0) {
            EndFork();
        }
    }

    void Fork(const std::uint8_t* bytes, std::size_t n) {
        while (n > 0) {
            const std::size_t take = std::min(n, kBlockSize - buffer_.size());
            buffer_.insert(buffer_.end(), bytes, bytes + take);
            bytes += take;
            n -= take;
            (part_ == TPart::Data ? r_.DataPresent : r_.ResourcePresent) += static_cast<std::int64_t>(take);
            if (buffer_.size() == kBlockSize) {
                FoldAndFlush();
            }
        }
    }

    void FoldAndFlush() {
        forkCrc_ = Crc16XmodemUpdate(forkCrc_, buffer_.data(), buffer_.size());
        if (forks_ != nullptr && !buffer_.empty()) {
            forks_->WriteBuffer(buffer_.data(), buffer_.size());
        }
        buffer_.clear();
    }

    void EndFork() {
        FoldAndFlush();
        part_ = part_ == TPart::Data ? TPart::DataCrc : TPart::ResourceCrc;
    }

    bool EndCrc() {
        const std::uint16_t stored = GetBig16(crc_.data());
        if (part_ == TPart::DataCrc) {
            r_.DataCrcStored = stored;
            r_.DataCrcComputed = forkCrc_;
            if (stored != forkCrc_) {
                return false;
            }
            StartFork(TPart::Resource, r_.Header->ResourceLength);
            return true;
        }
        r_.ResourceCrcStored = stored;
        r_.ResourceCrcComputed = forkCrc_;
        if (stored != forkCrc_) {
            return false;
        }
        part_ = TPart::Done;
        return true;
    }

    TBinHexReading& r_;
    TFileStream* forks_;
    TPart part_ = TPart::Header;
    std::array<std::uint8_t, 1 + kMaxMacNameLength + kHeaderFixed> header_{};
    std::size_t headerSize_ = 0;
    std::size_t headerNeed_ = 0;
    std::uint64_t left_ = 0; // bytes of the fork still to come
    std::uint16_t forkCrc_ = 0;
    std::array<std::uint8_t, 2> crc_{};
    std::size_t crcSize_ = 0;
    std::vector<std::uint8_t> buffer_;
    std::size_t faultIndex_ = 0;
};

// The run marks of the decoded bytes expanded into the parts.
class TRunExpander {
public:
    TRunExpander(TPartSink& sink, TBinHexReading& reading) : sink_(sink), r_(reading) {}

    // Expands bytes[0, n); false at a fault, with FaultIndex() the index of the byte that showed it.
    bool Expand(const std::uint8_t* bytes, std::size_t n) {
        std::size_t i = 0;
        while (i < n) {
            if (markPending_) {
                markPending_ = false;
                const std::uint8_t count = bytes[i];
                if (count == 0) {
                    // A 0x90 of its own.
                    last_ = kRunMark;
                    if (!sink_.Put(&kRunMark, 1, false)) {
                        return Fault(i);
                    }
                } else if (last_ < 0) {
                    r_.Fault = TBinHexFault::BadRun;
                    return Fault(i);
                } else if (count > 1) {
                    // The byte before the mark, count times in all: it is already there once. A mark
                    // just after a run repeats the same byte again.
                    std::array<std::uint8_t, kMaxRun> copies;
                    copies.fill(static_cast<std::uint8_t>(last_));
                    if (!sink_.Put(copies.data(), count - 1u, true)) {
                        return Fault(i);
                    }
                }
                ++i;
                continue;
            }
            const void* mark = std::memchr(bytes + i, kRunMark, n - i);
            const std::size_t end =
                mark != nullptr ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(mark) - bytes)
                                : n;
            if (end > i) {
                last_ = bytes[end - 1];
                if (!sink_.Put(bytes + i, end - i, false)) {
                    return Fault(i + sink_.FaultIndex());
                }
                i = end;
            }
            if (mark != nullptr) {
                markPending_ = true;
                ++i;
            }
        }
        return true;
    }

    std::size_t FaultIndex() const { return faultIndex_; }

private:
    bool Fault(std::size_t index) {
        faultIndex_ = index;
        return false;
    }

    TPartSink& sink_;
    TBinHexReading& r_;
    bool markPending_ = false;
    int last_ = -1; // the byte a run mark repeats; none before the first
    std::size_t faultIndex_ = 0;
};

class TDecoder {
public:
    TDecoder(const TFileStream& in, TFileStream* forks, const ProgressFn& progress, TBinHexReading& reading)
        : in_(in), progress_(progress), r_(reading), sink_(reading, forks), runs_(sink_, reading) {}

    void Run(std::int64_t body) {
        const std::int64_t size = in_.Size();
        std::vector<std::uint8_t> block(kBlockSize);
        std::vector<std::uint8_t> bytes(kBlockSize / 4 * 3 + 3);
        std::int64_t offset = body + 1;
        for (;;) {
            const std::size_t n = in_.ReadAt(block.data(), block.size(), offset);
            if (n == 0) {
                End(offset, TBinHexFault::NoClosingColon);
                return;
            }
            // Values before this block, for the fault offsets.
            const std::uint64_t valuesBefore = values_;
            const std::uint8_t* p = block.data();
            std::size_t i = 0;
            std::size_t m = 0;
            std::uint8_t stop = kSkip;
            while (i < n) {
                if (phase_ == 0 && n - i >= 4) {
                    const std::uint8_t a = kDecode[p[i]];
                    const std::uint8_t b = kDecode[p[i + 1]];
                    const std::uint8_t c = kDecode[p[i + 2]];
                    const std::uint8_t d = kDecode[p[i + 3]];
                    if ((a | b | c | d) < 64) {
                        const std::uint32_t v =
                            (std::uint32_t{a} << 18) | (std::uint32_t{b} << 12) | (std::uint32_t{c} << 6) | d;
                        bytes[m] = static_cast<std::uint8_t>(v >> 16);
                        bytes[m + 1] = static_cast<std::uint8_t>(v >> 8);
                        bytes[m + 2] = static_cast<std::uint8_t>(v);
                        m += 3;
                        i += 4;
                        values_ += 4;
                        continue;
                    }
                }
                const std::uint8_t v = kDecode[p[i]];
                if (v >= 64) {
                    if (v == kSkip) {
                        ++i;
                        continue;
                    }
                    stop = v;
                    break;
                }
                acc_ = (acc_ << 6) | v;
                ++values_;
                ++i;
                switch (++phase_) {
                case 2:
                    bytes[m++] = static_cast<std::uint8_t>(acc_ >> 4);
                    break;
                case 3:
                    bytes[m++] = static_cast<std::uint8_t>(acc_ >> 2);
                    break;
                case 4:
                    bytes[m++] = static_cast<std::uint8_t>(acc_);
                    phase_ = 0;
                    acc_ = 0;
                    break;
                default:
                    break;
                }
            }
            if (!runs_.Expand(bytes.data(), m)) {
                sink_.Finish();
                r_.FaultOffset =
                    OffsetOfByte(block.data(), n, offset, valuesBefore, bytesBefore_ + runs_.FaultIndex());
                return;
            }
            bytesBefore_ += m;
            if (stop == kColon) {
                End(offset + static_cast<std::int64_t>(i), TBinHexFault::None);
                return;
            }
            if (stop == kBad) {
                // Past the last part, a character that is none of the body's is text after a body
                // that was never closed.
                const TBinHexFault fault =
                    sink_.Part() == TPart::Done ? TBinHexFault::NoClosingColon : TBinHexFault::BadCharacter;
                sink_.Finish();
                r_.Fault = fault;
                r_.FaultOffset = offset + static_cast<std::int64_t>(i);
                return;
            }
            offset += static_cast<std::int64_t>(n);
            if (progress_ && !progress_(std::min(offset, size), size)) {
                throw ECancelled();
            }
        }
    }

private:
    // The body ends at offset: by a ':' (closed None) or by the file's end (closed NoClosingColon).
    void End(std::int64_t offset, TBinHexFault closed) {
        sink_.Finish();
        const TBinHexFault fault = sink_.EndFault();
        r_.Fault = fault != TBinHexFault::None ? fault : closed;
        if (r_.Fault != TBinHexFault::None) {
            r_.FaultOffset = offset;
        }
    }

    // The offset of the character that completed decoded byte `index` (counted from the body's
    // start): byte j ends in bit 8j + 7, which lies in value (8j + 7) / 6.
    static std::int64_t OffsetOfByte(const std::uint8_t* block, std::size_t n, std::int64_t offset,
                                     std::uint64_t valuesBefore, std::uint64_t index) {
        const std::uint64_t value = (8 * index + 7) / 6;
        std::uint64_t seen = valuesBefore;
        for (std::size_t i = 0; i < n; ++i) {
            if (kDecode[block[i]] < 64 && seen++ == value) {
                return offset + static_cast<std::int64_t>(i);
            }
        }
        return offset + static_cast<std::int64_t>(n);
    }

    const TFileStream& in_;
    const ProgressFn& progress_;
    TBinHexReading& r_;
    TPartSink sink_;
    TRunExpander runs_;
    std::uint32_t acc_ = 0; // the values of the group begun
    unsigned phase_ = 0;    // how many of its four values are there
    std::uint64_t values_ = 0;
    std::uint64_t bytesBefore_ = 0;
};

// ------------------------------------------------------------------ writing

// The parts as one stream of bytes, run marks put in, turned into characters and lines.
class TEncoder {
public:
    explicit TEncoder(TFileStream& out) : out_(out) {
        text_.reserve(kBlockSize + kBlockSize / kLineWidth + 8);
        text_.insert(text_.end(), kMarkerLine.begin(), kMarkerLine.end());
        Char(':');
    }

    // Feeds bytes of the stream. A run goes on until a different byte comes; runs longer than
    // kMaxRun are cut, the next piece starting with the byte itself, as the usual writers do.
    void Feed(const std::uint8_t* bytes, std::size_t n) {
        std::size_t i = 0;
        while (i < n) {
            if (runLength_ == 0 || bytes[i] != runByte_) {
                EndRun();
                // Bytes unlike the next one and no mark go through as they are, many at a time.
                std::size_t k = i;
                while (k + 1 < n && bytes[k] != bytes[k + 1] && bytes[k] != kRunMark) {
                    ++k;
                }
                Literal(bytes + i, k - i);
                i = k;
                runByte_ = bytes[i];
            }
            std::size_t k = i + 1;
            while (k < n && bytes[k] == runByte_) {
                ++k;
            }
            std::size_t total = runLength_ + (k - i);
            while (total > kMaxRun) {
                runLength_ = kMaxRun;
                EndRun();
                total -= kMaxRun;
            }
            runLength_ = total;
            i = k;
        }
    }

    // The last bytes, the closing ':' and the last line's end.
    void Finish() {
        EndRun();
        Encode(true);
        Char(':');
        if (column_ != 0) {
            text_.push_back('\n');
        }
        out_.WriteBuffer(text_.data(), text_.size());
        text_.clear();
    }

private:
    void EndRun() {
        if (runLength_ == 0) {
            return;
        }
        if (runByte_ == kRunMark) {
            // Every 0x90 on its own, as the usual writers do.
            for (std::size_t i = 0; i < runLength_; ++i) {
                Byte(kRunMark);
                Byte(0);
            }
        } else if (runLength_ >= kMinRun) {
            Byte(runByte_);
            Byte(kRunMark);
            Byte(static_cast<std::uint8_t>(runLength_));
        } else {
            for (std::size_t i = 0; i < runLength_; ++i) {
                Byte(runByte_);
            }
        }
        runLength_ = 0;
    }

    void Literal(const std::uint8_t* bytes, std::size_t n) {
        while (n > 0) {
            const std::size_t take = std::min(n, bytes_.size() - size_);
            std::memcpy(bytes_.data() + size_, bytes, take);
            size_ += take;
            bytes += take;
            n -= take;
            if (size_ == bytes_.size()) {
                Encode(false);
            }
        }
    }

    void Byte(std::uint8_t b) {
        bytes_[size_++] = b;
        if (size_ == bytes_.size()) {
            Encode(false);
        }
    }

    // The bytes gathered, as characters: whole groups of three, and at the end the rest (one byte
    // gives two characters, two bytes three).
    void Encode(bool last) {
        std::size_t i = 0;
        std::array<char, kChunk / 3 * 4 + 4> chars;
        std::size_t c = 0;
        for (; i + 3 <= size_; i += 3) {
            const std::uint32_t v =
                (std::uint32_t{bytes_[i]} << 16) | (std::uint32_t{bytes_[i + 1]} << 8) | bytes_[i + 2];
            chars[c] = kAlphabet[v >> 18];
            chars[c + 1] = kAlphabet[(v >> 12) & 63];
            chars[c + 2] = kAlphabet[(v >> 6) & 63];
            chars[c + 3] = kAlphabet[v & 63];
            c += 4;
        }
        const std::size_t rest = size_ - i;
        if (last && rest > 0) {
            const std::uint32_t v =
                (std::uint32_t{bytes_[i]} << 16) | (rest == 2 ? std::uint32_t{bytes_[i + 1]} << 8 : 0);
            chars[c++] = kAlphabet[v >> 18];
            chars[c++] = kAlphabet[(v >> 12) & 63];
            if (rest == 2) {
                chars[c++] = kAlphabet[(v >> 6) & 63];
            }
            i = size_;
        }
        std::memmove(bytes_.data(), bytes_.data() + i, size_ - i);
        size_ -= i;
        Text(chars.data(), c);
    }

    // Characters into lines of kLineWidth.
    void Text(const char* chars, std::size_t n) {
        while (n > 0) {
            const std::size_t take = std::min(n, kLineWidth - column_);
            text_.insert(text_.end(), chars, chars + take);
            chars += take;
            n -= take;
            column_ += take;
            if (column_ == kLineWidth) {
                text_.push_back('\n');
                column_ = 0;
            }
        }
        if (text_.size() >= kBlockSize) {
            out_.WriteBuffer(text_.data(), text_.size());
            text_.clear();
        }
    }

    void Char(char c) { Text(&c, 1); }

    // The bytes are turned into characters this many at a time (a multiple of 3).
    static constexpr std::size_t kChunk = 3 * 4096;

    TFileStream& out_;
    std::uint8_t runByte_ = 0;
    std::size_t runLength_ = 0;
    std::array<std::uint8_t, kChunk> bytes_{};
    std::size_t size_ = 0;
    std::size_t column_ = 0;
    std::vector<char> text_;
};

std::int64_t ForkLength(const TForkSource& fork) {
    return fork.Stream != nullptr ? fork.Length : 0;
}

// Feeds a fork to the encoder in blocks, with its CRC; progress counts the forks' bytes.
std::uint16_t FeedFork(TEncoder& encoder, const TForkSource& fork, std::vector<std::uint8_t>& block,
                       std::int64_t& done, std::int64_t total, const ProgressFn& progress) {
    std::uint16_t crc = 0;
    for (std::int64_t at = 0; at < ForkLength(fork);) {
        const auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(fork.Length - at, static_cast<std::int64_t>(block.size())));
        const std::size_t n = fork.Stream->ReadAt(block.data(), want, fork.Offset + at);
        if (n != want) {
            throw EFileError::readPastEnd(fork.Stream->FileName()); // the file shrank since it was measured
        }
        crc = Crc16XmodemUpdate(crc, block.data(), n);
        encoder.Feed(block.data(), n);
        at += static_cast<std::int64_t>(n);
        done += static_cast<std::int64_t>(n);
        if (progress && !progress(done, total)) {
            throw ECancelled();
        }
    }
    return crc;
}

void FeedCrc(TEncoder& encoder, std::uint16_t crc) {
    std::array<std::uint8_t, 2> bytes{};
    PutBig16(bytes.data(), crc);
    encoder.Feed(bytes.data(), bytes.size());
}

} // namespace

bool SniffBinHex(const TFileStream& in) {
    return FindBody(in).has_value();
}

TBinHexReading DecodeBinHex(const TFileStream& in, TFileStream* forks, const ProgressFn& progress) {
    TBinHexReading reading;
    reading.BodyOffset = FindBody(in);
    if (!reading.BodyOffset) {
        reading.Fault = TBinHexFault::NoBody;
        return reading;
    }
    if (forks != nullptr) {
        forks->Seek(0);
    }
    TDecoder(in, forks, progress, reading).Run(*reading.BodyOffset);
    return reading;
}

void WriteBinHex(const TBinHexHeader& header, const TForkSource& data, const TForkSource& resource,
                 TFileStream& out, const ProgressFn& progress) {
    if (header.Name.empty() || header.Name.size() > kMaxMacNameLength) {
        throw std::invalid_argument("WriteBinHex: the name takes 1 to 63 bytes");
    }
    if (ForkLength(data) != header.DataLength || ForkLength(resource) != header.ResourceLength) {
        throw std::invalid_argument("WriteBinHex: the forks' lengths differ from the header's");
    }
    std::vector<std::uint8_t> head(1 + header.Name.size() + kHeaderFixed, 0);
    head[0] = static_cast<std::uint8_t>(header.Name.size());
    std::copy(header.Name.begin(), header.Name.end(), head.begin() + 1);
    std::uint8_t* at = head.data() + 1 + header.Name.size() + 1; // past the version byte, 0
    std::copy(header.Type.begin(), header.Type.end(), at);
    std::copy(header.Creator.begin(), header.Creator.end(), at + 4);
    PutBig16(at + 8, header.Flags);
    PutBig32(at + 10, header.DataLength);
    PutBig32(at + 14, header.ResourceLength);
    PutBig16(at + 18, Crc16Xmodem(head.data(), head.size() - 2));

    TEncoder encoder(out);
    encoder.Feed(head.data(), head.size());
    std::vector<std::uint8_t> block(kBlockSize);
    const std::int64_t total = ForkLength(data) + ForkLength(resource);
    std::int64_t done = 0;
    FeedCrc(encoder, FeedFork(encoder, data, block, done, total, progress));
    FeedCrc(encoder, FeedFork(encoder, resource, block, done, total, progress));
    encoder.Finish();
}

} // namespace kelda
