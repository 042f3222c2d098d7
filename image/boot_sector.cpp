#include "image/boot_sector.h"

#include <algorithm>

#include "image/byte_order.h"
#include "image/image_file.h"

void PresetBootSector(TBootRecord& b) {
  b.fill(0);
  uint8_t* p = b.data();
  p[Boot::Jump] = 0xE9;
  PutText(p + Boot::OemName, Boot::Oem, 8);
  Put16(p + Boot::BytesPerSector, Boot::SectorSize);
  Put16(p + Boot::ReservedSectors, 1);
  Put8(p + Boot::FatCount, 2);
  Put16(p + Boot::RootEntries, Boot::RootEntryCount);
  Put8(p + Boot::Media, Boot::MediaByte);
  Put8(p + Boot::BootSignature, Boot::ExtendedFields);
  Put32(p + Boot::VolumeSerial, Boot::Serial);
  PutText(p + Boot::VolumeLabel, Boot::Label, 11);
  PutText(p + Boot::FileSystemType, Boot::FsType, 8);
}

uint16_t BootBytesPerSector(const TBootRecord& b) { return Get16(b.data() + Boot::BytesPerSector); }
uint16_t BootRootEntries(const TBootRecord& b) { return Get16(b.data() + Boot::RootEntries); }
uint16_t BootSectorsPerFat(const TBootRecord& b) { return Get16(b.data() + Boot::SectorsPerFat); }
void SetBootSectorsPerFat(TBootRecord& b, uint16_t sectors) {
  Put16(b.data() + Boot::SectorsPerFat, sectors);
}

bool WriteBootSector(TBootRecord& boot, int32_t clusterSize, int32_t imageSize,
                     TImageFile& file) {
  uint8_t* p = boot.data();
  Put8(p + Boot::SectorsPerCluster, static_cast<uint8_t>(clusterSize / Boot::SectorSize));
  Put32(p + Boot::TotalSectors32, static_cast<uint32_t>(imageSize / Boot::SectorSize));
  // The record, zeros where boot code would be, and the signature.
  std::array<uint8_t, Boot::SectorSize> sector{};
  std::copy(boot.begin(), boot.end(), sector.begin());
  Put16(sector.data() + Boot::SignatureOffset, Boot::SectorSignature);
  return file.Append(sector.data(), sector.size());
}
