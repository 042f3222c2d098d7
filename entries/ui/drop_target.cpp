#include "entries/ui/drop_target.h"

#include <algorithm>
#include <map>
#include <memory>

#include "app/bring_to_front.h"
#include "app/message_box.h"
#include "app/text_convert.h"
#include "entries/path_rules.h"
#include "entries/short_name.h"
#include "entries/ui/drop_dialog.h"
#include "entries/ui/list_editor.h"
#include "platform/file_system.h"

namespace {

const char* const DropErrorCaption = "File Error";

// What the status bar tells of a drop: the names shortened, and the files
// that were in the folder already.
std::string DropNotice(int shortened, int repeated, const std::string& dest) {
  std::string text;
  if (shortened == 1)
    text = "1 long name was shortened to an 8.3 name";
  else if (shortened > 1)
    text = std::to_string(shortened) + " long names were shortened to 8.3 names";
  if (repeated > 0 && !text.empty()) text += "; ";
  if (repeated == 1)
    text += "1 dropped file was in " + dest + " already";
  else if (repeated > 1)
    text += std::to_string(repeated) + " dropped files were in " + dest + " already";
  return text;
}

bool AskAbort(wxWindow* parent, const std::string& text) {
  return ShowMessageBox(parent, ToWx(text), DropErrorCaption, TButtons::YesNo) == TAnswer::Yes;
}

}  // namespace

wxDragResult TDropTarget::OnDragOver(wxCoord, wxCoord, wxDragResult proposed) {
  return List.ListInUse() ? wxDragNone : proposed;
}

bool TDropTarget::OnDropFiles(wxCoord, wxCoord, const wxArrayString& names) {
  if (List.ListInUse()) return false;
  // The drop is finished for the file manager at once; the questions come
  // after, so the manager is not kept waiting while the user answers.
  TListEditor* list = &List;
  list->ListWindow()->CallAfter([list, names] { DropFiles(*list, names); });
  return true;
}

std::string DropProposal(const TEntryList& entries, const std::string& firstPath) {
  const std::string shortPath = ShortRealPath(firstPath);
  const std::string folder = ImageFolderOf(entries, shortPath.empty() ? firstPath : shortPath);
  // The field cannot hold a longer proposal whole, and a proposal cut short
  // might still name a folder: propose the root then, as for a folder with
  // no short name.
  return folder.empty() || folder.size() > DestFieldLength ? "\\" : folder;
}

void DropFiles(TListEditor& list, const wxArrayString& names) {
  // A running build reads the list line by line, and an open dialog may
  // change it itself: it must not change under either.
  if (names.empty() || list.ListInUse()) return;
  wxWindow* window = list.ListWindow();
  // The user dropped from the file manager, which is still in front: the
  // questions of the drop come in front of it, with the keyboard.
  BringToFront(window);
  TDialogsInFront inFront;
  std::vector<std::string> paths;
  for (const wxString& name : names) paths.push_back(FromWx(name));

  DropDestination = DropProposal(list.ListEntries(), paths.front());
  {
    TDropDestDialog dialog(window);
    if (dialog.ShowModal() != wxID_OK) return;
  }
  const std::string dest = UpperCase(DropDestination);

  // Each name goes in as its 8.3 name in capitals, as the short name the
  // system keeps for it (Windows), or under the short name a FAT system
  // would have made for it, free in the destination folder. A file that is
  // in that folder already keeps its name there, as a system's short name
  // stays the same: its line repeats the one there, which a build asks about.
  const std::map<std::string, std::string> kept = RealPathNames(list.ListEntries(), dest);
  std::vector<std::string> fileNames, ownNames;
  std::vector<bool> repeats;
  for (const std::string& path : paths) {
    ownNames.push_back(NameOfPath(path));
    const auto known = kept.find(path);
    repeats.push_back(known != kept.end());
    const std::string shortPath = ShortRealPath(path);
    fileNames.push_back(repeats.back()      ? known->second
                        : shortPath.empty() ? ownNames.back()
                                            : NameOfPath(shortPath));
  }
  TFolderNames taken = NamesInFolder(list.ListEntries(), dest);
  const std::vector<std::string> imageNames = ShortNames(fileNames, taken);

  std::vector<std::pair<std::string, std::string>> lines;
  int shortened = 0, repeated = 0;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const std::string& path = paths[i];
    const std::string& name = imageNames[i];
    std::string real = path;
    if (name.empty() || !CheckRealPath(real)) {
      if (AskAbort(window, path +
                               " is not a valid filename. Please use the File Manager for "
                               "drag-&-drop.\n\nDo you want to abort?"))
        break;
      continue;
    }
    std::string image = dest + name;
    if (image.size() >= MaxImagePath) {
      if (AskAbort(window, image + " is too long.\n\nDo you want to abort?")) break;
      continue;
    }
    // The real path is kept exactly as the file manager delivered it.
    lines.emplace_back(std::move(image), path);
    if (repeats[i])
      ++repeated;
    else if (name != UpperCase(ownNames[i]))
      ++shortened;
  }
  list.AddLines(std::move(lines));
  list.SetNotice(DropNotice(shortened, repeated, dest));
}
