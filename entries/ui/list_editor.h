// What the entry dialogs and a drop need of the list they change. The list
// window implements it and keeps its own columns, scroll range and current
// line in step; the dialogs know nothing more of the window.
#pragma once

#include <string>
#include <utility>
#include <vector>

class TEntryList;
struct TFileDialogData;
class wxWindow;

class TListEditor {
 public:
  // The window the dialogs open over.
  virtual wxWindow* ListWindow() = 0;
  virtual const TEntryList& ListEntries() const = 0;
  virtual int ListCurrentLine() const = 0;
  // A line as it was when an edit of it began, and where it stood.
  struct TOpenedLine {
    std::string ImagePath, RealPath;
    int Index = -1;
  };
  // Puts one line in its sorted place; with replaces, in place of that line
  // wherever it stands now (nothing changes when the paths are the same).
  // The current line keeps its index.
  virtual void PutLine(std::string imagePath, std::string realPath,
                       const TOpenedLine* replaces) = 0;
  // Adds the lines of a drop, image path and real path each.
  virtual void AddLines(std::vector<std::pair<std::string, std::string>> lines) = 0;
  // Shows text in the status bar, before the list's figures, until the list
  // changes again: what a drop or an edit did that the list does not show.
  virtual void SetNotice(std::string text) = 0;
  // True while a build reads the list line by line, or a dialog or message
  // box of the window is open: a drop must not change the list then.
  virtual bool ListInUse() const = 0;
  // The "Browse File" dialog's settings, kept from one Browse to the next.
  virtual TFileDialogData& BrowseSettings() = 0;

 protected:
  ~TListEditor() = default;
};
