#include "image/dir_record.h"

#include <cstring>

#include "image/byte_order.h"

void PresetDirRecord(TDirRecord& r) {
  r.fill(0);
  Put16(r.data() + Rec::Time, Rec::FixedTime);
  Put16(r.data() + Rec::Date, Rec::FixedDate);
}

namespace {
void PackField(uint8_t* field, std::size_t width, std::string_view text) {
  std::size_t n = text.size() < width ? text.size() : width;
  std::memcpy(field, text.data(), n);
  std::memset(field + n, ' ', width - n);
}
}  // namespace

void PackName(TDirRecord& r, std::string_view text) { PackField(r.data() + Rec::Name, 8, text); }
void PackExt(TDirRecord& r, std::string_view text) { PackField(r.data() + Rec::Ext, 3, text); }
