#include "app/browse/disk_text.h"

#include "include/kiv/string.h"

std::string MegabyteText(const ByteCount& bytes) {
  const std::string text = (kiv::Dec(bytes) / kiv::Dec(int32_t(1048576))).format("@n21.2");
  const size_t first = text.find_first_not_of(' ');
  return std::string(kiv::clip(first == std::string::npos ? "" : text.substr(first))) + "MB";
}

namespace {

struct TypePicture {
  char letter;
  int32_t icon;
  const char* image;
};
constexpr TypePicture kTypes[] = {{'C', 1, "~cdrom.ico"},
                                  {'F', 2, "~fixed.ico"},
                                  {'V', 3, "~ram.ico"},
                                  {'N', 4, "~remote.ico"},
                                  {'R', 5, "~removab.ico"}};

const TypePicture* pictureOf(std::string_view type) {
  type = kiv::clip(type);
  if (type.size() != 1) return nullptr;
  for (const TypePicture& t : kTypes)
    if (t.letter == type[0]) return &t;
  return nullptr;
}

}  // namespace

int32_t DiskTypeIconNumber(std::string_view type) {
  const TypePicture* t = pictureOf(type);
  return t ? t->icon : 0;
}

const char* DiskTypeImage(std::string_view type) {
  const TypePicture* t = pictureOf(type);
  return t ? t->image : "~unknown.ico";
}

DiskUse DiskUseOf(const DisksRecord& disk) {
  const kiv::Dec total(disk.TotalBytes), free(disk.FreeSpace);
  DiskUse use;
  use.usedPercent = ((total - free) / total * kiv::Dec(int32_t(100))).toLong();
  use.freePercent = free / total * kiv::Dec(int32_t(100));
  if (disk.TotalBytes.whole() == 0) use.usedPercent = 0;
  return use;
}
