// The layers of the source tree: the core (entries/, image/, disc/, about/
// outside their ui/ folders) and the command-line tool know no window code,
// and no two files include each other, directly or round a longer circle.
// A file and its header count as one unit.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <algorithm>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
const fs::path Root = QV_SOURCE_DIR;
const char* const Folders[] = {"app", "platform", "entries", "image", "disc", "about", "resources", "cli"};

bool IsWindowCode(const std::string& path) {
  return path.rfind("app/", 0) == 0 || path.rfind("resources/", 0) == 0 ||
         path.find("/ui/") != std::string::npos;
}

// Unit name -> the units its files include, with the line that does.
std::map<std::string, std::map<std::string, std::string>> ReadIncludes() {
  static const std::regex include(R"re(^\s*#\s*include\s*[<"]([^">]+)[">])re");
  std::map<std::string, std::map<std::string, std::string>> units;
  for (const char* folder : Folders) {
    for (const auto& item : fs::recursive_directory_iterator(Root / folder)) {
      const fs::path& p = item.path();
      if (p.extension() != ".cpp" && p.extension() != ".h") continue;
      std::string unit = fs::relative(p, Root).replace_extension().generic_string();
      auto& uses = units[unit];
      std::ifstream in(p);
      std::string line;
      std::smatch m;
      while (std::getline(in, line))
        if (std::regex_search(line, m, include)) {
          std::string used = fs::path(m[1].str()).replace_extension().generic_string();
          if (used != unit) uses.emplace(used, line);
        }
    }
  }
  return units;
}
}  // namespace

TEST(Layering, CoreAndCommandLineIncludeNoWindowCode) {
  auto units = ReadIncludes();
  ASSERT_GT(units.size(), 40u) << "sources not found under " << Root;
  for (const auto& [unit, uses] : units) {
    if (IsWindowCode(unit)) continue;
    for (const auto& [used, line] : uses)
      EXPECT_FALSE(IsWindowCode(used) || used.rfind("wx/", 0) == 0)
          << unit << " is core or command-line code but has: " << line;
  }
}

TEST(Layering, NoFilesIncludeEachOther) {
  auto units = ReadIncludes();
  std::map<std::string, int> state;  // 1 on the path being walked, 2 done
  std::vector<std::string> path;
  std::function<void(const std::string&)> visit = [&](const std::string& unit) {
    state[unit] = 1;
    path.push_back(unit);
    for (const auto& [used, line] : units[unit]) {
      if (!units.count(used)) continue;  // a system or library header
      if (state[used] == 1) {
        std::string circle;
        for (auto it = std::find(path.begin(), path.end(), used); it != path.end(); ++it)
          circle += *it + " -> ";
        ADD_FAILURE() << "include circle: " << circle << used;
      } else if (state[used] == 0) {
        visit(used);
      }
    }
    path.pop_back();
    state[unit] = 2;
  };
  for (const auto& entry : units)
    if (state[entry.first] == 0) visit(entry.first);
}
