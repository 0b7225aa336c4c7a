// The texts of numbers the reports print. Byte counts are whole 64-bit values: they are shown
// in full, with thousands separators, never as overflow marks.
#pragma once

#include <string>
#include <string_view>

#include "app/tables/catalog_tables.h"

// LEFT then CLIP: the text without its leading and trailing blanks.
std::string Trimmed(std::string_view text);

// A byte count through @n26 ("18,446,744,073,709,551,615" fits), trimmed.
std::string BytesText(const ByteCount& bytes);
// Free / total x 100 with two places through @n7.2, then "%". A disk of no bytes at all has
// no share free: "n/a".
std::string PercentFreeText(const ByteCount& free, const ByteCount& total);
// The name of a drive type letter: "Removable", "Fixed", "Ram", "Network", "CD-ROM"; none for
// any other letter.
std::string DriveTypeName(std::string_view type);
