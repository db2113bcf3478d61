// SPDX-License-Identifier: MIT
#include "crc/CrcAllPass.h"

#include "crc/CrcUtils.h"

#include <algorithm>
#include <cstring>

namespace kelda {

// One bit order's engines and the computation modulo the product of their polynomials.
struct TCrcAllPass::TGroup {
    bool Left = true;
    std::vector<std::size_t> Members; // indexes into FEngines
    // Set when the product of the polynomials passes degree 64: the engines then run one by one.
    bool Direct = false;
    TGf2Poly Q;

    // Folding path: the accumulator and the bytes of an unfinished 16-byte chunk.
    TFoldConstants Fold;
    TFold128 Acc;
    std::array<std::uint8_t, 16> Pending{};
    std::size_t PendingCount = 0;

    // Portable path: a 64-bit register modulo x^(64 - deg Q) * Q, sliced by 16.
    std::array<std::array<std::uint64_t, 256>, 16> Slice{};
    std::uint64_t Reg = 0;

    void BuildSlices();
    void UpdateSliced(const std::uint8_t* data, std::size_t size);
    void UpdateFolded(TCrcPath path, const std::uint8_t* data, std::size_t size);
    // Bytes congruent to all the data so far modulo Q, to be followed by TailBytes.
    std::vector<std::uint8_t> ResidueBytes(TCrcPath path) const;
};

void TCrcAllPass::TGroup::BuildSlices() {
    // The register works modulo Q' = x^s * Q, s = 64 - deg Q, whose x^64 term is implied.
    const std::uint64_t low = Q.Degree >= 64 ? Q.Low : Q.Low << (64 - Q.Degree);
    const std::uint64_t poly = Left ? low : Reflect64(low);
    auto& t0 = Slice[0];
    for (std::uint64_t i = 0; i < 256; ++i) {
        std::uint64_t r = Left ? i << 56 : i;
        for (int bit = 0; bit < 8; ++bit) {
            if (Left) {
                r = (r >> 63) != 0 ? (r << 1) ^ poly : r << 1;
            } else {
                r = (r & 1u) != 0 ? (r >> 1) ^ poly : r >> 1;
            }
        }
        t0[i] = r;
    }
    for (std::size_t k = 1; k < Slice.size(); ++k) {
        for (std::size_t i = 0; i < 256; ++i) {
            const std::uint64_t prev = Slice[k - 1][i];
            Slice[k][i] = Left ? (prev << 8) ^ t0[prev >> 56] : (prev >> 8) ^ t0[prev & 0xFFu];
        }
    }
}

void TCrcAllPass::TGroup::UpdateSliced(const std::uint8_t* p, std::size_t size) {
    const auto& t = Slice;
    std::uint64_t reg = Reg;
    for (; size >= 16; size -= 16, p += 16) {
        std::uint64_t x = 0;
        for (int i = 0; i < 8; ++i) {
            x |= std::uint64_t{p[i]} << (Left ? 56 - 8 * i : 8 * i);
        }
        x ^= reg;
        reg = t[7][p[8]] ^ t[6][p[9]] ^ t[5][p[10]] ^ t[4][p[11]] ^ t[3][p[12]] ^ t[2][p[13]] ^ t[1][p[14]] ^
              t[0][p[15]];
        for (int i = 0; i < 8; ++i) {
            // The register's bytes in data order: from the top (Left) or from the bottom (Right).
            const unsigned byte = static_cast<unsigned>((x >> (Left ? 56 - 8 * i : 8 * i)) & 0xFFu);
            reg ^= t[static_cast<std::size_t>(15 - i)][byte];
        }
    }
    for (; size > 0; --size, ++p) {
        reg = Left ? t[0][((reg >> 56) ^ *p) & 0xFFu] ^ (reg << 8) : t[0][(reg ^ *p) & 0xFFu] ^ (reg >> 8);
    }
    Reg = reg;
}

void TCrcAllPass::TGroup::UpdateFolded(TCrcPath path, const std::uint8_t* p, std::size_t size) {
    const auto fold = [&](const std::uint8_t* chunks, std::size_t count) {
        Acc = path == TCrcPath::Clmul512 ? FoldClmul512(Fold, Left, Acc, {}, chunks, count)
                                         : FoldClmul(Fold, Left, Acc, {}, chunks, count);
    };
    if (PendingCount > 0) {
        const std::size_t take = std::min(size, Pending.size() - PendingCount);
        std::memcpy(Pending.data() + PendingCount, p, take);
        PendingCount += take;
        p += take;
        size -= take;
        if (PendingCount < Pending.size()) {
            return;
        }
        fold(Pending.data(), 1);
        PendingCount = 0;
    }
    const std::size_t chunks = size / 16;
    if (chunks > 0) {
        fold(p, chunks);
    }
    PendingCount = size - chunks * 16;
    if (PendingCount > 0) {
        std::memcpy(Pending.data(), p + chunks * 16, PendingCount);
    }
}

std::vector<std::uint8_t> TCrcAllPass::TGroup::ResidueBytes(TCrcPath path) const {
    if (path != TCrcPath::Portable) {
        const auto acc = FoldBytes(Acc, Left);
        std::vector<std::uint8_t> bytes(acc.begin(), acc.end());
        bytes.insert(bytes.end(), Pending.begin(),
                     Pending.begin() + static_cast<std::ptrdiff_t>(PendingCount));
        return bytes;
    }
    // Reg = M * x^64 mod x^s Q, so M = Reg * x^-64 (mod Q).
    const std::uint64_t plain = Left ? Reg : Reflect64(Reg);
    std::uint64_t reduced = 0;
    for (int i = 63; i >= 0; --i) {
        reduced = MulXMod(reduced, Q) ^ ((plain >> i) & 1u);
    }
    const std::uint64_t m = MulMod(reduced, XInvPowMod(64, Q), Q);
    // Eight bytes whose polynomial is m: x^63 is the first bit of the first byte.
    const std::uint64_t word = Left ? m : Reflect64(m);
    std::vector<std::uint8_t> bytes(8);
    for (int i = 0; i < 8; ++i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(word >> (Left ? 56 - 8 * i : 8 * i));
    }
    return bytes;
}

TCrcAllPass::TCrcAllPass(std::span<const std::unique_ptr<TCrc>> engines) {
    for (const auto& engine : engines) {
        FEngines.push_back(engine.get());
    }
    for (const bool left : {true, false}) {
        auto group = std::make_unique<TGroup>();
        group->Left = left;
        std::vector<TGf2Poly> distinct;
        for (std::size_t i = 0; i < FEngines.size(); ++i) {
            const TCrcKernel& kernel = FEngines[i]->Kernel();
            if ((kernel.Direction() == TCrcDirection::Left) != left) {
                continue;
            }
            group->Members.push_back(i);
            // A 16-bit engine's kernel polynomial is x^16 times its own: its CRC depends only
            // on the data modulo the polynomial without the factors x.
            const TGf2Poly p = StripX(kernel.Polynomial());
            if (std::find(distinct.begin(), distinct.end(), p) == distinct.end()) {
                distinct.push_back(p);
            }
        }
        if (group->Members.empty()) {
            continue;
        }
        std::optional<TGf2Poly> q = TGf2Poly{0, 0};
        for (const TGf2Poly& p : distinct) {
            q = q ? Multiply(*q, p) : std::nullopt;
        }
        if (!q || q->Degree == 0) {
            group->Direct = true;
        } else {
            group->Q = *q;
            group->Fold = MakeFoldConstants(group->Q, left);
            group->BuildSlices();
        }
        FGroups.push_back(std::move(group));
    }
}

TCrcAllPass::~TCrcAllPass() = default;

std::size_t TCrcAllPass::PassCount() const {
    std::size_t count = 0;
    for (const auto& group : FGroups) {
        count += group->Direct ? group->Members.size() : 1;
    }
    return count;
}

void TCrcAllPass::Init() {
    for (TCrc* engine : FEngines) {
        engine->Init();
    }
    Start();
}

void TCrcAllPass::Start() {
    FPath = ActiveCrcPath();
    FTotal = 0;
    for (const auto& group : FGroups) {
        group->Acc = {};
        group->PendingCount = 0;
        group->Reg = 0;
    }
}

bool TCrcAllPass::FromZeroOnly() const {
    return std::none_of(FGroups.begin(), FGroups.end(), [](const auto& group) { return group->Direct; });
}

void TCrcAllPass::Registers(std::span<std::uint32_t> out) const {
    for (const auto& group : FGroups) {
        if (group->Direct) {
            continue;
        }
        const auto residue = group->ResidueBytes(FPath);
        for (const std::size_t i : group->Members) {
            out[i] = FEngines[i]->Kernel().Update(0, residue.data(), residue.size());
        }
    }
}

void TCrcAllPass::Calc(const std::uint8_t* data, std::size_t size) {
    FTotal += size;
    // Every group folds the same piece before the next piece is read, so that the groups after the
    // first find it in the processor's cache rather than in memory.
    constexpr std::size_t kPiece = std::size_t{64} << 10;
    for (std::size_t at = 0; at < size; at += kPiece) {
        const std::uint8_t* piece = data + at;
        const std::size_t n = std::min(kPiece, size - at);
        for (const auto& group : FGroups) {
            if (group->Direct) {
                for (const std::size_t i : group->Members) {
                    FEngines[i]->Calc(piece, 0, static_cast<std::int64_t>(n));
                }
            } else if (FPath == TCrcPath::Portable) {
                group->UpdateSliced(piece, n);
            } else {
                group->UpdateFolded(FPath, piece, n);
            }
        }
    }
}

void TCrcAllPass::Finish() {
    for (const auto& group : FGroups) {
        if (group->Direct) {
            continue;
        }
        const auto residue = group->ResidueBytes(FPath);
        for (const std::size_t i : group->Members) {
            TCrc& engine = *FEngines[i];
            const TCrcKernel& kernel = engine.Kernel();
            // The data's CRC from a zero register, plus what the initial register contributes
            // over the data's length (the CRC is linear in register and data together).
            const std::uint32_t fromZero = kernel.Update(0, residue.data(), residue.size());
            engine.Init();
            engine.SetKernelRegister(fromZero ^ kernel.Shift(engine.KernelRegister(), FTotal));
        }
    }
}

} // namespace kelda
