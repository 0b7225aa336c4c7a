// Reads the group layout of a table's record into its field list, through the class descriptor.
#include "runtime/data/record_fields.h"

#include "runtime/core/ufo.h"

namespace kiv::data {

bool recordFields(const KivTable& table, std::vector<RecordField>& fields) {
  fields.clear();
  if (!table.fieldLayout) return false;
  class_descriptor layout(static_cast<const uint8_t*>(table.fieldLayout));
  if (!layout.Valid()) return false;
  for (uint32_t n = 1; n <= layout.NFields(); ++n) {
    const FieldDescription& d = layout.FieldDesc(n);
    RecordField f;
    f.type = d.type;
    f.places = d.places;
    f.overlay = d.overlay != 0;
    f.size = d.size;
    f.dim = d.dim;
    f.offset = d.offset;
    f.name = d.name;
    fields.push_back(std::move(f));
  }
  return true;
}

}  // namespace kiv::data
