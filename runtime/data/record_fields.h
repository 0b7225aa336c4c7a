// The fields of a table's record, read from the record's group layout: what drivers need to
// build keys and check stored layouts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "include/kvrun32/file.h"

namespace kiv::data {

struct RecordField {
  uint8_t type = 0;      // type code; 22 for a member group
  uint8_t places = 0;    // fraction digits of DECIMAL and PDECIMAL
  bool overlay = false;  // lies over an earlier field
  uint32_t size = 0;     // bytes of one element
  uint32_t dim = 0;      // element count, 0 for a single value
  uint32_t offset = 0;   // byte offset in the record
  std::string name;      // label such as "DIS:IDNUM"
  uint32_t totalSize() const { return size * (dim > 1 ? dim : 1); }
};

// The table's fields in declaration order (1-based field n is element n-1). False when the table
// has no layout or the layout does not parse.
bool recordFields(const KivTable& table, std::vector<RecordField>& fields);

}  // namespace kiv::data
