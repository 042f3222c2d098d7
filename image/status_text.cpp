#include "image/status_text.h"

#include "image/build_host.h"

void SetStatus(TBuildHost& host, const std::string& text) {
  std::string shown = text;
  while (!host.StatusFits(shown)) {
    std::size_t first = shown.find('\\');
    if (first == std::string::npos) break;
    std::size_t second = shown.find('\\', first + 1);
    if (second == std::string::npos) break;
    shown = "..." + shown.substr(second);
  }
  host.SetStatusText(shown);
}
