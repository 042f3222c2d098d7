// Small trees of real files, made from the input bytes, built into an image
// and read back: the image must hold every entry that was not refused, with
// its source's bytes, and the build must ask exactly the questions a simple
// model of the tree predicts.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "entries/dir_entry.h"
#include "entries/path_rules.h"
#include "fuzz_checks.h"
#include "image/build_driver.h"
#include "image/image_reader.h"
#include "image/image_tree.h"
#include "script_host.h"

namespace fs = std::filesystem;

namespace {

constexpr int MaxEntries = 12;
constexpr int MaxDirectories = 3;  // on the way to an entry
constexpr long StepLimit = 1000000;

// Names that nest, clash (README and README. are one name), differ only in
// case, and use the rarer name characters.
const char* const Names[] = {"A",        "B",     "SUB",      "LONGNAME", "X.TXT",
                             "README.",  "README", "DATA.BIN", "a",        "b.qvf",
                             "~!@#$^&.()-", "{_}'.WAV", "Z9",   "ABCDEFGH.QVF", "E.",
                             "Q.Z"};
constexpr int NameCount = sizeof Names / sizeof Names[0];

// Now and then one sparse source this large (with a few bytes written at
// each end) pushes the volume past 65518 clusters of 512 bytes, so that
// 1024-byte clusters are chosen and the sizes below fall around those too.
constexpr int64_t LargeSource = int64_t(65600) * 512;
constexpr unsigned LargeEvery = 32;

// Sizes around the 512-byte cluster and a few clusters on.
const int32_t Sizes[] = {0,    1,    511,  512,  513,  1023, 1024,  1025,
                         2047, 2048, 2049, 4095, 4096, 4097, 32768, 65537};
constexpr int SizeCount = sizeof Sizes / sizeof Sizes[0];

class TBytes {
 public:
  TBytes(const uint8_t* data, std::size_t size) : Data(data), Size(size) {}
  unsigned Next() { return At < Size ? Data[At++] : 0; }
  bool More() const { return At < Size; }

 private:
  const uint8_t* Data;
  std::size_t Size;
  std::size_t At = 0;
};

// Answers as a user who keeps going: skip the entry in question.
class TSkippingHost : public TScriptHost {
 public:
  TAnswer Answer(const TQuestion& q) override {
    const TButtons b = QuestionButtons(q.Kind);
    Asked.push_back({QuestionText(q), QuestionCaption(q.Kind), b, q.Kind});
    return b == TButtons::AbortRetryIgnore ? TAnswer::Ignore
           : b == TButtons::YesNo          ? TAnswer::No
                                           : TAnswer::Cancel;
  }
};

// A component's name as the image stores it: "README." is "README".
std::string Key(const std::string& component) {
  if (!component.empty() && component.back() == '.') return component.substr(0, component.size() - 1);
  return component;
}

std::string Bytes(int32_t size, unsigned seed) {
  std::string s(static_cast<std::size_t>(size), '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (char& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 16);
  }
  return s;
}

struct TPlanned {
  std::string Real;
  bool Directory = false;
  bool Missing = false;
};

}  // namespace

// One folder per process for the sources and the image, emptied each run
// and removed at exit. Held on the heap so that it outlives the exit hook.
const std::string& FuzzWorkFolder() {
  static const std::string* folder = [] {
    std::string pattern = (fs::temp_directory_path() / "qvfuzz.XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(FuzzWorkFolder(), ec);
    });
    return new std::string(pattern);
  }();
  return *folder;
}

std::string CheckImageTreeInput(const uint8_t* data, std::size_t size) {
  TBytes in(data, size);
  const std::string work = FuzzWorkFolder();
  std::error_code ec;
  fs::remove_all(work + "/src", ec);
  fs::remove(work + "/out.trk", ec);
  fs::create_directories(work + "/src");

  // The entries, each with a real file, a real folder or a missing path.
  TEntryList entries;
  std::map<std::string, TPlanned> planned;  // by real path
  const int count = 1 + static_cast<int>(in.Next() % MaxEntries);
  for (int i = 0; i < count; ++i) {
    std::string image;
    const int depth = static_cast<int>(in.Next() % (MaxDirectories + 1));
    for (int d = 0; d <= depth; ++d) image += std::string("\\") + Names[in.Next() % NameCount];
    const unsigned kind = in.Next();
    TPlanned p;
    p.Real = work + "/src/" + std::to_string(i);
    if (kind % 11 == 10) {
      p.Missing = true;
    } else if (kind % 5 == 4) {
      p.Directory = true;
      fs::create_directory(p.Real);
    } else if (kind % LargeEvery == LargeEvery - 1) {
      const int64_t bytes = LargeSource + static_cast<int64_t>(in.Next() % 3) - 1;
      const std::string ends = Bytes(512, in.Next());
      std::ofstream(p.Real, std::ios::binary) << ends;
      fs::resize_file(p.Real, static_cast<uintmax_t>(bytes - 512));
      std::ofstream(p.Real, std::ios::binary | std::ios::app) << ends;
    } else {
      const int32_t bytes = Sizes[in.Next() % SizeCount];
      const unsigned seed = in.Next();
      std::ofstream(p.Real, std::ios::binary) << Bytes(bytes, seed);
    }
    // Every way into the list (the dialogs, a drop, a list file) puts image
    // paths in capitals: DOS keeps short names so, and readers refuse others.
    entries.Add(UpperCase(image), p.Real);
    planned[p.Real] = p;
  }

  // The model: what each entry, in list order, adds or is refused for.
  std::map<std::string, bool> tree;  // image path by stored names -> is a directory
  std::vector<std::string> questions;
  TEntryList kept;
  int directories = 0, files = 0;
  for (std::size_t i = 0; i < entries.Count(); ++i) {
    const std::string& P = entries[i].ImagePath;
    const TPlanned& p = planned[entries[i].RealPath];
    if (p.Missing) {
      questions.push_back("Error accessing file " + p.Real + ": No such file or directory");
      continue;
    }
    std::string key;
    std::size_t at = 1;
    bool refused = false;
    for (;;) {
      std::size_t end = P.find('\\', at);
      const std::string component = P.substr(at, end == std::string::npos ? end : end - at);
      key += "\\" + Key(component);
      if (end == std::string::npos) break;
      auto found = tree.find(key);
      if (found == tree.end()) {
        tree[key] = true;
        ++directories;
      } else if (!found->second) {
        questions.push_back("The directory " + P.substr(0, end) +
                            " already exists as a regular file. Do you want to abort?");
        refused = true;
        break;
      }
      at = end + 1;
    }
    if (refused) continue;
    if (tree.count(key)) {
      questions.push_back("The file " + P + " already exists. Do you want to abort?");
      continue;
    }
    tree[key] = p.Directory;
    (p.Directory ? directories : files) += 1;
    kept.Add(P, p.Real);
  }

  const std::string image = work + "/out.trk";
  TSkippingHost host;
  host.SaveNames = {image};
  TBuildOptions options;
  options.WriteViaTemporary = (in.Next() & 1) != 0;
  TImageBuild build(entries, host, options);
  build.Start();
  long steps = 0;
  while (build.Running() && steps < StepLimit) {
    build.Step();
    ++steps;
  }

  std::vector<std::string> asked;
  for (const TAsked& a : host.Asked) asked.push_back(a.Text);
  if (asked != questions) {
    std::string text = "the build asked:\n";
    for (const std::string& a : asked) text += "  " + a + "\n";
    text += "the model expected:\n";
    for (const std::string& q : questions) text += "  " + q + "\n";
    return text;
  }
  if (kept.Count() == 0 && directories == 0) {
    if (build.EndCode() != TBuildEnd::Stopped || fs::exists(image)) return "a build of nothing did not end quietly";
    return {};
  }
  if (!build.Done()) return "the build did not finish";
  if (host.Captions.back() != "Done" || host.Gauges.back() != 100)
    return "the build finished without showing Done at 100%";

  TImageCheck check = CheckImage(image, &kept);
  if (!check.Ok()) {
    std::string text = "the image reader found:\n";
    for (const std::string& p : check.Problems) text += "  " + p + "\n";
    return text;
  }
  if (check.Files != files || check.Directories != directories)
    return "the image holds " + std::to_string(check.Files) + " files and " +
           std::to_string(check.Directories) + " directories, not " + std::to_string(files) +
           " and " + std::to_string(directories);
  if (check.ImageSize != build.State().ImageSize ||
      check.ClusterSize != build.State().ClusterSize())
    return "the image has the wrong size or cluster size";
  return {};
}
