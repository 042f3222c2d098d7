// Unpacking an image into a folder, as a state machine of short steps like
// the build: read the image one directory per step (stopping at any damage
// the reader finds), check that no file in the folder would be replaced,
// then write one file or folder per step (a large file over several steps),
// and last the entry list that builds the same image again. Whoever shows
// it calls Step() when idle and Cancel() for the user's button; it talks
// through the same host as a build.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "entries/dir_entry.h"
#include "image/image_reader.h"
#include "image/stepped_work.h"

class TBuildHost;
struct TQuestion;

// Whether the image read whole by reader can be unpacked: sound, and every
// path one an entry list holds. If not, why gets the message that says so.
bool CanUnpack(const TImageReader& reader, const std::string& imagePath, TQuestion& why);

struct TUnpackOptions {
  // Files already in the folder under an image path are replaced; without
  // it the unpacking stops before writing anything.
  bool Replace = false;
  // Where the entry list goes (empty: none is written). Its real paths are
  // relative to its own folder, so the folder and the list can move
  // together.
  std::string ListPath;
};

class TImageUnpack : public TSteppedWork {
 public:
  TImageUnpack(std::string imagePath, std::string folder, TBuildHost& host,
               TUnpackOptions options = {});
  ~TImageUnpack() override;

  // Caption "Reading Image", button "Cancel", gauge 0, the image opened.
  void Start() override;
  // One step; nothing once it has ended or is done. Cancel stops between
  // two steps: what was written stays, except a file half written; it
  // always ends as stopped.
  void Step() override;
  // One entry per file and per empty folder written, with its absolute
  // real path: the list that builds the same image. Complete once Done().
  const TEntryList& Entries() const { return Written; }
  // The files and folders of the image in directory order, once read.
  const std::vector<TImageItem>& Items() const { return Reader.Items(); }
  // Files and folders written so far.
  std::size_t ItemsWritten() const { return Next; }

 private:
  enum class TStage { Idle, Read, CheckFolder, Write, List };
  void StepRead();
  void StepCheckFolder();
  void StepWrite();
  void StepList();
  void Finish();
  bool PrepareFolder();
  bool MakeTheFolder();
  TFileHandle CreateBeside(TFileHandle parent, const std::string& name);
  bool WriteSome();
  TFileHandle ParentFolder(const std::string& imagePath, std::string& name);
  // Closes what is open; a file half written goes.
  void Release() override;
  void ShowProgress();
  void CloseFile();

  std::string ImagePath, Folder;
  TUnpackOptions Options;
  TImageReader Reader;
  TStage Stage = TStage::Idle;
  std::string Root;  // the folder's absolute path
  // Open folders on the way to the current item, the unpack folder first:
  // their image paths ("" for the root) and handles.
  std::vector<std::pair<std::string, TFileHandle>> Folders;
  bool FolderEmpty = false;  // nothing in it could be replaced
  bool FolderMissing = false;  // made only once nothing stands in the way
  TPathInfo Image;  // the image file itself, which nothing may replace
  std::size_t Next = 0;  // the item to write or check next
  TFileHandle Out = NoFile;  // the file being written
  std::string OutName;       // and its name in its folder
  std::string FinalName;     // the name it takes once complete, when replacing
  TImageReader::TCursor Cursor;
  uint64_t OutDone = 0;
  uint64_t TotalBytes = 0, BytesDone = 0;
  int32_t UsedClusters = 0;
  TEntryList Written;
};
