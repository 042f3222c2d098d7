#include "image/damaged_image.h"

TQuestion DamagedImage(const TImageReader& reader, const std::string& image,
                       TQuestionKind unreadable, TQuestionKind damaged) {
  const TImageCheck& check = reader.Result();
  const std::string first = check.Problems.empty() ? std::string() : check.Problems[0];
  if (reader.Unreadable()) return {unreadable, image, first};
  return {damaged, image, first, static_cast<int64_t>(check.ProblemCount) - 1};
}
