// What keeps an image off a card or a disc: the image reader found it
// unreadable or damaged, and a copy would be as damaged as the image.
#pragma once

#include <string>

#include "image/build_host.h"
#include "image/image_reader.h"

// The message that says so, naming image and the reader's first problem:
// of kind unreadable when there was no image to read at all, else of kind
// damaged with the count of the further problems.
TQuestion DamagedImage(const TImageReader& reader, const std::string& image,
                       TQuestionKind unreadable, TQuestionKind damaged);
