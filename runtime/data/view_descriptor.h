// Reading a view's structure description: the components of the view (primary first, then the
// joins depth-first), each with its linking fields or join condition and its projected fields.
// The reader walks the nesting like a cursor: SET_JOIN descends into a join of the current
// component, UNSET_JOIN returns to its parent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class VIEW_DESCRIPTOR {
 public:
  static constexpr size_t kRuntimeBuffer = 64000;  // bytes of a description built at run time
  static constexpr int kMaxDepth = 19;             // nesting levels, the primary included
  static constexpr uint16_t kAll = 0xFFFF;         // whole record; condition join; memo entry

  // Reads a stored description (at most `limit` bytes of it).
  explicit VIEW_DESCRIPTOR(const uint8_t* stored, size_t limit = kRuntimeBuffer);
  // A description built at run time, in an empty buffer: the primary alone, projecting nothing.
  VIEW_DESCRIPTOR();
  VIEW_DESCRIPTOR(const VIEW_DESCRIPTOR&) = delete;
  VIEW_DESCRIPTOR& operator=(const VIEW_DESCRIPTOR&) = delete;

  // False when the description runs past its end, nests deeper than kMaxDepth or is malformed.
  bool valid() const { return valid_; }
  bool builtAtRuntime() const { return runtime_; }
  // Components in structure order.
  size_t count() const { return nodes_.size(); }

  // The current component, by its operations (n counts from 1).
  uint16_t COMPONENTS() const;           // linking key components, kAll for a condition join
  uint16_t COMPONENT(uint16_t n) const;  // the n-th linking field of the parent
  const char* CONDITION() const;         // the join condition, or null
  uint16_t FIELDS() const;               // projected fields, kAll for the whole record
  uint16_t FIELD(uint16_t n) const;      // the n-th projected field number, kAll for a memo
  uint16_t MEMO(uint16_t n) const;       // the memo number of the n-th entry
  uint8_t JOINS() const;                 // joins under the current component
  bool SET_JOIN(uint16_t n);             // descend into the n-th join; false when there is none
  bool UNSET_JOIN();                     // back to the parent; false at the primary

  // Index (structure order) of the current component, and its depth (1 for the primary).
  size_t current() const { return path_.back(); }
  size_t depth() const { return path_.size(); }

 private:
  struct Entry {
    uint16_t field = 0;
    uint16_t memo = 0;
  };
  struct Node {
    int8_t links = 0;
    std::vector<uint16_t> linkFields;
    std::string condition;
    bool hasCondition = false;
    uint16_t fieldCount = 0;
    std::vector<Entry> fields;
    std::vector<size_t> joins;  // node indexes of the joins
  };

  bool parse(const uint8_t* p, size_t limit);
  bool parseNode(const uint8_t* p, size_t limit, size_t& at, int depth);

  std::vector<uint8_t> buffer_;  // the run-time description's storage
  std::vector<Node> nodes_;
  std::vector<size_t> path_{0};
  bool valid_ = false;
  bool runtime_ = false;
};
