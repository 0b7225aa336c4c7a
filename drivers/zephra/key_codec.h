// Order-preserving key encoding: a key value becomes a fixed-width byte string whose plain byte
// order is the key's order (collation weights for text, case-blind keys through the locale's
// upper-case map, numbers so that byte order is numeric order, descending parts inverted).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/record_fields.h"

namespace kiv::zephra {

struct KeyPart {
  kiv::data::RecordField field;
  bool descending = false;
};

struct KeyShape {
  std::vector<KeyPart> parts;
  bool caseBlind = false;
  bool optional = false;
  uint32_t width = 0;  // bytes of every encoded value
};

// Bytes one field takes in an encoded key; 0 when the type cannot be part of a key.
uint32_t encodedWidth(const kiv::data::RecordField& field);

// Builds the shape of a declared key from its 1-based field numbers; false (with error 76 for
// the caller to report) when a number names no usable field.
bool shapeFromFields(const std::vector<kiv::data::RecordField>& fields, const int32_t* numbers,
                     uint32_t count, bool caseBlind, bool optional, KeyShape& shape);

// Builds the shape of a run-time index from a component string such as "+DIS:Label,-DIS:IDNum";
// false when a component is empty or names no field.
bool shapeFromComponents(const std::vector<kiv::data::RecordField>& fields,
                         std::string_view components, bool caseBlind, bool optional,
                         KeyShape& shape);

// Encodes the key of `record` into `out`. False when the key is optional and every part of it is
// blank or zero (the record stays out of the key).
bool encodeKey(const KeyShape& shape, const uint8_t* record, std::string& out);

// A text describing the shape, stored to notice a changed key declaration.
std::string shapeSignature(const KeyShape& shape);

}  // namespace kiv::zephra
