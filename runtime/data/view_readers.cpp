// The reader pipeline of a view: table readers, joins read like nested loops, the filter tested
// level by level, and the ordering stage.
#include "runtime/data/view_readers.h"

#include "runtime/core/ufo.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "runtime/core/string_stack.h"
#include "runtime/data/dispatch.h"

namespace kiv::data::view {
namespace {

intptr_t ptr(const void* p) { return reinterpret_cast<intptr_t>(p); }

bool isText(uint8_t type) {
  return type == KIV_STRING || type == KIV_CSTRING || type == KIV_PSTRING;
}

// Position strings: 'V', the number of components, then per component 'E' for an empty join
// row or 'R', a 32-bit length and the table's own position string.
constexpr char kPositionMark = 'V';

bool decode(std::string_view pos, size_t count,
            std::vector<std::pair<bool, std::string_view>>& out) {
  out.clear();
  if (pos.size() < 2 || pos[0] != kPositionMark || static_cast<uint8_t>(pos[1]) != count)
    return false;
  size_t at = 2;
  for (size_t i = 0; i < count; ++i) {
    if (at >= pos.size()) return false;
    char kind = pos[at++];
    if (kind == 'E') {
      out.emplace_back(false, std::string_view());
      continue;
    }
    if (kind != 'R' || at + 4 > pos.size()) return false;
    uint32_t len;
    std::memcpy(&len, pos.data() + at, 4);
    at += 4;
    if (len > pos.size() - at) return false;
    out.emplace_back(true, pos.substr(at, len));
    at += len;
  }
  // What follows the position may only be blanks (a position kept in a blank-padded string).
  for (; at < pos.size(); ++at)
    if (pos[at] != ' ' && pos[at] != '\0') return false;
  return true;
}

}  // namespace

// Drivers clear the error state on entry, so what is left afterwards is the operation's outcome.
int32_t callTable(KivTable* table, int32_t op, std::initializer_list<intptr_t> args) {
  kiv::data::dispatch(table, op, args);
  return Kiv$ERRCODE;
}

int32_t callKey(KivKey* key, int32_t op, std::initializer_list<intptr_t> more) {
  kiv::data::dispatchKey(key, op, more);
  return Kiv$ERRCODE;
}

// ---- TableReader ----

TableReader::TableReader(KivTable* table, KivKey* key, int parent)
    : table_(table), key_(key), parent_(parent) {}

bool TableReader::init() {
  if (!table_ || !table_->record) return false;
  if (!recordFields(*table_, fields_)) return false;
  if (key_) {
    for (int32_t n : keyFields())
      if (n < 1 || size_t(n) > fields_.size()) return false;
  }
  return true;
}

bool TableReader::contains(const void* address) const {
  auto* p = static_cast<const uint8_t*>(address);
  auto* base = static_cast<const uint8_t*>(table_->record);
  return p >= base && p < base + table_->recordLength;
}

std::vector<int32_t> TableReader::keyFields() const {
  std::vector<int32_t> out;
  if (key_ && key_->components)
    out.assign(key_->components, key_->components + key_->componentCount);
  return out;
}

uint8_t* TableReader::fieldAddress(int32_t n) const {
  return static_cast<uint8_t*>(table_->record) + fields_[size_t(n - 1)].offset;
}

static UfoPtr fieldUfo(const TableReader& r, int32_t n) {
  const RecordField& f = r.fields()[size_t(n - 1)];
  return UfoPtr(Kiv$Mem2Ufo(r.fieldAddress(n), f.type, f.size, f.places, 0));
}

bool TableReader::linkByKey(const TableReader& parent, const std::vector<uint16_t>& parentFields) {
  std::vector<int32_t> keyed = keyFields();
  if (!key_ || parentFields.size() > keyed.size()) return false;
  caseBlind_ = (key_->attributes & KIV_KEY_NOCASE) != 0;
  for (size_t i = 0; i < parentFields.size(); ++i) {
    int32_t pf = parentFields[i];
    if (pf < 1 || size_t(pf) > parent.fields().size()) return false;
    UfoPtr child = fieldUfo(*this, keyed[i]);
    UfoPtr par = fieldUfo(parent, pf);
    if (!child || !par) return false;
    links_.emplace_back(std::move(child), std::move(par));
  }
  return true;
}

void TableReader::clearField(int32_t n, int32_t sign) {
  UfoPtr u = fieldUfo(*this, n);
  if (u) Kiv$ClearUfo(u.get(), sign);
}

int32_t TableReader::startFresh(int dir) {
  (void)dir;  // SET starts both ways: NEXT reads from the beginning, PREVIOUS from the end
  return key_ ? callKey(key_, KIV_DRV_SETKEY) : callTable(table_, KIV_DRV_SETFILE);
}

int32_t TableReader::startAtKey(int dir, size_t given) {
  if (!key_) return startFresh(dir);
  std::vector<int32_t> keyed = keyFields();
  for (size_t i = given; i < keyed.size(); ++i) clearField(keyed[i], dir > 0 ? -1 : 1);
  return callKey(key_, KIV_DRV_SETKEYKEY, {ptr(key_)});
}

int32_t TableReader::read(int dir) {
  if (noMemo_) callTable(table_, KIV_DRV_NOMEMO);
  return callTable(table_, dir > 0 ? KIV_DRV_NEXT : KIV_DRV_PREVIOUS);
}

bool TableReader::linksHold() const {
  for (const auto& [child, parent] : links_) {
    bool text = isText(child->type()) && isText(parent->type());
    int32_t d = caseBlind_ && text ? Kiv$Ufodistincti(child.get(), parent.get())
                                   : Kiv$Ufodistinct(child.get(), parent.get());
    if (d) return false;
  }
  return true;
}

int32_t TableReader::firstChild(int dir) {
  if (condition_) {
    if (int32_t e = callTable(table_, KIV_DRV_SETFILE)) return e;
    return nextChild(dir);
  }
  for (const auto& [child, parent] : links_) Kiv$AssignUfo(child.get(), parent.get());
  if (int32_t e = startAtKey(dir, links_.size())) return e;
  return nextChild(dir);
}

int32_t TableReader::nextChild(int dir) {
  for (;;) {
    int32_t e = read(dir);
    if (e) return e;
    if (condition_) {
      if (Kiv$EvalR(condition_.get())) return 0;
      continue;
    }
    return linksHold() ? 0 : 33;
  }
}

std::string TableReader::position(int32_t& error) {
  error = key_ ? callKey(key_, KIV_DRV_POSITIONKEY) : callTable(table_, KIV_DRV_POSITIONFILE);
  std::string pos = kiv::core::popText();
  if (!error && pos.empty()) error = 33;
  return pos;
}

int32_t TableReader::reset(std::string_view position) {
  kiv::core::pushCopy(position);
  return key_ ? callKey(key_, KIV_DRV_RESETKEY) : callTable(table_, KIV_DRV_RESETFILE);
}

int32_t TableReader::reget(std::string_view position) {
  kiv::core::pushCopy(position);
  return key_ ? callKey(key_, KIV_DRV_REGETKEY) : callTable(table_, KIV_DRV_REGETFILE);
}

int32_t TableReader::records(int32_t& count) {
  Kiv$clearerror();
  count = key_ ? kiv::data::dispatchKey(key_, KIV_DRV_RECORDSKEY)
               : kiv::data::dispatch(table_, KIV_DRV_RECORDSFILE);
  return Kiv$ERRCODE;
}

void TableReader::clearRecord() {
  Kiv$CLEAR(table_->record, static_cast<const uint8_t*>(table_->fieldLayout), 0);
}

std::string TableReader::recordImage() const {
  return std::string(static_cast<const char*>(table_->record), table_->recordLength);
}

void TableReader::restoreRecord(std::string_view image) {
  std::memcpy(table_->record, image.data(), std::min<size_t>(image.size(), table_->recordLength));
}

// ---- Pipeline ----

int32_t Pipeline::levelOf(const void* address) const {
  for (size_t i = 0; i < readers.size(); ++i)
    if (readers[i]->contains(address)) return static_cast<int32_t>(i + 1);
  return 0;
}

bool Pipeline::passes(size_t i) const {
  if (!filter) return true;
  int32_t truth = Kiv$EvalLevel(filter, static_cast<int32_t>(i + 1));
  return i + 1 == readers.size() ? truth == 0 : truth != 1;
}

bool Pipeline::pastRange(int dir) const {
  if (!rangeField || !rangeValue) return false;
  const double field = evalReal(*rangeField), value = evalReal(*rangeValue);
  return dir > 0 ? field > value : field < value;
}

int32_t Pipeline::step(size_t i, int dir, bool first, Start start) {
  TableReader& r = *readers[i];
  if (at_.size() != readers.size()) {
    at_.assign(readers.size(), At::Row);
    resume_.assign(readers.size(), false);
    empty_.assign(readers.size(), false);
  }
  int32_t e;
  if (resume_[i]) {
    resume_[i] = false;
    if (empty_[i]) {
      r.clearRecord();
      at_[i] = At::Empty;
      return 0;
    }
    e = i == 0 ? r.read(dir) : r.nextChild(dir);
  } else if (i == 0) {
    if (first && start == Start::Fresh) {
      if (hasStart && r.key() && r.key()->componentCount > 0) {
        // The first n key fields get the captured values, the rest their lowest (highest).
        std::vector<int32_t> keyed = r.keyFields();
        for (size_t c = 0; c < startImage.size() && c < keyed.size(); ++c)
          std::memcpy(r.fieldAddress(keyed[c]), startImage[c].data(),
                      std::min<size_t>(startImage[c].size(), r.fieldSize(keyed[c])));
        e = r.startAtKey(dir, std::min(startImage.size(), keyed.size()));
      } else {
        e = r.startFresh(dir);
      }
      if (!e) e = r.read(dir);
    } else {
      e = r.read(dir);
    }
  } else if (first) {
    e = r.firstChild(dir);
    if (e == 33) {
      // A parent without children is delivered once, with the child's fields cleared.
      r.clearRecord();
      at_[i] = At::Empty;
      return 0;
    }
  } else {
    if (at_[i] == At::Empty) return 33;
    e = r.nextChild(dir);
  }
  if (!e) at_[i] = At::Row;
  return e;
}

int32_t Pipeline::next(int dir, Start start) {
  if (readers.empty()) return 33;
  size_t last = readers.size() - 1;
  size_t i = start == Start::Advance ? last : 0;
  bool first = start == Start::Fresh;
  for (;;) {
    int32_t e = step(i, dir, first, start);
    if (e == 0 && i == 0 && pastRange(dir)) return 33;
    if (e == 0) {
      if (!passes(i)) {
        first = false;
        continue;
      }
      if (i == last) return 0;
      ++i;
      first = true;
      continue;
    }
    if (e != 33) return e;
    if (i == 0) return 33;
    --i;
    first = false;
  }
}

std::string Pipeline::position(int32_t& error) {
  error = 0;
  std::string pos;
  pos.push_back(kPositionMark);
  pos.push_back(static_cast<char>(readers.size()));
  for (size_t i = 0; i < readers.size(); ++i) {
    if (i < at_.size() && at_[i] == At::Empty) {
      pos.push_back('E');
      continue;
    }
    std::string part = readers[i]->position(error);
    if (error) return std::string();
    pos.push_back('R');
    uint32_t len = static_cast<uint32_t>(part.size());
    pos.append(reinterpret_cast<const char*>(&len), 4);
    pos += part;
  }
  return pos;
}

int32_t Pipeline::reset(std::string_view position) {
  std::vector<std::pair<bool, std::string_view>> parts;
  if (!decode(position, readers.size(), parts)) return 35;
  at_.assign(readers.size(), At::Row);
  resume_.assign(readers.size(), false);
  empty_.assign(readers.size(), false);
  for (size_t i = 0; i < parts.size(); ++i) {
    if (!parts[i].first) {
      if (i == 0) return 35;  // the primary always has a record
      empty_[i] = true;
    } else if (int32_t e = readers[i]->reset(parts[i].second)) {
      resume_.assign(readers.size(), false);
      return e;
    }
    resume_[i] = true;
  }
  return 0;
}

int32_t Pipeline::reget(std::string_view position) {
  std::vector<std::pair<bool, std::string_view>> parts;
  if (!decode(position, readers.size(), parts) || !parts[0].first) return 35;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (!parts[i].first) {
      readers[i]->clearRecord();
      continue;
    }
    if (int32_t e = readers[i]->reget(parts[i].second)) return e;
  }
  return 0;
}

std::vector<std::string> Pipeline::images() const {
  std::vector<std::string> out;
  for (const auto& r : readers) out.push_back(r->recordImage());
  return out;
}

void Pipeline::restore(const std::vector<std::string>& images) {
  for (size_t i = 0; i < images.size() && i < readers.size(); ++i)
    readers[i]->restoreRecord(images[i]);
}

// ---- OrderStage ----

int OrderStage::compareValues(const Value& a, const Value& b) {
  if (a.kind == kString && b.kind == kString) {
    int32_t c = kiv::core::collate(a.text, b.text, false);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  auto real = [](const Value& v) {
    if (v.kind == kString) return std::strtod(v.text.c_str(), nullptr);
    return v.kind == kReal ? v.real : static_cast<double>(v.integer);
  };
  double x = real(a), y = real(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

namespace {

int comparePrefix(const std::vector<Value>& a, const std::vector<Value>& b, size_t count,
                  const std::vector<OrderPart>& order) {
  for (size_t j = 0; j < count && j < a.size() && j < b.size(); ++j) {
    int c = OrderStage::compareValues(a[j], b[j]);
    if (order[j].descending) c = -c;
    if (c) return c;
  }
  return 0;
}

}  // namespace

void OrderStage::drop() {
  entries_.clear();
  current_ = -1;
  inclusive_ = false;
  collected_ = false;
}

int32_t OrderStage::collect(Pipeline& pipeline, const std::vector<OrderPart>& order) {
  drop();
  Start start = Start::Fresh;
  for (;;) {
    int32_t e = pipeline.next(1, start);
    start = Start::Advance;
    if (e == 33) break;
    if (e) return e;
    Entry entry;
    for (const OrderPart& part : order) entry.values.push_back(evaluate(*part.expr->root));
    entry.images = pipeline.images();
    entry.position = pipeline.position(e);
    if (e) return e;
    entries_.push_back(std::move(entry));
  }
  std::stable_sort(entries_.begin(), entries_.end(), [&](const Entry& a, const Entry& b) {
    return comparePrefix(a.values, b.values, order.size(), order) < 0;
  });
  collected_ = true;
  return 0;
}

void OrderStage::startFresh(int dir, const std::vector<Value>* start, size_t given,
                            const std::vector<OrderPart>& order) {
  long n = static_cast<long>(entries_.size());
  inclusive_ = false;
  current_ = dir > 0 ? -1 : n;
  if (!start || given == 0) return;
  if (dir > 0) {
    for (long i = 0; i < n; ++i)
      if (comparePrefix(entries_[size_t(i)].values, *start, given, order) >= 0) {
        current_ = i;
        inclusive_ = true;
        return;
      }
    current_ = n;
  } else {
    for (long i = n - 1; i >= 0; --i)
      if (comparePrefix(entries_[size_t(i)].values, *start, given, order) <= 0) {
        current_ = i;
        inclusive_ = true;
        return;
      }
    current_ = -1;
  }
}

int32_t OrderStage::next(int dir, Pipeline& pipeline) {
  long n = static_cast<long>(entries_.size());
  long i = inclusive_ ? current_ : current_ + (dir > 0 ? 1 : -1);
  inclusive_ = false;
  if (i < 0 || i >= n) return 33;
  current_ = i;
  pipeline.restore(entries_[size_t(i)].images);
  return 0;
}

int32_t OrderStage::reset(std::string_view position) {
  for (size_t i = 0; i < entries_.size(); ++i) {
    std::string_view mine = entries_[i].position;
    if (position.size() >= mine.size() && position.substr(0, mine.size()) == mine &&
        position.find_first_not_of(std::string_view(" \0", 2), mine.size()) ==
            std::string_view::npos) {
      current_ = static_cast<long>(i);
      inclusive_ = true;
      return 0;
    }
  }
  return 35;
}

std::string OrderStage::position(int32_t& error) const {
  error = 0;
  if (current_ < 0 || current_ >= static_cast<long>(entries_.size())) {
    error = 33;
    return std::string();
  }
  return entries_[size_t(current_)].position;
}

}  // namespace kiv::data::view
