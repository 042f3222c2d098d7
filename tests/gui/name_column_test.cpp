// The second column starts after the widest image path, whatever way the
// list changed: drops, New Line, Edit, Delete of the widest line or of
// another one; and the fast path measuring agrees with the toolkit's own.
#include <random>

#include <wx/settings.h>

#include "app/command_ids.h"
#include "drop_answers.h"
#include "app/text_width.h"
#include "entries/ui/edit_dialog.h"

namespace {

class TNameColumnTest : public TFrameTest {
 protected:
  // The widest image path, measured afresh, without the window's widths.
  int WidestMeasuredNow() {
    int widest = 0;
    for (std::size_t i = 0; i < Window->Entries.Count(); ++i) {
      int w = 0, h = 0;
      Window->GetTextExtent(ToWx(Window->Entries[i].ImagePath), &w, &h, nullptr, nullptr,
                            &Window->ListFont);
      widest = std::max(widest, w);
    }
    return widest;
  }
  // A short name of 1 to 7 letters, wide ("W") or narrow ("I") ones, and a
  // digit.
  std::string Name(int n) {
    std::string name(static_cast<std::size_t>(Random() % 7 + 1), Random() % 2 ? 'W' : 'I');
    return name + std::to_string(n % 10) + ".QV";
  }
  void Edit(int mode, const std::string& image) {
    EditMode = mode;
    TNewEditDialog dialog(*Window);
    dialog.ImageEdit->ChangeValue(ToWx(image));
    dialog.RealEdit->ChangeValue("/src/x.qv");
    ASSERT_TRUE(dialog.Accept());
  }

  std::minstd_rand Random{8};
  TDropAnswers Answers;
};

TEST_F(TNameColumnTest, FollowsTheWidestLineThroughEveryKindOfChange) {
  constexpr int Dropped = 1500;  // more than the window keeps widths of spare
  wxArrayString names;
  for (int i = 0; i < Dropped; ++i) names.Add(ToWx("/src/" + Name(i)));
  Answers.Destination = "\\DROP\\";
  DropFiles(*Window, names);
  ASSERT_EQ(Window->Entries.Count(), static_cast<std::size_t>(Dropped));
  ASSERT_EQ(Window->NameColumnWidth, WidestMeasuredNow());

  // Down to a few lines, deleting anywhere: the widest lines go too.
  int changes = 0;
  while (Window->Entries.Count() > 4) {
    Window->CurrentLine = static_cast<int>(Random() % Window->Entries.Count());
    Command(CmDelete);
    if (++changes % 50 == 0) {
      ASSERT_EQ(Window->NameColumnWidth, WidestMeasuredNow()) << changes;
    }
  }
  ASSERT_EQ(Window->NameColumnWidth, WidestMeasuredNow());

  // New lines, edits that narrow or widen a line, and deletes, mixed.
  for (int i = 0; i < 60; ++i) {
    Window->CurrentLine = static_cast<int>(Random() % Window->Entries.Count());
    switch (i % 3) {
      case 0: Edit(EditNewLine, "\\NEW\\" + Name(i)); break;
      case 1: Edit(EditCurrentLine, "\\E\\" + Name(i)); break;
      case 2: Command(CmDelete); break;
    }
    ASSERT_EQ(Window->NameColumnWidth, WidestMeasuredNow()) << "change " << i;
  }
}

TEST_F(TNameColumnTest, DeletingOneOfTwoEquallyWideLinesKeepsTheColumn) {
  Window->Entries.Add("\\WWWWWWWW.QVF", "/a");
  Window->Entries.Add("\\WWWWWWWW.QVX", "/b");
  Window->Entries.Add("\\I.Q", "/c");
  Lines();
  int wide = Window->NameColumnWidth;
  Window->CurrentLine = 1;  // after "\I.Q"
  Command(CmDelete);
  EXPECT_EQ(Window->NameColumnWidth, wide);
  Command(CmDelete);
  EXPECT_LT(Window->NameColumnWidth, wide);
  EXPECT_EQ(Window->NameColumnWidth, WidestMeasuredNow());
  Command(CmDelete);
  EXPECT_EQ(Window->NameColumnWidth, 0);
}

TEST_F(TNameColumnTest, PathWidthsAreTheToolkitsOwnInEveryFont) {
  // Every character an image path holds, every pair of them (kerning), and
  // paths of random names; texts with other bytes are measured whole.
  const std::string chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789~!@#$^&()-_{}'\\.";
  std::vector<std::string> texts = {"", "\\AVAVAV\\TATA.LTY", "\\WAV\\\xc3\x84.WAV", "/tmp/a b"};
  for (char a : chars)
    for (char b : chars) texts.push_back(std::string{a, b, '.'});
  for (int i = 0; i < 300; ++i) {
    std::string path;
    for (int n = static_cast<int>(Random() % 4); n >= 0; --n) {
      path += "\\";
      for (int k = static_cast<int>(Random() % 8); k >= 0; --k) path += chars[Random() % 50];
    }
    texts.push_back(path + ".WAV");
  }
  wxFont serif(wxFontInfo(11.3).Family(wxFONTFAMILY_ROMAN));
  wxFont bold(wxFontInfo(14).Family(wxFONTFAMILY_SWISS).Bold());
  for (const wxFont& font : {Window->ListFont, serif, bold}) {
    TTextWidths widths(*Window, font);
    for (const std::string& text : texts) {
      int w = 0, h = 0;
      Window->GetTextExtent(ToWx(text), &w, &h, nullptr, nullptr, &font);
      ASSERT_EQ(widths.Width(text), w) << "\"" << text << "\" in " << font.GetNativeFontInfoDesc();
    }
  }
}

}  // namespace
