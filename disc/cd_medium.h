// What a CD and a CD emulator take: the block a CD-ROM drive reads and the
// room of the usual CD-Rs.
#pragma once

#include <cstdint>

// A CD-ROM's data block. Drives read, and card emulators serve an image
// file, in whole blocks: the bytes of a last partial block are lost there.
constexpr int64_t CdBlockSize = 2048;
// The blocks of data an 80-minute and a 74-minute CD-R hold (75 a second).
constexpr int64_t Blocks80Minutes = 360000;
constexpr int64_t Blocks74Minutes = 333000;

// bytes rounded up to whole blocks.
int64_t PaddedToCdBlocks(int64_t bytes);
// How many bytes a file of bytes has beyond a CD of blocks; 0 when it fits.
int64_t BytesBeyondCd(int64_t bytes, int64_t blocks);
