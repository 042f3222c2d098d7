// The list file reader on any bytes: either every entry line becomes a valid
// entry, or the first bad line is named and the list is left as it was.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "entries/list_file.h"
#include "entries/dir_entry.h"
#include "entries/path_rules.h"
#include "fuzz_checks.h"

namespace {

const char* const KeptImage = "\\KEEP";
const char* const KeptReal = "/kept/before";

// The text's lines without their LF; the last one may lack it.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t lf = text.find('\n', start);
    if (lf == std::string::npos) lf = text.size();
    lines.push_back(text.substr(start, lf - start));
    start = lf + 1;
  }
  return lines;
}

// Lines that must each give one entry: not blank, not a comment.
std::size_t EntryLines(const std::vector<std::string>& lines) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string line = lines[i];
    if (i == 0 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    bool blank = true;
    for (unsigned char c : line)
      if (!IsBlank(c)) blank = false;
    if (!blank && line[0] != '#') ++n;
  }
  return n;
}

std::string CheckList(const TEntryList& entries) {
  TDirEntryLess less;
  for (std::size_t i = 0; i < entries.Count(); ++i) {
    const TDirEntry& e = entries[i];
    std::string image = e.ImagePath, real = e.RealPath;
    if (UpperCase(image) != image) return "entry " + std::to_string(i) + " is not in capitals";
    if (!CheckPath(image, PathRooted) || image != e.ImagePath || image.size() > MaxImagePath)
      return "entry " + std::to_string(i) + " has an invalid image path";
    // Real paths are taken as written: CheckRealPath would only trim them.
    if (!CheckRealPath(real) || real.empty() ||
        e.RealPath.find_first_of(std::string("\0\n\r\t", 4)) != std::string::npos)
      return "entry " + std::to_string(i) + " has an invalid real path";
    if (i > 0 && less(e, entries[i - 1])) return "the entries are out of order";
  }
  return {};
}

}  // namespace

std::string CheckListFileInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> lines = Lines(text);

  TEntryList entries;
  entries.Add(KeptImage, KeptReal);
  TListError error;
  const bool ok = ReadEntryList(text, entries, error);

  if (!ok && error.Line == 0) {
    if (error.Message.find("is not a list file") == std::string::npos)
      return "a refused list names no line: " + error.Message;
    if (entries.Count() != 1 || *entries.ImagePathAt(0) != KeptImage)
      return "a file that is no list changed the entries";
    // No list: read up to its first entry line, it is none either.
    std::vector<std::string> head;
    std::string text;
    for (const std::string& line : lines) {
      head.push_back(line);
      text += line + "\n";
      if (EntryLines(head) == 0) continue;
      TEntryList first;
      TListError firstError;
      if (ReadEntryList(text, first, firstError))
        return "line " + std::to_string(head.size()) +
               " is an entry, but the file is said to be no list";
      break;
    }
    return {};
  }
  if (!ok) {
    if (error.Line < 1 || static_cast<std::size_t>(error.Line) > lines.size())
      return "a refused list names line " + std::to_string(error.Line) + " of " +
             std::to_string(lines.size());
    if (error.Message.empty()) return "a refused list gives no reason";
    if (entries.Count() != 1 || *entries.ImagePathAt(0) != KeptImage)
      return "a refused list changed the entries";
    // Every line before the one named is fine.
    std::string before;
    for (long i = 0; i + 1 < error.Line; ++i) before += lines[static_cast<std::size_t>(i)] + "\n";
    TEntryList head;
    TListError headError;
    if (!ReadEntryList(before, head, headError))
      return "line " + std::to_string(error.Line) + " was named, but line " +
             std::to_string(headError.Line) + " before it fails too";
    return {};
  }

  if (error.Line != 0 || !error.Message.empty()) return "an accepted list came with an error";
  if (entries.Count() != EntryLines(lines) + 1)
    return "an accepted list of " + std::to_string(EntryLines(lines)) + " entry lines gave " +
           std::to_string(entries.Count() - 1) + " entries";
  std::string fault = CheckList(entries);
  if (!fault.empty()) return fault;

  // Each entry line alone gives its entry; all of them, sorted stably by
  // image path, are the list (entries with equal paths keep line order).
  std::vector<std::pair<std::string, std::string>> expected{{KeptImage, KeptReal}};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string line = lines[i];
    if (i == 0 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    TEntryList one;
    TListError oneError;
    if (!ReadEntryList(line, one, oneError)) return "line " + std::to_string(i + 1) + " fails alone";
    if (one.Count() == 1) expected.emplace_back(one[0].ImagePath, one[0].RealPath);
  }
  std::stable_sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
    return a.first.compare(b.first) < 0;
  });
  for (std::size_t i = 0; i < entries.Count(); ++i)
    if (expected[i].first != entries[i].ImagePath || expected[i].second != entries[i].RealPath)
      return "entry " + std::to_string(i) + " is not where a stable sort puts it";
  if (entries.Capacity() < entries.Count() || entries.Capacity() % TEntryList::GrowBy != 0)
    return "the list's room is " + std::to_string(entries.Capacity());

  // What was taken reads back the same when written out as a list.
  std::string written;
  for (std::size_t i = 0; i < entries.Count(); ++i)
    written += entries[i].ImagePath + "\t" + entries[i].RealPath + "\n";
  TEntryList again;
  if (!ReadEntryList(written, again, error) || again.Count() != entries.Count())
    return "the accepted entries do not read back";
  for (std::size_t i = 0; i < entries.Count(); ++i)
    if (again[i].ImagePath != entries[i].ImagePath || again[i].RealPath != entries[i].RealPath)
      return "entry " + std::to_string(i) + " reads back differently";

  // Deleting lines, chosen by the input's bytes, keeps the rest in order.
  for (std::size_t i = 0; i < size && entries.Count() > 0; i += 7) {
    const std::size_t at = data[i] % (entries.Count() + 1);  // one past the end too
    const std::size_t before = entries.Count();
    const bool removed = entries.Destroy(at);
    if (removed != (at < before) || entries.Count() != before - (removed ? 1 : 0))
      return "deleting line " + std::to_string(at) + " of " + std::to_string(before) + " went wrong";
    expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(std::min(at, before)),
                   expected.begin() + static_cast<std::ptrdiff_t>(std::min(at + 1, before)));
    for (std::size_t k = 0; k < entries.Count(); ++k)
      if (entries[k].ImagePath != expected[k].first || entries[k].RealPath != expected[k].second)
        return "after a delete, entry " + std::to_string(k) + " moved";
    if (entries.ImagePathAt(static_cast<long>(entries.Count())) || entries.RealPathAt(-1))
      return "a text for a line out of range";
  }
  return {};
}
