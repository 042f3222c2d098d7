#include "entries/ui/drop_target.h"

#include <algorithm>

#include "app/bring_to_front.h"
#include "app/message_box.h"
#include "app/text_convert.h"
#include "entries/path_rules.h"
#include "entries/ui/drop_dialog.h"
#include "entries/ui/list_editor.h"

namespace {

const char* const DropErrorCaption = "File Error";

// The path without the "/" a folder may end with ("/" itself stays).
std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The name a dropped file gets inside the image: its own name in capitals,
// which must be a DOS short name. Empty when it is not one.
std::string ImageNameOf(const std::string& droppedPath) {
  std::string path = WithoutTrailingSlash(droppedPath);
  std::size_t slash = path.rfind('/');
  std::string name = UpperCase(slash == std::string::npos ? path : path.substr(slash + 1));
  // One component only: no DOS separator or drive hidden inside the name.
  if (name.find_first_of("\\:") != std::string::npos) return std::string();
  if (!CheckPath(name, 0)) return std::string();
  return name;
}

bool AskAbort(wxWindow* parent, const std::string& text) {
  return ShowMessageBox(parent, ToWx(text), DropErrorCaption, TButtons::YesNo) == TAnswer::Yes;
}

}  // namespace

bool TDropTarget::OnDropFiles(wxCoord, wxCoord, const wxArrayString& names) {
  // The drop is finished for the file manager at once; the questions come
  // after, so the manager is not kept waiting while the user answers.
  TListEditor* list = &List;
  list->ListWindow()->CallAfter([list, names] { DropFiles(*list, names); });
  return true;
}

std::string DropProposal(const std::string& firstPath) {
  std::string path = WithoutTrailingSlash(firstPath);
  std::size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::replace(folder.begin(), folder.end(), '/', '\\');
  if (folder.empty() || folder.front() != '\\') folder.insert(folder.begin(), '\\');
  return UpperCase(folder);
}

void DropFiles(TListEditor& list, const wxArrayString& names) {
  // A running build reads the list line by line: it must not change under it.
  if (names.empty() || list.ListInUse()) return;
  wxWindow* window = list.ListWindow();
  // The user dropped from the file manager, which is still in front: the
  // questions of the drop come in front of it, with the keyboard.
  BringToFront(window);
  std::vector<std::string> paths;
  for (const wxString& name : names) paths.push_back(FromWx(name));

  DropDestination = DropProposal(paths.front());
  // The field cannot hold a longer proposal whole, and a proposal cut short
  // might still name a folder: propose the root then.
  if (DropDestination.size() > DestFieldLength) DropDestination = "\\";
  {
    TDropDestDialog dialog(window);
    if (dialog.ShowModal() != wxID_OK) return;
  }
  const std::string dest = UpperCase(DropDestination);

  std::vector<std::pair<std::string, std::string>> lines;
  for (const std::string& path : paths) {
    std::string name = ImageNameOf(path);
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
  }
  list.AddLines(std::move(lines));
}
