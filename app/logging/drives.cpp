#include "app/logging/drives.h"

#include <string>

#include "app/logging/logged_disk.h"

namespace {

struct DriveType {
  const char* name;
  const char* icon;
  char letter;
};
// By type number 1..7.
constexpr DriveType kTypes[] = {
    {"UNKNOWN", "~unknown.ico", 'U'},   {"BAD PATH", "~badpath.ico", 'U'},
    {"REMOVABLE", "~removab.ico", 'R'}, {"FIXED", "~fixed.ico", 'F'},
    {"REMOTE", "~remote.ico", 'N'},     {"CD-ROM", "~cdrom.ico", 'C'},
    {"RAM", "~ram.ico", 'V'},
};

const DriveType* typeOf(int32_t number) {
  if (number < 1 || number > 7) return nullptr;
  return &kTypes[number - 1];
}

}  // namespace

int32_t DriveTypeNumber(std::string_view root) {
  std::string r(root);
  return int32_t(GetDriveTypeA(r.c_str())) + 1;
}

std::string_view DriveTypeName(int32_t n) { return typeOf(n) ? typeOf(n)->name : ""; }
std::string_view DriveTypeIcon(int32_t n) { return typeOf(n) ? typeOf(n)->icon : ""; }
char DriveTypeLetter(int32_t n) { return typeOf(n) ? typeOf(n)->letter : 'U'; }

void BuildDriveList() {
  DriveList.free();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    std::string root = std::string(1, letter) + ":\\";
    uint32_t type = GetDriveTypeA(root.c_str());
    if (type == KIV_DRIVE_UNKNOWN || type == KIV_DRIVE_NO_ROOT_DIR) continue;
    int32_t number = int32_t(type) + 1;
    DriveList.rec.Text = root + " [" + std::string(kiv::clip(DriveTypeName(number))) + "]";
    DriveList.rec.TypeNumber = number;
    DriveList.add();
  }
}
