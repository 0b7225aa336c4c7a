#include "app/tables/catalog_tables.h"

// Byte counts are DECIMAL(20): DISKS and TEMPDISK 398 bytes, FILES and TEMPFILES 847,
// SORTFILES 374.
static_assert(sizeof(DisksRecord) == 398);
static_assert(sizeof(TempDiskRecord) == 398);
static_assert(sizeof(FilesRecord) == 847);
static_assert(sizeof(TempFilesRecord) == 847);
static_assert(sizeof(CategoryRecord) == 20);
static_assert(sizeof(SortFilesRecord) == 374);
static_assert(sizeof(TempFileRecord) == 20);
static_assert(sizeof(LabelsRecord) == 35);

thread_local DisksTable Disks;
thread_local CategoryTable Category;
thread_local FilesTable Files;
thread_local SortFilesTable SortFiles;
thread_local TempFileTable TempFile;
thread_local TempDiskTable TempDisk;
thread_local TempFilesTable TempFiles;
thread_local LabelsTable Labels;

thread_local constinit int32_t DisksUseCount = 0;
thread_local constinit int32_t CategoryUseCount = 0;
thread_local constinit int32_t FilesUseCount = 0;
thread_local constinit int32_t SortFilesUseCount = 0;
thread_local constinit int32_t TempFileUseCount = 0;
thread_local constinit int32_t TempDiskUseCount = 0;
thread_local constinit int32_t TempFilesUseCount = 0;
thread_local constinit int32_t LabelsUseCount = 0;
