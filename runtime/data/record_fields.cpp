// Reads the group layout of a table's record into its field list.
#include "runtime/data/record_fields.h"

#include <cstring>

namespace kiv::data {
namespace {

// A bounded little-endian reader over the layout bytes.
struct Reader {
  const uint8_t* p;
  size_t left;
  bool ok = true;
  uint8_t u8() {
    if (left < 1) return ok = false, 0;
    --left;
    return *p++;
  }
  uint32_t u32() {
    if (left < 4) return ok = false, 0;
    uint32_t v;
    std::memcpy(&v, p, 4);
    p += 4;
    left -= 4;
    return v;
  }
  std::string text() {
    uint8_t n = u8();
    if (!ok || left < n) return ok = false, std::string();
    std::string s(reinterpret_cast<const char*>(p), n);
    p += n;
    left -= n;
    return s;
  }
};

constexpr uint8_t kGroupType = 22;
constexpr size_t kHeaderSize = 1 + 4;

}  // namespace

bool recordFields(const KivTable& table, std::vector<RecordField>& fields) {
  fields.clear();
  auto* layout = static_cast<const uint8_t*>(table.fieldLayout);
  if (!layout || layout[0] != kGroupType) return false;
  uint32_t total;
  std::memcpy(&total, layout + 1, 4);
  if (total < kHeaderSize) return false;
  Reader r{layout + kHeaderSize, total - kHeaderSize};
  r.u32();  // element size
  r.u32();  // dimension
  uint32_t count = r.u32();
  r.text();  // the group's label
  for (uint32_t i = 0; r.ok && i < count; ++i) {
    RecordField f;
    f.type = r.u8();
    f.places = r.u8();
    f.overlay = (r.u8() & 1) != 0;
    f.size = r.u32();
    f.dim = r.u32();
    f.offset = r.u32();
    r.u32();  // members of a member group
    f.name = r.text();
    r.text();  // picture
    r.text();  // further declaration text
    fields.push_back(std::move(f));
  }
  if (!r.ok) fields.clear();
  return r.ok;
}

}  // namespace kiv::data
