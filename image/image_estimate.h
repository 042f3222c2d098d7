// What the image of the entry list would come to, worked out while the
// window is idle: the scan and the layout of a build, made from the kind and
// size of every real path, each read once and kept. So the window can say
// how full the CD is as the list is edited, and a change of one line reads
// no other line's file again.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

class TEntryList;
struct TBuildState;

// How a build of the list would end.
enum class TEstimateEnd {
  Fits,           // with an image of ImageSize bytes
  NothingLeft,    // every line left out: nothing to build
  RootFull,       // more items in the root than its 512 records
  DirectoryFull,  // FullFolder would pass FAT's limit of records
  TooLarge,       // more clusters or bytes than FAT16 takes
};

struct TEstimate {
  std::size_t Lines = 0;
  TEstimateEnd End = TEstimateEnd::NothingLeft;
  int64_t ImageSize = 0;   // the image file's bytes, when it Fits
  std::string FullFolder;  // DirectoryFull: the image path of the folder
  // Lines a build would ask about and, answered to go on, leave out: their
  // real path cannot be read, or they clash with an earlier line (the same
  // image path, a file where a folder goes, a path too deep).
  int Unreadable = 0;
  int Clashing = 0;
};

class TImageEstimate {
 public:
  TImageEstimate();
  ~TImageEstimate();
  TImageEstimate(const TImageEstimate&) = delete;
  TImageEstimate& operator=(const TImageEstimate&) = delete;

  // realPath's line came in anew (a drop, an edit): its file is read again.
  void ReadAgain(const std::string& realPath);
  // A whole list came in: every file is read again.
  void ReadAllAgain();
  // The files may have changed on disk meanwhile (the user was in another
  // program): each is read again as the next count reaches it, while the
  // figures from before stay shown until the new ones are worked out.
  void CheckAgain();

  // Works on the estimate of entries for about budget; a change of entries
  // since the last step starts the count again (what was read is kept).
  // True while there is more to do.
  bool Step(const TEntryList& entries, std::chrono::steady_clock::duration budget);
  // Whether Last() is the estimate of entries as they are now.
  bool UpToDate(const TEntryList& entries) const;
  // Whether the count under way has read files (new lines came in).
  bool Reading() const { return Counting && ReadInCount; }
  // The last estimate worked out to its end.
  const TEstimate& Last() const { return Result; }

 private:
  // What a real path named when it was read.
  enum class TSourceKind { Unread, File, Directory, Unreadable };
  struct TSource {
    TSourceKind Kind = TSourceKind::Unread;
    int64_t Size = 0;
    unsigned Check = 0;  // the CheckAgain it was read after
  };
  static TSource ReadSource(const std::string& path);
  // Whether the count under way, or the last one, is of entries as they are.
  bool CountsFor(const TEntryList& entries) const;
  void BeginCount(const TEntryList& entries);
  void CountLine(const std::string& imagePath, const std::string& realPath,
                 const TSource& source);
  void EndCount();

  std::unordered_map<std::string, TSource> Sources;
  unsigned Checks = 0;  // how many times CheckAgain was asked
  const TEntryList* List = nullptr;
  unsigned long SeenChange = 0;  // the list's ChangeCount the count is for
  bool Restart = true;
  bool Counting = false;
  bool ReadInCount = false;
  std::size_t NextLine = 0;
  std::unique_ptr<TBuildState> State;  // the tree hung so far
  TEstimate Counted;                   // the figures of the count under way
  TEstimate Result;
};

// The status bar's line: "1,234 entries · image 612.4 MiB · 83 % of an
// 80-minute CD-R · 2 files cannot be read"; empty for an empty list.
std::string EstimateText(const TEstimate& estimate);
// The line while files are being read: "1,234 entries · reading sizes...".
std::string ReadingText(std::size_t lines);
