#include "disc/cd_medium.h"

#include <algorithm>

#include "image/ceil_div.h"

int64_t PaddedToCdBlocks(int64_t bytes) { return CeilDiv(bytes, CdBlockSize) * CdBlockSize; }

int64_t BytesBeyondCd(int64_t bytes, int64_t blocks) {
  return std::max<int64_t>(0, bytes - blocks * CdBlockSize);
}
