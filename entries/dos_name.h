// What a DOS short (8.3) name is: the characters it may hold and the length
// of its two parts. Names this program writes keep to the name characters;
// names read from a FAT volume, which other tools may have written, are
// judged by the bytes the reader takes there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The part before the dot and the extension after it.
constexpr std::size_t MaxShortBase = 8;
constexpr std::size_t MaxShortExt = 3;
// A directory record holds the two parts blank-padded, one after the other.
constexpr std::size_t ShortNameBytes = MaxShortBase + MaxShortExt;

// A name character: a letter, a digit or one of "~!@#$^&()-_{}'".
bool IsNameChar(unsigned char c);
// Number of leading name characters of text, at most limit.
int CountNameChars(std::string_view text, int limit);
// True when name is 1 to 8 name characters, then optionally "." and up to
// 3 more.
bool IsShortName(std::string_view name);

// A byte the reader takes in a short name on a FAT volume: a name character
// in capitals.
bool IsStoredNameByte(uint8_t c);
// True when the ShortNameBytes bytes at name are a name as a directory
// record holds it: 1 to 8 stored name bytes then blanks, then up to 3 more
// then blanks.
bool IsStoredShortName(const uint8_t* name);
