// Saving the logged disk into the catalog: one DISKS record and its FILES records, as a new
// disk or as a refresh of a disk catalogued under the same label.
#pragma once

#include <cstdint>
#include <string_view>

#include "include/kiv/message.h"

// The windows the adding procedure talks to; the window layer implements them.
class AddingWindows {
 public:
  enum Progress { Adding = 1, Purging = 2 };  // ADDTOCATALOG$PROGWIN and $PROGWIN2

  virtual ~AddingWindows() = default;
  // A message box; gives the button pressed.
  virtual uint32_t message(const kiv::MessageBox& box) { return kiv::message(box); }
  // STOP with a text: returns when the user goes on.
  virtual void stop(std::string_view text);
  // The disk picker over the disks labelled VolName; true when one was chosen, which is then
  // in the DISKS record buffer of this thread.
  virtual bool selectDisk() = 0;
  virtual void openProgress(Progress window, std::string_view caption) = 0;
  virtual void closeProgress(Progress window) = 0;
  // Of the progress window opened last.
  virtual void setCaption(std::string_view caption) = 0;
  virtual void setProgress(int32_t percent, std::string_view percentText) = 0;
  virtual void setPath(std::string_view path) = 0;
  virtual void busyCursor(bool busy) = 0;
};

// Writes the logged disk (Logged, VolName, FileList) into DISKS and FILES.
void AddToCatalog(AddingWindows& windows);

// The Save action of the logging window: refuses before a disk was logged, asks about a
// missing label, then adds. Gives false when the label field should get the focus.
bool SaveLoggedDisk(bool logged, AddingWindows& windows);
