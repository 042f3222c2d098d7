// The libFuzzer entry of one target; QV_FUZZ_CHECK names its check.
#include <cstdio>
#include <cstdlib>

#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string fault = QV_FUZZ_CHECK(data, size);
  if (!fault.empty()) {
    std::fprintf(stderr, "fuzz check failed: %s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
