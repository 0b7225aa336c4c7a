// The catalog's printed reports: the disks in the catalog in one of eight orders, the files of
// one disk (chosen in the catalog, or a disk of a search's results), disk-ID labels and disk
// labels. Each runs on the thread it is called on, with its progress window and preview there;
// the Start... forms start one on a thread of its own (stack 25000) and give its thread number,
// 0 when none could be started.
#pragma once

#include <cstdint>
#include <string>

#include "app/tables/catalog_tables.h"

// The eight orders of the disk list: ID, volume label, category, free space, each ascending and
// descending (1 to 8).
void PrtDisksInCat(int32_t order);
int32_t StartPrtDisksInCat(int32_t order);

// The files of a catalogued disk: the DISKS record of the disk chosen (the disk picker, or the
// current record of a disk browse).
void PrintFilesForDisk(const DisksRecord& disk);
int32_t StartPrintFilesForDisk(const DisksRecord& disk);

// The files of a disk of a search's results: the TEMPDISK record of the result disk.
void PrintFilesForResult(const TempDiskRecord& disk);
int32_t StartPrintFilesForResult(const TempDiskRecord& disk);

// Disk-ID labels: asks for the first and last ID number (GetParams), then prints one label per
// number and removes TEMPFILE.
void PrtDiskIdLabels();
// Appends the ID numbers first to last, one line each, to TEMPFILE (open); and prints the
// disk-ID labels of a range without asking for it (TEMPFILE made, filled and removed).
void WriteIdNumbers(int32_t first, int32_t last);
void PrintDiskIdLabels(int32_t first, int32_t last);

// Disk labels, laid out from a LABELS record (the layout chosen in the label-layout picker):
// one label per disk in ID order.
void PrintLabels(const LabelsRecord& layout);
int32_t StartPrintLabels(const LabelsRecord& layout);

// The eight lines a disk label shows: "DISK# : " and the ID, "LABEL : ", "SER#  : ",
// "#FILES: ", "TOTAL : " and "FREE  : " with their bytes, "TYPE  : " and the type's name, and
// the category alone.
struct DiskLabelLines {
  std::string lines[8];
};
DiskLabelLines DiskLabelText(const DisksRecord& disk);
