// A folder of real files for one test, removed afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

class TTempDir {
 public:
  TTempDir() {
#ifdef _WIN32
    // No mkdtemp here: a name from the clock and a counter, made anew until
    // one is free.
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100 && Path.empty(); ++attempt) {
      std::filesystem::path p = std::filesystem::temp_directory_path() /
          ("qvtest." + std::to_string(std::random_device()()) + "." + std::to_string(++counter));
      std::error_code ec;
      if (std::filesystem::create_directory(p, ec)) Path = p.string();
    }
#else
    std::string pattern =
        (std::filesystem::temp_directory_path() / "qvtest.XXXXXX").string();
    Path = mkdtemp(pattern.data()) ? pattern : std::string();
#endif
  }
  ~TTempDir() {
    std::error_code ec;
    std::filesystem::permissions(Path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(Path, ec);
  }
  // Writes a file of the given bytes (folders made as needed); its path.
  std::string File(const std::string& name, const std::string& bytes = "") const {
    std::filesystem::path p = std::filesystem::path(Path) / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }
  std::string Dir(const std::string& name) const {
    std::filesystem::path p = std::filesystem::path(Path) / name;
    std::filesystem::create_directories(p);
    return p.string();
  }
  std::string operator/(const std::string& name) const {
    return (std::filesystem::path(Path) / name).string();
  }
  std::string Path;
};
