// The two FAT copies: written sector by sector, then patched with each
// run's chain as the data is written.
#pragma once

#include <cstdint>

struct TBuildState;

namespace Fat {
// Entries of a FAT16 table; a FAT12 table's are read into the same range.
constexpr uint16_t Free = 0x0000;
constexpr uint16_t FirstBad = 0xFFF7;      // a cluster marked unusable
constexpr uint16_t FirstEndMark = 0xFFF8;  // 0xFFF8..0xFFFF end a chain
constexpr uint16_t EndOfChain = 0xFFFF;    // the end mark this program writes
constexpr int FirstDataCluster = 2;        // entries 0 and 1 hold no cluster
constexpr uint16_t MediaEntry = 0xFF00;    // entry 0: these bits and the media byte
}  // namespace Fat

// Appends FAT sector StepIndex (of 2 x sectors per FAT): zero, but for the
// first sector of each copy, which starts with F8 FF FF FF (entries 0 and
// 1) and whose offset is remembered for the chains.
bool WriteFatSector(TBuildState& state);
// Links count clusters from first into a run ending in 0xFFFF, in both
// copies.
bool WriteChain(TBuildState& state, uint16_t first, uint16_t count);
