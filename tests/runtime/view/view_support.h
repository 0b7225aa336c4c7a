// Views over the catalog's DISKS and FILES for tests: a view declaration (structure description
// and component list), a fixture with both tables created in a temporary directory and their
// record groups bound, and helpers that read a view or a table through to its end.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "include/kvrun32.h"
#include "tests/support/catalog_tables.h"

namespace viewtest {

using namespace kivtest;

// A view: the structure description bytes, the component list and the descriptor.
struct ViewDecl {
  std::vector<uint8_t> structure;
  std::vector<void*> components;
  KivView view{};
  ViewDecl(std::vector<uint8_t> s, std::vector<void*> c)
      : structure(std::move(s)), components(std::move(c)) {
    view.driver = &VIEWDRIVER;
    view.structure = structure.data();
    view.components = components.data();
  }
  ViewDecl(const ViewDecl&) = delete;
  KivTable* t() { return reinterpret_cast<KivTable*>(&view); }
};

// Structure bytes: the primary projecting its whole record, with `joins` joins following.
inline std::vector<uint8_t> primaryWhole(uint8_t joins) { return {0x00, 0xFF, 0xFF, joins}; }
// A join linked by one parent field, projecting the whole record, without joins of its own.
inline std::vector<uint8_t> joinByField(uint16_t parentField) {
  return {0x01, uint8_t(parentField), uint8_t(parentField >> 8), 0xFF, 0xFF, 0x00};
}
inline std::vector<uint8_t> cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline void setProperty(KivTable* view, int32_t property, const std::string& value) {
  Kiv$PushCString(std::to_string(property).c_str());
  Kiv$PushString(value.data(), static_cast<uint32_t>(value.size()));
  Kiv$FILE_SET_PROPERTY(view, 0);
}
inline void setFilter(KivTable* view, const std::string& f) {
  setProperty(view, KIV_VIEW_PROP_FILTER, f);
}
inline void setOrder(KivTable* view, const std::string& o) {
  setProperty(view, KIV_VIEW_PROP_ORDER, o);
}
inline std::string position(KivTable* view) {
  Kiv$FILE_POSITIONf(view);
  return popString();
}
inline void reset(KivTable* view, const std::string& pos) {
  Kiv$PushString(pos.data(), static_cast<uint32_t>(pos.size()));
  Kiv$FILE_RESETf(view);
}
inline void reget(KivTable* view, const std::string& pos) {
  Kiv$PushString(pos.data(), static_cast<uint32_t>(pos.size()));
  Kiv$FILE_REGETf(view);
}

// Reads until an error; gives what `item` makes of each record and leaves the error in *last.
inline std::vector<std::string> readAll(KivTable* t, bool backward,
                                        const std::function<std::string()>& item,
                                        int32_t* last = nullptr) {
  std::vector<std::string> out;
  for (;;) {
    if (backward)
      Kiv$FILE_PREV(t);
    else
      Kiv$FILE_NEXT(t);
    if (Kiv$ERRCODE) break;
    out.push_back(item());
  }
  if (last) *last = Kiv$ERRCODE;
  return out;
}

class CatalogViews : public ::testing::Test {
 protected:
  TempDir dir;
  std::unique_ptr<TableDecl> disks = makeDisks();
  std::unique_ptr<TableDecl> files = makeFiles();

  void SetUp() override {
    for (TableDecl* t : {disks.get(), files.get()}) {
      Kiv$FILE_CREATE(&t->table);
      ASSERT_EQ(Kiv$ERRCODE, 0);
      Kiv$FILE_OPEN(&t->table, 0x42);
      ASSERT_EQ(Kiv$ERRCODE, 0);
    }
    Kiv$PushBind();
    bind(*disks);
    bind(*files);
  }
  void TearDown() override {
    for (auto* v : opened)
      if (v->engine) Kiv$FILE_CLOSE(reinterpret_cast<KivTable*>(v));
    Kiv$PopBind();
    for (Ufo* g : groups) Kiv$FreeUfo(g);
    if (disks->table.openFile) Kiv$FILE_CLOSE(&disks->table);
    if (files->table.openFile) Kiv$FILE_CLOSE(&files->table);
  }
  void bind(TableDecl& t) {
    Ufo* g = Kiv$Group2Ufo(t.table.record, static_cast<const uint8_t*>(t.table.fieldLayout));
    ASSERT_NE(g, nullptr);
    Kiv$BindG(g);
    groups.push_back(g);
  }
  void open(ViewDecl& v) {
    Kiv$FILE_OPEN(v.t(), 0x22);
    ASSERT_EQ(Kiv$ERRCODE, 0);
    opened.push_back(&v.view);
  }
  void addDisk(int32_t id, const std::string& label, const std::string& category = "",
               uint32_t freeSpace = 0) {
    disks->clear();
    disks->setLong(DIS_IDNUM, id);
    disks->setText(DIS_LABEL, label);
    disks->setText(DIS_CATEGORY, category);
    disks->setLong(DIS_FREESPACE, static_cast<int32_t>(freeSpace));
    Kiv$FILE_ADDf(&disks->table);
    ASSERT_EQ(Kiv$ERRCODE, 0);
  }
  void addFile(int32_t disk, const std::string& name, uint32_t size) {
    files->clear();
    files->setLong(FIL_DISKID, disk);
    files->setText(FIL_SHORTNAME, name);
    files->setLong(FIL_SIZE, static_cast<int32_t>(size));
    files->setText(FIL_PATH, "C:\\" + name);
    Kiv$FILE_ADDf(&files->table);
    ASSERT_EQ(Kiv$ERRCODE, 0);
  }
  std::vector<Ufo*> groups;
  std::vector<KivView*> opened;
};

}  // namespace viewtest
