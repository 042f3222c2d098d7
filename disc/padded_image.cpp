#include "disc/padded_image.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "image/build_messages.h"
#include "platform/file_io.h"

bool ReadPaddedImage(TFileHandle image, int64_t imageBytes, int64_t offset, uint8_t* data,
                     std::size_t n, std::string& why) {
  const auto fromImage =
      static_cast<std::size_t>(std::clamp<int64_t>(imageBytes - offset, 0, int64_t(n)));
  const int64_t got = ReadFully(image, data, fromImage, offset);
  if (got != static_cast<int64_t>(fromImage)) {
    why = got < 0 ? std::strerror(errno) : Msg::ImageShrank;
    return false;
  }
  std::memset(data + fromImage, 0, n - fromImage);
  return true;
}
