// The image reader on damaged images: one sound image is built once, then
// each input overwrites bytes of its boot sector, FATs, root directory and
// first clusters, or cuts it short, and the reader must give its verdict
// without crashing or reading out of bounds.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "entries/dir_entry.h"
#include "fuzz_checks.h"
#include "image/build_driver.h"
#include "image/image_reader.h"
#include "script_host.h"

namespace fs = std::filesystem;

namespace {

// Damage lands in the first bytes: the head and the first clusters, where
// the records and chains the reader follows are.
constexpr std::size_t DamagedSpan = 48 << 10;
constexpr std::size_t MaxProblemsReported = 50;
constexpr std::size_t BytesPerChange = 3;  // offset (2 bytes) and value

struct TSound {
  std::string Folder;
  TEntryList Entries;
  std::string Image;  // its bytes
};

const TSound& Sound() {
  static const TSound* sound = [] {
    auto* s = new TSound;
    s->Folder = FuzzWorkFolder() + "/reader";
    fs::create_directories(s->Folder + "/src");
    auto file = [&](const std::string& name, std::size_t size) {
      std::string path = s->Folder + "/src/" + name;
      std::string bytes(size, '\0');
      for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + size);
      std::ofstream(path, std::ios::binary) << bytes;
      return path;
    };
    s->Entries.Add("\\A\\ONE.BIN", file("one", 1500));
    s->Entries.Add("\\A\\B\\TWO.BIN", file("two", 513));
    s->Entries.Add("\\THREE", file("three", 0));
    s->Entries.Add("\\FOUR.WAV", file("four", 4000));
    TScriptHost host;
    const std::string path = s->Folder + "/sound.trk";
    host.SaveNames = {path};
    TImageBuild build(s->Entries, host);
    build.Start();
    while (build.Running()) build.Step();
    if (!build.Done() || !CheckImage(path, &s->Entries).Ok()) std::abort();
    std::ifstream in(path, std::ios::binary);
    s->Image.assign(std::istreambuf_iterator<char>(in), {});
    return s;
  }();
  return *sound;
}

}  // namespace

std::string CheckImageReaderInput(const uint8_t* data, std::size_t size) {
  const TSound& sound = Sound();
  std::string image = sound.Image;
  std::size_t at = 0;
  // A first byte with its top bit set cuts the image to a length.
  if (size >= 3 && (data[0] & 0x80)) {
    const std::size_t length = ((std::size_t(data[1]) << 8 | data[2]) * 64) % (image.size() + 1);
    image.resize(length);
    at = 3;
  }
  bool changed = image.size() != sound.Image.size();
  for (; at + BytesPerChange <= size; at += BytesPerChange) {
    if (image.empty()) break;
    const std::size_t offset = std::size_t(data[at]) << 8 | data[at + 1];
    const std::size_t where = offset % std::min(DamagedSpan, image.size());
    changed |= image[where] != static_cast<char>(data[at + 2]);
    image[where] = static_cast<char>(data[at + 2]);
  }

  const std::string path = sound.Folder + "/damaged.trk";
  std::ofstream(path, std::ios::binary | std::ios::trunc) << image;
  TImageCheck check = CheckImage(path, &sound.Entries);
  if (check.Problems.size() > MaxProblemsReported) return "the reader reported without bound";
  if (!changed && !check.Ok()) return "the sound image was reported damaged: " + check.Problems[0];
  TImageCheck bare = CheckImage(path);
  if (bare.Problems.size() > MaxProblemsReported) return "the reader reported without bound";
  return {};
}
