// DIRECTORY: one queue entry per file matching a pattern, with its 8.3 name, DOS-style date and
// time, size and attribute byte, stored into the queue's record in that field order.
#include <algorithm>
#include <string>

#include "include/kvrun32.h"
#include "runtime/core/string_stack.h"

namespace {

struct DirectoryEntry {
  std::string name;
  int32_t date = 0;
  int32_t time = 0;
  int32_t size = 0;
  int32_t attributes = 0;
};

// The entry as a DOS directory holds it: local time, dates from 1980, seconds in two-second units.
DirectoryEntry fromFindData(const KivFindData& found) {
  DirectoryEntry e;
  // The 8.3 form as a FAT directory stores it: upper case.
  e.name = found.alternateName[0] ? found.alternateName : found.name;
  for (char& c : e.name)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  KivFileTime local{};
  KivSystemTime st{};
  if (FileTimeToLocalFileTime(&found.writeTime, &local) && FileTimeToSystemTime(&local, &st)) {
    if (st.year < 1980) st = KivSystemTime{1980, 1, 0, 1, 0, 0, 0, 0};
    e.date = Kiv$DATE(st.month, st.day, st.year);
    KivClockRec clock{uint8_t(st.hour), uint8_t(st.minute), uint8_t(st.second / 2 * 2), 0};
    e.time = Kiv$time2abs(&clock);
  }
  e.size = static_cast<int32_t>(found.sizeLow);
  e.attributes = static_cast<int32_t>(found.attributes & 0xFF);
  return e;
}

void storeField(Ufo* record, int32_t n, int32_t value) {
  if (Ufo* field = Kiv$DesignateUfo(record, n)) {
    Kiv$AssignLong2Ufo(field, value);
    Kiv$FreeUfo(field);
  }
}

}  // namespace

extern "C" void Kiv$DIRECTORY(KivQueue* queue) {
  std::string pattern = kiv::core::popText();
  pattern.erase(pattern.find_last_not_of(' ') + 1);
  Kiv$clearerror();
  if (!queue || !queue->buffer || !queue->layout) {
    Kiv$seterror(75);
    return;
  }
  KivFindData found{};
  KivFindHandle search = FindFirstFileA(pattern.c_str(), &found);
  if (search == KIV_INVALID_HANDLE) return;  // nothing matches: the queue is left as it is
  Ufo* record = Kiv$Group2Ufo(queue->buffer, queue->layout);
  if (!record) {
    FindClose(search);
    return;
  }
  do {
    DirectoryEntry e = fromFindData(found);
    if (Ufo* name = Kiv$DesignateUfo(record, 1)) {
      kiv::core::pushCopy(e.name);
      Kiv$ASSIGNSTR2UFO(name);
      Kiv$FreeUfo(name);
    }
    storeField(record, 2, e.date);
    storeField(record, 3, e.time);
    storeField(record, 4, e.size);
    storeField(record, 5, e.attributes);
    Kiv$ADDqueue(queue);
  } while (Kiv$ERRCODE == 0 && FindNextFileA(search, &found));
  FindClose(search);
  Kiv$FreeUfo(record);
}
