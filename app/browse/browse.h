// The browse and update windows: every table of the catalog shown page by page in its sort
// orders, and each record added, changed and deleted through its form.
//
// A browse or form reads the program-wide request when it starts (and clears it), and leaves its
// response there when it ends. A browse called with the request Select ends with Completed and
// the chosen record in its table's record buffer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/tables/globals.h"

// The toolbar button a form with record navigation ended with (0 none): 2000 save and add
// another, 2004 last, 2005 first, 2006 page down, 2007 page up, 2008 next, 2009 previous.
extern int32_t FormAction;

// The disk whose files BrowseSomeFiles shows (bound as GLO:DiskIDNum).
extern int32_t DiskIdToShow;

// Browses, each on a thread of its own when the frame starts it.
void BrowseDisk();       // the disks of the catalog; posts 1026 to the frame when it ends
void BrowseFiles();      // every file of the catalog; posts 1027 when it ends
void BrowseSomeFiles();  // the files of disk DiskIdToShow
void SelectCategory();   // the categories; with Select, picks one into CATEGORY's buffer
void SelectADisk();      // picks a disk to print the files of (no filter)
void BrowseLabels();     // the label layouts; with Select, picks one into LABELS' buffer

// Forms, run on the thread of the browse that calls them.
void UpdateDisks();
void UpdateFiles();
void CategoryForm();
void UpdateLabels();

// The menu's "Disk &Labels": picks the label layout to print disk labels on.
void ChooseLabelLayout();

// Picks a category with SelectCategory; the chosen name, or nothing when none was chosen.
// The request and response are the picker's; the caller's are kept.
bool PickCategory(std::string_view current, std::string& chosen);
