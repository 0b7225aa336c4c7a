// Test declarations of tables: a record layout in the runtime's group-layout format, the key
// descriptors and the record buffer, all from one list of fields and keys. Declares the catalog's
// DISKS and FILES tables.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "include/kvrun32.h"

namespace kivtest {

struct FieldDecl {
  uint8_t type;
  uint32_t size;
  const char* name;
  uint8_t places = 0;
};

struct KeyDecl {
  const char* name;
  std::vector<int32_t> components;  // 1-based field numbers; empty for a run-time index
  uint16_t attributes;
};

class TableDecl {
 public:
  TableDecl(const char* label, KivDriverEntry driver, std::vector<FieldDecl> fields,
            std::vector<KeyDecl> keys, uint8_t attributes)
      : label_(label), fields_(std::move(fields)) {
    uint32_t offset = 0;
    for (const FieldDecl& f : fields_) {
      offsets_.push_back(offset);
      offset += f.size;
    }
    record_.assign(offset, ' ');
    encodeLayout(offset);
    for (const KeyDecl& k : keys) components_.push_back(k.components);
    keys_.resize(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
      KivKey& d = keys_[i];
      std::memset(&d, 0, sizeof d);
      d.name = keys[i].name;
      d.nameLen = static_cast<uint32_t>(std::strlen(keys[i].name));
      d.attributes = keys[i].attributes;
      d.componentCount = static_cast<uint8_t>(components_[i].size());
      d.components = components_[i].empty() ? nullptr : components_[i].data();
      d.table = &table;
      keyPtrs_.push_back(&d);
    }
    std::memset(&table, 0, sizeof table);
    table.driver = driver;
    table.name = label_.c_str();
    table.nameLen = static_cast<uint32_t>(label_.size());
    table.attributes = attributes;
    table.keyCount = static_cast<uint8_t>(keys_.size());
    table.recordLength = offset;
    table.fieldLayout = layout_.data();
    table.keys = keyPtrs_.data();
    table.record = record_.data();
    clear();
  }
  TableDecl(const TableDecl&) = delete;

  KivTable table;
  KivKey* key(size_t i) { return &keys_[i]; }
  char* field(int n) { return record_.data() + offsets_[n - 1]; }
  uint32_t fieldSize(int n) const { return fields_[n - 1].size; }

  void clear() {
    for (size_t i = 0; i < fields_.size(); ++i) {
      bool text = fields_[i].type == KIV_STRING;
      std::memset(record_.data() + offsets_[i], text ? ' ' : 0, fields_[i].size);
    }
  }
  void setText(int n, const std::string& s) {
    uint32_t size = fieldSize(n);
    std::memset(field(n), ' ', size);
    std::memcpy(field(n), s.data(), std::min<size_t>(s.size(), size));
  }
  std::string text(int n) {
    std::string s(field(n), fieldSize(n));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  }
  void setLong(int n, int32_t v) { std::memcpy(field(n), &v, 4); }
  int32_t getLong(int n) {
    int32_t v;
    std::memcpy(&v, field(n), 4);
    return v;
  }
  void setByte(int n, uint8_t v) { *reinterpret_cast<uint8_t*>(field(n)) = v; }
  std::string record() const { return std::string(record_.data(), record_.size()); }
  void setRecord(const std::string& r) { std::memcpy(record_.data(), r.data(), record_.size()); }

 private:
  void u8(uint8_t v) { layout_.push_back(v); }
  void u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) layout_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void text(const std::string& s) {
    u8(static_cast<uint8_t>(s.size()));
    layout_.insert(layout_.end(), s.begin(), s.end());
  }
  void encodeLayout(uint32_t size) {
    u8(KIV_GROUP);
    u32(0);  // length, patched below
    u32(size);
    u32(0);
    u32(static_cast<uint32_t>(fields_.size()));
    text(label_);
    for (size_t i = 0; i < fields_.size(); ++i) {
      u8(fields_[i].type);
      u8(fields_[i].places);
      u8(0);
      u32(fields_[i].size);
      u32(0);
      u32(offsets_[i]);
      u32(0);
      text(fields_[i].name);
      text("");
      text("");
    }
    uint32_t total = static_cast<uint32_t>(layout_.size());
    std::memcpy(layout_.data() + 1, &total, 4);
  }

  std::string label_;
  std::vector<FieldDecl> fields_;
  std::vector<uint32_t> offsets_;
  std::vector<uint8_t> layout_;
  std::vector<std::vector<int32_t>> components_;
  std::vector<KivKey> keys_;
  std::vector<KivKey*> keyPtrs_;
  std::vector<char> record_;
};

extern "C" int32_t ZEPHRA(int32_t op, KivTable* table, intptr_t* args);
extern "C" int32_t ASCII(int32_t op, KivTable* table, intptr_t* args);

// Field numbers of DISKS and FILES.
enum Dis {
  DIS_IDNUM = 1,
  DIS_USERNUM,
  DIS_LABEL,
  DIS_CATEGORY,
  DIS_KEYWORD1,
  DIS_KEYWORD2,
  DIS_KEYWORD3,
  DIS_TOTALBYTES,
  DIS_FREESPACE,
  DIS_SERIALNO,
  DIS_TYPE,
  DIS_FILES,
  DIS_COMMENTS
};
enum Fil {
  FIL_DISKID = 1,
  FIL_SHORTNAME,
  FIL_DISPLAYDATE,
  FIL_DISPLAYTIME,
  FIL_CREATIONDATE,
  FIL_CREATIONTIME,
  FIL_ACCESSDATE,
  FIL_ACCESSTIME,
  FIL_MODIFYDATE,
  FIL_MODIFYTIME,
  FIL_SIZE,
  FIL_ATTRIB,
  FIL_PATH,
  FIL_TYPE,
  FIL_LONGNAME,
  FIL_COMMENT,
  FIL_DELETEFLAG
};
// Key positions in the key lists.
enum DisKey {
  DIS_BYIDNUM,
  DIS_BYUSERNUM,
  DIS_BYLABEL,
  DIS_BYCATEGORY,
  DIS_BYFREESPACE,
  DIS_BYTYPE,
  DIS_DYNNDX
};
enum FilKey {
  FIL_BYDISKID,
  FIL_BYNAME,
  FIL_BYDATE,
  FIL_BYTIME,
  FIL_BYSIZE,
  FIL_BYATTRIB,
  FIL_BYTYPE,
  FIL_DYNNDX
};

inline std::unique_ptr<TableDecl> makeDisks(const char* label = "DISKS",
                                            KivDriverEntry driver = ZEPHRA) {
  return std::make_unique<TableDecl>(label, driver,
                                     std::vector<FieldDecl>{{KIV_LONG, 4, "DIS:IDNUM"},
                                                            {KIV_STRING, 12, "DIS:USERNUM"},
                                                            {KIV_STRING, 11, "DIS:LABEL"},
                                                            {KIV_STRING, 20, "DIS:CATEGORY"},
                                                            {KIV_STRING, 20, "DIS:KEYWORD1"},
                                                            {KIV_STRING, 20, "DIS:KEYWORD2"},
                                                            {KIV_STRING, 20, "DIS:KEYWORD3"},
                                                            {KIV_ULONG, 4, "DIS:TOTALBYTES"},
                                                            {KIV_ULONG, 4, "DIS:FREESPACE"},
                                                            {KIV_STRING, 9, "DIS:SERIALNO"},
                                                            {KIV_STRING, 1, "DIS:TYPE"},
                                                            {KIV_LONG, 4, "DIS:FILES"},
                                                            {KIV_STRING, 255, "DIS:COMMENTS"}},
                                     std::vector<KeyDecl>{{"DIS:BYIDNUM", {1}, 0x14},
                                                          {"DIS:BYUSERNUM", {2}, 0x06},
                                                          {"DIS:BYLABEL", {3}, 0x05},
                                                          {"DIS:BYCATEGORY", {4}, 0x07},
                                                          {"DIS:BYFREESPACE", {9}, 0x05},
                                                          {"DIS:BYTYPE", {11}, 0x07},
                                                          {"DIS:DYNNDX", {}, 0x4007}},
                                     0x3C);
}

inline std::unique_ptr<TableDecl> makeFiles(const char* label = "FILES",
                                            KivDriverEntry driver = ZEPHRA) {
  return std::make_unique<TableDecl>(label, driver,
                                     std::vector<FieldDecl>{{KIV_LONG, 4, "FIL:DISKID"},
                                                            {KIV_STRING, 12, "FIL:SHORTNAME"},
                                                            {KIV_LONG, 4, "FIL:DISPLAYDATE"},
                                                            {KIV_LONG, 4, "FIL:DISPLAYTIME"},
                                                            {KIV_LONG, 4, "FIL:CREATIONDATE"},
                                                            {KIV_LONG, 4, "FIL:CREATIONTIME"},
                                                            {KIV_LONG, 4, "FIL:ACCESSDATE"},
                                                            {KIV_LONG, 4, "FIL:ACCESSTIME"},
                                                            {KIV_LONG, 4, "FIL:MODIFYDATE"},
                                                            {KIV_LONG, 4, "FIL:MODIFYTIME"},
                                                            {KIV_ULONG, 4, "FIL:SIZE"},
                                                            {KIV_STRING, 4, "FIL:ATTRIB"},
                                                            {KIV_STRING, 260, "FIL:PATH"},
                                                            {KIV_STRING, 3, "FIL:TYPE"},
                                                            {KIV_STRING, 260, "FIL:LONGNAME"},
                                                            {KIV_STRING, 260, "FIL:COMMENT"},
                                                            {KIV_BYTE, 1, "FIL:DELETEFLAG"}},
                                     std::vector<KeyDecl>{{"FIL:BYDISKID", {1, 2}, 0x05},
                                                          {"FIL:BYNAME", {2}, 0x05},
                                                          {"FIL:BYDATE", {3, 4, 2}, 0x05},
                                                          {"FIL:BYTIME", {4, 2}, 0x05},
                                                          {"FIL:BYSIZE", {11, 2}, 0x05},
                                                          {"FIL:BYATTRIB", {12, 2}, 0x07},
                                                          {"FIL:BYTYPE", {14, 2}, 0x05},
                                                          {"FIL:DYNNDX", {}, 0x4007}},
                                     0x3C);
}

// Fills a FILES record with plausible content for file number n of disk `disk`.
inline void fillFile(TableDecl& f, int32_t disk, int32_t number) {
  const int64_t n = number;
  static const char* const kExt[] = {"TXT", "EXE", "DLL", "DOC", "JPG", "ZIP", "INI", "BAT"};
  f.clear();
  char name[16];
  std::snprintf(name, sizeof name, "F%07d.%s", static_cast<int>((n * 7919) % 10000000),
                kExt[n % 8]);
  f.setLong(FIL_DISKID, disk);
  f.setText(FIL_SHORTNAME, name);
  f.setLong(FIL_DISPLAYDATE, static_cast<int32_t>(70000 + n % 9000));
  f.setLong(FIL_DISPLAYTIME, static_cast<int32_t>(1 + (n * 3571) % 8640000));
  f.setLong(FIL_CREATIONDATE, static_cast<int32_t>(70000 + n % 9000));
  f.setLong(FIL_CREATIONTIME, static_cast<int32_t>(1 + (n * 31) % 8640000));
  f.setLong(FIL_ACCESSDATE, static_cast<int32_t>(70000 + n % 9000));
  f.setLong(FIL_ACCESSTIME, static_cast<int32_t>(1 + (n * 17) % 8640000));
  f.setLong(FIL_MODIFYDATE, static_cast<int32_t>(70000 + n % 9000));
  f.setLong(FIL_MODIFYTIME, static_cast<int32_t>(1 + (n * 3571) % 8640000));
  f.setLong(FIL_SIZE, static_cast<int32_t>((n * 104729) % 50000000));
  f.setText(FIL_ATTRIB, n % 5 ? "A" : "");
  std::string path = "C:\\PROGRAMS\\DIR" + std::to_string(n % 500) + "\\SUB" +
                     std::to_string(n % 37) + "\\" + name;
  f.setText(FIL_PATH, path);
  f.setText(FIL_TYPE, kExt[n % 8]);
  f.setText(FIL_LONGNAME, std::string("LONG NAME OF ") + name);
  f.setByte(FIL_DELETEFLAG, 0);
}

// Runs a test in a fresh temporary directory and returns to the previous one afterwards.
class TempDir {
 public:
  TempDir() {
    char cwd[4096];
    old_ = getcwd(cwd, sizeof cwd) ? cwd : "/tmp";
    char tmpl[] = "/tmp/kivtest-XXXXXX";
    path_ = mkdtemp(tmpl);
    if (chdir(path_.c_str()) != 0) path_.clear();
  }
  ~TempDir() {
    if (chdir(old_.c_str()) != 0) return;
    std::string cmd = "rm -rf '" + path_ + "'";
    if (std::system(cmd.c_str()) != 0) return;
  }
  const std::string& path() const { return path_; }

 private:
  std::string old_, path_;
};

inline std::string popString() {
  KivHeapStr s{};
  Kiv$PopTemp(&s);
  std::string r(s.addr ? s.addr : "", s.len);
  Kiv$freestr(&s);
  return r;
}

}  // namespace kivtest
