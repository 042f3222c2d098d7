// The fuzz checks in the normal test suite: every seed, every input that
// once found a fault (regressions/), and a fixed sweep of pseudo-random
// inputs, so the properties hold in every build, not only under libFuzzer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "fuzz_checks.h"

namespace fs = std::filesystem;

namespace {

using TCheck = std::string (*)(const uint8_t*, std::size_t);

std::string RunCheck(TCheck check, const std::string& bytes) {
  return check(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// Replays the saved inputs of one target; how many there were.
int Replay(const std::string& target, TCheck check) {
  int replayed = 0;
  for (const char* kind : {"corpus", "regressions"}) {
    const fs::path folder = fs::path(QV_FUZZ_INPUTS) / kind / target;
    if (!fs::is_directory(folder)) continue;
    for (const auto& e : fs::directory_iterator(folder)) {
      if (!e.is_regular_file()) continue;
      std::ifstream in(e.path(), std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), {});
      EXPECT_EQ(RunCheck(check, bytes), "") << e.path();
      ++replayed;
    }
  }
  return replayed;
}

// Random texts drawn mostly from the bytes the rules care about.
void Sweep(TCheck check, int count, std::size_t longest, unsigned seed) {
  static const char chars[] = "AZaz09~!.\\\\\\:  \t\r\n#%\x80\xff\x00";
  static const std::string alphabet(chars, sizeof chars - 1);
  std::mt19937 gen(seed);
  for (int n = 0; n < count; ++n) {
    std::string bytes(gen() % (longest + 1), '\0');
    for (char& c : bytes)
      c = gen() % 4 ? alphabet[gen() % alphabet.size()] : static_cast<char>(gen());
    ASSERT_EQ(RunCheck(check, bytes), "") << "sweep input " << n;
  }
}

}  // namespace

TEST(FuzzReplay, PathRules) {
  EXPECT_GT(Replay("path_rules", CheckPathRulesInput), 0);
  Sweep(CheckPathRulesInput, 20000, 40, 1);
}

TEST(FuzzReplay, ListFile) {
  EXPECT_GT(Replay("list_file", CheckListFileInput), 0);
  Sweep(CheckListFileInput, 5000, 120, 2);
}

TEST(FuzzReplay, ImageTree) {
  EXPECT_GT(Replay("image_tree", CheckImageTreeInput), 0);
  std::mt19937 gen(3);
  for (int n = 0; n < 20; ++n) {
    std::string bytes(60, '\0');
    for (char& c : bytes) c = static_cast<char>(gen());
    ASSERT_EQ(RunCheck(CheckImageTreeInput, bytes), "") << "sweep input " << n;
  }
}

TEST(FuzzReplay, ImageReader) {
  EXPECT_GT(Replay("image_reader", CheckImageReaderInput), 0);
  std::mt19937 gen(4);
  for (int n = 0; n < 200; ++n) {
    std::string bytes(3 * (1 + gen() % 20), '\0');
    for (char& c : bytes) c = static_cast<char>(gen());
    ASSERT_EQ(RunCheck(CheckImageReaderInput, bytes), "") << "sweep input " << n;
  }
}
