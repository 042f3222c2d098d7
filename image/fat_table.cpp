#include "image/fat_table.h"

#include <array>
#include <vector>

#include "image/build_state.h"
#include "image/byte_order.h"

using Fat::EndOfChain;

bool WriteFatSector(TBuildState& s) {
  const int32_t perFat = BootSectorsPerFat(s.BootSector);
  std::array<uint8_t, Boot::SectorSize> sector{};
  if (s.StepIndex == 0 || s.StepIndex == perFat) {
    Put16(sector.data(), Fat::MediaEntry | Boot::MediaByte);  // entry 0: the media byte
    Put16(sector.data() + 2, EndOfChain);            // entry 1
    int32_t offset = static_cast<int32_t>(s.ImageFile.Size());
    (s.StepIndex == 0 ? s.Fat1Offset : s.Fat2Offset) = offset;
  }
  return s.ImageFile.Append(sector.data(), sector.size());
}

bool WriteChain(TBuildState& s, uint16_t first, uint16_t count) {
  std::vector<uint8_t> entries(2u * count);
  for (uint32_t i = 0; i + 1 < count; ++i)
    Put16(entries.data() + 2 * i, static_cast<uint16_t>(first + i + 1));
  Put16(entries.data() + 2 * (count - 1u), EndOfChain);
  return s.ImageFile.WriteAt(s.Fat1Offset + 2 * int64_t(first), entries.data(), entries.size()) &&
         s.ImageFile.WriteAt(s.Fat2Offset + 2 * int64_t(first), entries.data(), entries.size());
}
