// SPDX-License-Identifier: MIT
// The journal of an HFS+ volume, replayed in memory and never written back: the transactions a
// volume not cleanly unmounted still holds, as the sectors they write (later ones win), so that
// the reader sees the volume the system would see after mounting it.
#pragma once

#include "image/ImageBytes.h"
#include "image/ImageFault.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace kelda {

struct THfsJournal {
    // Sectors the transactions write, keyed by byte offset in the volume (each Sector bytes).
    std::map<std::int64_t, std::vector<std::uint8_t>> Overlay;
    std::uint32_t Sector = 512;
    std::uint32_t Transactions = 0; // block lists replayed
    std::uint32_t Blocks = 0;       // blocks they write
    // What check reports: the journal replayed, left aside (external, damaged: then the fault
    // first and JournalIgnored), or nothing for a volume without one or with an empty journal.
    std::vector<TImageFinding> Findings;

    // Patches count bytes read from byte at of the volume with the overlay's sectors.
    void Apply(std::uint8_t* out, std::size_t count, std::int64_t at) const;
};

// The journal of the HFS+ volume in bytes whose volume header (512 bytes) is header; an empty
// journal for a volume that is not journaled. Never throws for damage of the journal: it is
// reported in Findings and the overlay is left empty.
THfsJournal ReadHfsJournal(const TImageBytes& bytes, const std::uint8_t* header);

} // namespace kelda
