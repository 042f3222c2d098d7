// The 32-byte FAT directory record.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

using TDirRecord = std::array<uint8_t, 32>;

namespace Rec {
constexpr int Name = 0;          // 8: blank-padded
constexpr int Ext = 8;           // 3: blank-padded
constexpr int Attributes = 11;   // 1
constexpr int Reserved = 12;     // 10: zero
constexpr int Time = 22;         // 2
constexpr int Date = 24;         // 2
constexpr int FirstCluster = 26; // 2
constexpr int Size = 28;         // 4
constexpr int RecordSize = 32;

constexpr uint8_t AttrFile = 0x00;
constexpr uint8_t AttrDirectory = 0x10;
// Written by other programs, met when reading their images.
constexpr uint8_t AttrVolumeLabel = 0x08;  // the volume's name: no data
constexpr uint8_t AttrLongName = 0x0F;     // a piece of a long name
// First name byte of a free slot: no record follows it in the directory.
constexpr uint8_t EndOfDirectory = 0x00;
// First name byte of a deleted record; its slot may be reused.
constexpr uint8_t DeletedMark = 0xE5;
// Every record of every image carries this time and date: 19:37:28 on
// 28 March 1988. Images are reproducible; the sources' own times are not used.
constexpr uint16_t FixedTime = 0x9CAE;
constexpr uint16_t FixedDate = 0x107C;
}  // namespace Rec

// Zero reserved bytes and the fixed time and date; set once per build.
void PresetDirRecord(TDirRecord& record);
// The first min(length, 8) characters of text, blank-padded to 8 bytes.
void PackName(TDirRecord& record, std::string_view text);
// The same for the 3-byte extension.
void PackExt(TDirRecord& record, std::string_view text);
