// Free space of the file system that holds a folder, as the hosts of a
// build report it.
#pragma once

#include <cstdint>
#include <string>

// Units free to an ordinary user, and the size of a unit in bytes; false
// when the folder cannot be asked.
bool FolderFreeSpace(const std::string& folder, uint64_t& freeUnits, uint64_t& unitSize);
