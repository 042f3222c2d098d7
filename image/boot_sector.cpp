#include "image/boot_sector.h"

#include "image/byte_order.h"

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
  Put8(p + Boot::BootSignature, 0x29);
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

#include "image/build_state.h"

bool WriteBootSector(TBuildState& s) {
  uint8_t* p = s.BootSector.data();
  const uint16_t sector = BootBytesPerSector(s.BootSector);
  Put8(p + Boot::SectorsPerCluster, static_cast<uint8_t>(s.ClusterSize() / sector));
  Put32(p + Boot::TotalSectors32, static_cast<uint32_t>(s.ImageSize / sector));
  s.ClusterBuffer[Boot::SignatureOffset] = 0x55;
  s.ClusterBuffer[Boot::SignatureOffset + 1] = 0xAA;
  return s.ImageFile.Append(s.BootSector.data(), s.BootSector.size()) &&
         s.ImageFile.Append(s.ClusterBuffer.data() + Boot::RecordSize,
                            sector - Boot::RecordSize);
}
