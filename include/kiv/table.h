// Tables and keys. A table declaration names its record type, label, driver, attribute byte and
// keys once; the table descriptor, the key descriptors and the record buffer all come from it:
//
//   #define PERSON_KEYS(KEY)
//     KEY(ById, "BYID", kiv::NoCase | kiv::Primary, Id)
//     KEY(ByName, "BYNAME", kiv::Dup | kiv::NoCase, Name, Id)
//   KIV_TABLE(PersonTable, PersonRecord, "PERSON", ZEPHRA, 0x3C, PERSON_KEYS);
//   thread_local PersonTable Person;     // a per-thread table: each thread its own instance
//
//   Person.rec.Id = 7;
//   Person.get(Person.ById);
//   if (kiv::errorCode() == 0) ...
//
// Every operation is one call of the runtime's file entry points; errors are left in the
// runtime's error state for the caller to test.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "error.h"
#include "../kvrun32.h"

namespace kiv {

// Key attributes (a unique key has no Dup bit).
enum KeyAttribute : uint16_t {
  Unique = 0,
  Dup = KIV_KEY_DUP,
  Opt = KIV_KEY_OPT,
  NoCase = KIV_KEY_NOCASE,
  Primary = KIV_KEY_PRIMARY,
  Dynamic = KIV_KEY_DYNAMIC,
};

// Open modes used by programs.
enum OpenMode : int32_t {
  ReadWriteDenyNone = KIV_OPEN_READWRITE | KIV_SHARE_DENY_NONE,    // 42h
  ReadWriteDenyWrite = KIV_OPEN_READWRITE | KIV_SHARE_DENY_WRITE,  // 22h
  ReadWriteDenyAll = KIV_OPEN_READWRITE | KIV_SHARE_DENY_ALL,      // 12h
};

class Table;

// One KEY or INDEX of a table; a key without components is built at run time.
class Key {
 public:
  Key(Table* owner, const char* label, uint16_t attributes, std::initializer_list<int32_t> fields);
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;

  KivKey* desc() { return &desc_; }
  std::string_view label() const { return label_; }

 private:
  std::string label_;
  std::array<int32_t, 8> components_{};
  KivKey desc_{};
};

// A table: its descriptor and the operations on it. The record buffer is the derived
// declaration's `rec`.
class Table {
 public:
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;
  // A thread that ends closes its own instance of a per-thread table.
  ~Table() {
    if (desc_.openFile) Kiv$FILE_CLOSE(&desc_);
  }

  KivTable* desc() { return &desc_; }
  const char* labelPrefix() const { return prefix_; }
  bool isOpen() const { return desc_.openFile != nullptr; }

  void open(int32_t mode = ReadWriteDenyNone) { Kiv$FILE_OPEN(&desc_, mode); }
  void share(int32_t mode = ReadWriteDenyNone) { Kiv$FILE_SHARE(&desc_, mode); }
  void create() { Kiv$FILE_CREATE(&desc_); }
  void close() { Kiv$FILE_CLOSE(&desc_); }
  void remove() { Kiv$FILE_REMOVE(&desc_); }
  void empty() { Kiv$FILE_EMPTY(&desc_); }

  // SET(file), SET(key), SET(key, key): record order; key order from its start; key order from
  // the key value now in the record buffer.
  void set() { Kiv$FILE_SETf(&desc_); }
  void set(Key& key) { Kiv$FILE_SETk(key.desc()); }
  void set(Key& key, Key& same) { Kiv$FILE_SETkk(key.desc(), same.desc()); }
  // SET(file, pointer): record order from the record at the pointer (or the next one there is).
  void setAt(int32_t pointer) { Kiv$FILE_SETfl(&desc_, pointer); }
  void next() { Kiv$FILE_NEXT(&desc_); }
  void previous() { Kiv$FILE_PREV(&desc_); }
  void skip(int32_t count) { Kiv$FILE_SKIP(&desc_, count); }
  bool eof() { return Kiv$FILE_CEOF(&desc_) != 0; }

  // GET(file, key) and GET(file, pointer).
  void get(Key& key) { Kiv$FILE_GETfk(&desc_, key.desc()); }
  void get(int32_t pointer) { Kiv$FILE_GETfl(&desc_, pointer); }
  void add() { Kiv$FILE_ADDf(&desc_); }
  void append() { Kiv$FILE_APPENDf(&desc_); }
  void put() { Kiv$FILE_PUTf(&desc_); }
  void erase() { Kiv$FILE_DELETE(&desc_); }  // DELETE(file): the current record

  // BUILD(file), BUILD(key), BUILD(index, components).
  void build() { Kiv$FILE_BUILDf(&desc_); }
  void build(Key& key) { Kiv$FILE_BUILDk(key.desc()); }
  void build(Key& index, std::string_view components) {
    pushText(components);
    Kiv$FILE_BUILDks(index.desc());
  }

  // WATCH: the next record read is watched; writing it fails with 89 when another program has
  // changed it since.
  void watch() { Kiv$FILE_WATCH(&desc_); }
  // POSITION(key) and REGET(key, position): where the current record stands in a key, and the
  // record read again from there.
  std::string position(Key& key) {
    Kiv$FILE_POSITIONk(key.desc());
    return popString();
  }
  void reget(Key& key, std::string_view position) {
    pushText(position);
    Kiv$FILE_REGETk(key.desc());
  }

  void stream() { Kiv$FILE_STREAM(&desc_); }
  void flush() { Kiv$FILE_FLUSH(&desc_); }
  int32_t records() { return Kiv$FILE_RECORDSf(&desc_); }
  int32_t records(Key& key) { return Kiv$FILE_RECORDSk(key.desc()); }
  int32_t pointer() { return Kiv$FILE_POINTERf(&desc_); }
  // DUPLICATE(key): another record has the key value of the record buffer.
  bool duplicate(Key& key) { return Kiv$FILE_DUPLICATEk(key.desc()) != 0; }

  // SEND(file, command): the driver's answer.
  std::string send(std::string_view command) {
    pushText(command);
    Kiv$FILE_SEND(&desc_);
    return popString();
  }
  // NAME(file).
  std::string name() {
    Kiv$FILE_NAME(&desc_);
    return popString();
  }

 protected:
  Table(const char* label, const char* prefix, KivDriverEntry driver, uint8_t attributes,
        uint32_t recordLength, const uint8_t* layout)
      : prefix_(prefix) {
    desc_.driver = driver;
    desc_.name = label;
    desc_.nameLen = uint32_t(std::char_traits<char>::length(label));
    desc_.attributes = attributes;
    desc_.recordLength = recordLength;
    desc_.fieldLayout = layout;
  }
  void bind(void* record, KivKey* const* keys, uint8_t keyCount) {
    desc_.record = record;
    desc_.keys = keys;
    desc_.keyCount = keyCount;
  }

 private:
  const char* prefix_;
  KivTable desc_{};
};

// LOGOUT(seconds, table, ...), COMMIT and ROLLBACK: one transaction over the tables listed.
template <typename... Tables>
void logout(int32_t seconds, Tables&... tables) {
  Kiv$LOGOUT(seconds, tables.desc()..., static_cast<KivTable*>(nullptr));
}
inline void commit() { Kiv$COMMIT(); }
inline void rollback() { Kiv$ROLLBACK(); }

inline Key::Key(Table* owner, const char* label, uint16_t attributes,
                std::initializer_list<int32_t> fields)
    : label_(std::string(owner->labelPrefix()) + ":" + label) {
  uint8_t n = 0;
  for (int32_t f : fields)
    if (n < components_.size()) components_[n++] = f;
  desc_.name = label_.c_str();
  desc_.nameLen = uint32_t(label_.size());
  desc_.attributes = attributes;
  desc_.componentCount = n;
  desc_.components = n ? components_.data() : nullptr;
  desc_.table = owner->desc();
}

}  // namespace kiv

#define KIV_KEY_MEMBER_(name, label, attributes, ...) \
  kiv::Key name{this, label, uint16_t(attributes), {__VA_ARGS__}};
#define KIV_KEY_ADDRESS_(name, label, attributes, ...) name.desc(),
#define KIV_KEY_COUNT_(name, label, attributes, ...) +1
#define KIV_NO_KEYS(KEY)

// Declares table type `Name` over record type `Record`; field numbers of the record name key
// components directly.
#define KIV_TABLE(Name, Record, label, driver, attributes, KEYS)                     \
  struct Name : kiv::Table, Record::Fields {                                         \
    Name()                                                                           \
        : kiv::Table(label, Record::labelPrefix, driver, attributes, sizeof(Record), \
                     Record::layout()) {                                             \
      rec.clear();                                                                   \
      bind(&rec, keyList_.data(), uint8_t(keyList_.size()));                         \
    }                                                                                \
    Record rec;                                                                      \
    KEYS(KIV_KEY_MEMBER_)                                                            \
                                                                                     \
   private:                                                                          \
    std::array<KivKey*, 0 KEYS(KIV_KEY_COUNT_)> keyList_{{KEYS(KIV_KEY_ADDRESS_)}};  \
  }
