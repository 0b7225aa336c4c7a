// The error state: setting, clearing, file-error texts, message lookup and the saved states.
#include <gtest/gtest.h>

#include "runtime/core/error_state.h"
#include "runtime/core/messages.h"
#include "tests/runtime/core/test_support.h"

using kivtest::errstr;
using kivtest::pop;

namespace {

std::string padded(const std::string& s) { return s + std::string(80 - s.size(), ' '); }

TEST(ErrorState, ClearGivesBlankTextsAndCodeZero) {
  Kiv$seterror(35);
  Kiv$setfileerror("E1", "driver says no");
  Kiv$clearerror();
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(errstr(), std::string(80, ' '));
  Kiv$StackErrstr();
  EXPECT_EQ(pop(), std::string(80, ' '));
  // Blank file-error texts compare equal to an empty string.
  Kiv$FILEERRORCODE();
  Kiv$PushNull();
  EXPECT_EQ(Kiv$StackCompare(), 0);
  Kiv$FILEERRORMSG();
  Kiv$PushNull();
  EXPECT_EQ(Kiv$StackCompare(), 0);
}

TEST(ErrorState, SetErrorTakesTheTableText) {
  struct Row {
    int32_t code;
    const char* text;
  } rows[] = {
      {2, "File Not Found"},
      {78, "Invalid Number Of Parameters "},
      {350, "Not Supported "},
      {403, "Termination caused by signal.  (User break or Floating point)"},
      {507, "Internal error 07"},
      {532, "Unable to open MDI window on APPLICATION's thread"},
      {605, "DDE transaction timed out"},
      {802, "Mismatched PUSHSCOPE/POPSCOPE"},
  };
  for (const Row& r : rows) {
    Kiv$seterror(r.code);
    EXPECT_EQ(Kiv$ERRCODE, r.code);
    EXPECT_EQ(errstr(), padded(r.text)) << r.code;
  }
}

TEST(ErrorState, CodeZeroReportsThePlatformError) {
  kiv::core::setPlatformError(32);
  Kiv$seterror(0);
  EXPECT_EQ(Kiv$ERRCODE, 332);
  EXPECT_EQ(errstr(), padded("Sharing Violation"));
  EXPECT_EQ(Kiv$OSERROR(), 32u);
  kiv::core::setPlatformError(0);
}

TEST(ErrorState, UnknownCodesGetTheTextOf81AndTheNumber) {
  EXPECT_STREQ(Kiv$err_message(99), "Unknown Error Posted : 99");
  EXPECT_STREQ(Kiv$err_message(0), "Unknown Error Posted");
  EXPECT_STREQ(Kiv$err_message(-7), "Unknown Error Posted : -7");
}

TEST(ErrorState, LocaleOverridesComeFirst) {
  kiv::core::setMessageOverride(35, "Satz nicht gefunden");
  EXPECT_STREQ(Kiv$err_message(35), "Satz nicht gefunden");
  EXPECT_STREQ(Kiv$IsfGetMsg(35), "Satz nicht gefunden");
  kiv::core::setMessageOverride(81, "Unbekannt");
  EXPECT_STREQ(Kiv$err_message(12345), "Unbekannt : 12345");
  kiv::core::clearMessageOverrides();
  EXPECT_STREQ(Kiv$err_message(35), "Record Not Found");
  EXPECT_EQ(Kiv$IsfGetMsg(35), nullptr);
}

TEST(ErrorState, OvrErrorSkipsLeadingSpacesAndCutsAt79) {
  Kiv$ovrerror(90, "   three spaces first");
  EXPECT_EQ(errstr(), padded("three spaces first"));
  std::string longText(100, 'x');
  Kiv$ovrerror(90, longText.c_str());
  EXPECT_EQ(errstr(), std::string(79, 'x') + " ");
  // A shorter text after a longer one leaves nothing of the older one behind.
  Kiv$ovrerror(5, "short");
  EXPECT_EQ(errstr(), padded("short"));
}

TEST(ErrorState, SettingAnErrorForgetsTheErrorFile) {
  int table = 0;
  Kiv$seterror(2);
  Kiv$SetErrorFile(&table);
  EXPECT_EQ(Kiv$GetErrorFile(), &table);
  Kiv$seterror(3);
  EXPECT_EQ(Kiv$GetErrorFile(), nullptr);
  Kiv$ERRORFILE();
  EXPECT_EQ(pop(), "");
}

TEST(ErrorState, FileErrorTexts) {
  Kiv$setfileerror("SQL5", "database is locked");
  Kiv$FILEERRORCODE();
  EXPECT_EQ(pop(), "SQL5");
  Kiv$FILEERRORMSG();
  EXPECT_EQ(pop(), "database is locked");
  // Without a message the text is message 90, " : " and the code.
  Kiv$setfileerror("E17", nullptr);
  Kiv$FILEERRORMSG();
  EXPECT_EQ(pop(), "File System Error : E17");
  // The code is cut at 80 characters and the message at 254.
  std::string code(120, 'c'), message(400, 'm');
  Kiv$setfileerror(code.c_str(), message.c_str());
  Kiv$FILEERRORCODE();
  EXPECT_EQ(pop(), std::string(80, 'c'));
  Kiv$FILEERRORMSG();
  EXPECT_EQ(pop(), std::string(254, 'm'));
}

TEST(ErrorState, SaveAndRestoreAreAStack) {
  Kiv$RestoreErrorState();  // nothing saved: nothing happens
  Kiv$seterror(33);
  Kiv$SaveErrorState();
  Kiv$seterror(40);
  Kiv$SaveErrorState();
  Kiv$clearerror();
  Kiv$RestoreErrorState();
  EXPECT_EQ(Kiv$ERRCODE, 40);
  EXPECT_EQ(errstr(), padded("Creates Duplicate Key"));
  Kiv$RestoreErrorState();
  EXPECT_EQ(Kiv$ERRCODE, 33);
  EXPECT_EQ(errstr(), padded("Record Not Available"));
  Kiv$RestoreErrorState();
  EXPECT_EQ(Kiv$ERRCODE, 33);
}

}  // namespace
