// What the build and the unpacking ask, as the user reads it and as
// qvimage answers it: by the question's kind, never by its words.
#include <gtest/gtest.h>

#include <cstdio>

#include "cli/terminal_host.h"
#include "image/build_messages.h"

namespace {
using K = TQuestionKind;

struct TCase {
  TQuestion Question;
  const char* Words;
  const char* Caption;
  TAnswer Plain, Skipping;  // qvimage's answer, and with --skip-missing --skip-clashes
};

const TCase Cases[] = {
    {{K::SourceUnreachable, "/s/a.wav", "No such file or directory"},
     "Error accessing file /s/a.wav: No such file or directory", "File Error", TAnswer::Abort,
     TAnswer::Ignore},
    {{K::DirectoryIsFile, "\\A"},
     "The directory \\A already exists as a regular file. Do you want to abort?", "File Error",
     TAnswer::Yes, TAnswer::No},
    {{K::NameClash, "\\A\\B.WAV"}, "The file \\A\\B.WAV already exists. Do you want to abort?",
     "File Error", TAnswer::Yes, TAnswer::No},
    {{K::TooDeep, "\\A\\B", {}, 63},
     "The image path \\A\\B holds more than 63 directories. Do you want to abort?", "File Error",
     TAnswer::Yes, TAnswer::Yes},
    {{K::SourceUnopenable, "/s/a.wav"}, "Error opening file /s/a.wav", "File Error",
     TAnswer::Cancel, TAnswer::Cancel},
    {{K::DirectoryFull, "\\BIG", {}, 65536},
     "Sorry, I can't continue. The directory \\BIG exceeds 65536 entries. Please reduce the "
     "number of entries in this directory.",
     "Error", TAnswer::Ok, TAnswer::Ok},
    {{K::RootFull, {}, {}, 512},
     "Sorry, I can't continue. The root directory exceeds 512 entries. Please reduce the number "
     "of root directory entries.",
     "Error", TAnswer::Ok, TAnswer::Ok},
    {{K::TooLarge},
     "Sorry, I can't continue. The data volume is too large for a DOS partition. A DOS "
     "partition must not exceed 2 GBytes.",
     "Error", TAnswer::Ok, TAnswer::Ok},
    {{K::NoSpace, "D:\\", {}, 612'449'280, 80'117'760},
     "Not enough space on drive D:\\  The image needs 612.4 MB, and 80.1 MB are free. Please free "
     "space or choose another drive.",
     "Error", TAnswer::Ok, TAnswer::Ok},
    {{K::CantOpen, "/o/x.trk", "Permission denied"},
     "Sorry, I can't open the file /o/x.trk for writing: Permission denied.", "File Error",
     TAnswer::Ok, TAnswer::Ok},
    {{K::ImageIsSource, "/s/a.wav"},
     "The file /s/a.wav is one of the image's sources. Please choose another name.", "Error",
     TAnswer::Ok, TAnswer::Ok},
    {{K::ImageAppeared, "/o/x.trk"},
     "The file /o/x.trk appeared while the image was being written and is left as it is. Please "
     "create the image again under another name.",
     "File Error", TAnswer::Ok, TAnswer::Ok},
    {{K::CantWrite, "/o/x.trk", "No space left on device"},
     "Sorry, I can't write the file /o/x.trk: No space left on device", "File Error", TAnswer::Ok,
     TAnswer::Ok},
    {{K::ReadError, "/s/a.wav", "Input/output error"},
     "Error reading file /s/a.wav: Input/output error", "File Error", TAnswer::Ok, TAnswer::Ok},
    {{K::SizeChanged, "/s/a.wav"},
     "The file /s/a.wav has changed its size since it was measured. Please create the image "
     "again.",
     "File Error", TAnswer::Ok, TAnswer::Ok},
    {{K::ImageDamaged, "i.trk", "the boot sector has no 55 AA signature", 2},
     "Sorry, I can't unpack i.trk: the boot sector has no 55 AA signature (and 2 more problems)",
     "File Error", TAnswer::Ok, TAnswer::Ok},
    {{K::ImageDamaged, "i.trk", "cluster 5 is used twice"},
     "Sorry, I can't unpack i.trk: cluster 5 is used twice", "File Error", TAnswer::Ok,
     TAnswer::Ok},
    {{K::ImagePathTooLong, "i.trk", "\\A\\B", 260},
     "Sorry, I can't unpack i.trk: the image path \\A\\B is longer than 260 characters",
     "File Error", TAnswer::Ok, TAnswer::Ok},
    {{K::UnpackExists, "out/A.TXT"}, "The file out/A.TXT already exists. It is not replaced.",
     "File Error", TAnswer::Ok, TAnswer::Ok},
    {{K::ImageInTheWay, "in/A.TXT"},
     "The file in/A.TXT is the image being unpacked. It is not replaced.", "File Error",
     TAnswer::Ok, TAnswer::Ok},
    {{K::FolderNotListable, "tab\tdir", "control character in the real path"},
     "Sorry, I can't unpack into tab\tdir: an entry list cannot hold its path (control "
     "character in the real path).",
     "File Error", TAnswer::Ok, TAnswer::Ok},
    {{K::NotAFolder, "out/A"}, "out/A is not a folder.", "File Error", TAnswer::Ok, TAnswer::Ok},
    {{K::CantCreate, "out/A", "Permission denied"}, "Sorry, I can't create out/A: Permission denied",
     "File Error", TAnswer::Ok, TAnswer::Ok},
    {{K::CantReadImage, "i.trk", "Input/output error"}, "Error reading file i.trk: Input/output error",
     "File Error", TAnswer::Ok, TAnswer::Ok},
    {{K::CardUnreadable, "i.trk", "cannot read i.trk: it is a directory"},
     "Sorry, I can't copy i.trk: cannot read i.trk: it is a directory", "File Error", TAnswer::Ok,
     TAnswer::Ok},
    {{K::CardImageDamaged, "i.trk", "cluster 5 is used twice", 1},
     "The image i.trk is damaged, so it is not copied (the instrument could not read it from a "
     "card either): cluster 5 is used twice (and 1 more problems)",
     "File Error", TAnswer::Ok, TAnswer::Ok},
    {{K::CardNamesTaken, "/media/card"},
     "The folder /media/card holds CD3.iso to CD6.iso already. Please choose another name for the "
     "copy.",
     "File Error", TAnswer::Ok, TAnswer::Ok},
    // qvimage asks only without --force, and keeps the file.
    {{K::CardExists, "/media/card/CD3.iso"},
     "The file /media/card/CD3.iso already exists. Do you want to replace it?", "File Error",
     TAnswer::No, TAnswer::No},
    {{K::CardAppeared, "/media/card/CD3.iso"},
     "The file /media/card/CD3.iso appeared while the copy was being made and is left as it is. "
     "Please copy the image again under another name.",
     "File Error", TAnswer::Ok, TAnswer::Ok},
    {{K::CardNoSpace, "/media/card/", {}, 2131968},
     "Not enough space on /media/card/ for the copy of 2131968 bytes. Please free space on the "
     "card or use another one.",
     "Error", TAnswer::Ok, TAnswer::Ok},
    {{K::CardDiffers, "/media/card/CD3.iso", {}, 2147188736},
     "The copy /media/card/CD3.iso differs from the image at byte 2147188736 (block 1048432). The "
     "card may be failing: please try another one.",
     "File Error", TAnswer::Ok, TAnswer::Ok},
};

TEST(HostQuestions, EachKindHasItsWordsAndQvimageAnswersItByKind) {
  TTerminalOptions skipping;
  skipping.SkipMissing = skipping.SkipClashes = true;
  // The terminal prints each message; the table needs only its answers.
  std::FILE* err = std::freopen("/dev/null", "w", stderr);
  ASSERT_NE(err, nullptr);
  for (const TCase& c : Cases) {
    SCOPED_TRACE(c.Words);
    EXPECT_EQ(QuestionText(c.Question), c.Words);
    EXPECT_STREQ(QuestionCaption(c.Question.Kind), c.Caption);
    TTerminalHost plain({}), skip(skipping);
    EXPECT_EQ(plain.Ask(c.Question), c.Plain);
    EXPECT_EQ(skip.Ask(c.Question), c.Skipping);
  }
}
}  // namespace
