// Burns an image to a stdio: drive through the disc drive layer, polling it
// as the burning steps do, for bench/burn. Prints the longest any one call
// took, so that the bench can tell whether a step ever waits on the drive.
//
//   burn_stdio IMAGE DISC          write IMAGE to stdio:DISC
//   burn_stdio --verify IMAGE DISC read DISC back and compare with IMAGE
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/disc_drive.h"

namespace {
using TClock = std::chrono::steady_clock;

// The longest call so far, in milliseconds.
double Longest = 0;

template <class TCall>
auto Timed(TCall call) {
  auto start = TClock::now();
  auto result = call();
  Longest =
      std::max(Longest, std::chrono::duration<double, std::milli>(TClock::now() - start).count());
  return result;
}

int Fail(const std::string& what, const std::string& why) {
  std::fprintf(stderr, "burn_stdio: %s: %s\n", what.c_str(), why.c_str());
  return 1;
}
}  // namespace

int main(int argc, char** argv) {
  bool verify = argc == 4 && std::strcmp(argv[1], "--verify") == 0;
  if (argc != 3 + verify) return Fail("usage", "burn_stdio [--verify] IMAGE DISC");
  std::string image = argv[1 + verify], disc = argv[2 + verify], message;
  std::unique_ptr<TDiscDrive> drive;
  if (OpenDiscDrive("stdio:" + disc, drive, message) != TDriveResult::Ok)
    return Fail(disc, message);
  if (verify) {
    std::ifstream in(image, std::ios::binary);
    std::vector<char> want(MaxReadBlocks * DiscBlockSize);
    std::vector<uint8_t> got(want.size());
    for (int64_t first = 0; in.read(want.data(), want.size()) || in.gcount() > 0;
         first += MaxReadBlocks) {
      int64_t blocks = (in.gcount() + DiscBlockSize - 1) / DiscBlockSize;
      if (Timed([&] { return drive->ReadBlocks(first, blocks, got.data()); }) != TDriveResult::Ok)
        return Fail(disc, drive->Message());
      if (std::memcmp(want.data(), got.data(), static_cast<std::size_t>(in.gcount())) != 0)
        return Fail(disc, "differs in the blocks from " + std::to_string(first));
    }
  } else {
    const TFileHandle file = OpenForReading(image);
    const TDriveResult started = Timed([&] { return drive->StartWrite(file, {}); });
    if (file != NoFile) CloseFile(file);
    if (started != TDriveResult::Ok) return Fail(image, drive->Message());
    TDriveProgress progress;
    TDriveResult result;
    while ((result = Timed([&] { return drive->Poll(progress); })) == TDriveResult::Running)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (result != TDriveResult::Ok) return Fail(disc, drive->Message());
  }
  std::printf("%.3f\n", Longest);
  return drive->Close(false) == TDriveResult::Ok ? 0 : Fail(disc, drive->Message());
}
