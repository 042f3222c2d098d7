// An image as its copies hold it: its bytes, then zeros to a whole block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file_system.h"

// Reads n bytes from offset of the image file of imageBytes bytes into
// data, zeros beyond its end. False with the reason in why when it cannot
// be read, or has become shorter.
bool ReadPaddedImage(TFileHandle image, int64_t imageBytes, int64_t offset, uint8_t* data,
                     std::size_t n, std::string& why);
