// The disc drive where this program has no way to burn yet (Windows): no
// drive is there to list or open.
#include "platform/disc_drive.h"

TDriveResult ListDiscDrives(std::vector<TDriveInfo>& drives, std::string& message) {
  drives.clear();
  message = "this system has no disc burning yet";
  return TDriveResult::NotAvailable;
}

TDriveResult OpenDiscDrive(const std::string&, std::unique_ptr<TDiscDrive>& drive,
                           std::string& message) {
  drive.reset();
  message = "this system has no disc burning yet";
  return TDriveResult::NotAvailable;
}
