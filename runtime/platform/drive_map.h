// The drive map: which host folder each drive letter stands for, and the translation of drive
// paths ("X:\DIR\NAME") to host paths and back.
//
// Letters come from three sources, the later ones winning: the mount table (C: is "/", the other
// real volumes follow from D: in mount-table order), section [Drives] of WIN.INI in the Windows
// directory, and pins made through pinDrive (tests map a temporary tree to a letter this way).
// The mount table and WIN.INI are read again when the map is more than a second old.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kiv::platform {

// What a drive letter stands for.
struct Drive {
  char letter = 0;                   // 'A' .. 'Z'
  std::string folder;                // host folder, absolute, no trailing "/" (except "/")
  bool pinned = false;               // from WIN.INI or pinDrive, not from the mount table
  std::optional<std::string> label;  // label given with the pin, if any
  std::optional<uint32_t> serial;    // serial number given with the pin, if any
  // Byte counts given with the pin, if any: the drive reports them in place of its folder's
  // volume's (a made-up volume of any size, for tests and pictures).
  std::optional<uint64_t> totalBytes = std::nullopt, freeBytes = std::nullopt;
};

// A pin: the folder a letter stands for, with an optional label and serial number of its own.
// A pin with a label can also change its label (SetVolumeLabelA).
struct DrivePin {
  std::string folder;
  std::optional<std::string> label;
  std::optional<uint32_t> serial;
  std::optional<uint64_t> totalBytes = std::nullopt, freeBytes = std::nullopt;
};

// Maps `letter` to a folder until unpinDrive; replaces any earlier pin of that letter.
void pinDrive(char letter, DrivePin pin);
void unpinDrive(char letter);
// Changes the label kept with a pin; false when the letter has no pin with a label.
bool setPinnedLabel(char letter, std::string_view label);

// The drive of a letter (either case), or nothing when the letter is not mapped.
std::optional<Drive> driveOf(char letter);

// Reads the mount table and WIN.INI again at the next look-up.
void reloadDrives();

// A drive path split up: its drive and the folder path below the drive's root, with "." and ".."
// resolved and "/" separators ("" for the root itself, else "A/B").
struct DrivePath {
  Drive drive;
  std::string below;
};

// Splits a drive path, relative paths taken from the current directory. Nothing (with the
// platform error set: 3 path not found, 15 invalid drive) when the text is not a usable path or
// its letter is not mapped.
std::optional<DrivePath> splitDrivePath(std::string_view path);

// The host path of a split drive path as written, without any look-up.
std::string literalHostPath(const DrivePath& path);

// The host path of a split drive path, each name that does not exist as written looked up
// case-blind in its folder. When a name is missing, the rest is appended as written.
std::string hostPath(const DrivePath& path);

// The drive path ("X:\A\B") of a host path: the drive whose folder holds it most closely.
std::optional<std::string> drivePathOfHost(std::string_view hostPath);

// The drive root "X:\" of a letter.
std::string rootOf(char letter);

}  // namespace kiv::platform
