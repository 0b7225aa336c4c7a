// The reader pipeline of an open view: one table reader per component (keyed or in record
// order), joined component by component, with the filter applied level by level, and an
// ordering stage for orders set at run time. Readers work through the tables' own drivers, so
// every table keeps its cursor on the record the view delivered last.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/data/expr_tree.h"
#include "runtime/data/record_fields.h"

namespace kiv::data::view {

// Frees a parsed expression.
struct ExprFree {
  void operator()(KivExpr* e) const { Kiv$FreeParsed(e); }
};
using ExprPtr = std::unique_ptr<KivExpr, ExprFree>;

// A value descriptor over a field of a record buffer.
struct UfoFree {
  void operator()(Ufo* u) const { Kiv$FreeUfo(u); }
};
using UfoPtr = std::unique_ptr<Ufo, UfoFree>;

// Calls a table's driver through the file layer and gives the error it left (0 on success).
int32_t callTable(KivTable* table, int32_t op, std::initializer_list<intptr_t> args = {});
int32_t callKey(KivKey* key, int32_t op, std::initializer_list<intptr_t> more = {});

// One component: a table read through a key or in record order, linked to its parent.
class TableReader {
 public:
  // `key` null: read in record order. False from init() when the table's layout cannot be read.
  TableReader(KivTable* table, KivKey* key, int parent);
  bool init();

  KivTable* table() const { return table_; }
  KivKey* key() const { return key_; }
  int parent() const { return parent_; }
  const std::vector<RecordField>& fields() const { return fields_; }
  bool contains(const void* address) const;

  // Linking: child key component i equals parent field; false when a field is not there.
  bool linkByKey(const TableReader& parent, const std::vector<uint16_t>& parentFields);
  void linkByCondition(ExprPtr condition) { condition_ = std::move(condition); }
  void setNoMemo(bool noMemo) { noMemo_ = noMemo; }

  // Key components (field numbers) of the reader's key; empty in record order.
  std::vector<int32_t> keyFields() const;
  // Field storage of 1-based field n.
  uint8_t* fieldAddress(int32_t n) const;
  uint32_t fieldSize(int32_t n) const { return fields_[size_t(n - 1)].totalSize(); }

  // Sequence start at the beginning (dir > 0) or the end of the reader's order.
  int32_t startFresh(int dir);
  // Sequence start at the key values now in the buffer for the first `given` key components,
  // the rest cleared to their lowest value (highest when reading backward).
  int32_t startAtKey(int dir, size_t given);
  // The next record of the sequence in direction dir: 0, 33 at the end, or another error.
  int32_t read(int dir);
  // For a join: the first child of the parent's current record in direction dir, and the next.
  // 33 when there is none (more).
  int32_t firstChild(int dir);
  int32_t nextChild(int dir);

  std::string position(int32_t& error);
  int32_t reset(std::string_view position);
  int32_t reget(std::string_view position);
  int32_t records(int32_t& count);
  void clearRecord();
  std::string recordImage() const;
  void restoreRecord(std::string_view image);

 private:
  bool linksHold() const;
  void clearField(int32_t n, int32_t sign);

  KivTable* table_;
  KivKey* key_;
  int parent_;
  bool noMemo_ = false;
  std::vector<RecordField> fields_;
  std::vector<std::pair<UfoPtr, UfoPtr>> links_;  // child key field, parent field
  bool caseBlind_ = false;
  ExprPtr condition_;
};

// What the engine does at the next read.
enum class Start {
  Fresh,     // start afresh: at the start values if any, else at the beginning or end
  Continue,  // the primary table was SET by the program: read on from its position
  Resume,    // after RESET: every table reads on from the position it was reset to
  Advance    // read the combination after the current one
};

// The readers of all components in structure order, read like nested loops with the filter
// tested as soon as the fields it names have been read.
class Pipeline {
 public:
  std::vector<std::unique_ptr<TableReader>> readers;
  KivExpr* filter = nullptr;            // owned by the engine
  bool hasStart = false;                // SET by order values captured start values
  std::vector<std::string> startImage;  // the bytes of the first n key fields it captured
  // A filter that holds the primary key's first field equal to a value from outside the view
  // holds it for one stretch of the key: reading stops once the field has gone past the value.
  const Node* rangeField = nullptr;
  const Node* rangeValue = nullptr;

  // The next combination in direction dir that passes the filter: 0, 33 or another error.
  int32_t next(int dir, Start start);
  // The level of a variable for the filter: its component's position, 0 outside the view.
  int32_t levelOf(const void* address) const;

  std::string position(int32_t& error);
  int32_t reset(std::string_view position);
  int32_t reget(std::string_view position);
  std::vector<std::string> images() const;
  void restore(const std::vector<std::string>& images);

 private:
  // Moves reader i: to its first record (first) or its next one in direction dir.
  int32_t step(size_t i, int dir, bool first, Start start);
  bool passes(size_t i) const;
  // The primary record read in direction dir lies past the filter's stretch of the key.
  bool pastRange(int dir) const;

  enum class At { Row, Empty };
  std::vector<At> at_;
  std::vector<bool> resume_;  // read on from the reset position once
  std::vector<bool> empty_;   // the reset position of an empty join
};

// A component of a run-time order: an expression and its direction.
struct OrderPart {
  ExprPtr expr;
  bool descending = false;
};

// Collects every combination the pipeline delivers and hands them out in the run-time order.
class OrderStage {
 public:
  // Reads the whole pipeline from its beginning.
  int32_t collect(Pipeline& pipeline, const std::vector<OrderPart>& order);
  bool collected() const { return collected_; }
  void drop();

  // Start for the next read: before the first (dir > 0) or after the last; with start values,
  // at the first entry at or after them in direction dir.
  void startFresh(int dir, const std::vector<Value>* start, size_t given,
                  const std::vector<OrderPart>& order);
  // The next entry in direction dir, delivered into the record buffers: 0 or 33.
  int32_t next(int dir, Pipeline& pipeline);
  // Finds the entry with this position; the next read delivers it. 35 when there is none.
  int32_t reset(std::string_view position);
  std::string position(int32_t& error) const;

  static int compareValues(const Value& a, const Value& b);

 private:
  struct Entry {
    std::vector<Value> values;
    std::vector<std::string> images;
    std::string position;
  };
  std::vector<Entry> entries_;
  long current_ = -1;       // entry delivered last, or the boundary the next read starts from
  bool inclusive_ = false;  // the next read delivers entries_[current_] itself
  bool collected_ = false;
};

}  // namespace kiv::data::view
