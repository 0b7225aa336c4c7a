// The state of the disk-logging window that saving reads: the logged volume, the drive list
// and the file list. Process-wide, as the logging window and the adding procedure share it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/tables/catalog_tables.h"
#include "include/kiv/kiv.h"

// One entry of the drive list: "C:\ [FIXED]" and the drive type number (also its icon index).
#define DRIVE_ENTRY_FIELDS(FIELD)      \
  FIELD(Text, kiv::String<20>, "TEXT") \
  FIELD(TypeNumber, kiv::Long, "TYPENUMBER")
KIV_RECORD(DriveEntry, "DRQ", DRIVE_ENTRY_FIELDS);

// One entry of the file list: a file found on the logged volume (324 bytes).
#define FILE_ENTRY_FIELDS(FIELD)                 \
  FIELD(ShortName, kiv::String<12>, "SHORTNAME") \
  FIELD(DisplayDate, kiv::Long, "DISPLAYDATE")   \
  FIELD(DisplayTime, kiv::Long, "DISPLAYTIME")   \
  FIELD(Size, ByteCount, "SIZE")                 \
  FIELD(Attrib, kiv::String<4>, "ATTRIB")        \
  FIELD(CreationDate, kiv::Long, "CREATIONDATE") \
  FIELD(CreationTime, kiv::Long, "CREATIONTIME") \
  FIELD(ModifyDate, kiv::Long, "MODIFYDATE")     \
  FIELD(ModifyTime, kiv::Long, "MODIFYTIME")     \
  FIELD(AccessDate, kiv::Long, "ACCESSDATE")     \
  FIELD(AccessTime, kiv::Long, "ACCESSTIME")     \
  FIELD(FullPath, kiv::String<260>, "FULLPATH")  \
  FIELD(Type, kiv::String<3>, "TYPE")            \
  FIELD(NamePos, kiv::Short, "NAMEPOS")
KIV_RECORD(FileEntry, "FLQ", FILE_ENTRY_FIELDS);
static_assert(sizeof(FileEntry) == 324);

// The folders a walk had to leave out: those it could not enter or read.
struct WalkReport {
  static constexpr size_t kPathsKept = 5;
  int32_t skipped = 0;                    // how many
  std::vector<std::string> skippedPaths;  // the first few, as drive paths
  void skip(std::string_view path);
};

// The logged volume.
struct LoggedDisk {
  kiv::CString<4> RootPath;         // "A:\"
  kiv::String<9> SerialText;        // "0000-0000" style
  ByteCount TotalBytes, FreeBytes;  // the volume's size, and what may still be written
  kiv::Long PercentUsed;            // (total - free) / total x 100
  kiv::Long FileCount;              // entries in the file list
  kiv::String<20> Category;         // chosen with the category picker
  kiv::String<255> Note;            // written with the note editor
  kiv::Byte FilesNotLogged;         // "Don't add &files to catalog"
  kiv::Byte DriveType;              // drive type number 1..7
  WalkReport Walk;                  // folders the last logging left out
};

extern LoggedDisk Logged;
extern kiv::CString<12> VolName;  // the volume label, editable; bound for disk matching
extern kiv::Queue<DriveEntry> DriveList;
extern kiv::Queue<FileEntry> FileList;

// Puts the logged state back to "nothing logged": both lists empty, no files, no label, serial
// "0000-0000", percent used 0, files-not-logged off.
void ResetLoggedDisk();
