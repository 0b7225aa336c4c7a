// Key lists of queues and the comparison of two records by them. Each component compares its
// field by the field type's own comparison: integers and dates as numbers, reals under the REAL
// comparison, strings by the locale's collation (trailing blanks never count), decimals and
// arrays through their value descriptors on the decimal and string stacks.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

struct Ufo;
class class_descriptor;

namespace kiv::data {

constexpr size_t kMaxKeyComponents = 16;

struct KeyComponent {
  uint32_t field;   // 1-based field number of the layout
  bool descending;  // the comparison is negated
};

// From field numbers ending in 0 (negative for descending); at most 16 kept. Gives false (and
// leaves `keys` alone) when a number lies outside the layout.
bool keysFromNumbers(const class_descriptor& layout, const int32_t* fields,
                     std::vector<KeyComponent>* keys);
// From key text: labels separated by commas and/or white space, each optionally led by "+" or
// "-". A label matches a field's whole label, or the part of it after its prefix ("NAME" for
// "Q:NAME"), without regard to case. False when a label is unknown.
bool keysFromText(const class_descriptor& layout, std::string_view text,
                  std::vector<KeyComponent>* keys);

// Compares two records of the layout by a key list.
class RecordComparer {
 public:
  RecordComparer(const class_descriptor& layout, const std::vector<KeyComponent>& keys);
  ~RecordComparer();
  RecordComparer(const RecordComparer&) = delete;
  RecordComparer& operator=(const RecordComparer&) = delete;

  // Negative, 0 or positive: the first component that differs decides.
  int32_t compare(const uint8_t* a, const uint8_t* b) const;
  bool empty() const { return parts_.empty(); }

  // An order-keeping code of a record's first key component, so that most comparisons in a long
  // list need not read the records: of two records with different codes, compare() orders them as
  // their codes do; equal codes decide nothing. Integers, dates and times are coded whole, texts
  // by the collation weights of their first 8 characters. Without a code for the first component
  // (reals, decimals, arrays, text when digraphs collate) every code is 0.
  uint64_t code(const uint8_t* record) const;
  bool hasCodes() const { return codeMethod_ != CodeMethod::None; }
  // Text codes hold collation weights: takes the locale's current ones for later codes, and gives
  // false when they differ from those taken before (codes made earlier are then stale).
  bool keepCollation();
  // Text codes of records whose first text component all begin alike are taken after that shared
  // start. The owner finds the start over the records it will code (sharedStart of a sample and
  // each record, at most textLength()) and sets it; codes made before are then stale.
  size_t textLength() const;
  size_t sharedStart(const uint8_t* a, const uint8_t* b, size_t limit) const;
  void setTextStart(const uint8_t* sample, size_t length);

 private:
  enum class Method {
    U8,
    I16,
    U16,
    I32,
    U32,
    Sreal,
    Real,
    Bfloat4,
    Bfloat8,
    Decimal,  // DECIMAL storage: sign, then packed digits from the most significant
    Text,
    Ctext,
    Ptext,
    Described
  };
  struct Part {
    Method method;
    uint32_t offset;
    uint32_t size;
    bool descending;
    Ufo* left = nullptr;  // descriptors re-pointed at each record (Described only)
    Ufo* right = nullptr;
  };
  int32_t comparePart(const Part& p, const uint8_t* a, const uint8_t* b) const;
  std::string_view firstText(const uint8_t* record) const;
  uint64_t textCode(std::string_view text) const;

  enum class CodeMethod { None, Whole, Text };
  std::vector<Part> parts_;
  CodeMethod codeMethod_ = CodeMethod::None;
  bool digraphs_ = false;  // the collation taken weighs digraphs: no text codes
  uint8_t weights_[256] = {};
  std::vector<uint8_t> start_;  // the shared start of the texts coded
};

}  // namespace kiv::data
