// The application's numbered warnings and the saving of a file error for them.
#pragma once

#include <cstdint>
#include <string_view>

// Shows warning `number` with its texts and gives the button pressed (KIV_BUTTON_*). Warnings
// 1 to 5 and 22 end the program (warning 2 only when the rebuild is declined).
uint32_t AppWarning(int32_t number, std::string_view text1 = {}, std::string_view text2 = {});

// Keeps the current error (code, text, driver code and message) for the next warning that
// reports an error, and rolls back an open transaction.
void SaveFileError();

// The error text a warning shows: from the saved error when there is one, else from the
// current one; the saved error is cleared.
std::string WarningErrorText();
