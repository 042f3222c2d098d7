#include "app/text_width.h"

#include <climits>

#include "app/text_convert.h"

#ifdef __WXGTK__
#include <gtk/gtk.h>
#include <wx/fontutil.h>
#endif

int TTextWidths::MeasuredWidth(const std::string& text) const {
  int w = 0, h = 0;
  Window.GetTextExtent(ToWx(text), &w, &h, nullptr, nullptr, &Font);
  return w;
}

bool TTextWidths::Confirm(const std::string& text, int width) {
  if (MeasuredWidth(text) == width) return true;
  PairsHold = false;
  return false;
}

#ifdef __WXGTK__

namespace {

constexpr int Unset = INT_MIN;

bool IsPlainAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

}  // namespace

TTextWidths::TTextWidths(wxWindow& window, const wxFont& font)
    : Window(window), Font(font), Single(128, Unset), Leading(128 * 128, Unset) {
  // The same context and font description the window's GetTextExtent uses.
  if (PangoContext* context = gtk_widget_get_pango_context(window.GetHandle())) {
    Layout = pango_layout_new(context);
    pango_layout_set_font_description(Layout, font.GetNativeFontInfo()->description);
  }
}

TTextWidths::~TTextWidths() {
  if (Layout) g_object_unref(Layout);
}

int TTextWidths::Units(const char* text, int length) {
  pango_layout_set_text(Layout, text, length);
  PangoRectangle logical;
  pango_layout_get_extents(Layout, nullptr, &logical);
  return logical.width;
}

int TTextWidths::Width(const std::string& text) {
  if (!Layout || !PairsHold || !IsPlainAscii(text)) return MeasuredWidth(text);
  if (text.empty()) return 0;
  auto single = [&](std::size_t i) {
    int& units = Single[static_cast<unsigned char>(text[i])];
    if (units == Unset) units = Units(&text[i], 1);
    return units;
  };
  long total = 0;
  std::size_t last = text.size() - 1;
  for (std::size_t i = 0; i < last; ++i) {
    unsigned a = static_cast<unsigned char>(text[i]), b = static_cast<unsigned char>(text[i + 1]);
    int& lead = Leading[a * 128 + b];
    if (lead == Unset) lead = Units(&text[i], 2) - single(i + 1);
    total += lead;
  }
  total += single(last);
  return PANGO_PIXELS(total);
}

#else

TTextWidths::TTextWidths(wxWindow& window, const wxFont& font) : Window(window), Font(font) {}
TTextWidths::~TTextWidths() = default;
int TTextWidths::Width(const std::string& text) { return MeasuredWidth(text); }

#endif
