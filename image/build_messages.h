// Every text a build, an unpacking, a copy to a card or a burn shows, in
// one place: the words of each question and message the host is asked, the
// captions, the status lines and the statistics' labels.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "image/build_host.h"
#include "platform/disc_drive.h"

// The words of a question or message, its caption and its buttons.
std::string QuestionText(const TQuestion& question);
const char* QuestionCaption(TQuestionKind kind);
TButtons QuestionButtons(TQuestionKind kind);

namespace Msg {
// The reason a source that is neither a file nor a folder cannot be taken.
constexpr const char* NotFileOrDirectory = "not a regular file or directory";

// Captions of the build dialog.
constexpr const char* CaptionScan = "Initializing Image";
constexpr const char* CaptionCount = "Determining Cluster Size";
constexpr const char* CaptionWrite = "Writing Image";
constexpr const char* CaptionDone = "Done";
// Status lines and the button.
constexpr const char* StatusBoot = "Writing Boot Sector";
constexpr const char* StatusFats = "Writing FATs";
constexpr const char* StatusRoot = "Writing Root Directory";
constexpr const char* StatusFree = "Writing Free Clusters";
constexpr const char* ButtonCancel = "Cancel";
constexpr const char* ButtonOk = "Ok";
// The proposal of the save prompt.
constexpr const char* SaveProposal = "*.trk";

// Unpacking an image into a folder.
constexpr const char* CaptionRead = "Reading Image";
constexpr const char* CaptionCheckFolder = "Checking Folder";
constexpr const char* CaptionUnpack = "Unpacking Image";
constexpr const char* StatusList = "Writing List";

// Copying an image to an SD card.
constexpr const char* CaptionCheckImage = "Checking Image";
constexpr const char* CaptionCopy = "Copying to SD Card";
constexpr const char* CaptionCompare = "Comparing Copy";
// Why an image that shrank while it was copied cannot be read on.
constexpr const char* ImageShrank = "it is shorter than when the copy began";

// Burning an image onto a CD-R; the writing's status line is StatusWriting
// and the speed (WritingSpeedText).
constexpr const char* CaptionOpenDrive = "Opening CD Writer";
constexpr const char* CaptionBlank = "Blanking Disc";
// Cancel while a disc is blanked: the drive cannot stop before its end.
constexpr const char* StatusBlankWaits = "Cancelled: waiting for the blank to end";
constexpr const char* CaptionBurn = "Burning Image";
constexpr const char* CaptionVerify = "Verifying Disc";
constexpr const char* StatusWriting = "Writing";
constexpr const char* StatusClosing = "Closing Disc";
constexpr const char* StatusVerifying = "Verifying";
constexpr const char* StatusBurnt = "Burnt and verified";
constexpr const char* StatusBurntUnverified = "Burnt, not verified";
constexpr const char* StatusSimulated = "Simulated: nothing was written";
// Why libburn may list no drive on a computer that has one: without read
// and write rights on /dev/sr0 it sees none.
constexpr const char* NoDrivesReason = "a user may need to be in the group cdrom to use one";

// The labels of the statistics' figures, also those --check prints.
constexpr const char* LabelItems = "Directories & files:";
constexpr const char* LabelClusterSize = "Cluster size:";
constexpr const char* LabelClusters = "Number of clusters:";
constexpr const char* LabelSectorsPerFat = "Sectors per FAT:";
constexpr const char* LabelImageSize = "Image file size:";
}  // namespace Msg

// The rows of "Some Statistics": each label with its figure.
constexpr int StatisticsRows = 5;
std::array<std::pair<const char*, int32_t>, StatisticsRows> StatisticsTable(
    const TStatistics& stats);

// The line under the statistics: whether an image file of imageSize bytes
// fits an 80-minute and a 74-minute CD-R, and if not, by how much it is
// too large.
std::string CdFitText(int64_t imageSize);

// "Writing 12.3 MB/s": the status line while a disc is written.
std::string WritingSpeedText(double bytesPerSecond);
// What a drive holds, as --drives and the window's choice of drive show it:
// "blank CD-R, 737280000 bytes free", "CD-RW holding data, to be blanked",
// "no disc".
std::string DiscMediumText(const TDiscMedium& medium);
// One drive on one line: its address, vendor, model and disc.
std::string DriveText(const TDriveInfo& drive);

// A size for people, in the powers of 1024 the window's figures use:
// "612.4 MiB", "1.98 GiB".
std::string SizeText(int64_t bytes);

// printf-style formatting into a string of any length.
std::string FormatText(const char* format, ...)
#if defined(__MINGW_PRINTF_FORMAT)
    __attribute__((format(__MINGW_PRINTF_FORMAT, 1, 2)))  // the C99 printf (see CMakeLists)
#elif defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
