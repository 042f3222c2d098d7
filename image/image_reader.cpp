#include "image/image_reader.h"

#include <cerrno>
#include <cstring>
#include <map>

#include "entries/dir_entry.h"
#include "image/boot_sector.h"
#include "image/build_messages.h"
#include "image/byte_order.h"
#include "image/dir_record.h"
#include "image/image_tree.h"
#include "platform/file_io.h"
#include "platform/file_system.h"

namespace {
// Past this many problems the rest would only repeat the first ones.
constexpr std::size_t MaxProblems = 50;
constexpr uint16_t FirstBadCluster = 0xFFF7;
constexpr uint16_t FirstEndMark = 0xFFF8;

struct TNode {
  std::string Path;  // image path, \A\B.TXT
  bool Directory = false;
  uint16_t FirstCluster = 0;
  uint32_t Size = 0;
};

class TReader {
 public:
  TReader(const std::string& path, TImageCheck& check) : Path(path), Check(check) {}
  ~TReader() {
    if (Fd != NoFile) CloseFile(Fd);
  }

  void Run(const TEntryList* entries) {
    if (!Open() || !ReadBoot() || !ReadFats()) return;
    Owner.assign(static_cast<std::size_t>(Check.Clusters) + 2, std::string());
    WalkDirectory("", 0, 0, 0);
    for (int32_t c = 2; c < Check.Clusters + 2; ++c)
      if (Fat1[static_cast<std::size_t>(c)] != 0 && Owner[static_cast<std::size_t>(c)].empty())
        Problem(FormatText("cluster %d is marked used in the FAT but belongs to nothing", c));
    if (entries) CompareEntries(*entries);
  }

 private:
  void Problem(const std::string& text) {
    if (Check.Problems.size() < MaxProblems) Check.Problems.push_back(text);
  }

  bool ReadAt(int64_t offset, void* data, std::size_t n) {
    return ReadFully(Fd, data, n, offset) == static_cast<int64_t>(n);
  }

  bool Open() {
    Fd = OpenForReading(Path);
    TPathInfo info;
    if (Fd == NoFile || !HandleInfo(Fd, info)) {
      Problem(FormatText("cannot read %s: %s", Path.c_str(), std::strerror(errno)));
      return false;
    }
    Check.ImageSize = info.Size;
    return true;
  }

  bool ReadBoot() {
    uint8_t b[512];
    if (Check.ImageSize < 512 || !ReadAt(0, b, sizeof b)) {
      Problem("the image is shorter than its boot sector");
      return false;
    }
    const size_t problemsBefore = Check.Problems.size();
    if (b[510] != 0x55 || b[511] != 0xAA) Problem("the boot sector has no 55 AA signature");
    if (Get16(b + Boot::BytesPerSector) != Boot::SectorSize)
      Problem(FormatText("the boot sector gives %u bytes per sector, not 512",
                         Get16(b + Boot::BytesPerSector)));
    const unsigned spc = b[Boot::SectorsPerCluster];
    if (spc == 0 || (spc & (spc - 1)) != 0)
      Problem(FormatText("the boot sector gives %u sectors per cluster", spc));
    if (Get16(b + Boot::ReservedSectors) != 1)
      Problem("the boot sector does not give 1 reserved sector");
    if (b[Boot::FatCount] != 2) Problem("the boot sector does not give 2 FATs");
    if (b[Boot::Media] != Boot::MediaByte) Problem("the boot sector's media byte is not F8");
    if (std::memcmp(b + Boot::FileSystemType, Boot::FsType, 8) != 0)
      Problem("the boot sector does not say FAT16");
    RootEntries = Get16(b + Boot::RootEntries);
    if (RootEntries == 0 || RootEntries % 16 != 0)
      Problem(FormatText("the boot sector gives %u root entries", RootEntries));
    Check.SectorsPerFat = Get16(b + Boot::SectorsPerFat);
    const uint32_t total = Get16(b + Boot::TotalSectors16) ? Get16(b + Boot::TotalSectors16)
                                                           : Get32(b + Boot::TotalSectors32);
    if (int64_t(total) * 512 != Check.ImageSize)
      Problem(FormatText("the boot sector gives %u sectors, but the file holds %lld bytes", total,
                         static_cast<long long>(Check.ImageSize)));
    if (Check.Problems.size() != problemsBefore) return false;

    Check.ClusterSize = static_cast<int32_t>(spc * 512);
    Fat1Offset = 512;
    Fat2Offset = Fat1Offset + int64_t(Check.SectorsPerFat) * 512;
    RootOffset = Fat2Offset + int64_t(Check.SectorsPerFat) * 512;
    DataOffset = RootOffset + int64_t(RootEntries) * Rec::RecordSize;
    const int64_t dataSectors = int64_t(total) - DataOffset / 512;
    Check.Clusters = static_cast<int32_t>(dataSectors / spc);
    if (Check.Clusters < 1 || Check.Clusters > 65518) {
      Problem(FormatText("the volume has %d clusters, outside FAT16's range", Check.Clusters));
      return false;
    }
    if ((int64_t(Check.Clusters) + 2) * 2 > int64_t(Check.SectorsPerFat) * 512) {
      Problem("the FAT is too small for the volume's clusters");
      return false;
    }
    return true;
  }

  bool ReadFats() {
    const std::size_t bytes = static_cast<std::size_t>(Check.SectorsPerFat) * 512;
    std::vector<uint8_t> a(bytes), b(bytes);
    if (!ReadAt(Fat1Offset, a.data(), bytes) || !ReadAt(Fat2Offset, b.data(), bytes)) {
      Problem("the image is shorter than its FATs");
      return false;
    }
    Fat1.resize(static_cast<std::size_t>(Check.Clusters) + 2);
    for (std::size_t c = 0; c < Fat1.size(); ++c) Fat1[c] = Get16(a.data() + 2 * c);
    if (Fat1[0] != 0xFFF8 || Fat1[1] != 0xFFFF)
      Problem(FormatText("FAT entries 0 and 1 are %04X %04X, not FFF8 FFFF", Fat1[0], Fat1[1]));
    for (std::size_t c = 0; c < bytes / 2; ++c) {
      if (Get16(a.data() + 2 * c) != Get16(b.data() + 2 * c)) {
        Problem(FormatText("the two FATs differ at entry %zu (%04X and %04X)", c,
                           Get16(a.data() + 2 * c), Get16(b.data() + 2 * c)));
        break;
      }
    }
    return true;
  }

  int64_t ClusterOffset(uint16_t cluster) const {
    return DataOffset + (int64_t(cluster) - 2) * Check.ClusterSize;
  }

  // The clusters of a chain, each claimed for owner. Empty after a problem.
  std::vector<uint16_t> Chain(uint16_t first, const std::string& owner) {
    std::vector<uint16_t> clusters;
    uint32_t c = first;
    for (;;) {
      if (c < 2 || c >= uint32_t(Check.Clusters) + 2) {
        Problem(FormatText("the chain of %s leaves the volume at cluster %u", owner.c_str(), c));
        return {};
      }
      std::string& claimed = Owner[c];
      if (!claimed.empty()) {
        Problem(FormatText("cluster %u is used twice, by %s and by %s", c, claimed.c_str(),
                           owner.c_str()));
        return {};
      }
      claimed = owner;
      clusters.push_back(static_cast<uint16_t>(c));
      ++Check.UsedClusters;
      uint16_t next = Fat1[c];
      if (next >= FirstEndMark) return clusters;
      if (next == 0 || next == FirstBadCluster) {
        Problem(FormatText("the chain of %s breaks off at cluster %u (entry %04X)", owner.c_str(),
                           c, next));
        return {};
      }
      c = next;
    }
  }

  static std::string RecordName(const uint8_t* r) {
    std::string name(reinterpret_cast<const char*>(r + Rec::Name), 8);
    std::string ext(reinterpret_cast<const char*>(r + Rec::Ext), 3);
    name.erase(name.find_last_not_of(' ') + 1);
    ext.erase(ext.find_last_not_of(' ') == std::string::npos ? 0 : ext.find_last_not_of(' ') + 1);
    return ext.empty() ? name : name + "." + ext;
  }

  // Reads the records of a directory: the root area when cluster is 0.
  void WalkDirectory(const std::string& path, uint16_t cluster, uint16_t parent, int depth) {
    std::vector<uint8_t> records;
    if (cluster == 0) {
      records.resize(static_cast<std::size_t>(RootEntries) * Rec::RecordSize);
      if (!ReadAt(RootOffset, records.data(), records.size())) {
        Problem("the image is shorter than its root directory");
        return;
      }
    } else {
      std::vector<uint16_t> chain = Chain(cluster, path);
      if (chain.empty()) return;
      records.resize(chain.size() * static_cast<std::size_t>(Check.ClusterSize));
      for (std::size_t i = 0; i < chain.size(); ++i)
        if (!ReadAt(ClusterOffset(chain[i]), records.data() + i * Check.ClusterSize,
                    static_cast<std::size_t>(Check.ClusterSize))) {
          Problem(FormatText("the image is shorter than the clusters of %s", path.c_str()));
          return;
        }
    }
    if (depth > 64) {
      Problem(FormatText("%s is nested deeper than any image can be", path.c_str()));
      return;
    }
    const std::string shown = path.empty() ? "\\" : path;
    for (std::size_t at = 0; at + Rec::RecordSize <= records.size(); at += Rec::RecordSize) {
      const uint8_t* r = records.data() + at;
      if (r[0] == 0) break;  // no records after the first empty slot
      if (r[0] == 0xE5) continue;
      const std::size_t slot = at / Rec::RecordSize;
      const uint8_t attributes = r[Rec::Attributes];
      const uint16_t first = Get16(r + Rec::FirstCluster);
      const uint32_t size = Get32(r + Rec::Size);
      const std::string name = RecordName(r);
      if (cluster != 0 && slot < 2) {
        const char* want = slot == 0 ? "." : "..";
        const uint16_t target = slot == 0 ? cluster : parent;
        if (name != want || !(attributes & Rec::AttrDirectory))
          Problem(FormatText("%s: record %zu is not \"%s\"", shown.c_str(), slot, want));
        else if (first != target)
          Problem(FormatText("%s: \"%s\" points to cluster %u, not %u", shown.c_str(), want,
                             first, target));
        continue;
      }
      if (name == "." || name == "..") {
        Problem(FormatText("%s: a \"%s\" record in slot %zu", shown.c_str(), name.c_str(), slot));
        continue;
      }
      TNode node;
      node.Path = path + "\\" + name;
      node.Directory = (attributes & Rec::AttrDirectory) != 0;
      node.FirstCluster = first;
      node.Size = size;
      if (attributes & 0x08) continue;  // a volume label has no data
      if (node.Directory) {
        ++Check.Directories;
        if (size != 0) Problem(FormatText("directory %s has a size of %u", node.Path.c_str(), size));
        if (first == 0)
          Problem(FormatText("directory %s has no cluster", node.Path.c_str()));
        else
          WalkDirectory(node.Path, first, cluster, depth + 1);
      } else {
        ++Check.Files;
        CheckFile(node);
      }
      Nodes[node.Path] = node;
    }
    if (cluster != 0 && (records.size() < 64 || records[0] == 0))
      Problem(FormatText("%s has no \".\" and \"..\" records", shown.c_str()));
  }

  void CheckFile(TNode& node) {
    if (node.Size == 0) {
      if (node.FirstCluster != 0)
        Problem(FormatText("empty file %s has cluster %u", node.Path.c_str(), node.FirstCluster));
      return;
    }
    if (node.FirstCluster == 0) {
      Problem(FormatText("file %s of %u bytes has no cluster", node.Path.c_str(), node.Size));
      return;
    }
    std::vector<uint16_t> chain = Chain(node.FirstCluster, node.Path);
    if (chain.empty()) return;
    const uint64_t needed = (uint64_t(node.Size) - 1) / uint64_t(Check.ClusterSize) + 1;
    if (chain.size() != needed) {
      Problem(FormatText("file %s: its size of %u bytes needs %llu clusters, its chain has %zu",
                         node.Path.c_str(), node.Size, static_cast<unsigned long long>(needed),
                         chain.size()));
      return;
    }
    FileChains[node.Path] = std::move(chain);
  }

  // An image path as the records spell it: "\\README." is stored as README.
  static std::string RecordPath(const std::string& imagePath) {
    std::string out;
    for (std::size_t i = 0; i < imagePath.size(); ++i)
      if (!(imagePath[i] == '.' && (i + 1 == imagePath.size() || imagePath[i + 1] == '\\')))
        out += imagePath[i];
    return out;
  }

  // Every entry is in the image, and every file's bytes are its source's.
  void CompareEntries(const TEntryList& entries) {
    std::vector<uint8_t> image(static_cast<std::size_t>(Check.ClusterSize));
    std::vector<uint8_t> source(image.size());
    for (std::size_t i = 0; i < entries.Count(); ++i) {
      const std::string path = RecordPath(entries[i].ImagePath);
      const std::string& real = entries[i].RealPath;
      auto found = Nodes.find(path);
      TPathInfo info;
      bool sourceIsDir = PathInfo(real, info) && info.Kind == TPathKind::Directory;
      if (found == Nodes.end()) {
        Problem(FormatText("%s is not in the image", path.c_str()));
        continue;
      }
      const TNode& node = found->second;
      if (node.Directory != sourceIsDir) {
        Problem(FormatText("%s is a %s in the image but %s is not", path.c_str(),
                           node.Directory ? "directory" : "file", real.c_str()));
        continue;
      }
      if (node.Directory) continue;
      TFileHandle fd = OpenForReading(real);
      if (fd == NoFile) {
        Problem(FormatText("cannot read %s: %s", real.c_str(), std::strerror(errno)));
        continue;
      }
      if (!HandleInfo(fd, info) || info.Size != int64_t(node.Size)) {
        Problem(FormatText("%s holds %u bytes but %s has %lld", path.c_str(), node.Size,
                           real.c_str(), static_cast<long long>(info.Size)));
        CloseFile(fd);
        continue;
      }
      const std::vector<uint16_t>& chain = FileChains[path];
      int64_t offset = 0;
      for (uint16_t c : chain) {
        std::size_t n = static_cast<std::size_t>(
            std::min<int64_t>(Check.ClusterSize, int64_t(node.Size) - offset));
        if (!ReadAt(ClusterOffset(c), image.data(), n) || ReadFully(fd, source.data(), n, offset) !=
                                                                int64_t(n)) {
          Problem(FormatText("cannot compare %s with %s", path.c_str(), real.c_str()));
          break;
        }
        if (std::memcmp(image.data(), source.data(), n) != 0) {
          std::size_t k = 0;
          while (image[k] == source[k]) ++k;
          Problem(FormatText("%s differs from %s at byte %lld", path.c_str(), real.c_str(),
                             static_cast<long long>(offset + int64_t(k))));
          break;
        }
        offset += int64_t(n);
      }
      CloseFile(fd);
    }
  }

  std::string Path;
  TImageCheck& Check;
  TFileHandle Fd = NoFile;
  uint16_t RootEntries = 0;
  int64_t Fat1Offset = 0, Fat2Offset = 0, RootOffset = 0, DataOffset = 0;
  std::vector<uint16_t> Fat1;
  std::vector<std::string> Owner;  // who uses each cluster
  std::map<std::string, TNode> Nodes;
  std::map<std::string, std::vector<uint16_t>> FileChains;
};
}  // namespace

TImageCheck CheckImage(const std::string& path, const TEntryList* entries) {
  TImageCheck check;
  TReader(path, check).Run(entries);
  return check;
}
