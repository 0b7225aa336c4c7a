// The one process-wide error state: code, message text, file-error texts and saved copies.
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/core/error_state.h"
#include "runtime/core/runtime_state.h"
#include "runtime/platform/message_box.h"

extern "C" {
int32_t Kiv$ERRCODE = 0;
char Kiv$ERRSTR[80] = {};
}

namespace kiv::core {
namespace {

struct SavedState {
  int32_t code;
  uint32_t osError;
  char text[80];
};

uint32_t gOsError = 0;           // the platform's last error when the state was set
void* gErrorFile = nullptr;      // the file record the last file error concerns
char gFileErrorCode[81] = {};    // driver's own error code text
char gFileErrorMsg[255] = {};    // driver's own message text
std::vector<SavedState> gSaved;  // newest last
std::string_view (*gFileNamer)(void*) = nullptr;

void fillWithSpaces(char* buffer, size_t size) {
  if (buffer[0] != ' ') std::memset(buffer, ' ', size);
}

void pushTemporary(const char* text, size_t len) {
  KivHeapStr s{};
  Kiv$loadstr(&s, text, static_cast<uint32_t>(len));
  if (s.addr)
    Kiv$PushTemp(s.addr, s.len);
  else
    Kiv$PushNull();
}

}  // namespace

uint32_t& platformError() {
  static thread_local uint32_t error = 0;
  return error;
}

void setPlatformError(uint32_t error) { platformError() = error; }

void setErrorFileNamer(std::string_view (*namer)(void*)) { gFileNamer = namer; }

}  // namespace kiv::core

using namespace kiv::core;

extern "C" {

uint32_t Kiv$OSERROR(void) { return gOsError; }

void Kiv$seterror(int32_t code) {
  gOsError = platformError();
  if (code == 0) code = 300 + static_cast<int32_t>(gOsError);
  Kiv$ovrerror(code, Kiv$err_message(code));
}

void Kiv$ovrerror(int32_t code, const char* text) {
  gErrorFile = nullptr;
  Kiv$ERRCODE = 0;
  fillWithSpaces(Kiv$ERRSTR, sizeof Kiv$ERRSTR);
  Kiv$ERRCODE = code;
  if (text) {
    while (*text == ' ') ++text;
    size_t n = strnlen(text, 79);
    std::memcpy(Kiv$ERRSTR, text, n);
    std::memset(Kiv$ERRSTR + n, ' ', sizeof Kiv$ERRSTR - n);
  } else {
    std::memset(Kiv$ERRSTR, ' ', sizeof Kiv$ERRSTR);
  }
  gOsError = platformError();
}

void Kiv$clearerror(void) {
  gErrorFile = nullptr;
  Kiv$ERRCODE = 0;
  fillWithSpaces(Kiv$ERRSTR, sizeof Kiv$ERRSTR);
  fillWithSpaces(gFileErrorCode, sizeof gFileErrorCode);
  fillWithSpaces(gFileErrorMsg, sizeof gFileErrorMsg);
}

void Kiv$setfileerror(const char* code, const char* message) {
  if (!code) code = "";
  size_t n = strnlen(code, 80);
  std::memcpy(gFileErrorCode, code, n);
  gFileErrorCode[n] = '\0';
  if (message) {
    size_t m = strnlen(message, 254);
    std::memcpy(gFileErrorMsg, message, m);
    gFileErrorMsg[m] = '\0';
  } else {
    std::string text = Kiv$err_message(90);
    text += " : ";
    text += gFileErrorCode;
    size_t m = std::min<size_t>(text.size(), 254);
    std::memcpy(gFileErrorMsg, text.data(), m);
    gFileErrorMsg[m] = '\0';
  }
}

void Kiv$SetErrorFile(void* fileRecord) { gErrorFile = fileRecord; }

void* Kiv$GetErrorFile(void) { return gErrorFile; }

void Kiv$ERRORFILE(void) {
  if (gErrorFile && gFileNamer) {
    std::string_view name = gFileNamer(gErrorFile);
    pushTemporary(name.data(), name.size());
  } else {
    Kiv$PushNull();
  }
}

void Kiv$FILEERRORCODE(void) {
  if (gFileErrorCode[0] == '\0')
    Kiv$PushNull();
  else
    pushTemporary(gFileErrorCode, strnlen(gFileErrorCode, sizeof gFileErrorCode));
}

void Kiv$FILEERRORMSG(void) {
  if (gFileErrorCode[0] == '\0')
    Kiv$PushNull();
  else
    pushTemporary(gFileErrorMsg, strnlen(gFileErrorMsg, sizeof gFileErrorMsg));
}

void Kiv$StackErrstr(void) { pushTemporary(Kiv$ERRSTR, sizeof Kiv$ERRSTR); }

void Kiv$SaveErrorState(void) {
  SavedState s{Kiv$ERRCODE, gOsError, {}};
  std::memcpy(s.text, Kiv$ERRSTR, sizeof s.text);
  gSaved.push_back(s);
}

void Kiv$RestoreErrorState(void) {
  if (gSaved.empty()) return;
  SavedState s = gSaved.back();
  gSaved.pop_back();
  Kiv$ERRCODE = s.code;
  gOsError = s.osError;
  std::memcpy(Kiv$ERRSTR, s.text, sizeof s.text);
}

void Kiv$rterr(int32_t code, const char* detail) {
  std::string text;
  if (code != 0) {
    Kiv$seterror(code);
    size_t n = sizeof Kiv$ERRSTR;
    while (n > 0 && Kiv$ERRSTR[n - 1] == ' ') --n;
    text.assign(Kiv$ERRSTR, n);
    if (detail) text += " : ";
  }
  if (detail) text += detail;
  if (text.size() > 255) text.resize(255);
  kiv::platform::messageBox({"Runtime error", text, KIV_BUTTON_OK, KIV_BUTTON_OK, KIV_ICON_HAND});
  setHalting();
  if (isActive()) exitProgram(2);
}

void __e_stack(void) { Kiv$rterr(401, nullptr); }
void __e_nil_ptr(void) { Kiv$rterr(402, nullptr); }
void __e_overflow(void) { Kiv$rterr(404, nullptr); }
void __e_range(void) { Kiv$rterr(405, nullptr); }
void __e_no_return(void) { Kiv$rterr(406, nullptr); }
void __e_no_case(void) { Kiv$rterr(407, nullptr); }
void __e_index(void) { Kiv$rterr(409, nullptr); }
void psprintf(void) { Kiv$rterr(0, "Unsupported function psprintf"); }

}  // extern "C"

namespace kiv::core {

void typingError(int32_t code) { Kiv$rterr(code, "Parameter typing error"); }

}  // namespace kiv::core
