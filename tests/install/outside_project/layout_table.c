/* A C program written against the installed kvrun32: it describes its record with the layout
   calls, checks the layout against its own struct, keeps records in a ZEPHRA table, reads them
   back in key order and by key, and ends through the runtime's exit (handler, terminator).
   Argument: the install prefix, to tell that the runtime it runs on is the installed one. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <kvrun32.h>
#include <limits.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#pragma pack(push, 1)
typedef struct Person {
  int32_t id;          /* PER:ID      LONG */
  char name[20];       /* PER:NAME    STRING(@s20) */
  uint8_t pay[4];      /* PER:PAY     DECIMAL(7,2) */
  struct {             /* PER:PHONES  GROUP */
    char phone[2][10]; /* PER:PHONE  STRING(10), DIM(2) */
  } phones;
  uint8_t active; /* PER:ACTIVE  BYTE */
} Person;
#pragma pack(pop)

static Person rec;
static int32_t byIdFields[] = {1};
static int32_t byNameFields[] = {2, 1};
static KivTable people;
static KivKey byId, byName;
static KivKey* keys[] = {&byId, &byName};

static void init(int32_t arg) {
  (void)arg;
  Kiv$init();
}
static void term(int32_t arg) { printf("terminator %d\n", arg); }
static void handler(void) { printf("exit handler\n"); }
static const KivInitEntry inits[] = {{255, init, 0}, {100, 0, term}};
static KivModule module = {0, inits, inits + 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};

static void check(const char* what) {
  if (Kiv$ERRCODE == 0) return;
  printf("%s: error %d %.40s\n", what, Kiv$ERRCODE, Kiv$ERRSTR);
  _exit(1);
}

static void key(KivKey* k, const char* label, uint16_t attributes, const int32_t* fields,
                uint8_t count) {
  k->name = label;
  k->nameLen = (uint32_t)strlen(label);
  k->attributes = attributes;
  k->componentCount = count;
  k->components = fields;
  k->table = &people;
}

static void add(const uint8_t* layout, int32_t id, const char* name, double pay,
                const char* phone) {
  Kiv$CLEAR(&rec, layout, 0);
  rec.id = id;
  Kiv$storestr(rec.name, sizeof rec.name, name, (int32_t)strlen(name));
  Kiv$DPushReal(pay);
  Kiv$DPopDec(rec.pay, sizeof rec.pay, 2);
  Kiv$storestr(rec.phones.phone[1], 10, phone, (int32_t)strlen(phone));
  rec.active = 1;
  Kiv$FILE_ADDf(&people);
  check("ADD");
}

static void show(void) {
  int n = (int)sizeof rec.name;
  while (n > 0 && rec.name[n - 1] == ' ') --n;
  Kiv$DPushDec(rec.pay, sizeof rec.pay, 2);
  printf("%d %.*s %.2f [%.10s]\n", rec.id, n, rec.name, Kiv$DPopReal(), rec.phones.phone[1]);
}

int main(int argc, char** argv) {
  char lib[PATH_MAX], prefix[PATH_MAX];
  Dl_info info;
  __sysinit(&module, 0);
  if (!__checkversion(258, 3, 0)) _exit(0);
  _atexit(handler);
  if (argc > 1 && dladdr((void*)Kiv$LayoutBegin, &info) && realpath(info.dli_fname, lib) &&
      realpath(argv[1], prefix)) {
    size_t n = strlen(prefix);
    printf("runtime %s\n", strncmp(lib, prefix, n) == 0 && lib[n] == '/' ? "installed" : lib);
  }

  KivLayout* b = Kiv$LayoutBegin("PER:RECORD", 0);
  Kiv$LayoutField(b, KIV_LONG, 0, "PER:ID", 0, 0, NULL);
  Kiv$LayoutField(b, KIV_STRING, 0, "PER:NAME", 0, 0, "@s20");
  Kiv$LayoutField(b, KIV_DECIMAL, 4, "PER:PAY", 2, 0, NULL);
  Kiv$LayoutGroup(b, "PER:PHONES");
  Kiv$LayoutField(b, KIV_STRING, 10, "PER:PHONE", 0, 2, NULL);
  Kiv$LayoutEndGroup(b);
  Kiv$LayoutField(b, KIV_BYTE, 0, "PER:ACTIVE", 0, 0, NULL);
  uint8_t* layout = Kiv$LayoutEnd(b);
  printf("layout %u bytes, struct %u bytes\n", Kiv$LayoutSize(layout), (unsigned)sizeof rec);

  /* Where the runtime finds each field of a record, against where the compiler put it. */
  const struct {
    size_t offset, size;
  } fields[] = {{offsetof(Person, id), sizeof rec.id},
                {offsetof(Person, name), sizeof rec.name},
                {offsetof(Person, pay), sizeof rec.pay},
                {offsetof(Person, phones), sizeof rec.phones},
                {offsetof(Person, phones.phone), sizeof rec.phones.phone},
                {offsetof(Person, active), sizeof rec.active}};
  Ufo* group = Kiv$Group2Ufo(&rec, layout);
  int mismatches = 0;
  for (int32_t n = 1; n <= 6; ++n) {
    Ufo* f = Kiv$DesignateUfo(group, n);
    size_t offset = (size_t)((char*)Kiv$AddressUfo(f) - (char*)&rec);
    if (offset != fields[n - 1].offset || Kiv$SizeUfo(f) != fields[n - 1].size) {
      printf("field %d at %zu size %u\n", n, offset, Kiv$SizeUfo(f));
      ++mismatches;
    }
    Kiv$FreeUfo(f);
  }
  Kiv$FreeUfo(group);
  printf("fields %s\n", mismatches ? "differ" : "match the struct");

  key(&byId, "PER:BYID", KIV_KEY_NOCASE | KIV_KEY_PRIMARY, byIdFields, 1);
  key(&byName, "PER:BYNAME", KIV_KEY_DUP | KIV_KEY_NOCASE, byNameFields, 2);
  people.driver = ZEPHRA;
  people.name = "PEOPLE";
  people.nameLen = 6;
  people.keyCount = 2;
  people.recordLength = sizeof rec;
  people.fieldLayout = layout;
  people.keys = keys;
  people.record = &rec;
  Kiv$FILE_CREATE(&people);
  check("CREATE");
  Kiv$FILE_OPEN(&people, KIV_OPEN_READWRITE | KIV_SHARE_DENY_NONE);
  check("OPEN");
  add(layout, 3, "Wren", 1234.5, "555-0103");
  add(layout, 1, "avery", 99.99, "555-0101");
  add(layout, 2, "Blake", -7.25, "555-0102");
  printf("records %d\n", Kiv$FILE_RECORDSf(&people));

  Kiv$FILE_SETk(&byName);
  for (Kiv$FILE_NEXT(&people); Kiv$ERRCODE == 0; Kiv$FILE_NEXT(&people)) show();
  printf("after the last: error %d\n", Kiv$ERRCODE);

  Kiv$CLEAR(&rec, layout, 0);
  rec.id = 2;
  Kiv$FILE_GETfk(&people, &byId);
  check("GET");
  show();
  rec.id = 9;
  Kiv$FILE_GETfk(&people, &byId);
  printf("get 9: error %d %.16s\n", Kiv$ERRCODE, Kiv$ERRSTR);

  Kiv$FILE_CLOSE(&people);
  check("CLOSE");
  Kiv$LayoutFree(layout);
  fflush(stdout);
  _exit(0);
}
