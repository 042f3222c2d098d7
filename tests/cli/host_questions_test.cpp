// What the build, the unpacking, a copy to a card and a burn ask, as the
// user reads it and as qvimage answers it: by the question's kind, never by
// its words.
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
  // qvimage's answer, and with --skip-missing --skip-clashes --blank.
  TAnswer Plain, Skipping;
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
     "Not enough space on drive D:\\  The image needs 584.1 MiB, and 76.4 MiB are free. Please free "
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
    {{K::BurnUnreadable, "i.trk", "No such file or directory"},
     "Sorry, I can't burn i.trk: No such file or directory", "File Error", TAnswer::Ok, TAnswer::Ok},
    {{K::BurnImageDamaged, "i.trk", "cluster 5 is used twice"},
     "The image i.trk is damaged, so it is not burnt (the instrument could not read it from a CD "
     "either): cluster 5 is used twice",
     "File Error", TAnswer::Ok, TAnswer::Ok},
    {{K::NoDrives, {}, "libburn could not be started"},
     "No CD writer was found (libburn could not be started).", "Error", TAnswer::Ok, TAnswer::Ok},
    {{K::DriveMissing, "/dev/sr9", "not found"}, "There is no CD writer at /dev/sr9: not found",
     "Error", TAnswer::Ok, TAnswer::Ok},
    {{K::DriveBusy, "/dev/sr0", "Device or resource busy"},
     "The CD writer /dev/sr0 is in use by another program: Device or resource busy. Please try "
     "again once it is done.",
     "Error", TAnswer::Ok, TAnswer::Ok},
    {{K::DriveFailed, "/dev/sr0", "Permission denied"},
     "Sorry, I can't use the CD writer /dev/sr0: Permission denied", "Error", TAnswer::Ok,
     TAnswer::Ok},
    {{K::NoDisc, "/dev/sr0"}, "There is no disc in the CD writer /dev/sr0. Please insert a blank "
     "CD-R.", "Error", TAnswer::Ok, TAnswer::Ok},
    {{K::DiscClosed, "/dev/sr0"}, "The disc in the CD writer /dev/sr0 is written and closed. "
     "Please insert a blank CD-R.", "Error", TAnswer::Ok, TAnswer::Ok},
    {{K::DiscAppendable, "/dev/sr0"}, "The disc in the CD writer /dev/sr0 holds data already. The "
     "image needs a blank CD-R of its own: please insert one.", "Error", TAnswer::Ok, TAnswer::Ok},
    {{K::DiscUnsuitable, "/dev/sr0", "blank DVD+R, 4700372992 bytes free"},
     "The disc in the CD writer /dev/sr0 (blank DVD+R, 4700372992 bytes free) cannot take the "
     "image. Please insert a blank CD-R.", "Error", TAnswer::Ok, TAnswer::Ok},
    // qvimage blanks only with --blank.
    {{K::BlankDisc, "/dev/sr0"}, "The CD-RW in the CD writer /dev/sr0 holds data. Do you want to "
     "blank it? Everything on it will be lost.", "Burn Image", TAnswer::No, TAnswer::Yes},
    {{K::DiscTooSmall, "/dev/sr0", {}, 2048}, "The disc in the CD writer /dev/sr0 is 2048 bytes "
     "too small for the image. Nothing was written: use a larger disc, or copy the image to an SD "
     "card.", "Error", TAnswer::Ok, TAnswer::Ok},
    {{K::BurnRefused, "/dev/sr0", "no suitable write mode"}, "Sorry, the CD writer /dev/sr0 "
     "cannot write the image: no suitable write mode. Nothing was written.", "Error", TAnswer::Ok,
     TAnswer::Ok},
    {{K::BurnFailed, "/dev/sr0", "write error"}, "Sorry, writing the image to the disc in the CD "
     "writer /dev/sr0 failed: write error. The disc is probably unusable.", "Error", TAnswer::Ok,
     TAnswer::Ok},
    {{K::BlankFailed, "/dev/sr0", "medium error"}, "Sorry, the disc in the CD writer /dev/sr0 "
     "could not be blanked: medium error", "Error", TAnswer::Ok, TAnswer::Ok},
    {{K::BurnCancelled, "/dev/sr0"}, "The burn was cancelled. The disc in the CD writer /dev/sr0 "
     "is unusable now.", "Error", TAnswer::Ok, TAnswer::Ok},
    {{K::VerifyUnreadable, "/dev/sr0", "read error"}, "Sorry, the disc in the CD writer /dev/sr0 "
     "could not be read back: read error", "Error", TAnswer::Ok, TAnswer::Ok},
    {{K::BurnDiffers, "/dev/sr0", {}, 737279999}, "The disc in the CD writer /dev/sr0 differs "
     "from the image at block 359999 (byte 737279999). Please burn the image again onto another "
     "disc.", "Error", TAnswer::Ok, TAnswer::Ok},
};

TEST(HostQuestions, EachKindHasItsWordsAndQvimageAnswersItByKind) {
  TTerminalOptions skipping;
  skipping.SkipMissing = skipping.SkipClashes = skipping.Blank = true;
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
