// Modules and field equates of the browse and update windows.
#pragma once

#include <cstdint>

inline constexpr const char* kDiskBrowseModule = "TARROW.kvw$tarro020";
inline constexpr const char* kFileBrowseModule = "TARROW.kvw$tarro021";
inline constexpr const char* kCategoryModule = "TARROW.kvw$tarro022";
inline constexpr const char* kDiskPickerModule = "TARROW.kvw$tarro023";
inline constexpr const char* kLabelsModule = "TARROW.kvw$tarro024";

// The buttons and list every browse has in the same place.
namespace browse_feq {
constexpr int32_t List = 1, Insert = 2, Change = 3, Delete = 4, Select = 7, Close = 8;
constexpr int32_t Sheet = 18;
constexpr int32_t Info = 50;  // a line of text under the list
}  // namespace browse_feq

// BROWSEDISK$QUICKWINDOW.
namespace browsedisk_feq {
constexpr int32_t List = 1, LogDisk = 2, Change = 3, Delete = 4, ShowFiles = 5, Print = 6,
                  Select = 7, Close = 8, NewDisk = 9, Sheet = 18;
// The locator entries of the sort orders: ID, label, category, free space, user's number.
constexpr int32_t LocateId = 20, LocateLabel = 21, LocateCategory = 22, LocateFree = 24,
                  LocateUser = 26;
constexpr int32_t Counts = 50;
}  // namespace browsedisk_feq

// UPDATEDISKS$QUICKWINDOW.
namespace updatedisks_feq {
constexpr int32_t Id = 1, PieFrame = 3, Pie = 4, TypeImage = 5, UserNum = 7, Label = 9,
                  Category = 11, Keyword1 = 13, Keyword2 = 14, Keyword3 = 15, Serial = 17,
                  Type = 19, Total = 21, TotalMb = 22, Free = 24, FreeMb = 26, FileCount = 30,
                  Comments = 32, PercentFree = 36, CategoryButton = 25, Ok = 28, Cancel = 29;
}  // namespace updatedisks_feq

// BROWSEFILES$QUICKWINDOW and BROWSESOMEFILES$QUICKWINDOW.
namespace browsefiles_feq {
constexpr int32_t List = 1, Insert = 2, Change = 3, Delete = 4, Close = 8, Sheet = 18;
constexpr int32_t LocateName = 20, LocateDate = 21, LocateSize = 22, LocateType = 23,
                  LocateDisk = 24;
constexpr int32_t Path = 50, DiskLine = 45;
}  // namespace browsefiles_feq

// UPDATEFILES$QUICKWINDOW.
namespace updatefiles_feq {
constexpr int32_t DiskId = 1, ShortName = 3, LongName = 5, Path = 7, Type = 9, Size = 11,
                  Attrib = 13, Date = 15, Time = 17, Comment = 19, Ok = 28, Cancel = 29;
}

// SELECTCATEGORY$QUICKWINDOW and CATEGORYFORM$QUICKWINDOW.
namespace category_feq {
constexpr int32_t List = 1, Insert = 2, Change = 3, Delete = 4, Select = 7, Close = 8, Locator = 20;
constexpr int32_t Name = 1, Ok = 28, Cancel = 29;  // the form
}  // namespace category_feq

// SELECTADISK$QUICKWINDOW.
namespace selectadisk_feq {
constexpr int32_t List = 1, Select = 2, Close = 3;
}

// BROWSELABELS$QUICKWINDOW and UPDATELABELS$QUICKWINDOW.
namespace labels_feq {
constexpr int32_t List = 1, Insert = 2, Change = 3, Delete = 4, Select = 7, Close = 8, Locator = 20;
// The form.
constexpr int32_t LabelType = 1, PageWidth = 3, PageHeight = 5, LabelWidth = 7, LabelHeight = 9,
                  TopMargin = 11, LeftMargin = 13, FontSize = 15, Borders = 17, Ok = 28,
                  Cancel = 29;
}  // namespace labels_feq
