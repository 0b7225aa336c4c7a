// The search wizard and the windows that browse what a search found.
#pragma once

#include <cstdint>

// Controls of SEARCHWIZARD$WINDOW.
namespace searchwizard_feq {
enum : int32_t {
  kStepPicture = 1,
  kSteps = 3,  // the sheet; its pages are the steps
  kItemChoice = 12,
  kDisksChoice = 13,
  kFilesChoice = 14,
  kFieldList = 23,
  kOperatorList = 25,
  kTextValue = 27,  // the value entry for text and numbers (@s40)
  kDateValue = 28,  // ... for a date (@d2)
  kTimeValue = 29,  // ... for a time (@t3)
  kCaseSensitive = 30,
  kSummary = 42,
  kBack = 50,
  kNext = 51,
  kFinish = 52  // "Cancel" on steps 1 and 2, "Finish" on step 3
};
}  // namespace searchwizard_feq

// Runs the wizard on the calling thread (the frame's). Finish searches the catalog and starts
// the window of the results on a thread of its own.
void SearchWizard();

// The result windows, each on a thread of its own: they browse TEMPDISK or TEMPFILES and
// remove the table when they close.
void BrowseDiskResults();
void BrowseFileResults();
