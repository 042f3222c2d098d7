#include "image/image_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>

#include "entries/dir_entry.h"
#include "entries/dos_name.h"
#include "image/boot_sector.h"
#include "image/build_messages.h"
#include "image/build_state.h"
#include "image/byte_order.h"
#include "image/dir_record.h"
#include "image/fat_table.h"
#include "image/geometry.h"
#include "platform/file_io.h"

namespace {
// Past this many problems the rest would only repeat the first ones.
constexpr std::size_t MaxProblems = 50;
// The media byte of a fixed disk and of the most common removable one; the
// others (F9..FF) are old diskette formats.
constexpr uint8_t RemovableMedia = 0xF0;
constexpr uint8_t LowestFixedMedia = 0xF8;
// Below this many clusters a volume's FAT has 12-bit entries: the count, not
// the boot sector's text, decides.
constexpr int32_t Fat12ClusterLimit = 4085;
constexpr uint16_t Fat12Mask = 0x0FFF;
// A FAT12 entry at or above this is a bad mark or an end mark; widened to
// FAT16's range so that one set of marks serves both.
constexpr uint16_t Fat12FirstBad = 0x0FF7;
// The FATs are compared in pieces of this many bytes, a multiple of both
// entry widths (2 bytes, and 3 bytes for two FAT12 entries).
constexpr std::size_t FatCompareChunk = 6 << 13;
// Sector sizes a boot sector may give.
constexpr uint16_t LargestSectorSize = 4096;
// File bytes are compared in pieces of this size.
constexpr std::size_t CompareChunk = 256 << 10;
// The first reserved byte of a record holds case flags for other systems;
// this one says the 11 name bytes are not a name at all (only a long name
// names the file), which a record without a long name cannot be.
constexpr int CaseFlags = Rec::Reserved;
constexpr uint8_t NoShortName = 0x20;
// Bit 0 of the byte after the drive number: set while a system has the
// volume open, so a volume left with it set was not closed cleanly.
constexpr uint8_t DirtyFlag = 0x01;

bool IsPowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

// Where the boot sector of a FAT32 volume keeps its file system's name,
// and where a partition table and an ISO 9660 volume's first descriptor
// lie.
constexpr int Fat32TypeOffset = 82;
constexpr int Fat32SectorsPerFat = 36;
constexpr int PartitionTable = 446;
constexpr int PartitionEntrySize = 16;
constexpr int PartitionCount = 4;
constexpr int64_t IsoDescriptorId = 16 * 2048 + 1;

// What a file whose first sector is no FAT12 or FAT16 boot sector is, when
// it is another well-known kind of image; "" when it is none of them.
std::string OtherImageKind(const uint8_t* b, TFileHandle file) {
  if (std::memcmp(b + Boot::OemName, "EXFAT   ", 8) == 0) return "an exFAT volume";
  if (std::memcmp(b + Fat32TypeOffset, "FAT32   ", 8) == 0 ||
      (Get16(b + Boot::RootEntries) == 0 && Get16(b + Boot::SectorsPerFat) == 0 &&
       Get32(b + Fat32SectorsPerFat) != 0 && Get16(b + Boot::SignatureOffset) == Boot::SectorSignature))
    return "a FAT32 volume (this program reads FAT12 and FAT16)";
  char iso[5];
  if (ReadFully(file, iso, sizeof iso, IsoDescriptorId) == int64_t(sizeof iso) &&
      std::memcmp(iso, "CD001", 5) == 0)
    return "an ISO 9660 image (a CD-ROM file system, not a FAT volume)";
  if (Get16(b + Boot::SignatureOffset) == Boot::SectorSignature) {
    // A table whose entries are all well formed, at least one in use.
    bool used = false;
    uint32_t first = 0;
    for (int i = 0; i < PartitionCount; ++i) {
      const uint8_t* e = b + PartitionTable + i * PartitionEntrySize;
      if ((e[0] & 0x7F) != 0) return "";
      if (e[4] == 0) continue;
      const uint32_t start = Get32(e + 8);
      if (start == 0 || Get32(e + 12) == 0) return "";
      if (!used || start < first) first = start;
      used = true;
    }
    if (used)
      return FormatText("a partitioned disk image (its first partition starts at sector %u); "
                        "this program reads a single volume without a partition table",
                        first);
  }
  return "";
}

// The 11 name bytes as text a person can read: bytes outside printable
// ASCII as \xNN.
std::string ShownNameBytes(const uint8_t* r) {
  std::string out;
  for (std::size_t i = 0; i < ShortNameBytes; ++i) {
    const uint8_t c = r[i];
    if (c >= 0x20 && c < 0x7F && c != '"')
      out += static_cast<char>(c);
    else
      out += FormatText("\\x%02X", c);
  }
  return out;
}

std::string RecordName(const uint8_t* r) {
  std::string name(reinterpret_cast<const char*>(r + Rec::Name), MaxShortBase);
  std::string ext(reinterpret_cast<const char*>(r + Rec::Ext), MaxShortExt);
  name.erase(name.find_last_not_of(' ') + 1);
  const std::size_t last = ext.find_last_not_of(' ');
  ext.erase(last == std::string::npos ? 0 : last + 1);
  return ext.empty() ? name : name + "." + ext;
}

// An image path as the records spell it: "\\README." is stored as README.
std::string RecordPath(const std::string& imagePath) {
  std::string out;
  for (std::size_t i = 0; i < imagePath.size(); ++i)
    if (!(imagePath[i] == '.' && (i + 1 == imagePath.size() || imagePath[i + 1] == '\\')))
      out += imagePath[i];
  return out;
}
}  // namespace

struct TImageReader::TLayout {
  uint32_t SectorSize = 0;
  uint32_t ClusterSize = 0;
  uint32_t FatCount = 0;
  uint32_t RootEntries = 0;
  uint8_t Media = 0;
  int FatBits = 16;
  int64_t FatOffset = 0, FatBytes = 0, RootOffset = 0, DataOffset = 0;
  int64_t ClusterOffset(uint32_t cluster) const {
    return DataOffset + (int64_t(cluster) - Fat::FirstDataCluster) * ClusterSize;
  }
};

// One directory of the walk: its records, read whole when it is entered,
// and the slot the walk has reached.
struct TImageReader::TLevel {
  std::string Path;  // "" for the root
  uint16_t Cluster = 0;  // 0 for the root
  uint16_t Parent = 0;
  int Depth = 0;  // directories on the way from the root, itself included
  std::vector<uint8_t> Records;
  std::size_t Slot = 0;
  std::set<std::string> Names;  // the 11 name bytes of each record, in capitals
  std::string Shown() const { return Path.empty() ? "\\" : Path; }
};

TImageReader::TImageReader(std::string path) : Path(std::move(path)), L(new TLayout) {}

TImageReader::~TImageReader() {
  if (File != NoFile) CloseFile(File);
}

void TImageCheck::AddProblem(std::string text) {
  ++ProblemCount;
  if (Problems.size() < MaxProblems) Problems.push_back(std::move(text));
}

void TImageReader::Problem(const std::string& text) { Check.AddProblem(text); }

bool TImageReader::ReadAt(int64_t offset, void* data, std::size_t n) const {
  return ReadFully(File, data, n, offset) == int64_t(n);
}

bool TImageReader::Open() {
  // Not blocking: a pipe given as the image must not wait for a writer.
  File = OpenForReading(Path);
  TPathInfo info;
  if (File == NoFile || !HandleInfo(File, info)) {
    Problem(FormatText("cannot read %s: %s", Path.c_str(), std::strerror(errno)));
    CannotRead = true;
    return false;
  }
  if (info.Kind != TPathKind::File) {
    CannotRead = true;
    Problem(FormatText("cannot read %s: %s", Path.c_str(),
                       info.Kind == TPathKind::Directory ? "it is a directory" : "not a regular file"));
    return false;
  }
  Check.ImageSize = info.Size;
  if (!ReadBoot() || !ReadFats()) return false;
  Owner.assign(static_cast<std::size_t>(Check.Clusters) + Fat::FirstDataCluster, 0);
  Opened = true;
  return true;
}

bool TImageReader::ReadBoot() {
  uint8_t b[Boot::SectorSize];
  if (Check.ImageSize < Boot::SectorSize || !ReadAt(0, b, sizeof b)) {
    Problem("the image is shorter than its boot sector");
    return false;
  }
  const std::size_t problemsBefore = Check.ProblemCount;
  const std::size_t listedBefore = Check.Problems.size();
  // A sector that is not FAT's is named when it is another kind of image,
  // rather than taken apart field by field.
  auto foreign = [&] {
    const std::string format = OtherImageKind(b, File);
    if (format.empty()) return;
    Check.Problems.resize(listedBefore);
    Check.ProblemCount = problemsBefore;
    Problem("it is " + format);
    Format = format;
    CannotRead = true;
  };
  if (Get16(b + Boot::SignatureOffset) != Boot::SectorSignature)
    Problem("the boot sector has no 55 AA signature");
  const uint32_t sectorSize = Get16(b + Boot::BytesPerSector);
  if (!IsPowerOfTwo(sectorSize) || sectorSize < Boot::SectorSize || sectorSize > LargestSectorSize)
    Problem(FormatText("the boot sector gives %u bytes per sector", sectorSize));
  const uint32_t spc = b[Boot::SectorsPerCluster];
  if (!IsPowerOfTwo(spc)) Problem(FormatText("the boot sector gives %u sectors per cluster", spc));
  const uint32_t reserved = Get16(b + Boot::ReservedSectors);
  if (reserved == 0) Problem("the boot sector gives no reserved sector");
  const uint32_t fats = b[Boot::FatCount];
  if (fats != 1 && fats != 2) Problem(FormatText("the boot sector gives %u FATs", fats));
  const uint8_t media = L->Media = b[Boot::Media];
  if (media != RemovableMedia && media < LowestFixedMedia)
    Problem(FormatText("the boot sector's media byte %02X is not a media byte", media));
  L->RootEntries = Get16(b + Boot::RootEntries);
  if (L->RootEntries == 0) Problem("the boot sector gives no root entries");
  Check.SectorsPerFat = Get16(b + Boot::SectorsPerFat);
  if (Check.SectorsPerFat == 0) Problem("the boot sector gives no sectors per FAT");
  if (b[Boot::Reserved] & DirtyFlag) Problem("the volume is marked as not closed cleanly");
  const uint16_t total16 = Get16(b + Boot::TotalSectors16);
  const uint32_t total = total16 ? total16 : Get32(b + Boot::TotalSectors32);
  if (Check.ProblemCount != problemsBefore) {
    foreign();
    return false;
  }
  // Readers disagree on where the data of such a volume begins (some
  // round the root up to whole sectors, some down): its files could come
  // out wrong, so it is no sound image.
  if (L->RootEntries * Rec::RecordSize % sectorSize != 0)
    Problem(FormatText("the root directory's %u entries do not fill whole sectors",
                       L->RootEntries));
  if (int64_t(total) * sectorSize > Check.ImageSize) {
    Problem(FormatText("the boot sector gives %u sectors, but the file holds %lld bytes", total,
                       static_cast<long long>(Check.ImageSize)));
    return false;
  }

  L->SectorSize = sectorSize;
  L->ClusterSize = spc * sectorSize;
  L->FatCount = fats;
  L->FatOffset = int64_t(reserved) * sectorSize;
  L->FatBytes = int64_t(Check.SectorsPerFat) * sectorSize;
  L->RootOffset = L->FatOffset + fats * L->FatBytes;
  const int64_t rootBytes = int64_t(L->RootEntries) * Rec::RecordSize;
  L->DataOffset = L->RootOffset + (rootBytes + sectorSize - 1) / sectorSize * sectorSize;
  const int64_t dataBytes = int64_t(total) * sectorSize - L->DataOffset;
  const int64_t clusters = dataBytes < 0 ? 0 : dataBytes / L->ClusterSize;
  Check.ClusterSize = static_cast<int32_t>(L->ClusterSize);
  Check.Clusters = static_cast<int32_t>(clusters);
  if (clusters < 1 || clusters > MaxClusterCount) {
    Problem(FormatText("the volume has %lld clusters, outside FAT16's range",
                       static_cast<long long>(clusters)));
    return false;
  }
  L->FatBits = Check.Clusters < Fat12ClusterLimit ? 12 : 16;
  const int64_t entries = int64_t(Check.Clusters) + Fat::FirstDataCluster;
  if (entries * L->FatBits > L->FatBytes * 8) {
    Problem("the FAT is too small for the volume's clusters");
    return false;
  }
  if (b[Boot::BootSignature] == Boot::ExtendedFields) {
    BootLabel.assign(reinterpret_cast<const char*>(b + Boot::VolumeLabel), 11);
    const char* want = L->FatBits == 12 ? "FAT12   " : "FAT16   ";
    if (std::memcmp(b + Boot::FileSystemType, want, 8) != 0 &&
        std::memcmp(b + Boot::FileSystemType, "FAT     ", 8) != 0)
      Problem(FormatText("the boot sector does not say %.5s, as its %d clusters make it", want,
                         Check.Clusters));
  }
  return true;
}

bool TImageReader::ReadFats() {
  const std::size_t entries = static_cast<std::size_t>(Check.Clusters) + Fat::FirstDataCluster;
  const std::size_t used = L->FatBits == 16 ? entries * 2 : (entries * 3 + 1) / 2;
  std::vector<uint8_t> first(used);
  if (!ReadAt(L->FatOffset, first.data(), used)) {
    Problem("the image is shorter than its FATs");
    return false;
  }
  Fat.resize(entries);
  for (std::size_t c = 0; c < entries; ++c) {
    if (L->FatBits == 16) {
      Fat[c] = Get16(first.data() + 2 * c);
    } else {
      const uint16_t pair = Get16(first.data() + c * 3 / 2);
      uint16_t v = (c & 1) ? pair >> 4 : pair & Fat12Mask;
      if (v >= Fat12FirstBad) v |= ~Fat12Mask;
      Fat[c] = v;
    }
    if (c >= Fat::FirstDataCluster && Fat[c] != Fat::Free && Fat[c] != Fat::FirstBad) ++Marked;
  }
  // Entry 0 holds the media byte, with every higher bit of the entry set:
  // FF0 for a 1.44 MB diskette's FAT12, FFF8 for a fixed disk's FAT16 (and
  // a FAT12 entry read as an end mark is widened as the others are).
  uint16_t media0 = static_cast<uint16_t>(Fat::MediaEntry | L->Media);
  if (L->FatBits == 12 && (media0 & Fat12Mask) < Fat12FirstBad) media0 &= Fat12Mask;
  if (Fat[0] != media0 || Fat[1] < Fat::FirstEndMark)
    Problem(FormatText("FAT entries 0 and 1 are %04X %04X, not %04X FFFF", Fat[0], Fat[1], media0));

  // Every copy agrees with the first, byte for byte, over its whole length.
  std::vector<uint8_t> a(FatCompareChunk), b(FatCompareChunk);
  for (uint32_t copy = 1; copy < L->FatCount; ++copy) {
    for (int64_t at = 0; at < L->FatBytes; at += int64_t(FatCompareChunk)) {
      const std::size_t n = static_cast<std::size_t>(
          std::min<int64_t>(int64_t(FatCompareChunk), L->FatBytes - at));
      if (!ReadAt(L->FatOffset + at, a.data(), n) ||
          !ReadAt(L->FatOffset + copy * L->FatBytes + at, b.data(), n)) {
        Problem("the image is shorter than its FATs");
        return false;
      }
      if (std::memcmp(a.data(), b.data(), n) == 0) continue;
      std::size_t k = 0;
      while (a[k] == b[k]) ++k;
      if (L->FatBits == 16) {
        k &= ~std::size_t(1);
        Problem(FormatText("the two FATs differ at entry %lld (%04X and %04X)",
                           static_cast<long long>((at + int64_t(k)) / 2), Get16(a.data() + k),
                           Get16(b.data() + k)));
      } else {
        Problem(FormatText("the two FATs differ at entry %lld",
                           static_cast<long long>((at + int64_t(k)) * 2 / 3)));
      }
      copy = L->FatCount;
      break;
    }
  }
  return true;
}

bool TImageReader::ClaimChain(uint16_t first, uint32_t owner, const std::string& path,
                              std::vector<uint16_t>* chain, uint32_t* length) {
  uint32_t c = first;
  *length = 0;
  for (;;) {
    if (c < Fat::FirstDataCluster || c >= Owner.size()) {
      Problem(FormatText("the chain of %s leaves the volume at cluster %u", path.c_str(), c));
      return false;
    }
    if (Owner[c] != 0) {
      Problem(FormatText("cluster %u is used twice, by %s and by %s", c,
                         ItemList[Owner[c] - 1].Path.c_str(), path.c_str()));
      return false;
    }
    Owner[c] = owner;
    ++*length;
    ++Check.UsedClusters;
    if (chain) chain->push_back(static_cast<uint16_t>(c));
    const uint16_t next = Fat[c];
    if (next >= Fat::FirstEndMark) return true;
    if (next == Fat::Free || next == Fat::FirstBad) {
      Problem(FormatText("the chain of %s breaks off at cluster %u (entry %04X)", path.c_str(), c,
                         next));
      return false;
    }
    c = next;
  }
}

bool TImageReader::ReadRecords(const std::string& path, uint16_t cluster, uint32_t owner,
                               std::vector<uint8_t>& records) {
  const std::size_t most = std::size_t(MaxDirectoryRecords) * Rec::RecordSize;
  // The records end at the first free slot: what follows it is not read,
  // so a directory whose chain claims far more than it holds costs only
  // what it holds.
  auto ends = [](const uint8_t* p, std::size_t n) {
    for (std::size_t at = 0; at < n; at += Rec::RecordSize)
      if (p[at] == Rec::EndOfDirectory) return at;
    return n;
  };
  if (cluster == 0) {
    records.resize(std::size_t(L->RootEntries) * Rec::RecordSize);
    if (!ReadAt(L->RootOffset, records.data(), records.size())) {
      Problem("the image is shorter than its root directory");
      return false;
    }
    records.resize(ends(records.data(), records.size()));
    return true;
  }
  std::vector<uint16_t> chain;
  uint32_t length = 0;
  // A broken chain still gives the records of the clusters before the break.
  ClaimChain(cluster, owner, path, &chain, &length);
  for (uint16_t c : chain) {
    const std::size_t had = records.size();
    if (had >= most) {
      Problem(FormatText("%s holds more than %d records", path.c_str(), MaxDirectoryRecords));
      records.resize(most);
      return true;
    }
    records.resize(had + L->ClusterSize);
    if (!ReadAt(L->ClusterOffset(c), records.data() + had, L->ClusterSize)) {
      Problem(FormatText("the image is shorter than the clusters of %s", path.c_str()));
      records.resize(had);
      return false;
    }
    const std::size_t end = ends(records.data() + had, L->ClusterSize);
    if (end < L->ClusterSize) {
      records.resize(had + end);
      return true;
    }
  }
  return true;
}

bool TImageReader::ReadDirectory() {
  if (!Opened) return false;
  if (!RootRead) {
    RootRead = true;
    TLevel root;
    if (!ReadRecords("", 0, 0, root.Records)) return false;
    Stack.push_back(std::move(root));
  } else if (Pending >= 0) {
    const TImageItem& item = ItemList[static_cast<std::size_t>(Pending)];
    TLevel level;
    level.Path = item.Path;
    level.Cluster = item.FirstCluster;
    level.Parent = Stack.back().Cluster;
    level.Depth = Stack.back().Depth + 1;
    ReadRecords(level.Path, level.Cluster, static_cast<uint32_t>(Pending) + 1, level.Records);
    Pending = -1;
    if (level.Records.size() < 2 * Rec::RecordSize)
      Problem(FormatText("%s has no \".\" and \"..\" records", level.Path.c_str()));
    Stack.push_back(std::move(level));
  }
  Advance();
  return !Stack.empty();
}

// Takes the records of the innermost directory until one names a directory
// to enter (read in the next step) or every directory is done.
void TImageReader::Advance() {
  while (!Stack.empty()) {
    TLevel& level = Stack.back();
    while (level.Slot * Rec::RecordSize < level.Records.size()) {
      const std::size_t slot = level.Slot++;
      const long enter = TakeRecord(level, slot, level.Records.data() + slot * Rec::RecordSize);
      if (enter >= 0) {
        Pending = enter;
        return;
      }
    }
    Stack.pop_back();
  }
}

long TImageReader::TakeRecord(TLevel& level, std::size_t slot, const uint8_t* r) {
  if (r[0] == Rec::DeletedMark) return -1;
  const uint8_t attributes = r[Rec::Attributes];
  if ((attributes & Rec::AttrLongName) == Rec::AttrLongName) return -1;
  const std::string shown = level.Shown();
  const uint16_t first = Get16(r + Rec::FirstCluster);
  const uint32_t size = Get32(r + Rec::Size);
  const std::string name = RecordName(r);
  if (level.Cluster != 0 && slot < 2) {
    const char* want = slot == 0 ? "." : "..";
    const uint16_t target = slot == 0 ? level.Cluster : level.Parent;
    if (name != want || !(attributes & Rec::AttrDirectory))
      Problem(FormatText("%s: record %zu is not \"%s\"", shown.c_str(), slot, want));
    else if (first != target)
      Problem(FormatText("%s: \"%s\" points to cluster %u, not %u", shown.c_str(), want, first,
                         target));
    else if (r[CaseFlags] & NoShortName)
      Problem(FormatText("%s: \"%s\" is marked as having no 8.3 name", shown.c_str(), want));
    return -1;
  }
  if (name == "." || name == "..") {
    Problem(FormatText("%s: a \"%s\" record in slot %zu", shown.c_str(), name.c_str(), slot));
    return -1;
  }
  if (attributes & Rec::AttrVolumeLabel) {
    // The volume's name: allowed once, in the root, without data, and the
    // same as the boot sector's.
    const std::string text(reinterpret_cast<const char*>(r), ShortNameBytes);
    if (level.Cluster != 0 || LabelSeen || first != 0 || size != 0 ||
        (!BootLabel.empty() && text != BootLabel))
      Problem(FormatText("%s: a stray volume label record \"%s\" in slot %zu", shown.c_str(),
                         ShownNameBytes(r).c_str(), slot));
    LabelSeen = true;
    return -1;
  }
  if (!IsStoredShortName(r + Rec::Name) || (r[CaseFlags] & NoShortName))
    Problem(FormatText("%s: record %zu holds \"%s\", not an 8.3 name", shown.c_str(), slot,
                       ShownNameBytes(r).c_str()));
  std::string key(reinterpret_cast<const char*>(r + Rec::Name), ShortNameBytes);
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (!level.Names.insert(key).second)
    Problem(FormatText("%s: the name %s is there twice", shown.c_str(), name.c_str()));

  TImageItem item;
  item.Path = level.Path + "\\" + name;
  item.Directory = (attributes & Rec::AttrDirectory) != 0;
  item.FirstCluster = first;
  item.Size = size;
  const std::size_t index = ItemList.size();
  ItemList.push_back(std::move(item));
  const std::string& path = ItemList.back().Path;
  if (!ItemList.back().Directory) {
    ++Check.Files;
    CheckFile(index);
    return -1;
  }
  ++Check.Directories;
  if (size != 0) Problem(FormatText("directory %s has a size of %u", path.c_str(), size));
  if (first == 0) {
    Problem(FormatText("directory %s has no cluster", path.c_str()));
    return -1;
  }
  if (level.Depth + 1 > MaxDirectoryLevels) {
    Problem(FormatText("%s is nested deeper than %d directories", path.c_str(),
                       MaxDirectoryLevels));
    return -1;
  }
  ItemList.back().Readable = true;
  return static_cast<long>(index);
}

void TImageReader::CheckFile(std::size_t index) {
  TImageItem& node = ItemList[index];
  if (node.Size == 0) {
    if (node.FirstCluster != 0)
      Problem(FormatText("empty file %s has cluster %u", node.Path.c_str(), node.FirstCluster));
    else
      node.Readable = true;
    return;
  }
  if (node.FirstCluster == 0) {
    Problem(FormatText("file %s of %u bytes has no cluster", node.Path.c_str(), node.Size));
    return;
  }
  uint32_t length = 0;
  if (!ClaimChain(node.FirstCluster, static_cast<uint32_t>(index) + 1, node.Path, nullptr,
                  &length))
    return;
  const uint64_t needed = (uint64_t(node.Size) - 1) / L->ClusterSize + 1;
  if (length != needed) {
    Problem(FormatText("file %s: its size of %u bytes needs %llu clusters, its chain has %u",
                       node.Path.c_str(), node.Size, static_cast<unsigned long long>(needed),
                       length));
    return;
  }
  node.Readable = true;
}

void TImageReader::Finish() {
  if (!Opened) return;
  for (std::size_t c = Fat::FirstDataCluster; c < Owner.size(); ++c)
    if (Fat[c] != Fat::Free && Fat[c] != Fat::FirstBad && Owner[c] == 0)
      Problem(FormatText("cluster %zu is marked used in the FAT but belongs to nothing", c));
}

void TImageReader::ReadAll() {
  if (!Open()) return;
  while (ReadDirectory()) {
  }
  Finish();
}

bool TImageReader::NextRun(const TImageItem& item, TCursor& cursor, std::size_t max,
                           TDataRun& run) const {
  if (!item.Readable || item.Directory || cursor.Done >= item.Size) return false;
  if (cursor.Done == 0) cursor.Cluster = item.FirstCluster;
  const uint32_t size = L->ClusterSize;
  run.Offset = L->ClusterOffset(cursor.Cluster);
  run.Length = 0;
  for (;;) {
    const uint64_t left = item.Size - cursor.Done - run.Length;
    run.Length += static_cast<std::size_t>(std::min<uint64_t>(size, left));
    if (left <= size) break;
    const uint16_t next = Fat[cursor.Cluster];
    const bool follows = next == cursor.Cluster + 1 && run.Length + size <= max;
    cursor.Cluster = next;
    if (!follows) break;
  }
  cursor.Done += run.Length;
  return true;
}

namespace {
// Every entry is in the image, and every file's bytes are its source's.
void CompareEntries(const TImageReader& reader, const TEntryList& entries, TImageCheck& check) {
  auto problem = [&](const std::string& text) { check.AddProblem(text); };
  std::map<std::string, std::size_t> byPath;
  const std::vector<TImageItem>& items = reader.Items();
  for (std::size_t i = 0; i < items.size(); ++i) byPath.emplace(items[i].Path, i);
  std::vector<uint8_t> image(CompareChunk), source(CompareChunk);
  for (std::size_t i = 0; i < entries.Count(); ++i) {
    const std::string path = RecordPath(entries[i].ImagePath);
    const std::string& real = entries[i].RealPath;
    auto found = byPath.find(path);
    TPathInfo info;
    const bool sourceIsDir = PathInfo(real, info) && info.Kind == TPathKind::Directory;
    if (found == byPath.end()) {
      problem(FormatText("%s is not in the image", path.c_str()));
      continue;
    }
    const TImageItem& node = items[found->second];
    if (node.Directory != sourceIsDir) {
      problem(FormatText("%s is a %s in the image but %s is not", path.c_str(),
                         node.Directory ? "directory" : "file", real.c_str()));
      continue;
    }
    if (node.Directory || !node.Readable) continue;
    const TFileHandle fd = OpenForReading(real);
    if (fd == NoFile) {
      problem(FormatText("cannot read %s: %s", real.c_str(), std::strerror(errno)));
      continue;
    }
    if (!HandleInfo(fd, info) || info.Size != int64_t(node.Size)) {
      problem(FormatText("%s holds %u bytes but %s has %lld", path.c_str(), node.Size,
                         real.c_str(), static_cast<long long>(info.Size)));
      CloseFile(fd);
      continue;
    }
    TImageReader::TCursor cursor;
    TDataRun run;
    int64_t offset = 0;
    while (reader.NextRun(node, cursor, CompareChunk, run)) {
      const std::size_t n = run.Length;
      if (ReadFully(reader.Fd(), image.data(), n, run.Offset) != int64_t(n) ||
          ReadFully(fd, source.data(), n, offset) != int64_t(n)) {
        problem(FormatText("cannot compare %s with %s", path.c_str(), real.c_str()));
        break;
      }
      if (std::memcmp(image.data(), source.data(), n) != 0) {
        std::size_t k = 0;
        while (image[k] == source[k]) ++k;
        problem(FormatText("%s differs from %s at byte %lld", path.c_str(), real.c_str(),
                           static_cast<long long>(offset + int64_t(k))));
        break;
      }
      offset += int64_t(n);
    }
    CloseFile(fd);
  }
}
}  // namespace

TImageCheck CheckImage(const std::string& path, const TEntryList* entries) {
  TImageReader reader(path);
  reader.ReadAll();
  TImageCheck check = reader.Result();
  if (entries && reader.IsOpen())
    CompareEntries(reader, *entries, check);
  return check;
}
