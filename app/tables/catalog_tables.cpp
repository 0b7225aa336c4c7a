#include "app/tables/catalog_tables.h"

static_assert(sizeof(DisksRecord) == 384);
static_assert(sizeof(TempDiskRecord) == 384);
static_assert(sizeof(FilesRecord) == 840);
static_assert(sizeof(TempFilesRecord) == 840);
static_assert(sizeof(CategoryRecord) == 20);
static_assert(sizeof(SortFilesRecord) == 367);
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
