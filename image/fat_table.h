// The two FAT copies: written sector by sector, then patched with each
// run's chain as the data is written.
#pragma once

#include <cstdint>

struct TBuildState;

// Appends FAT sector StepIndex (of 2 x sectors per FAT): zero, but for the
// first sector of each copy, which starts with F8 FF FF FF (entries 0 and
// 1) and whose offset is remembered for the chains.
bool WriteFatSector(TBuildState& state);
// Links count clusters from first into a run ending in 0xFFFF, in both
// copies.
bool WriteChain(TBuildState& state, uint16_t first, uint16_t count);
