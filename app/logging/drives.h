// Drive types and the drive list of the logging window.
#pragma once

#include <cstdint>
#include <string_view>

// Drive type number (platform value + 1) of a root such as "C:\".
int32_t DriveTypeNumber(std::string_view root);
// "FIXED", "REMOVABLE" ... of a drive type number; "" for numbers outside 1..7.
std::string_view DriveTypeName(int32_t typeNumber);
// The icon shown for a drive type number ("~fixed.ico" ...).
std::string_view DriveTypeIcon(int32_t typeNumber);
// The letter kept in DIS:TYPE: U, R, F, N, C or V.
char DriveTypeLetter(int32_t typeNumber);

// Fills DriveList with one entry per drive letter A..Z whose type is known.
void BuildDriveList();
