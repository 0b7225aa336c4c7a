// The disk picker of adding a disk: the catalogued disks that carry the logged volume's label.
#pragma once

// Shows the disks whose label is VolName (letter case aside) and lets the user pick one.
// True when a disk was chosen; it is then in this thread's DISKS record buffer.
bool SelectDisk();
