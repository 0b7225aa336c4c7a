// The catalog's eight tables: record layouts, keys and attributes. Every table is per thread:
// each thread that uses one has its own descriptor, record buffer and open state.
#pragma once

#include "include/kiv/kiv.h"

// A count of bytes (a volume's size or free space, a file's size): DECIMAL(20), 11 bytes without
// places, so that every 64-bit count fits and keys on it sort by number.
using ByteCount = kiv::Decimal<20, 0>;

// DISKS and TEMPDISK (prefixes DIS and TED): one record per catalogued disk, 398 bytes.
#define DISK_FIELDS(FIELD)                     \
  FIELD(IdNum, kiv::Long, "IDNUM")             \
  FIELD(UserNum, kiv::String<12>, "USERNUM")   \
  FIELD(Label, kiv::String<11>, "LABEL")       \
  FIELD(Category, kiv::String<20>, "CATEGORY") \
  FIELD(Keyword1, kiv::String<20>, "KEYWORD1") \
  FIELD(Keyword2, kiv::String<20>, "KEYWORD2") \
  FIELD(Keyword3, kiv::String<20>, "KEYWORD3") \
  FIELD(TotalBytes, ByteCount, "TOTALBYTES")   \
  FIELD(FreeSpace, ByteCount, "FREESPACE")     \
  FIELD(SerialNo, kiv::String<9>, "SERIALNO")  \
  FIELD(Type, kiv::String<1>, "TYPE")          \
  FIELD(Files, kiv::Long, "FILES")             \
  FIELD(Comments, kiv::String<255>, "COMMENTS")

#define DISK_KEYS(KEY)                                                       \
  KEY(ByIdNum, "BYIDNUM", kiv::Unique | kiv::NoCase | kiv::Primary, IdNum)   \
  KEY(ByUserNum, "BYUSERNUM", kiv::Unique | kiv::NoCase | kiv::Opt, UserNum) \
  KEY(ByLabel, "BYLABEL", kiv::Dup | kiv::NoCase, Label)                     \
  KEY(ByCategory, "BYCATEGORY", kiv::Dup | kiv::NoCase | kiv::Opt, Category) \
  KEY(ByFreeSpace, "BYFREESPACE", kiv::Dup | kiv::NoCase, FreeSpace)         \
  KEY(ByType, "BYTYPE", kiv::Dup | kiv::NoCase | kiv::Opt, Type)             \
  KEY(DynNdx, "DYNNDX", kiv::Dup | kiv::NoCase | kiv::Opt | kiv::Dynamic)

// FILES and TEMPFILES (prefixes FIL and TEF): one record per file of a disk, 847 bytes.
#define FILE_FIELDS(FIELD)                       \
  FIELD(DiskId, kiv::Long, "DISKID")             \
  FIELD(ShortName, kiv::String<12>, "SHORTNAME") \
  FIELD(DisplayDate, kiv::Long, "DISPLAYDATE")   \
  FIELD(DisplayTime, kiv::Long, "DISPLAYTIME")   \
  FIELD(CreationDate, kiv::Long, "CREATIONDATE") \
  FIELD(CreationTime, kiv::Long, "CREATIONTIME") \
  FIELD(AccessDate, kiv::Long, "ACCESSDATE")     \
  FIELD(AccessTime, kiv::Long, "ACCESSTIME")     \
  FIELD(ModifyDate, kiv::Long, "MODIFYDATE")     \
  FIELD(ModifyTime, kiv::Long, "MODIFYTIME")     \
  FIELD(Size, ByteCount, "SIZE")                 \
  FIELD(Attrib, kiv::String<4>, "ATTRIB")        \
  FIELD(Path, kiv::String<260>, "PATH")          \
  FIELD(Type, kiv::String<3>, "TYPE")            \
  FIELD(LongName, kiv::String<260>, "LONGNAME")  \
  FIELD(Comment, kiv::String<260>, "COMMENT")    \
  FIELD(DeleteFlag, kiv::Byte, "DELETEFLAG")

#define FILE_KEYS(KEY)                                                               \
  KEY(ByDiskId, "BYDISKID", kiv::Dup | kiv::NoCase, DiskId, ShortName)               \
  KEY(ByName, "BYNAME", kiv::Dup | kiv::NoCase, ShortName)                           \
  KEY(ByDate, "BYDATE", kiv::Dup | kiv::NoCase, DisplayDate, DisplayTime, ShortName) \
  KEY(ByTime, "BYTIME", kiv::Dup | kiv::NoCase, DisplayTime, ShortName)              \
  KEY(BySize, "BYSIZE", kiv::Dup | kiv::NoCase, Size, ShortName)                     \
  KEY(ByAttrib, "BYATTRIB", kiv::Dup | kiv::NoCase | kiv::Opt, Attrib, ShortName)    \
  KEY(ByType, "BYTYPE", kiv::Dup | kiv::NoCase, Type, ShortName)                     \
  KEY(DynNdx, "DYNNDX", kiv::Dup | kiv::NoCase | kiv::Opt | kiv::Dynamic)

// CATEGORY: the category names, 20 bytes.
#define CATEGORY_FIELDS(FIELD) FIELD(Name, kiv::String<20>, "NAME")
#define CATEGORY_KEYS(KEY) KEY(ByName, "BYNAME", kiv::Unique | kiv::NoCase | kiv::Primary, Name)

// SORTFILES: the duplicate finder's work table, 374 bytes.
#define SORTFILE_FIELDS(FIELD)            \
  FIELD(DiskId, kiv::Long, "DISKID")      \
  FIELD(Name, kiv::String<12>, "NAME")    \
  FIELD(Date, kiv::Long, "DATE")          \
  FIELD(Time, kiv::Long, "TIME")          \
  FIELD(Size, ByteCount, "SIZE")          \
  FIELD(Attrib, kiv::String<4>, "ATTRIB") \
  FIELD(Path, kiv::String<255>, "PATH")   \
  FIELD(Comment, kiv::String<80>, "COMMENT")

#define SORTFILE_KEYS(KEY)                                        \
  KEY(ByDiskId, "BYDISKID", kiv::Dup | kiv::NoCase, DiskId, Name) \
  KEY(ByName, "BYNAME", kiv::Dup | kiv::NoCase, Name)             \
  KEY(ByDate, "BYDATE", kiv::Dup | kiv::NoCase, Date, Name)       \
  KEY(ByTime, "BYTIME", kiv::Dup | kiv::NoCase, Time, Name)       \
  KEY(BySize, "BYSIZE", kiv::Dup | kiv::NoCase, Size, Name)       \
  KEY(ByAttrib, "BYATTRIB", kiv::Dup | kiv::NoCase | kiv::Opt, Attrib, Name)

// TEMPFILE: one line of text per record, 20 bytes, line-text driver, no keys.
#define TEMPFILE_FIELDS(FIELD) FIELD(Text, kiv::String<20>, "TEXT")

// LABELS: label layouts, 35 bytes; measures are DECIMAL(5,2).
using LabelMeasure = kiv::Decimal<5, 2>;
#define LABEL_FIELDS(FIELD)                       \
  FIELD(LabelType, kiv::String<15>, "LABELTYPE")  \
  FIELD(PageWidth, LabelMeasure, "PAGEWIDTH")     \
  FIELD(PageHeight, LabelMeasure, "PAGEHEIGHT")   \
  FIELD(LabelWidth, LabelMeasure, "LABELWIDTH")   \
  FIELD(LabelHeight, LabelMeasure, "LABELHEIGHT") \
  FIELD(TopMargin, LabelMeasure, "TOPMARGIN")     \
  FIELD(LeftMargin, LabelMeasure, "LEFTMARGIN")   \
  FIELD(FontSize, kiv::Byte, "FONTSIZE")          \
  FIELD(Borders, kiv::Byte, "BORDERS")
#define LABEL_KEYS(KEY) \
  KEY(Type, "TYPE", kiv::Unique | kiv::NoCase | kiv::Opt | kiv::Primary, LabelType)

KIV_RECORD(DisksRecord, "DIS", DISK_FIELDS);
KIV_RECORD(TempDiskRecord, "TED", DISK_FIELDS);
KIV_RECORD(FilesRecord, "FIL", FILE_FIELDS);
KIV_RECORD(TempFilesRecord, "TEF", FILE_FIELDS);
KIV_RECORD(CategoryRecord, "CAT", CATEGORY_FIELDS);
KIV_RECORD(SortFilesRecord, "SOF", SORTFILE_FIELDS);
KIV_RECORD(TempFileRecord, "TEM", TEMPFILE_FIELDS);
KIV_RECORD(LabelsRecord, "LAB", LABEL_FIELDS);

KIV_TABLE(DisksTable, DisksRecord, "DISKS", ZEPHRA, 0x3C, DISK_KEYS);
KIV_TABLE(TempDiskTable, TempDiskRecord, "TEMPDISK", ZEPHRA, 0x1C, DISK_KEYS);
KIV_TABLE(FilesTable, FilesRecord, "FILES", ZEPHRA, 0x3C, FILE_KEYS);
KIV_TABLE(TempFilesTable, TempFilesRecord, "TEMPFILES", ZEPHRA, 0x1C, FILE_KEYS);
KIV_TABLE(CategoryTable, CategoryRecord, "CATEGORY", ZEPHRA, 0x3C, CATEGORY_KEYS);
KIV_TABLE(SortFilesTable, SortFilesRecord, "SORTFILES", ZEPHRA, 0x3C, SORTFILE_KEYS);
KIV_TABLE(TempFileTable, TempFileRecord, "TEMPFILE", ASCII, 0x14, KIV_NO_KEYS);
KIV_TABLE(LabelsTable, LabelsRecord, "LABELS", ZEPHRA, 0x14, LABEL_KEYS);

// The tables, one instance per thread.
extern thread_local DisksTable Disks;
extern thread_local CategoryTable Category;
extern thread_local FilesTable Files;
extern thread_local SortFilesTable SortFiles;
extern thread_local TempFileTable TempFile;
extern thread_local TempDiskTable TempDisk;
extern thread_local TempFilesTable TempFiles;
extern thread_local LabelsTable Labels;

// Use counters: how many procedures on this thread hold each table open.
extern thread_local constinit int32_t DisksUseCount;
extern thread_local constinit int32_t CategoryUseCount;
extern thread_local constinit int32_t FilesUseCount;
extern thread_local constinit int32_t SortFilesUseCount;
extern thread_local constinit int32_t TempFileUseCount;
extern thread_local constinit int32_t TempDiskUseCount;
extern thread_local constinit int32_t TempFilesUseCount;
extern thread_local constinit int32_t LabelsUseCount;
