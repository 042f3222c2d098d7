// The properties the fuzz targets hold the core to. Each takes any bytes and
// returns an empty text when every property holds, else what broke. The
// libFuzzer entry aborts on a non-empty answer; the replay test runs the
// same checks on the saved inputs in the normal test suite.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// CheckPath under every flag combination and CheckRealPath, against an
// independent matcher of the same grammar; the short names of the input
// taken as file names.
std::string CheckPathRulesInput(const uint8_t* data, std::size_t size);
// The list file reader: a list or an error that names a line, never both.
std::string CheckListFileInput(const uint8_t* data, std::size_t size);
// A small tree of real files built into an image and read back.
std::string CheckImageTreeInput(const uint8_t* data, std::size_t size);
// An image the engine wrote, damaged by the input bytes, read back by the
// image reader: it must report, never crash or read out of bounds.
std::string CheckImageReaderInput(const uint8_t* data, std::size_t size);

// A folder of this process's own under the temporary folder, removed at exit.
const std::string& FuzzWorkFolder();
