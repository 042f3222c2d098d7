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
#include "image/image_unpack.h"
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

  // Unpacking the same bytes: a sound image comes out whole, with its list;
  // a damaged one stops before the folder is made; nothing else is touched.
  const std::string into = sound.Folder + "/unpacked";
  fs::remove_all(into);
  fs::remove(into + ".qvl");
  TScriptHost host;
  TUnpackOptions options;
  options.ListPath = into + ".qvl";
  TImageUnpack unpack(path, into, host, options);
  unpack.Start();
  for (long steps = 0; unpack.Running(); ++steps) {
    if (steps > 100000) return "the unpacking did not end";
    unpack.Step();
  }
  if (bare.Ok() != unpack.Done()) return "the unpacking and the check disagree";
  if (!unpack.Done() && (fs::exists(into) || fs::exists(into + ".qvl")))
    return "a damaged image was unpacked";
  std::size_t files = 0;
  if (unpack.Done())
    for (const auto& e : fs::recursive_directory_iterator(into)) files += e.is_regular_file();
  if (unpack.Done() && (files != std::size_t(bare.Files) || !fs::exists(into + ".qvl")))
    return "the unpacking wrote " + std::to_string(files) + " files of " + std::to_string(bare.Files);
  std::size_t others = 0;
  for (const auto& e : fs::directory_iterator(sound.Folder))
    others += e.path() != into && e.path() != into + ".qvl";
  if (others != 3) return "the unpacking wrote beside its folder";  // src, sound.trk, damaged.trk
  return {};
}
