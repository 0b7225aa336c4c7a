// Values that hold themselves (ValueUfo), copies and clones, the string classes, character sets,
// and Save, Load and LoadVariant.
#include "tests/runtime/values/values_support.h"

using valtest::bytes;
using valtest::mem;
using valtest::text;
using valtest::UfoPtr;

namespace {

class Store : public testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(Kiv$StackDepth(), 0) << "unbalanced string stack";
    EXPECT_EQ(Kiv$DStackDepth(), 0) << "unbalanced decimal stack";
  }
};

TEST_F(Store, ValueUfoTakesTheKindOfWhatIsAssigned) {
  UfoPtr v(Kiv$Long2Ufo(12));
  EXPECT_EQ(v->Kind(), KIV_LONG);
  EXPECT_EQ(Kiv$SizeUfo(v.get()), 4u);
  Kiv$AssignReal2Ufo(v.get(), 2.5);
  EXPECT_EQ(v->Kind(), KIV_REAL);
  EXPECT_EQ(Kiv$Ufo2Long(v.get()), 2);
  EXPECT_EQ(text(v.get()), "2.5");

  uint8_t dec[3] = {0x00, 0x12, 0x34};  // DECIMAL(5,2) holding 12.34
  auto d = mem(dec, KIV_DECIMAL, 3, 2);
  Kiv$AssignUfo(v.get(), d.get());
  EXPECT_EQ(v->Kind(), KIV_DECIMAL);
  EXPECT_EQ(text(v.get()), "12.34");

  char s[4] = {'a', 'b', ' ', ' '};
  auto str = mem(s, KIV_STRING, 4);
  Kiv$AssignUfo(v.get(), str.get());
  EXPECT_EQ(v->Kind(), KIV_STRING);
  s[0] = 'z';  // the value is a copy
  EXPECT_EQ(text(v.get()), "ab  ");
  EXPECT_EQ(Kiv$SizeUfo(v.get()), 4u);

  Kiv$FreeUpUfo(v.get());
  EXPECT_EQ(v->Kind(), KIV_LONG);
  EXPECT_EQ(Kiv$Ufo2Long(v.get()), 0);
}

TEST_F(Store, ValuesComeFromBothStacks) {
  kivtest::push("hello");
  UfoPtr s(Kiv$Stack2Ufo());
  EXPECT_EQ(text(s.get()), "hello");
  Kiv$PushUfo(s.get());
  s.reset();  // the pushed entry outlives the value
  EXPECT_EQ(kivtest::pop(), "hello");

  Kiv$DPushCString("-0.25");
  UfoPtr d(Kiv$DStack2Ufo());
  EXPECT_EQ(d->Kind(), KIV_DECIMAL);
  EXPECT_EQ(text(d.get()), "-0.25");
  EXPECT_EQ(Kiv$Ufo2Real(d.get()), -0.25);

  UfoPtr r(Kiv$Real2Ufo(1.0 / 3));
  Kiv$DPushLong(1);
  Kiv$DPushLong(3);
  Kiv$DecDivide();
  UfoPtr third(Kiv$DStack2Ufo());  // 31 places survive in the value
  EXPECT_EQ(text(third.get()), "0." + std::string(31, '3'));
}

TEST_F(Store, CloneSnapshotsCopiesOrAliases) {
  int32_t x = 5;
  auto l = mem(&x, KIV_LONG);
  UfoPtr snapshot(Kiv$CloneUfo(l.get(), 1));
  UfoPtr copy(Kiv$CloneUfo(l.get(), 2));
  UfoPtr alias(Kiv$CloneUfo(l.get(), 0));
  x = 6;
  EXPECT_EQ(Kiv$Ufo2Long(snapshot.get()), 5);
  EXPECT_EQ(snapshot->Kind(), KIV_LONG);
  EXPECT_EQ(Kiv$Ufo2Long(copy.get()), 5);
  EXPECT_EQ(Kiv$Ufo2Long(alias.get()), 6);
  EXPECT_TRUE(copy->ownsStorage());
  EXPECT_FALSE(alias->ownsStorage());

  uint8_t dec[4] = {0x00, 0x00, 0x12, 0x50};  // DECIMAL(7,3): 1.250
  auto d = mem(dec, KIV_DECIMAL, 4, 3);
  UfoPtr dd(Kiv$CloneUfo(d.get(), 2));
  EXPECT_EQ(Kiv$SizeUfo(dd.get()), 4u);
  EXPECT_EQ(static_cast<DecimalUfo*>(dd.get())->places(), 3);
  EXPECT_EQ(text(dd.get()), "1.25");

  Kiv$FreeUpUfo(copy.get());  // releasing frees the copy and forgets the address
  EXPECT_EQ(Kiv$AddressUfo(copy.get()), nullptr);
  EXPECT_FALSE(copy->ownsStorage());
}

TEST_F(Store, OwnedCopiesAreMadeAtConstruction) {
  char s[3] = {'a', 'b', 'c'};
  UfoPtr u(Kiv$Mem2Ufo(s, KIV_STRING, 3, 0, 1));
  EXPECT_NE(Kiv$AddressUfo(u.get()), static_cast<void*>(s));
  s[0] = 'x';
  EXPECT_EQ(text(u.get()), "abc");
  UfoPtr g(Kiv$Mem2Ufo(s, KIV_GROUP, 3, 0, 0));  // a group code gives a STRING
  EXPECT_EQ(g->Kind(), KIV_STRING);
  EXPECT_EQ(text(g.get()), "xbc");
}

TEST_F(Store, StringClassesFollowTheirStoreRules) {
  char c[4];
  char p[4];
  auto cs = mem(c, KIV_CSTRING, 4);
  auto ps = mem(p, KIV_PSTRING, 4);
  kivtest::push("abcdef");
  Kiv$Stack2UfoC(cs.get());
  EXPECT_EQ(bytes(c, 4), (std::vector<uint8_t>{'a', 'b', 'c', 0}));
  EXPECT_EQ(text(cs.get()), "abc");
  Kiv$AssignUfo(ps.get(), cs.get());
  EXPECT_EQ(bytes(p, 4), (std::vector<uint8_t>{3, 'a', 'b', 'c'}));
  EXPECT_EQ(text(ps.get()), "abc");

  Kiv$AssignLong2Ufo(cs.get(), -42);
  EXPECT_EQ(text(cs.get()), "-42");
  EXPECT_EQ(Kiv$Ufo2Long(cs.get()), -42);
  Kiv$AssignReal2Ufo(ps.get(), 2.5);
  EXPECT_EQ(text(ps.get()), "2.5");
  EXPECT_EQ(Kiv$Ufo2Real(ps.get()), 2.5);

  // Damaged buffers never read past themselves.
  std::memcpy(c, "wxyz", 4);
  EXPECT_EQ(text(cs.get()), "wxyz");
  p[0] = 100;
  EXPECT_EQ(text(ps.get()), "2.5");

  Kiv$ClearUfo(cs.get(), 1);
  EXPECT_EQ(bytes(c, 4), (std::vector<uint8_t>{255, 255, 255, 0}));
  Kiv$ClearUfo(ps.get(), -1);
  EXPECT_EQ(bytes(p, 4), (std::vector<uint8_t>{3, 0, 0, 0}));
  Kiv$ClearUfo(ps.get(), 0);
  EXPECT_EQ(p[0], 0);
}

TEST_F(Store, CharacterSetsConvertOnlyText) {
  char s[3] = {'\x82', 'a', '\xE9'};  // OEM e-acute, a, then ANSI e-acute
  auto str = mem(s, KIV_STRING, 3);
  Kiv$OEMTOANSIdesc(str.get());
  EXPECT_EQ(uint8_t(s[0]), 0xE9);
  EXPECT_EQ(s[1], 'a');
  Kiv$ANSITOOEMdesc(str.get());
  EXPECT_EQ(uint8_t(s[0]), 0x82);

  char p[3] = {2, '\x82', '\x82'};  // the length byte and the text after the count stay
  auto ps = mem(p, KIV_PSTRING, 3);
  p[0] = 1;
  Kiv$OEMTOANSIdesc(ps.get());
  EXPECT_EQ(bytes(p, 3), (std::vector<uint8_t>{1, 0xE9, 0x82}));

  int32_t n = 0x82828282;
  auto l = mem(&n, KIV_LONG);
  Kiv$OEMTOANSIdesc(l.get());
  EXPECT_EQ(n, int32_t(0x82828282));
}

TEST_F(Store, SaveAndLoadRoundTripEveryClass) {
  int16_t sh = -300;
  double re = 6.25;
  uint8_t dec[3] = {0xF0, 0x12, 0x34};
  uint32_t ul = 4000000000u;
  char st[5] = {'h', 'e', 'l', 'l', 'o'};
  char cs[6] = {'h', 'i', 0, 'x', 'y', 'z'};
  uint8_t date[4] = {31, 12, 0x33, 0x08};  // 31 December 2099
  struct Case {
    UfoPtr from;
    UfoPtr to;
  };
  int16_t sh2 = 0;
  double re2 = 0;
  uint8_t dec2[3] = {};
  uint32_t ul2 = 0;
  char st2[5] = {};
  char cs2[6] = {};
  uint8_t date2[4] = {};
  Case cases[] = {
      {mem(&sh, KIV_SHORT), mem(&sh2, KIV_SHORT)},
      {mem(&re, KIV_REAL), mem(&re2, KIV_REAL)},
      {mem(dec, KIV_DECIMAL, 3, 2), mem(dec2, KIV_DECIMAL, 3, 2)},
      {mem(&ul, KIV_ULONG), mem(&ul2, KIV_ULONG)},
      {mem(st, KIV_STRING, 5), mem(st2, KIV_STRING, 5)},
      {mem(cs, KIV_CSTRING, 6), mem(cs2, KIV_CSTRING, 6)},
      {mem(date, KIV_DATE), mem(date2, KIV_DATE)},
  };
  for (Case& c : cases) {
    UfoMemoryWriter w;
    c.from->Save(w);
    EXPECT_EQ(w.bytes()[0], c.from->type());
    UfoMemoryReader r(w.bytes().data(), w.bytes().size());
    c.to->Load(r);
    EXPECT_EQ(r.position(), w.bytes().size()) << int(c.from->type());
    EXPECT_FALSE(r.Failed());
    // Load into a descriptor that aliases storage works on an owned copy of it.
    EXPECT_TRUE(c.to->ownsStorage());
    uint32_t n = Kiv$SizeUfo(c.from.get());
    EXPECT_EQ(bytes(Kiv$AddressUfo(c.to.get()), n), bytes(Kiv$AddressUfo(c.from.get()), n))
        << int(c.from->type());
  }
  EXPECT_EQ(sh2, 0);  // the aliased storage was left alone
  EXPECT_EQ(std::string(st2, 5), std::string(5, '\0'));
}

TEST_F(Store, SaveWritesTypeParametersAndBytes) {
  uint8_t dec[2] = {0x01, 0x23};
  auto d = mem(dec, KIV_DECIMAL, 2, 1);
  UfoMemoryWriter w;
  d->Save(w);
  EXPECT_EQ(w.bytes(), (std::vector<uint8_t>{KIV_DECIMAL, 2, 1, 0x01, 0x23}));
  char s[2] = {'o', 'k'};
  auto str = mem(s, KIV_STRING, 2);
  UfoMemoryWriter ws;
  str->Save(ws);
  EXPECT_EQ(ws.bytes(), (std::vector<uint8_t>{KIV_STRING, 2, 0, 0, 0, 'o', 'k'}));
  int32_t l = 258;
  UfoMemoryWriter wl;
  mem(&l, KIV_LONG)->Save(wl);
  EXPECT_EQ(wl.bytes(), (std::vector<uint8_t>{KIV_LONG, 2, 1, 0, 0}));
}

TEST_F(Store, LoadConvertsAnotherShapeOfTheSameType) {
  uint8_t wide[4] = {0x00, 0x01, 0x23, 0x45};  // DECIMAL(7,3): 12.345
  UfoMemoryWriter w;
  mem(wide, KIV_DECIMAL, 4, 3)->Save(w);
  uint8_t narrow[2] = {};
  auto n = mem(narrow, KIV_DECIMAL, 2, 1);  // DECIMAL(3,1)
  UfoMemoryReader r(w.bytes().data(), w.bytes().size());
  n->Load(r);
  EXPECT_EQ(text(n.get()), "12.3");

  char longer[6] = {'a', 'b', 'c', 'd', 'e', 'f'};
  UfoMemoryWriter ws;
  mem(longer, KIV_STRING, 6)->Save(ws);
  char shorter[3];
  auto s = mem(shorter, KIV_STRING, 3);
  UfoMemoryReader rs(ws.bytes().data(), ws.bytes().size());
  s->Load(rs);
  EXPECT_EQ(text(s.get()), "abc");
}

TEST_F(Store, ValueUfoLoadsWhateverKindWasSaved) {
  UfoPtr source(Kiv$Real2Ufo(-1.5));
  UfoMemoryWriter w;
  source->Save(w);
  kivtest::push("text");
  Kiv$ASSIGNSTR2UFO(source.get());
  source->Save(w);
  UfoPtr target(Kiv$Long2Ufo(0));
  UfoMemoryReader r(w.bytes().data(), w.bytes().size());
  target->Load(r);
  EXPECT_EQ(target->Kind(), KIV_REAL);
  EXPECT_EQ(Kiv$Ufo2Real(target.get()), -1.5);
  target->Load(r);
  EXPECT_EQ(target->Kind(), KIV_STRING);
  EXPECT_EQ(text(target.get()), "text");
}

TEST_F(Store, LoadVariantReadsStringsLongsAndReals) {
  std::vector<uint8_t> in = {0x80,      0x00, 3,    0,    0,    0,    'x', 'y', 'z',  // a string
                             KIV_SHORT, 0x00, 0xF9, 0xFF, 0xFF, 0xFF,                 // -7
                             KIV_REAL,  0x00};
  double half = 0.5;
  const uint8_t* h = reinterpret_cast<const uint8_t*>(&half);
  in.insert(in.end(), h, h + 8);
  char s[4];
  int32_t l = 0;
  double d = 0;
  auto str = mem(s, KIV_STRING, 4);
  auto lng = mem(&l, KIV_LONG);
  auto real = mem(&d, KIV_REAL);
  UfoMemoryReader r(in.data(), in.size());
  str->LoadVariant(r);
  EXPECT_EQ(std::string(s, 4), "xyz ");
  lng->LoadVariant(r);
  EXPECT_EQ(l, -7);
  real->LoadVariant(r);
  EXPECT_EQ(d, 0.5);
  EXPECT_FALSE(r.Failed());

  // A string whose length runs past the end stops there.
  std::vector<uint8_t> cut = {0x80, 0x00, 0xFF, 0xFF, 0xFF, 0x7F, 'q'};
  UfoMemoryReader rc(cut.data(), cut.size());
  str->LoadVariant(rc);
  EXPECT_TRUE(rc.Failed());
  EXPECT_EQ(s[0], 'q');
}

TEST(StoreDeathTest, LoadOfAnotherTypeIsATypingErrorAndStillReads) {
  int32_t l = 99;
  UfoMemoryWriter w;
  mem(&l, KIV_LONG)->Save(w);
  double d = 0;
  auto real = mem(&d, KIV_REAL);
  EXPECT_EXIT(
      {
        UfoMemoryReader r(w.bytes().data(), w.bytes().size());
        real->Load(r);
      },
      testing::ExitedWithCode(2), "Parameter typing error");
  EXPECT_REPORTED_AND_CONTINUES({
    UfoMemoryReader r(w.bytes().data(), w.bytes().size());
    real->Load(r);
    return Kiv$ERRCODE == 11 && r.position() == 5 && real->ownsStorage();
  });
}

TEST(StoreDeathTest, UnknownTypeCodesReportTheStackErrorThenAFault) {
  int32_t x = 0;
  EXPECT_EXIT(Kiv$Mem2Ufo(&x, 12, 4, 0, 0), testing::ExitedWithCode(2),
              "Internal error 01 : String Stack Error");
  EXPECT_EXIT(
      {
        Wsl$CloseDown();
        Ufo* u = Kiv$Mem2Ufo(&x, 40, 4, 0, 0);
        std::exit(u == nullptr && Kiv$ERRCODE == 406 ? 0 : 1);
      },
      testing::ExitedWithCode(0), "String Stack Error(.|\n)*No return value from function");
  EXPECT_EXIT(Kiv$ClearType(&x, 21, 1), testing::ExitedWithCode(2), "String Stack Error");
}

TEST(StoreDeathTest, BaseOperationsWithoutAValueAreTypingErrorTen) {
  int32_t l = 0;
  EXPECT_REPORTED_AND_CONTINUES({
    UfoPtr array(Kiv$ArrayOfUfo(Kiv$Mem2Ufo(&l, KIV_LONG, 0, 0, 0), 1));
    bool ok = Kiv$Ufo2Real(array.get()) == 0.0 && Kiv$ERRCODE == 10;
    Kiv$ERRCODE = 0;
    ok = ok && Kiv$Ufo2Long(array.get()) == 0 && Kiv$ERRCODE == 10;
    Kiv$ERRCODE = 0;
    Kiv$AssignLong2Ufo(array.get(), 3);
    return ok && Kiv$ERRCODE == 10 && l == 0;
  });
}

}  // namespace
