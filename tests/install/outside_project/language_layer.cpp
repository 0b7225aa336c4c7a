// A C++ program in the language layer, built against the installed kvrun32 only: a record and a
// keyed table declared once, a filtered view over it, a queue sorted by a field, a line-text
// table, and the end through the runtime's exit.
#include <kiv/bind.h>
#include <kiv/kiv.h>
#include <kiv/view.h>

#include <cstdio>
#include <string>

using Money = kiv::Decimal<7, 2>;
#define ITEM_FIELDS(FIELD)             \
  FIELD(Code, kiv::Long, "CODE")       \
  FIELD(Name, kiv::String<12>, "NAME") \
  FIELD(Price, Money, "PRICE")         \
  FIELD(Stock, kiv::Short, "STOCK")
#define ITEM_KEYS(KEY)                                                  \
  KEY(ByCode, "BYCODE", kiv::Unique | kiv::NoCase | kiv::Primary, Code) \
  KEY(ByName, "BYNAME", kiv::Dup | kiv::NoCase, Name, Code)
KIV_RECORD(ItemRecord, "ITM", ITEM_FIELDS);
KIV_TABLE(ItemTable, ItemRecord, "ITEMS", ZEPHRA, 0, ITEM_KEYS);

#define LINE_FIELDS(FIELD) FIELD(Text, kiv::String<24>, "TEXT")
KIV_RECORD(LineRecord, "LIN", LINE_FIELDS);
KIV_TABLE(LineTable, LineRecord, "NOTES", ASCII, 0, KIV_NO_KEYS);

static_assert(sizeof(ItemRecord) == 4 + 12 + 4 + 2);

namespace {

ItemTable Items;
LineTable Notes;

void check(const char* what) {
  if (kiv::errorCode() == 0) return;
  std::printf("%s: error %d %s\n", what, kiv::errorCode(), kiv::error().c_str());
  _exit(1);
}

void addItem(int32_t code, const char* name, double price, int16_t stock) {
  Items.rec.clear();
  Items.rec.Code = code;
  Items.rec.Name = name;
  Items.rec.Price = price;
  Items.rec.Stock = stock;
  Items.add();
  check("ADD");
}

std::string line(const ItemRecord& r) {
  char text[64];
  std::snprintf(text, sizeof text, "%d %s %.2f %d", int32_t(r.Code), r.Name.str().c_str(),
                r.Price.real(), int(int16_t(r.Stock)));
  return text;
}

}  // namespace

int main() {
  Kiv$init();
  _atexit([] { std::puts("exit handler"); });

  Items.create();
  check("CREATE");
  Items.open();
  check("OPEN");
  addItem(30, "washer", 0.15, 900);
  addItem(10, "Bolt", 12.5, 40);
  addItem(20, "anchor", 99.95, 3);
  addItem(40, "Clamp", 7.25, 12);
  std::printf("items %d\n", Items.records());

  // By name, case-blind, through a view that passes only prices above 5.
  {
    kiv::BindScope names;
    names.bindRecord(Items.rec);
    kiv::View view(Items);
    view.open();
    check("VIEW OPEN");
    view.setFilter("ITM:Price > 5");
    check("FILTER");
    view.set(Items.ByName);
    for (view.next(); kiv::errorCode() == 0; view.next())
      std::printf("view %s\n", line(Items.rec).c_str());
    view.close();
  }

  // Every item into a queue, sorted by stock, highest first.
  kiv::Queue<ItemRecord> byStock;
  Items.set(Items.ByCode);
  for (Items.next(); kiv::errorCode() == 0; Items.next()) {
    byStock.rec = Items.rec;
    byStock.add();
  }
  byStock.sort({-ItemRecord::Fields::Stock});
  for (int32_t i = 1; i <= byStock.records(); ++i) {
    byStock.get(i);
    std::printf("queue %s\n", line(byStock.rec).c_str());
  }

  Items.rec.Code = 20;
  Items.get(Items.ByCode);
  check("GET");
  std::printf("get 20 %s upper %s\n", Items.rec.Name.str().c_str(),
              kiv::upper(Items.rec.Name.str()).c_str());
  Items.close();

  Notes.create();
  check("CREATE NOTES");
  Notes.open();
  check("OPEN NOTES");
  for (const char* text : {"first line", "second line"}) {
    Notes.rec.Text = text;
    Notes.append();
    check("APPEND NOTE");
  }
  Notes.set();
  for (Notes.next(); kiv::errorCode() == 0; Notes.next())
    std::printf("note [%s]\n", Notes.rec.Text.str().c_str());
  Notes.close();

  std::fflush(stdout);
  _exit(0);
}
