// The windows of a search's results: the browses of TEMPDISK and TEMPFILES and their details
// forms. BrowseDiskResults and BrowseFileResults are declared in search_wizard.h.
#pragma once

#include <cstdint>
#include <string>

#include "app/tables/catalog_tables.h"

// Controls of BROWSEDISKRESULTS$QUICKWINDOW.
namespace diskresults_feq {
enum : int32_t {
  kFound = 2,
  kSortSheet = 3,
  kList = 10,
  kFileCount = 12,
  kComment = 14,
  kMore = 20,
  kFiles = 21,
  kPrint = 22,
  kClose = 23
};
}  // namespace diskresults_feq

// Controls of BROWSEFILERESULTS$QUICKWINDOW.
namespace fileresults_feq {
enum : int32_t {
  kFound = 1,
  kSortName = 4,  // then date, time, size, attributes, type
  kSortType = 9,
  kList = 10,
  kPath = 12,
  kMore = 20,
  kClose = 21
};
}  // namespace fileresults_feq

// Controls of the details forms.
namespace resultforms_feq {
enum : int32_t {
  kDriveImage = 1,
  kDiskPie = 26,
  kDiskOk = 33,
  kReadOnly = 27,
  kArchive = 28,
  kSystem = 29,
  kHidden = 30,
  kFileOk = 33
};
}  // namespace resultforms_feq

// "Disk Properties" and "File Properties": the TEMPDISK or TEMPFILES record in the buffer, on
// the calling thread.
void UpdateDisksResults();
void UpdateFileResults();
