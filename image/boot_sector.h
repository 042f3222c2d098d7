// The boot sector of the volume: a FAT16 parameter block with the extended
// fields, no boot code, and the 55 AA signature.
#pragma once

#include <array>
#include <cstdint>
#include <tuple>

// The first 62 bytes of the sector, kept in the build state.
using TBootRecord = std::array<uint8_t, 62>;

namespace Boot {
// Offsets of the fields; the width of each is in its comment.
constexpr int Jump = 0;               // 3: E9 00 00, a near jump to nowhere
constexpr int OemName = 3;            // 8: text
constexpr int BytesPerSector = 11;    // 2
constexpr int SectorsPerCluster = 13; // 1
constexpr int ReservedSectors = 14;   // 2
constexpr int FatCount = 16;          // 1
constexpr int RootEntries = 17;       // 2
constexpr int TotalSectors16 = 19;    // 2: always 0, the count is in TotalSectors32
constexpr int Media = 21;             // 1
constexpr int SectorsPerFat = 22;     // 2
constexpr int SectorsPerTrack = 24;   // 2: 0, an image has no geometry
constexpr int Heads = 26;             // 2: 0
constexpr int HiddenSectors = 28;     // 4
constexpr int TotalSectors32 = 32;    // 4
constexpr int DriveNumber = 36;       // 1
constexpr int Reserved = 37;          // 1
constexpr int BootSignature = 38;     // 1: 0x29, the next three fields exist
constexpr int VolumeSerial = 39;      // 4
constexpr int VolumeLabel = 43;       // 11: text
constexpr int FileSystemType = 54;    // 8: text
constexpr int RecordSize = 62;
static_assert(RecordSize == std::tuple_size_v<TBootRecord>);
constexpr int SignatureOffset = 510;  // 2: 55 AA

// The last two bytes of every boot sector, 55 AA on the disk.
constexpr uint16_t SectorSignature = 0xAA55;
// BootSignature's value when the serial, label and type fields follow.
constexpr uint8_t ExtendedFields = 0x29;

constexpr uint16_t SectorSize = 512;
constexpr uint16_t RootEntryCount = 512;
constexpr uint8_t MediaByte = 0xF8;
constexpr uint32_t Serial = 0x20002500;
constexpr const char* Oem = "QVIM1.2 ";
constexpr const char* Label = "QVIMAKERVOL";
constexpr const char* FsType = "FAT16   ";
}  // namespace Boot

// Fills the fields every image shares; the per-image ones stay zero.
void PresetBootSector(TBootRecord& boot);

uint16_t BootBytesPerSector(const TBootRecord& boot);
uint16_t BootRootEntries(const TBootRecord& boot);
uint16_t BootSectorsPerFat(const TBootRecord& boot);
void SetBootSectorsPerFat(TBootRecord& boot, uint16_t sectors);

class TImageFile;
// Fills the per-image fields of boot and appends the whole 512-byte sector,
// the signature included, to file. False when the write failed.
bool WriteBootSector(TBootRecord& boot, int32_t clusterSize, int32_t imageSize,
                     TImageFile& file);
