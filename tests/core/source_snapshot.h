// What a tree of source files looks like on disk, to tell afterwards that
// nothing in it changed: every file's bytes, and every file's and folder's
// mode, size, inode, links, and modification and change times. (Access
// times are left out: reading is allowed to move them.)
#pragma once

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#ifdef _WIN32
// Windows tells no inode, link count or change time through the standard
// library: kind, permissions, size and modification time stand for them.
struct TSourceState {
  std::string Bytes;  // files only
  std::filesystem::file_status Status;
  uintmax_t Size = 0;
  std::filesystem::file_time_type Modified;
};

inline bool ReadState(const std::filesystem::path& p, TSourceState& s) {
  std::error_code ec;
  s.Status = std::filesystem::symlink_status(p, ec);
  s.Modified = std::filesystem::last_write_time(p, ec);
  if (!std::filesystem::is_regular_file(s.Status)) return false;
  s.Size = std::filesystem::file_size(p, ec);
  return true;
}

// One line per difference but the bytes, each starting with path.
inline std::string StateChanges(const std::string& path, const TSourceState& a,
                                const TSourceState& b) {
  std::string changes;
  if (a.Status.type() != b.Status.type() || a.Status.permissions() != b.Status.permissions())
    changes += path + ": mode changed\n";
  if (a.Size != b.Size) changes += path + ": size changed\n";
  if (a.Modified != b.Modified) changes += path + ": modification time changed\n";
  return changes;
}
#else
struct TSourceState {
  std::string Bytes;  // files only
  struct stat Stat {};
};

inline bool ReadState(const std::filesystem::path& p, TSourceState& s) {
  ::lstat(p.c_str(), &s.Stat);
  return S_ISREG(s.Stat.st_mode);
}

inline std::string StateChanges(const std::string& path, const TSourceState& a,
                                const TSourceState& b) {
  std::string changes;
  const struct stat &x = a.Stat, &y = b.Stat;
  if (x.st_mode != y.st_mode) changes += path + ": mode changed\n";
  if (x.st_size != y.st_size) changes += path + ": size changed\n";
  if (x.st_ino != y.st_ino) changes += path + ": replaced by another file\n";
  if (x.st_nlink != y.st_nlink) changes += path + ": link count changed\n";
  if (x.st_mtim.tv_sec != y.st_mtim.tv_sec || x.st_mtim.tv_nsec != y.st_mtim.tv_nsec)
    changes += path + ": modification time changed\n";
  if (x.st_ctim.tv_sec != y.st_ctim.tv_sec || x.st_ctim.tv_nsec != y.st_ctim.tv_nsec)
    changes += path + ": change time changed\n";
  return changes;
}
#endif

using TSourceSnapshot = std::map<std::string, TSourceState>;

inline TSourceSnapshot TakeSnapshot(const std::string& root) {
  TSourceSnapshot snapshot;
  auto add = [&](const std::filesystem::path& p) {
    TSourceState& s = snapshot[p.string()];
    if (ReadState(p, s)) {
      std::ifstream in(p, std::ios::binary);
      s.Bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
  };
  add(root);
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) add(e.path());
  return snapshot;
}

// Empty when both are alike; else one line per difference.
inline std::string DescribeChanges(const TSourceSnapshot& before, const TSourceSnapshot& after) {
  std::string changes;
  for (const auto& [path, a] : before) {
    auto found = after.find(path);
    if (found == after.end()) {
      changes += path + ": gone\n";
      continue;
    }
    if (a.Bytes != found->second.Bytes) changes += path + ": bytes changed\n";
    changes += StateChanges(path, a, found->second);
  }
  for (const auto& [path, s] : after)
    if (!before.count(path)) changes += path + ": appeared\n";
  return changes;
}

// Takes the write bits off every file and folder under root (root itself
// included) and gives the owner's back at the end, so the tree can go.
class TReadOnlyTree {
 public:
  explicit TReadOnlyTree(const std::string& root) : Root(root) { Set(false); }
  ~TReadOnlyTree() { Set(true); }
  TReadOnlyTree(const TReadOnlyTree&) = delete;
  TReadOnlyTree& operator=(const TReadOnlyTree&) = delete;

 private:
  void Set(bool writable) {
    namespace fs = std::filesystem;
    const fs::perms bits = writable ? fs::perms::owner_write
                                    : fs::perms::owner_write | fs::perms::group_write |
                                          fs::perms::others_write;
    const auto how = writable ? fs::perm_options::add : fs::perm_options::remove;
    std::error_code ec;
    // Write bits do not matter to walking a folder, so the order does not.
    fs::permissions(Root, bits, how, ec);
    for (const auto& e : fs::recursive_directory_iterator(Root, ec))
      fs::permissions(e.path(), bits, how, ec);
  }
  std::string Root;
};
