// The disk picker of adding a disk: the catalogued disks that carry the logged volume's label.
#pragma once

#include <cstdint>

// Controls of SELECTDISK$QUICKWINDOW.
namespace selectdisk_feq {
enum : int32_t { kList = 1, kSelect = 2, kClose = 3 };
}  // namespace selectdisk_feq

// Shows the disks whose label is VolName (letter case aside) and lets the user pick one.
// True when a disk was chosen; it is then in this thread's DISKS record buffer.
bool SelectDisk();

// Picks any disk of the catalog ("Select a Disk to Print Files for"). True when a disk was
// chosen; it is then in this thread's DISKS record buffer.
bool SelectADiskToPrint();
// The menu's "Files for a Disk": picks the disk whose files are to be printed.
void ChooseDiskToPrint();
