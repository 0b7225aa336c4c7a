// How a disk is shown: its sizes in megabytes, the picture of its drive type and its use.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/tables/catalog_tables.h"
#include "include/kiv/decimal.h"

// Bytes / 1048576 with two places, in full (picture @n21.2), left-aligned and followed by "MB":
// "476,940.02MB".
std::string MegabyteText(const ByteCount& bytes);

// The list's icon number of a drive type letter: C 1, F 2, V 3, N 4, R 5, any other 0.
int32_t DiskTypeIconNumber(std::string_view type);
// The picture of a drive type letter ("~cdrom.ico" ...); "~unknown.ico" for any other letter.
const char* DiskTypeImage(std::string_view type);

// A disk's use: the used part in whole percent and the free part with two places.
struct DiskUse {
  int32_t usedPercent = 0;
  kiv::Dec freePercent{int32_t(0)};
};
DiskUse DiskUseOf(const DisksRecord& disk);
