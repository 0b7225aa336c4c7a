#include "app/tables/app_warning.h"

#include <string>

#include "include/kiv/kiv.h"

namespace {

constexpr uint32_t kStop = KIV_ICON_ASTERISK;         // 7F04h
constexpr uint32_t kQuestion = KIV_ICON_EXCLAMATION;  // 7F03h
constexpr uint32_t kOk = KIV_BUTTON_OK;
constexpr uint32_t kYes = KIV_BUTTON_YES, kNo = KIV_BUTTON_NO, kCancel = KIV_BUTTON_CANCEL;

// The error kept by SaveFileError.
struct SavedError {
  bool present = false;
  int32_t code = 0;
  std::string text, fileCode, fileMessage;
};
SavedError gSaved;

// The error code a warning refers to: the saved one, else the current one.
int32_t errorCodeInUse() { return gSaved.present ? gSaved.code : kiv::errorCode(); }

std::string str(std::string_view s) { return std::string(kiv::clip(s)); }

}  // namespace

void SaveFileError() {
  gSaved.present = true;
  gSaved.code = kiv::errorCode();
  gSaved.text = kiv::error();
  gSaved.fileCode = str(kiv::fileErrorCode());
  gSaved.fileMessage = str(kiv::fileErrorMessage());
  // Without a transaction, ROLLBACK only reports that none is active; keep the error as it was.
  Kiv$SaveErrorState();
  Kiv$ROLLBACK();
  Kiv$RestoreErrorState();
}

std::string WarningErrorText() {
  SavedError e = gSaved;
  if (!e.present) {
    e.code = kiv::errorCode();
    e.text = kiv::error();
    e.fileCode = str(kiv::fileErrorCode());
    e.fileMessage = str(kiv::fileErrorMessage());
  }
  gSaved = {};
  if (e.code == 90) return str(e.fileMessage) + " (" + str(e.fileCode) + ")";
  return str(e.text) + " (" + std::to_string(e.code) + ")";
}

uint32_t AppWarning(int32_t number, std::string_view text1, std::string_view text2) {
  const std::string t1 = str(text1), t2 = str(text2);
  kiv::MessageBox box;
  box.icon = kStop;
  box.buttons = kOk;
  const char* haltText = nullptr;
  switch (number) {
    case 1:
      box.text = "Error: (" + WarningErrorText() + ") accessing " + t1 +
                 ".  Press OK to end this application.";
      box.caption = "Invalid File";
      haltText = "Invalid File!";
      break;
    case 2:
      box.text = t1 + " key file is invalid.  Do you " + "want to rebuild the key?";
      box.caption = "Invalid Key";
      box.icon = kQuestion;
      box.buttons = kYes | kNo;
      box.defaultButton = kYes;
      break;
    case 3:
      box.text = "Error: (" + WarningErrorText() + ") repairing key for " + t1 +
                 ".  Press OK to end this application.";
      box.caption = "Key Rebuild Error";
      haltText = "Error Rebuilding Key!";
      break;
    case 4:
      box.text = "Error: (" + WarningErrorText() + ") creating " + t1 +
                 ".  Press OK to end this application.";
      box.caption = "File Creation Error";
      haltText = "File Creation Error!";
      break;
    case 5:
      box.text = "Error: (" + WarningErrorText() + ") opening created " + "file:" + t1 +
                 ".  Press OK to end this application.";
      box.caption = "File Creation Error";
      haltText = "File Creation Error!";
      break;
    case 6:
      box.text = "The Procedure " + t1 + " has not " + "been defined.";
      box.caption = "Procedure not defined";
      break;
    case 7:
      box.text = "Unable to read keyed record.  Error: " + WarningErrorText() + ".  Insert Aborted";
      box.caption = "1";  // this warning passes the number 1 as its title
      break;
    case 8:
      box.text = "The value of " + t1 + " must" + " be lower than " + t2 + ".";
      box.caption = "Range Error";
      break;
    case 9:
      box.text = "The value of " + t1 + " must be" + " higher than " + t2 + ".";
      box.caption = "Range Error";
      break;
    case 10:
      box.text = "The value of " + t1 + " must be " + "between " + t2 + ".";
      box.caption = "Range Error";
      break;
    case 11:
      box.text = "The value for " + t1 + " must be " + "found in the " + t2 + " file.";
      box.caption = "Field Contents Error";
      break;
    case 12:
      box.text = "This record is referenced from the file " + t1 +
                 ".  Linking field(s) have been restricted" +
                 " from change and have been reset to original values.";
      box.caption = "Referential Integrity Update Error";
      break;
    case 13:
      box.text = "This record is referenced from the file " + t1 +
                 ".  This record cannot be deleted while" + " these references exist.";
      box.caption = "Referential Integrity Delete Error";
      break;
    case 14:
      box.text =
          "An error was experienced during the update of record.  Error: " + WarningErrorText() +
          ".";
      box.caption = "Record Insert Error";
      break;
    case 15: {
      int32_t code = errorCodeInUse();
      if (code != 0 && code != 89)
        box.text = "An error (" + WarningErrorText() + ") was experienced" +
                   " when attempting to update a record from the file.  Probable Cause: " + t1 +
                   ".";
      else
        box.text = "This record was changed by another station.";
      box.caption = "Update Operation Error";
      break;
    }
    case 16:
      box.text =
          "An error was experienced changing this record.  Do you want to try to save again?";
      box.caption = "Record Update Error";
      box.buttons = kYes | kNo | kCancel;
      box.defaultButton = kCancel;
      break;
    case 17:
      box.text = "An error (" + WarningErrorText() + ") was experienced" +
                 " when attempting to delete a record from the file " + t1 + ".";
      box.caption = "Delete Operation Error";
      break;
    case 18:
      box.text =
          "An error was experienced deleting this record.  Do you want to try to save again?";
      box.caption = "Record Update Error";
      box.buttons = kYes | kNo | kCancel;
      box.defaultButton = kCancel;
      break;
    case 19:
      box.text =
          "This procedure was called to insert a record, however inserts are not allowed for "
          "this procedure.  Press OK to return to the calling procedure";
      box.caption = "Invalid Request";
      break;
    case 20:
      box.text =
          "This procedure was called to change a record, however changes are not allowed for "
          "this procedure.  Press OK to return to the calling procedure";
      box.caption = "Invalid Request";
      break;
    case 21:
      box.text =
          "This procedure was called to delete a record, however deletions are not allowed for "
          "this procedure.  Press OK to return to the calling procedure";
      box.caption = "Invalid Request";
      break;
    case 22:
      box.text = "The File " + t1 + "was not found, " +
                 "and creation of the file is not allowed.  Press OK to end " + "this application.";
      box.caption = "File Creation Not Allowed";
      haltText = "File Creation Error!";
      break;
    case 23:
      box.text = "Are you sure you want to cancel?";
      box.caption = "Update Cancelled";
      box.icon = kQuestion;
      box.buttons = kYes | kNo;
      box.defaultButton = kNo;
      break;
    case 24:
      box.text = "Adding this record creates a duplicate entry for the key:" + t1;
      box.caption = "Duplicate Key Error";
      break;
    case 25:
      box.text = "Attempts to automatically number this record have failed.  Error: " +
                 WarningErrorText() + ".";
      box.caption = "Auto Increment Error";
      box.buttons = KIV_BUTTON_RETRY | kCancel;
      box.defaultButton = kCancel;
      break;
    case 26:
      box.text = t1 + " File Load Error.  " + "Error: " + WarningErrorText() + ".";
      box.caption = "File Load Error";
      break;
    case 27:
      box.text = "Are you certain you want to stop loading " + t1 + "?";
      box.caption = "Cancel Request";
      box.icon = kQuestion;
      box.buttons = kOk | kCancel;
      box.defaultButton = kCancel;
      break;
    case 28:
      box.text = t1 + " File Load Error.  " + "The file you've requested contains no text.";
      box.caption = "File Load Error";
      break;
    case 29:
      if (t1 == "Down") {
        box.text =
            "The end of the viewed file was encountered.  Do you want to start again from the "
            "beginning?";
        box.caption = "End of File Error";
      } else {
        box.text =
            "The beginning of the viewed file was encountered.  Do you want to start again from "
            "the end of the file?";
        box.caption = "Beginning of File Error";
      }
      box.icon = kQuestion;
      box.buttons = kYes | kNo;
      box.defaultButton = kYes;
      break;
    case 30:
      box.text = "File (" + t1 + ") could not be " + "opened.  Error: " + WarningErrorText() + ".";
      box.caption = "File Access Error";
      break;
    case 31:
      if (t1 == "Put") {
        box.text = "An error was experienced when making changes to the " + t2 +
                   " file.  Error: " + WarningErrorText();
        box.caption = "Process PUT Error";
      } else {
        box.text = "An error was experienced when deleting a record from the " + t2 +
                   " file.  Error: " + WarningErrorText();
        box.caption = "Process DELETE Error";
      }
      break;
    case 32:
      box.text =
          "You've selected to delete the highlighted record.  Press OK to confirm deletion of "
          "this record.";
      box.caption = "Confirm Delete";
      box.icon = kQuestion;
      box.buttons = kOk | kCancel;
      box.defaultButton = kCancel;
      break;
    case 33:
      box.text = "Do you want to save the changes to this record?";
      box.caption = "Update Cancelled";
      box.icon = kQuestion;
      box.buttons = kYes | kNo | kCancel;
      box.defaultButton = kNo;
      break;
    case 34:
      box.text = "Error: (" + WarningErrorText() + ") attempting to frame the " + kiv::lower(t1) +
                 " transaction on " + t2 + ".  " + t1 + " transaction cancelled.";
      box.caption = "Transaction Framing Error";
      break;
    case 35:
      box.text = "Error: (" + WarningErrorText() + ") attempting to access a " +
                 "record from the " + t1 + " file.  Returning to " + "previous window.";
      box.caption = "Record Retrieval Error";
      break;
    case 36:
      box.text = "Error: (" + WarningErrorText() + ") attempting to open the " +
                 "current VIEW. Filter and Range Limits ignored.";
      box.caption = "View Open Error";
      break;
    case 37:
      box.text = "This record has been added to the file. Do you want to add another record?";
      box.caption = "Record Added";
      box.icon = kQuestion;
      box.buttons = kYes | kNo;
      box.defaultButton = kYes;
      break;
    case 38:
      box.text =
          "This record was changed by another station. Those changes will now be displayed. Use "
          "the Ditto Button or Ctrl+' to recall your changes.";
      box.caption = "Record Was Not Updated";
      break;
    default:
      return 0;
  }
  uint32_t answer = kiv::message(box);
  if (number == 2 && answer != kYes) kiv::halt(0, "Invalid Key!");
  if (haltText) kiv::halt(0, haltText);
  return answer;
}
