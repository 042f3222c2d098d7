#include "image/build_messages.h"

#include <cstdarg>
#include <cstdio>
#include <iterator>

#include "image/cd_medium.h"

namespace {
constexpr const char* CaptionError = "Error";
constexpr const char* CaptionFileError = "File Error";
// The command a question of the burn belongs to.
constexpr const char* CaptionBurnCommand = "Burn Image";

// What each kind's message says, its caption and its buttons. The text's
// %s and %d take the question's values in the order QuestionText gives.
struct TWording {
  const char* Text;
  const char* Caption;
  TButtons Buttons;
};

TWording WordingOf(TQuestionKind kind) {
  using K = TQuestionKind;
  switch (kind) {
    case K::SourceUnreachable:
      return {"Error accessing file %s: %s", CaptionFileError, TButtons::AbortRetryIgnore};
    case K::DirectoryIsFile:
      return {"The directory %s already exists as a regular file. Do you want to abort?",
              CaptionFileError, TButtons::YesNo};
    case K::NameClash:
      return {"The file %s already exists. Do you want to abort?", CaptionFileError,
              TButtons::YesNo};
    case K::TooDeep:
      return {"The image path %s holds more than %d directories. Do you want to abort?",
              CaptionFileError, TButtons::YesNo};
    case K::SourceUnopenable:
      return {"Error opening file %s", CaptionFileError, TButtons::RetryCancel};
    // A subdirectory that would hold more records than FAT readers take.
    case K::DirectoryFull:
      return {"Sorry, I can't continue. The directory %s exceeds %d entries. "
              "Please reduce the number of entries in this directory.",
              CaptionError, TButtons::Ok};
    case K::RootFull:
      return {"Sorry, I can't continue. The root directory exceeds %d entries. "
              "Please reduce the number of root directory entries.",
              CaptionError, TButtons::Ok};
    case K::TooLarge:
      return {"Sorry, I can't continue. The data volume is too large for a DOS partition. "
              "A DOS partition must not exceed 2 GBytes.",
              CaptionError, TButtons::Ok};
    // The figures: what the image needs, then what is free.
    case K::NoSpace:
      return {"Not enough space on drive %s  The image needs %s, and %s are free. Please free "
              "space or choose another drive.",
              CaptionError, TButtons::Ok};
    // The reason follows the name, after a colon.
    case K::CantOpen:
      return {"Sorry, I can't open the file %s for writing%s.", CaptionFileError, TButtons::Ok};
    // The chosen image file is one of the sources (or another name for
    // one): writing it would destroy the bytes the image is made of.
    case K::ImageIsSource:
      return {"The file %s is one of the image's sources. Please choose another name.",
              CaptionError, TButtons::Ok};
    // Without leave to replace, a file that took the chosen name while the
    // image was being written is kept, and the new image goes.
    case K::ImageAppeared:
      return {"The file %s appeared while the image was being written and is left as it is. "
              "Please create the image again under another name.",
              CaptionFileError, TButtons::Ok};
    // A write, a seek or the closing of a file failed (a full disk, say):
    // the work stops rather than calling a broken file done.
    case K::CantWrite:
      return {"Sorry, I can't write the file %s: %s", CaptionFileError, TButtons::Ok};
    // A source that cannot be read to its end, or that changed its size
    // after it was measured, would no longer fit the layout already written.
    case K::ReadError:
      return {"Error reading file %s: %s", CaptionFileError, TButtons::Ok};
    case K::SizeChanged:
      return {"The file %s has changed its size since it was measured. "
              "Please create the image again.",
              CaptionFileError, TButtons::Ok};
    // The reader found damage: nothing is unpacked from a broken image.
    case K::ImageDamaged:
      return {"Sorry, I can't unpack %s: %s", CaptionFileError, TButtons::Ok};
    // A name deeper than an entry list can hold: no list could build it again.
    case K::ImagePathTooLong:
      return {"Sorry, I can't unpack %s: the image path %s is longer than %d characters",
              CaptionFileError, TButtons::Ok};
    // Unpacking never replaces a file unless told to.
    case K::UnpackExists:
      return {"The file %s already exists. It is not replaced.", CaptionFileError, TButtons::Ok};
    // Unpacking never replaces the image it reads, even when told to.
    case K::ImageInTheWay:
      return {"The file %s is the image being unpacked. It is not replaced.", CaptionFileError,
              TButtons::Ok};
    // The unpacked files' list would name them in a way no list is read.
    case K::FolderNotListable:
      return {"Sorry, I can't unpack into %s: an entry list cannot hold its path (%s).",
              CaptionFileError, TButtons::Ok};
    case K::NotAFolder:
      return {"%s is not a folder.", CaptionFileError, TButtons::Ok};
    case K::CantCreate:
      return {"Sorry, I can't create %s: %s", CaptionFileError, TButtons::Ok};
    case K::CantReadImage:
      return {"Error reading file %s: %s", CaptionFileError, TButtons::Ok};
    case K::CardUnreadable:
      return {"Sorry, I can't copy %s: %s", CaptionFileError, TButtons::Ok};
    // A damaged image would be as damaged on the card.
    case K::CardImageDamaged:
      return {"The image %s is damaged, so it is not copied (the instrument could not read "
              "it from a card either): %s",
              CaptionFileError, TButtons::Ok};
    case K::CardNamesTaken:
      return {"The folder %s holds CD%d.iso to CD%d.iso already. Please choose another name "
              "for the copy.",
              CaptionFileError, TButtons::Ok};
    case K::CardExists:
      return {"The file %s already exists. Do you want to replace it?", CaptionFileError,
              TButtons::YesNo};
    case K::CardAppeared:
      return {"The file %s appeared while the copy was being made and is left as it is. "
              "Please copy the image again under another name.",
              CaptionFileError, TButtons::Ok};
    case K::CardNoSpace:
      return {"Not enough space on %s for the copy of %lld bytes. Please free space on the "
              "card or use another one.",
              CaptionError, TButtons::Ok};
    // What the card gives back is not what was written to it.
    case K::CardDiffers:
      return {"The copy %s differs from the image at byte %lld (block %lld). The card may be "
              "failing: please try another one.",
              CaptionFileError, TButtons::Ok};
    case K::BurnUnreadable:
      return {"Sorry, I can't burn %s: %s", CaptionFileError, TButtons::Ok};
    // A damaged image would be as damaged on the disc.
    case K::BurnImageDamaged:
      return {"The image %s is damaged, so it is not burnt (the instrument could not read it "
              "from a CD either): %s",
              CaptionFileError, TButtons::Ok};
    case K::NoDrives:
      return {"No CD writer was found (%s).", CaptionError, TButtons::Ok};
    case K::DriveMissing:
      return {"There is no CD writer at %s: %s", CaptionError, TButtons::Ok};
    case K::DriveBusy:
      return {"The CD writer %s is in use by another program: %s. Please try again once it is "
              "done.",
              CaptionError, TButtons::Ok};
    case K::DriveFailed:
      return {"Sorry, I can't use the CD writer %s: %s", CaptionError, TButtons::Ok};
    case K::NoDisc:
      return {"There is no disc in the CD writer %s. Please insert a blank CD-R.", CaptionError,
              TButtons::Ok};
    case K::DiscClosed:
      return {"The disc in the CD writer %s is written and closed. Please insert a blank CD-R.",
              CaptionError, TButtons::Ok};
    // The instrument reads the first session only: the image needs a disc
    // of its own.
    case K::DiscAppendable:
      return {"The disc in the CD writer %s holds data already. The image needs a blank CD-R "
              "of its own: please insert one.",
              CaptionError, TButtons::Ok};
    case K::DiscUnsuitable:
      return {"The disc in the CD writer %s (%s) cannot take the image. Please insert a blank "
              "CD-R.",
              CaptionError, TButtons::Ok};
    case K::BlankDisc:
      return {"The CD-RW in the CD writer %s holds data. Do you want to blank it? Everything on "
              "it will be lost.",
              CaptionBurnCommand, TButtons::YesNo};
    case K::DiscTooSmall:
      return {"The disc in the CD writer %s is %lld bytes too small for the image. Nothing was "
              "written: use a larger disc, or copy the image to an SD card.",
              CaptionError, TButtons::Ok};
    case K::BurnRefused:
      return {"Sorry, the CD writer %s cannot write the image: %s. Nothing was written.",
              CaptionError, TButtons::Ok};
    // libburn's own words say what went wrong; a half-written disc is lost.
    case K::BurnFailed:
      return {"Sorry, writing the image to the disc in the CD writer %s failed: %s. The disc is "
              "probably unusable.",
              CaptionError, TButtons::Ok};
    case K::BlankFailed:
      return {"Sorry, the disc in the CD writer %s could not be blanked: %s", CaptionError,
              TButtons::Ok};
    case K::BurnCancelled:
      return {"The burn was cancelled. The disc in the CD writer %s is unusable now.",
              CaptionError, TButtons::Ok};
    case K::VerifyUnreadable:
      return {"Sorry, the disc in the CD writer %s could not be read back: %s", CaptionError,
              TButtons::Ok};
    // What the disc gives back is not what was written to it.
    case K::BurnDiffers:
      return {"The disc in the CD writer %s differs from the image at block %lld (byte %lld). "
              "Please burn the image again onto another disc.",
              CaptionError, TButtons::Ok};
  }
  return {"%s", CaptionError, TButtons::Ok};
}

}  // namespace

std::string SizeText(int64_t bytes) {
  constexpr int64_t KiB = int64_t(1) << 10, MiB = KiB << 10, GiB = MiB << 10;
  if (bytes >= GiB) return FormatText("%.2f GiB", static_cast<double>(bytes) / GiB);
  if (bytes >= MiB) return FormatText("%.1f MiB", static_cast<double>(bytes) / MiB);
  if (bytes >= KiB) return FormatText("%.1f KiB", static_cast<double>(bytes) / KiB);
  return FormatText("%lld bytes", static_cast<long long>(bytes));
}

std::string QuestionText(const TQuestion& q) {
  using K = TQuestionKind;
  const char* text = WordingOf(q.Kind).Text;
  const char* path = q.Path.c_str();
  const char* detail = q.Detail.c_str();
  const int number = static_cast<int>(q.Number);
  switch (q.Kind) {
    case K::SourceUnreachable:
    case K::CardUnreadable:
    case K::BurnUnreadable:
    case K::DriveMissing:
    case K::DriveBusy:
    case K::DriveFailed:
    case K::DiscUnsuitable:
    case K::BurnRefused:
    case K::BurnFailed:
    case K::BlankFailed:
    case K::VerifyUnreadable:
    case K::CantWrite:
    case K::ReadError:
    case K::CantCreate:
    case K::CantReadImage:
    case K::FolderNotListable:
      return FormatText(text, path, detail);
    case K::ImageDamaged:
    case K::CardImageDamaged:
    case K::BurnImageDamaged:
      if (q.Number > 0)
        return FormatText(text, path,
                          FormatText("%s (and %lld more problems)", detail,
                                     static_cast<long long>(q.Number)).c_str());
      return FormatText(text, path, detail);
    case K::CardNamesTaken:
      return FormatText(text, path, FirstCardId, LastCardId);
    case K::CardNoSpace:
      return FormatText(text, path, static_cast<long long>(q.Number));
    case K::CardDiffers:
      return FormatText(text, path, static_cast<long long>(q.Number),
                        static_cast<long long>(q.Number / DiscBlockSize));
    case K::BurnDiffers:
      return FormatText(text, path, static_cast<long long>(q.Number / DiscBlockSize),
                        static_cast<long long>(q.Number));
    case K::DiscTooSmall:
      return FormatText(text, path, static_cast<long long>(q.Number));
    case K::ImagePathTooLong:
      return FormatText(text, path, detail, number);
    case K::NoSpace: {
      std::string needed = SizeText(q.Number), available = SizeText(q.Available);
      // Figures that round alike would read as if the image fitted.
      if (needed == available) {
        needed = FormatText("%lld bytes", static_cast<long long>(q.Number));
        available = FormatText("%lld bytes", static_cast<long long>(q.Available));
      }
      return FormatText(text, path, needed.c_str(), available.c_str());
    }
    case K::CantOpen:
      return FormatText(text, path, q.Detail.empty() ? "" : (": " + q.Detail).c_str());
    case K::TooDeep:
    case K::DirectoryFull:
      return FormatText(text, path, number);
    case K::RootFull:
      return FormatText(text, number);
    case K::TooLarge:
      return text;
    case K::NoDrives:
      return FormatText(text, detail);
    default:
      return FormatText(text, path);
  }
}

const char* QuestionCaption(TQuestionKind kind) { return WordingOf(kind).Caption; }

TButtons QuestionButtons(TQuestionKind kind) { return WordingOf(kind).Buttons; }

std::array<std::pair<const char*, int32_t>, StatisticsRows> StatisticsTable(
    const TStatistics& stats) {
  return {{{Msg::LabelItems, stats.ItemCount},
           {Msg::LabelClusterSize, stats.ClusterSize},
           {Msg::LabelClusters, stats.ClusterTotal},
           {Msg::LabelSectorsPerFat, stats.SectorsPerFat},
           {Msg::LabelImageSize, stats.ImageSize}}};
}

std::string CdFitText(int64_t imageSize) {
  const int64_t over80 = BytesBeyondCd(imageSize, Blocks80Minutes);
  const int64_t over74 = BytesBeyondCd(imageSize, Blocks74Minutes);
  if (over80 > 0)
    return FormatText("Too large for an 80-minute CD-R by %lld bytes: for an SD-card emulator "
                      "only.",
                      static_cast<long long>(over80));
  if (over74 > 0)
    return FormatText("Fits an 80-minute CD-R, not a 74-minute one (%lld bytes too large).",
                      static_cast<long long>(over74));
  return "Fits an 80-minute CD-R (and a 74-minute one).";
}

std::string WritingSpeedText(double bytesPerSecond) {
  return FormatText("%s %.1f MB/s", Msg::StatusWriting, bytesPerSecond / 1e6);
}

std::string DiscMediumText(const TDiscMedium& medium) {
  const char* kind = "disc";
  switch (medium.Kind) {
    case TDiscKind::CdR: kind = "CD-R"; break;
    case TDiscKind::CdRw: kind = "CD-RW"; break;
    case TDiscKind::CdRom: kind = "CD-ROM"; break;
    case TDiscKind::File: kind = "file"; break;
    case TDiscKind::Other:
      if (!medium.Name.empty()) kind = medium.Name.c_str();
      break;
    case TDiscKind::None: break;
  }
  switch (medium.State) {
    case TDiscState::NoDisc: return "no disc";
    case TDiscState::Blank:
      return FormatText("blank %s, %lld bytes free", kind,
                        static_cast<long long>(medium.FreeBytes));
    case TDiscState::Appendable:
    case TDiscState::Closed:
      if (medium.Erasable) return FormatText("%s holding data, to be blanked", kind);
      return FormatText("%s %s, no room", medium.State == TDiscState::Closed ? "closed" : "appendable",
                        kind);
    case TDiscState::Unsuitable: break;
  }
  return FormatText("%s, not writable", kind);
}

std::string DriveText(const TDriveInfo& drive) {
  // Drives give their vendor and model padded with blanks.
  std::string name = drive.Vendor + " " + drive.Model;
  name.erase(0, name.find_first_not_of(' '));
  name.erase(name.find_last_not_of(' ') + 1);
  return drive.Address + "  " + (name.empty() ? "" : name + "  ") + DiscMediumText(drive.Medium);
}

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text;
  if (n > 0) {
    text.resize(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(&text[0], text.size(), format, args);
    text.resize(static_cast<std::size_t>(n));
  }
  va_end(args);
  return text;
}
