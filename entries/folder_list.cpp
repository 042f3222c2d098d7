#include "entries/folder_list.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <utility>

#include "entries/dir_entry.h"
#include "entries/dos_name.h"
#include "entries/path_rules.h"
#include "entries/short_name.h"
#include "image/build_state.h"
#include "platform/file_system.h"

namespace {
struct TFound {
  std::string ImagePath, RealPath;
};

class TFolderWalk {
 public:
  TFolderWalk(std::vector<TFolderFault>& faults, TLongNames longNames)
      : Faults(faults), LongNames(longNames) {}

  // Walks the folder real, whose image path is image ("" for the root),
  // levels folders below the top.
  void Walk(const std::string& real, const std::string& image, int levels, bool nameOk) {
    std::vector<std::string> names;
    if (!ReadNames(real, image, names)) return;
    struct TChild {
      std::string Name, Real;
      TPathInfo Info;
      bool Exists;
    };
    std::vector<TChild> children;
    for (std::string& name : names) {
      TChild child{std::move(name), "", {}, false};
      child.Real = JoinPath(real, child.Name);
      child.Exists = PathInfo(child.Real, child.Info);
      if (child.Exists && LeaveOut && child.Info.SameFile(*LeaveOut)) continue;
      children.push_back(std::move(child));
    }
    // Every name in capitals; long ones, if asked, shortened as a drop of
    // the same files would shorten them.
    std::vector<std::string> imageNames;
    for (const TChild& child : children) imageNames.push_back(child.Name);
    if (LongNames == TLongNames::Shorten) {
      TFolderNames used;
      imageNames = ShortNames(imageNames, used);
    }
    // Names that differ only in case (or in a final dot) meet in the image.
    std::map<std::string, std::string> taken;
    for (std::size_t i = 0; i < children.size(); ++i) {
      const std::string& childReal = children[i].Real;
      const TPathInfo& info = children[i].Info;
      const bool exists = children[i].Exists;
      const bool isFolder = exists && info.Kind == TPathKind::Directory;
      // A name with nothing left for a short name is reported as it is.
      const std::string upper =
          imageNames[i].empty() ? UpperCase(children[i].Name) : UpperCase(imageNames[i]);
      const std::string childImage = image + "\\" + upper;
      if (exists && !isFolder && info.Kind != TPathKind::File) {
        Fault(childReal, childImage, "not a regular file or folder");
        continue;
      }

      bool ok = nameOk;
      std::string reason = ShortNameFault(upper);
      const bool shortens = !reason.empty() && LongNames == TLongNames::Refuse &&
                            !ShortName(children[i].Name, TFolderNames()).empty();
      if (reason.empty()) {
        std::string key = upper;
        if (key.back() == '.') key.pop_back();
        auto [at, fresh] = taken.emplace(key, childReal);
        if (!fresh) reason = "the same name in the image as " + at->second;
      }
      if (!reason.empty()) {
        Fault(childReal, childImage, reason, shortens);
        ok = false;
      } else if (ok && childImage.size() > MaxImagePath) {
        // Everything below it would be longer still.
        Fault(childReal, childImage,
              "the image path is longer than " + std::to_string(MaxImagePath) + " characters");
        continue;
      }
      Found.push_back({childImage, childReal});
      if (!isFolder) continue;

      if (levels + 1 > MaxDirectoryLevels) {
        Fault(childReal, childImage,
              "nested deeper than " + std::to_string(MaxDirectoryLevels) + " folders");
        continue;
      }
      if (std::any_of(Above.begin(), Above.end(),
                      [&](const TPathInfo& above) { return above.SameFile(info); })) {
        Fault(childReal, childImage, "a link back to a folder that holds it");
        continue;
      }
      Above.push_back(info);
      Walk(childReal, childImage, levels + 1, ok);
      Above.pop_back();
    }
  }

  void EnterTop(const std::string& real, const std::string& leaveOut) {
    TPathInfo info;
    if (PathInfo(real, info)) Above.push_back(info);
    if (!leaveOut.empty() && PathInfo(leaveOut, info) && info.Kind == TPathKind::File)
      LeaveOut = info;
  }

  std::vector<TFound> Found;

 private:
  bool ReadNames(const std::string& real, const std::string& image,
                 std::vector<std::string>& names) {
    if (!FolderNames(real, names)) {
      Fault(real, image.empty() ? "\\" : image, std::string("cannot be read: ") + std::strerror(errno));
      return false;
    }
    // The same faults in the same order on every run.
    std::sort(names.begin(), names.end());
    return true;
  }

  void Fault(const std::string& real, const std::string& image, const std::string& reason,
             bool shortens = false) {
    Faults.push_back({real, image, reason, shortens});
  }

  std::vector<TFolderFault>& Faults;
  const TLongNames LongNames;
  std::vector<TPathInfo> Above;  // the folders being walked
  std::optional<TPathInfo> LeaveOut;
};
}  // namespace

std::string ShortNameFault(std::string_view name) {
  std::vector<std::string> reasons;
  const std::size_t dot = name.find('.');
  const std::string_view base = name.substr(0, dot);
  const std::string_view ext = dot == std::string_view::npos ? "" : name.substr(dot + 1);
  if (name.empty()) return "an empty name";
  if (dot == 0) reasons.push_back("begins with a dot");
  if (ext.find('.') != std::string_view::npos) reasons.push_back("more than one dot");

  bool blank = false, control = false, wide = false;
  std::string others;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (IsNameChar(c) || c == '.') continue;
    if (c == ' ')
      blank = true;
    else if (c < 0x20 || c == 0x7F)
      control = true;
    else if (c >= 0x80)
      wide = true;
    else if (others.find(static_cast<char>(c)) == std::string::npos)
      others += static_cast<char>(c);
  }
  if (blank) reasons.push_back("a blank is not allowed");
  if (control) reasons.push_back("a control character is not allowed");
  if (wide) reasons.push_back("a character outside ASCII is not allowed");
  for (char c : others) reasons.push_back(std::string("\"") + c + "\" is not allowed");
  if (base.size() > MaxShortBase)
    reasons.push_back(dot == std::string_view::npos
                          ? "more than " + std::to_string(MaxShortBase) + " characters"
                          : "more than " + std::to_string(MaxShortBase) +
                                " characters before the dot");
  if (dot != 0 && ext.size() > MaxShortExt && ext.find('.') == std::string_view::npos)
    reasons.push_back("more than " + std::to_string(MaxShortExt) + " characters after the dot");

  // A name can fail for a reason the list above does not name.
  if (reasons.empty() && !IsShortName(name)) reasons.push_back("not a valid name");
  std::string text;
  for (std::size_t i = 0; i < reasons.size(); ++i) text += (i ? ", " : "") + reasons[i];
  return text;
}

bool ListFolder(const std::string& folder, TEntryList& entries,
                std::vector<TFolderFault>& faults, const std::string& leaveOut,
                TLongNames longNames) {
  const std::size_t faultsBefore = faults.size();
  TFolderWalk walk(faults, longNames);
  walk.EnterTop(folder, leaveOut);
  walk.Walk(folder, "", 0, true);
  if (faults.size() != faultsBefore) return false;
  for (TFound& f : walk.Found) entries.Add(std::move(f.ImagePath), std::move(f.RealPath));
  return true;
}
