// SPDX-License-Identifier: MIT
#include "image/HfsJournal.h"

#include "image/HfsFormat.h"
#include "util/BigEndian.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kelda {

using namespace hfs;

namespace {

constexpr std::uint32_t kJournaledBit = 1u << 13; // the volume header's attributes
constexpr std::uint32_t kJournalInFs = 1;         // the journal info block's flags
constexpr std::uint32_t kJournalOnOtherDevice = 2;
constexpr std::uint32_t kJournalMagic = 0x4A4E4C78;
constexpr std::uint32_t kEndianMagic = 0x12345678;
constexpr std::size_t kJournalHeaderSize = 44; // the bytes its checksum covers
constexpr std::size_t kBlockListChecksumSize = 32;
constexpr std::size_t kBlockInfoSize = 16;
constexpr std::uint32_t kMaxSector = 1u << 16;
constexpr std::uint64_t kSkippedBlock = ~std::uint64_t{0};

// The journal's checksum over len bytes, with its own field zeroed by the caller.
std::uint32_t JournalChecksum(const std::uint8_t* at, std::size_t len) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < len; ++i) {
        sum = (sum << 8) ^ (sum + at[i]);
    }
    return ~sum;
}

// A fault of the journal: it stops the replay, not the reading of the volume.
struct TJournalFault {
    TImageFinding Finding;
};

[[noreturn]] void Fail(TImageFault kind, TImageStructure structure, std::vector<std::string> args) {
    throw TJournalFault{{kind, structure, std::move(args)}};
}

class TJournalReader {
public:
    TJournalReader(const TImageBytes& bytes, THfsJournal& journal) : bytes_(bytes), j_(journal) {}

    void Run(std::int64_t infoAt) {
        std::array<std::uint8_t, 52> info{};
        Read(info.data(), info.size(), infoAt, TImageStructure::JournalInfoBlock);
        const std::uint32_t flags = GetBig32(info.data());
        if ((flags & kJournalOnOtherDevice) != 0) {
            j_.Findings.push_back({TImageFault::JournalExternal, TImageStructure::JournalInfoBlock, {}});
            return;
        }
        if ((flags & kJournalInFs) == 0) {
            Fail(TImageFault::BadValue, TImageStructure::JournalInfoBlock, {"flags", FaultHex(flags, 8)});
        }
        at_ = GetBig64(info.data() + 36);
        const std::uint64_t size = GetBig64(info.data() + 44);
        const auto volume = static_cast<std::uint64_t>(bytes_.Length());
        if (at_ > volume || size > volume - at_ || size < 2 * kSector) {
            Fail(TImageFault::BadValue, TImageStructure::JournalInfoBlock,
                 {"offset+size", std::to_string(at_) + "+" + std::to_string(size)});
        }
        ReadHeader(size);
        if (start_ != end_) {
            Replay();
        }
    }

private:
    std::uint32_t Get32(const std::uint8_t* at) const { return little_ ? GetLittle32(at) : GetBig32(at); }
    std::uint64_t Get64(const std::uint8_t* at) const { return little_ ? GetLittle64(at) : GetBig64(at); }
    std::uint16_t Get16(const std::uint8_t* at) const { return little_ ? GetLittle16(at) : GetBig16(at); }

    void Read(std::uint8_t* out, std::size_t count, std::int64_t at, TImageStructure structure) const {
        try {
            bytes_.Read(out, count, at, structure);
        } catch (const EImageError& error) {
            throw TJournalFault{error.Finding()};
        }
    }

    void ReadHeader(std::uint64_t size) {
        std::array<std::uint8_t, kJournalHeaderSize> h{};
        Read(h.data(), h.size(), static_cast<std::int64_t>(at_), TImageStructure::JournalHeader);
        const std::uint32_t magic = GetBig32(h.data());
        little_ = magic == GetLittle32(h.data()) ? false : GetLittle32(h.data()) == kJournalMagic;
        if (Get32(h.data()) != kJournalMagic) {
            Fail(TImageFault::BadSignature, TImageStructure::JournalHeader,
                 {std::to_string(at_), FaultHex(magic, 8), FaultHex(kJournalMagic, 8)});
        }
        if (Get32(h.data() + 4) != kEndianMagic) {
            Fail(TImageFault::BadSignature, TImageStructure::JournalHeader,
                 {std::to_string(at_ + 4), FaultHex(GetBig32(h.data() + 4), 8), FaultHex(kEndianMagic, 8)});
        }
        const std::uint32_t stored = Get32(h.data() + 36);
        std::memset(h.data() + 36, 0, 4);
        const std::uint32_t sum = JournalChecksum(h.data(), h.size());
        if (sum != stored) {
            Fail(TImageFault::JournalChecksum, TImageStructure::JournalHeader,
                 {FaultHex(sum, 8), FaultHex(stored, 8)});
        }
        start_ = Get64(h.data() + 8);
        end_ = Get64(h.data() + 16);
        size_ = Get64(h.data() + 24);
        blockListSize_ = Get32(h.data() + 32);
        sector_ = Get32(h.data() + 40);
        auto bad = [&](const char* field, std::uint64_t value) {
            Fail(TImageFault::BadValue, TImageStructure::JournalHeader, {field, std::to_string(value)});
        };
        if (sector_ < kSector || sector_ > kMaxSector || (sector_ & (sector_ - 1)) != 0) {
            bad("jhdr_size", sector_);
        }
        if (size_ > size || size_ % sector_ != 0 || size_ < 2 * std::uint64_t{sector_}) {
            bad("size", size_);
        }
        if (blockListSize_ < kBlockListChecksumSize || blockListSize_ % sector_ != 0 ||
            blockListSize_ > size_ - sector_) {
            bad("blhdr_size", blockListSize_);
        }
        if (start_ < sector_ || start_ >= size_) {
            bad("start", start_);
        }
        if (end_ < sector_ || end_ >= size_) {
            bad("end", end_);
        }
        j_.Sector = sector_;
    }

    // count bytes of the circular buffer from pos (relative to the journal), wrapping past its end
    // to the first byte after the journal header.
    void ReadRing(std::uint8_t* out, std::uint64_t count, std::uint64_t pos,
                  TImageStructure structure) const {
        while (count > 0) {
            const std::uint64_t n = std::min(count, size_ - pos);
            Read(out, static_cast<std::size_t>(n), static_cast<std::int64_t>(at_ + pos), structure);
            out += n;
            count -= n;
            pos += n;
            if (pos == size_) {
                pos = sector_;
            }
        }
    }

    std::uint64_t Advance(std::uint64_t pos, std::uint64_t count) const {
        const std::uint64_t ring = size_ - sector_;
        return sector_ + (pos - sector_ + count % ring) % ring;
    }

    void Replay() {
        const std::uint64_t ring = size_ - sector_;
        std::uint64_t pos = start_;
        std::uint64_t walked = 0; // bytes of the ring the block lists took so far
        std::vector<std::uint8_t> list(blockListSize_);
        std::map<std::int64_t, std::vector<std::uint8_t>> overlay;
        while (pos != end_) {
            ReadRing(list.data(), list.size(), pos, TImageStructure::JournalBlockList);
            const std::uint16_t blocks = Get16(list.data() + 2);
            const std::uint32_t used = Get32(list.data() + 4);
            const std::uint32_t stored = Get32(list.data() + 8);
            std::memset(list.data() + 8, 0, 4);
            const std::uint32_t sum = JournalChecksum(list.data(), kBlockListChecksumSize);
            const std::string where = std::to_string(pos);
            if (sum != stored) {
                Fail(TImageFault::JournalChecksum, TImageStructure::JournalBlockList,
                     {FaultHex(sum, 8), FaultHex(stored, 8)});
            }
            if (blocks == 0 || kBlockInfoSize * (std::size_t{blocks} + 1) > blockListSize_ ||
                used < blockListSize_ || used > ring - walked) {
                // A list that takes more than the ring has left ends past the journal's end or
                // goes round it again: the walk would never reach the end.
                Fail(TImageFault::JournalListBad, TImageStructure::JournalBlockList,
                     {where, std::to_string(blocks), std::to_string(used)});
            }
            std::uint64_t data = blockListSize_;
            for (std::size_t i = 1; i < blocks; ++i) {
                const std::uint8_t* b = list.data() + 16 + kBlockInfoSize * i;
                const std::uint64_t number = Get64(b);
                const std::uint32_t bytes = Get32(b + 8);
                if (bytes % sector_ != 0 || bytes > used - data) {
                    Fail(TImageFault::JournalListBad, TImageStructure::JournalBlockList,
                         {where, std::to_string(blocks), std::to_string(used)});
                }
                if (number != kSkippedBlock) {
                    const auto volume = static_cast<std::uint64_t>(bytes_.Length());
                    if (number > volume / sector_ || bytes > volume - number * sector_) {
                        Fail(TImageFault::JournalBlockOutside, TImageStructure::JournalBlockList,
                             {where, std::to_string(number), std::to_string(bytes)});
                    }
                    for (std::uint64_t s = 0; s < bytes; s += sector_) {
                        std::vector<std::uint8_t> sector(sector_);
                        ReadRing(sector.data(), sector_, Advance(pos, data + s),
                                 TImageStructure::JournalBlockList);
                        overlay[static_cast<std::int64_t>(number * sector_ + s)] = std::move(sector);
                    }
                    ++j_.Blocks;
                }
                data += bytes;
            }
            ++j_.Transactions;
            walked += used;
            pos = Advance(pos, used);
        }
        j_.Overlay = std::move(overlay);
    }

    const TImageBytes& bytes_;
    THfsJournal& j_;
    bool little_ = false;
    std::uint64_t at_ = 0;
    std::uint64_t start_ = 0, end_ = 0, size_ = 0;
    std::uint32_t blockListSize_ = 0, sector_ = 0;
};

} // namespace

void THfsJournal::Apply(std::uint8_t* out, std::size_t count, std::int64_t at) const {
    if (Overlay.empty() || count == 0) {
        return;
    }
    const std::int64_t end = at + static_cast<std::int64_t>(count);
    for (auto it = Overlay.lower_bound(at - std::int64_t{Sector} + 1); it != Overlay.end() && it->first < end;
         ++it) {
        const std::int64_t from = std::max(at, it->first);
        const std::int64_t to = std::min(end, it->first + std::int64_t{Sector});
        std::memcpy(out + (from - at), it->second.data() + (from - it->first),
                    static_cast<std::size_t>(to - from));
    }
}

THfsJournal ReadHfsJournal(const TImageBytes& bytes, const std::uint8_t* header) {
    THfsJournal journal;
    const std::uint32_t attributes = GetBig32(header + 4);
    const std::uint32_t infoBlock = GetBig32(header + 12);
    const std::uint32_t blockSize = GetBig32(header + 40);
    if ((attributes & kJournaledBit) == 0 || infoBlock == 0) {
        return journal;
    }
    try {
        TJournalReader(bytes, journal).Run(static_cast<std::int64_t>(std::uint64_t{infoBlock} * blockSize));
        if (journal.Transactions > 0) {
            journal.Findings.push_back(
                {TImageFault::JournalReplayed,
                 TImageStructure::JournalHeader,
                 {std::to_string(journal.Transactions), std::to_string(journal.Blocks)}});
        }
    } catch (const TJournalFault& fault) {
        journal = THfsJournal{};
        journal.Findings = {fault.Finding, {TImageFault::JournalIgnored, TImageStructure::JournalHeader, {}}};
    }
    return journal;
}

} // namespace kelda
