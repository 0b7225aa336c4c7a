#include "app/reports/report_text.h"

#include "include/kiv/kiv.h"

namespace {

// The decimal stack's top through a picture.
std::string Pictured(std::string_view picture) {
  Kiv$DPopPict(picture.data(), uint32_t(picture.size()));
  return kiv::popString();
}

}  // namespace

std::string Trimmed(std::string_view text) {
  size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return {};
  return std::string(kiv::clip(text.substr(start)));
}

std::string BytesText(const ByteCount& bytes) {
  bytes.push();
  return Trimmed(Pictured("@n26"));
}

std::string PercentFreeText(const ByteCount& free, const ByteCount& total) {
  if (total.whole() == 0) return "n/a";
  kiv::Decimal<7, 2> percent;
  (kiv::Dec(free) / kiv::Dec(total) * 100).store(&percent, percent.size, percent.places);
  percent.push();
  return Trimmed(Pictured("@n7.2")) + "%";
}

std::string DriveTypeName(std::string_view type) {
  switch (type.empty() ? ' ' : type[0]) {
    case 'R':
      return "Removable";
    case 'F':
      return "Fixed";
    case 'V':
      return "Ram";
    case 'N':
      return "Network";
    case 'C':
      return "CD-ROM";
    default:
      return {};
  }
}
