// What a CD and a CD emulator take: the block a CD-ROM drive reads, the
// room of the usual CD-Rs, and the names an SD-card CD emulator looks for.
#pragma once

#include <cstdint>
#include <string>

// The CD-ROM's data block, DiscBlockSize: drives read, and card emulators
// serve an image file, in whole blocks, so the bytes of a last partial
// block are lost there.
#include "platform/disc_drive.h"
// The blocks of data an 80-minute and a 74-minute CD-R hold (75 a second).
constexpr int64_t Blocks80Minutes = 360000;
constexpr int64_t Blocks74Minutes = 333000;

// bytes rounded up to whole blocks.
int64_t PaddedToCdBlocks(int64_t bytes);
// How many bytes a file of bytes has beyond a CD of blocks; 0 when it fits.
int64_t BytesBeyondCd(int64_t bytes, int64_t blocks);

// An emulator takes an image on the card as the CD-ROM drive of one SCSI
// id, named CD<id>.iso. The instrument itself is id 7 of the eight on its
// bus, and the ids below 3 are usually its hard disks: so 3 to 6.
constexpr int FirstCardId = 3;
constexpr int LastCardId = 6;
// The name in folder for the first id no image there has, whatever the
// case of its letters; empty when every id is taken. A folder that cannot
// be read gets the first id's name: making the file there says why.
std::string CardImageName(const std::string& folder);
