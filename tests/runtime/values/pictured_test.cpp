// Pictured values (kind 29): their formatted text, typed text read back through the picture,
// comparisons with LONG, DECIMAL and STRING, assignment both ways, copies and totals.
#include "tests/runtime/values/values_support.h"

using valtest::mem;
using valtest::text;
using valtest::UfoPtr;

namespace {

UfoPtr pictured(void* addr, int32_t type, const char* picture, uint32_t size = 0,
                uint32_t places = 0) {
  return UfoPtr(kiv::core::makePicturedUfo(addr, type, size, places, picture, false));
}

int32_t timeSerial(int h, int m, int s) { return h * 360000 + m * 6000 + s * 100 + 1; }

class Pictured : public testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(Kiv$StackDepth(), 0) << "unbalanced string stack";
    EXPECT_EQ(Kiv$DStackDepth(), 0) << "unbalanced decimal stack";
  }
};

TEST_F(Pictured, LongsPushTheirFormattedText) {
  struct Row {
    int32_t value;
    const char* picture;
    const char* shown;
  } rows[] = {
      {1234567, "@n13", "    1,234,567"},
      {-1234567, "@n13", "    1,234,567"},  // no sign part: no sign shown
      {-1234567, "@n-13", "   -1,234,567"},
      {-5, "@n-13", "           -5"},
      {1234, "@n$10.2", " $1,234.00"},
      {0, "@n10.2B", "          "},
      {Kiv$DATE(1, 5, 1998), "@d2", "01/05/1998"},
      {timeSerial(17, 5, 9), "@t4", "17:05:09"},
      {42, "@s5", "42   "},
      {-42, "s5", "-42  "},  // compiled descriptions drop the "@"
      {7, "@q", ""},         // a picture that does not compile shows nothing
  };
  for (const Row& r : rows) {
    int32_t v = r.value;
    auto u = pictured(&v, KIV_LONG, r.picture);
    ASSERT_TRUE(u);
    EXPECT_EQ(u->Kind(), KIV_PICTURED);
    EXPECT_EQ(text(u.get()), r.shown) << r.value << " " << r.picture;
    EXPECT_EQ(Kiv$Ufo2Long(u.get()), r.value) << "the value itself is unchanged";
    EXPECT_EQ(Kiv$SizeUfo(u.get()), 4u);
  }
}

TEST_F(Pictured, RealsAndDecimalsPushTheirFormattedText) {
  struct Row {
    double value;
    const char* picture;
    const char* shown;
  } rows[] = {
      {1234.5, "@n$10.2", " $1,234.50"}, {-1234.5, "@n-13", "       -1,235"},
      {1234.5, "@n13", "        1,235"}, {2.5, "@s5", "2.5  "},
      {0.0, "@n$10.2B", "          "},   {-0.25, "@n-6.2", " -0.25"},
  };
  for (const Row& r : rows) {
    double real = r.value;
    auto pr = pictured(&real, KIV_REAL, r.picture);
    EXPECT_EQ(text(pr.get()), r.shown) << "REAL " << r.value << " " << r.picture;

    float single = static_cast<float>(r.value);
    auto ps = pictured(&single, KIV_SREAL, r.picture);
    EXPECT_EQ(text(ps.get()), r.shown) << "SREAL " << r.value << " " << r.picture;

    uint8_t dec[6] = {};  // DECIMAL(11,2)
    auto pd = pictured(dec, KIV_DECIMAL, r.picture, 6, 2);
    Kiv$AssignReal2Ufo(pd.get(), r.value);
    EXPECT_EQ(text(pd.get()), r.shown) << "DECIMAL " << r.value << " " << r.picture;
  }

  // A decimal formats from its exact digits, never through a double.
  uint8_t big[10] = {};  // DECIMAL(19,2)
  auto pd = pictured(big, KIV_DECIMAL, "@n-26.2", 10, 2);
  kivtest::push("-12345678901234567.89");
  Kiv$Stack2DStack();
  pd->PopDecimal();
  EXPECT_EQ(text(pd.get()), "-12,345,678,901,234,567.89");

  uint8_t pdec[4] = {};
  auto pp = pictured(pdec, KIV_PDECIMAL, "@n$10.2", 4, 2);
  Kiv$AssignLong2Ufo(pp.get(), 1234);
  EXPECT_EQ(text(pp.get()), " $1,234.00");
}

TEST_F(Pictured, DatesAndTimesInCalendarStorage) {
  uint8_t date[4] = {};
  auto d = pictured(date, KIV_DATE, "@d2");
  Kiv$AssignLong2Ufo(d.get(), Kiv$DATE(12, 31, 1999));
  EXPECT_EQ(date[0], 31);  // still stored as day, month, year
  EXPECT_EQ(date[1], 12);
  EXPECT_EQ(text(d.get()), "12/31/1999");

  uint8_t clock[4] = {};
  auto t = pictured(clock, KIV_TIME, "@t4");
  Kiv$AssignLong2Ufo(t.get(), timeSerial(7, 30, 0));
  EXPECT_EQ(clock[3], 7);
  EXPECT_EQ(text(t.get()), "07:30:00");
}

TEST_F(Pictured, PoppingReadsTypedTextThroughThePicture) {
  int32_t l = 0;
  auto pl = pictured(&l, KIV_LONG, "@n-13");
  kivtest::push("   -1,234,567");
  Kiv$Stack2UfoC(pl.get());
  EXPECT_EQ(l, -1234567);

  double r = 0;
  auto pr = pictured(&r, KIV_REAL, "@n$10.2");
  kivtest::push(" $1,234.56");
  Kiv$ASSIGNSTR2UFO(pr.get());
  EXPECT_DOUBLE_EQ(r, 1234.56);

  uint8_t dec[4] = {};  // DECIMAL(7,2)
  auto pd = pictured(dec, KIV_DECIMAL, "@n$10.2", 4, 2);
  kivtest::push(" $9,876.54");
  Kiv$Stack2UfoC(pd.get());
  EXPECT_EQ(text(mem(dec, KIV_DECIMAL, 4, 2).get()), "9876.54");

  uint8_t date[4] = {};
  auto pdt = pictured(date, KIV_DATE, "@d2");
  kivtest::push("1/5/1998");  // short parts end at the separator
  Kiv$Stack2UfoC(pdt.get());
  EXPECT_EQ(Kiv$Ufo2Long(pdt.get()), Kiv$DATE(1, 5, 1998));

  int32_t clock = 0;
  auto pt = pictured(&clock, KIV_LONG, "@t4");
  kivtest::push("17:05:09");
  Kiv$Stack2UfoC(pt.get());
  EXPECT_EQ(clock, timeSerial(17, 5, 9));

  // A picture that does not compile reads every text as 0.
  int32_t none = 99;
  auto bad = pictured(&none, KIV_LONG, "@q");
  kivtest::push("123");
  Kiv$Stack2UfoC(bad.get());
  EXPECT_EQ(none, 0);
}

TEST_F(Pictured, LongAndDecimalMeetPicturedValuesAsDecimals) {
  int32_t l1234 = 1234;
  double r = 1234.25;
  uint8_t decBytes[4] = {};
  auto plainLong = mem(&l1234, KIV_LONG);
  auto pReal = pictured(&r, KIV_REAL, "@n$10.2");
  auto pDec = pictured(decBytes, KIV_DECIMAL, "@n13", 4, 2);
  Kiv$AssignReal2Ufo(pDec.get(), 1234.25);

  // As integers these would be equal (1234.25 reads as the LONG 1234); as decimals they differ.
  EXPECT_EQ(Kiv$Ufodistinct(plainLong.get(), pReal.get()), -1);
  EXPECT_EQ(Kiv$Ufodistinct(plainLong.get(), pDec.get()), -1);
  EXPECT_EQ(Kiv$Ufodistinct(pReal.get(), plainLong.get()), 1);
  EXPECT_EQ(Kiv$Ufodistinct(pDec.get(), plainLong.get()), 1);

  uint8_t dBytes[4] = {};
  auto plainDec = mem(dBytes, KIV_DECIMAL, 4, 2);
  Kiv$AssignReal2Ufo(plainDec.get(), 1234.25);
  int32_t l = 1234;
  auto pLong = pictured(&l, KIV_LONG, "@n$10.2");
  EXPECT_EQ(Kiv$Ufodistinct(plainDec.get(), pReal.get()), 0);
  EXPECT_EQ(Kiv$Ufodistinct(plainDec.get(), pDec.get()), 0);
  EXPECT_EQ(Kiv$Ufodistinct(plainDec.get(), pLong.get()), 1);
  EXPECT_EQ(Kiv$Ufodistinct(pLong.get(), plainDec.get()), -1);
  EXPECT_EQ(Kiv$Ufodistinct(plainLong.get(), pLong.get()), 0);
  EXPECT_EQ(Kiv$Ufodistinct(pLong.get(), plainLong.get()), 0);

  // Two pictured values compare their values, whatever their pictures show.
  EXPECT_EQ(Kiv$Ufodistinct(pReal.get(), pDec.get()), 0);
  EXPECT_EQ(Kiv$Ufodistinct(pLong.get(), pDec.get()), -1);
  EXPECT_EQ(Kiv$Ufodistinct(pDec.get(), pLong.get()), 1);
  EXPECT_EQ(pLong->CompareLong(1234), 0);
  EXPECT_EQ(pReal->CompareLong(1234), 0);  // GetLong of 1234.25
}

TEST_F(Pictured, StringsMeetPicturedValuesAsText) {
  int32_t big = 1234567;
  auto pLong = pictured(&big, KIV_LONG, "@n13");
  char shown[13];
  std::memcpy(shown, "    1,234,567", 13);
  char digits[7];
  std::memcpy(digits, "1234567", 7);
  auto sShown = mem(shown, KIV_STRING, 13);
  auto sDigits = mem(digits, KIV_STRING, 7);

  // As reals "1234567" would equal the value; as strings only the shown text does.
  EXPECT_EQ(Kiv$Ufodistinct(sShown.get(), pLong.get()), 0);
  EXPECT_EQ(Kiv$Ufodistinct(pLong.get(), sShown.get()), 0);
  EXPECT_EQ(Kiv$Ufodistinct(sDigits.get(), pLong.get()), 1);  // "1" sorts after " "
  EXPECT_EQ(Kiv$Ufodistinct(pLong.get(), sDigits.get()), -1);
  EXPECT_EQ(Kiv$Ufodistincti(pLong.get(), sShown.get()), 0);

  double r = 2.5;
  auto pReal = pictured(&r, KIV_REAL, "@s5");
  char two[3] = {'2', '.', '5'};
  auto sTwo = mem(two, KIV_STRING, 3);
  EXPECT_EQ(Kiv$Ufodistinct(pReal.get(), sTwo.get()), 0);  // trailing spaces never count
  EXPECT_EQ(Kiv$Ufodistinct(sTwo.get(), pReal.get()), 0);

  uint8_t dec[3] = {};
  auto pDec = pictured(dec, KIV_DECIMAL, "@n$10.2", 3, 2);
  Kiv$AssignReal2Ufo(pDec.get(), 12.5);
  char dollars[10];
  std::memcpy(dollars, "    $12.50", 10);
  auto sDollars = mem(dollars, KIV_STRING, 10);
  EXPECT_EQ(Kiv$Ufodistinct(pDec.get(), sDollars.get()), 0);
  EXPECT_EQ(Kiv$Ufodistinct(sDollars.get(), pDec.get()), 0);

  // A variant holding text is a string too.
  kivtest::push("    1,234,567");
  UfoPtr v(Kiv$Stack2Ufo());
  EXPECT_EQ(Kiv$Ufodistinct(v.get(), pLong.get()), 0);
}

TEST_F(Pictured, BlankMeansAZeroValue) {
  int32_t zero = 0, three = 3;
  double nothing = 0.0;
  auto z = pictured(&zero, KIV_LONG, "@n$10.2");  // shows " $0.00", yet is blank
  auto t = pictured(&three, KIV_LONG, "@n$10.2");
  auto r = pictured(&nothing, KIV_REAL, "@d2");
  EXPECT_EQ(Kiv$UfoComparen(z.get()), 0);
  EXPECT_EQ(Kiv$UfoComparen(t.get()), 1);
  EXPECT_EQ(Kiv$UfoComparen(r.get()), 0);
}

TEST_F(Pictured, AssignmentRoundTrips) {
  // Pictured REAL to STRING and back.
  double price = 1234.5, back = 0;
  char field[10];
  auto pPrice = pictured(&price, KIV_REAL, "@n$10.2");
  auto pBack = pictured(&back, KIV_REAL, "@n$10.2");
  auto s = mem(field, KIV_STRING, 10);
  Kiv$AssignUfo(s.get(), pPrice.get());
  EXPECT_EQ(std::string(field, 10), " $1,234.50");
  Kiv$AssignUfo(pBack.get(), s.get());
  EXPECT_DOUBLE_EQ(back, 1234.5);

  // Signed LONG through a CSTRING.
  int32_t n = -1234567, m = 0;
  char cfield[20];
  auto pn = pictured(&n, KIV_LONG, "@n-13");
  auto pm = pictured(&m, KIV_LONG, "@n-13");
  auto c = mem(cfield, KIV_CSTRING, 20);
  Kiv$AssignUfo(c.get(), pn.get());
  EXPECT_STREQ(cfield, "   -1,234,567");
  Kiv$AssignUfo(pm.get(), c.get());
  EXPECT_EQ(m, -1234567);

  // DATE storage through its text.
  uint8_t d1[4] = {}, d2[4] = {};
  auto pd1 = pictured(d1, KIV_DATE, "@d2");
  auto pd2 = pictured(d2, KIV_DATE, "@d2");
  Kiv$AssignLong2Ufo(pd1.get(), Kiv$DATE(2, 29, 2000));
  char dfield[10];
  auto ds = mem(dfield, KIV_STRING, 10);
  Kiv$AssignUfo(ds.get(), pd1.get());
  EXPECT_EQ(std::string(dfield, 10), "02/29/2000");
  Kiv$AssignUfo(pd2.get(), ds.get());
  EXPECT_EQ(valtest::bytes(d2, 4), valtest::bytes(d1, 4));

  // Between pictured values and plain numbers the value moves, not the text.
  int32_t plain = 0;
  auto l = mem(&plain, KIV_LONG);
  Kiv$AssignUfo(l.get(), pn.get());
  EXPECT_EQ(plain, -1234567);
  plain = 77;
  Kiv$AssignUfo(pm.get(), l.get());
  EXPECT_EQ(m, 77);
  uint8_t dec[4] = {};
  auto pdec = pictured(dec, KIV_DECIMAL, "@n13", 4, 2);  // shows no places
  Kiv$AssignUfo(pdec.get(), pPrice.get());
  Kiv$AssignUfo(pBack.get(), pdec.get());
  EXPECT_DOUBLE_EQ(back, 1234.5);
  EXPECT_EQ(text(pdec.get()), "        1,235");
  uint8_t plainDec[4] = {};
  auto pldec = mem(plainDec, KIV_DECIMAL, 4, 2);
  Kiv$AssignUfo(pldec.get(), pdec.get());
  EXPECT_EQ(text(pldec.get()), "1234.5");

  // A variant takes the shown text.
  auto v = UfoPtr(Kiv$Long2Ufo(0));
  Kiv$AssignUfo(v.get(), pPrice.get());
  EXPECT_EQ(v->Kind(), KIV_STRING);
  EXPECT_EQ(text(v.get()), " $1,234.50");
  Kiv$AssignUfo(pBack.get(), v.get());
  EXPECT_DOUBLE_EQ(back, 1234.5);
}

TEST_F(Pictured, ClonesKeepThePicture) {
  int32_t n = 1234567;
  auto p = pictured(&n, KIV_LONG, "@n13");

  UfoPtr alias(Kiv$CloneUfo(p.get(), 0));
  ASSERT_TRUE(alias);
  EXPECT_EQ(alias->Kind(), KIV_PICTURED);
  EXPECT_EQ(Kiv$AddressUfo(alias.get()), &n);

  UfoPtr copy(Kiv$CloneUfo(p.get(), 2));
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->Kind(), KIV_PICTURED);
  EXPECT_NE(Kiv$AddressUfo(copy.get()), &n);
  EXPECT_TRUE(copy->ownsStorage());

  UfoPtr snapshot(Kiv$CloneUfo(p.get(), 1));
  EXPECT_EQ(snapshot->Kind(), KIV_STRING);

  n = 5;
  EXPECT_EQ(text(alias.get()), "            5");
  EXPECT_EQ(text(copy.get()), "    1,234,567");
  EXPECT_EQ(text(snapshot.get()), "    1,234,567");

  double r = 2.5;
  uint8_t dec[3] = {};
  auto pr = pictured(&r, KIV_REAL, "@n-6.2");
  auto pd = pictured(dec, KIV_DECIMAL, "@n$10.2", 3, 2);
  Kiv$AssignLong2Ufo(pd.get(), -3);
  UfoPtr rc(Kiv$CloneUfo(pr.get(), 2));
  UfoPtr dc(Kiv$CloneUfo(pd.get(), 2));
  EXPECT_EQ(text(rc.get()), "  2.50");
  EXPECT_EQ(text(dc.get()), "     $3.00");  // no sign part: no sign shown
  EXPECT_EQ(Kiv$Ufo2Long(dc.get()), -3);
  EXPECT_EQ(Kiv$SizeUfo(dc.get()), 3u);  // the decimal keeps its size and places
  EXPECT_EQ(static_cast<DecimalUfo*>(dc.get())->places(), 2);
}

TEST_F(Pictured, SaveAndLoadCarryTheStorageType) {
  int32_t n = 4242;
  auto p = pictured(&n, KIV_LONG, "@n13");
  UfoMemoryWriter w;
  p->Save(w);
  ASSERT_EQ(w.bytes().size(), 5u);
  EXPECT_EQ(w.bytes()[0], KIV_LONG);
  int32_t into = 0;
  auto l = mem(&into, KIV_LONG);
  UfoMemoryReader r(w.bytes().data(), w.bytes().size());
  l->Load(r);
  EXPECT_EQ(Kiv$Ufo2Long(l.get()), 4242);
}

TEST_F(Pictured, ReportTotalsAddTheValues) {
  uint8_t dec[4] = {};
  auto total = pictured(dec, KIV_DECIMAL, "@n$10.2", 4, 2);
  Kiv$AssignReal2Ufo(total.get(), 1.25);
  int32_t two = 2;
  auto l = mem(&two, KIV_LONG);
  total->AddTo(*l);
  EXPECT_EQ(text(total.get()), "     $3.25");
  int32_t count = 10;
  auto pc = pictured(&count, KIV_LONG, "@n5");
  pc->AddTo(*total);  // as decimals, stored back into the LONG
  EXPECT_EQ(count, 13);
}

TEST(PicturedFactory, OnlyNumericStorageTakesAPicture) {
  char s[4];
  int32_t n = 0;
  EXPECT_EQ(kiv::core::makePicturedUfo(s, KIV_STRING, 4, 0, "@s4", false), nullptr);
  EXPECT_EQ(kiv::core::makePicturedUfo(s, KIV_GROUP, 4, 0, "@s4", false), nullptr);
  EXPECT_EQ(kiv::core::makePicturedUfo(&n, KIV_ULONG, 4, 0, "@n13", false), nullptr);
  auto owned = UfoPtr(kiv::core::makePicturedUfo(&n, KIV_SHORT, 0, 0, "@n6", true));
  ASSERT_TRUE(owned);
  EXPECT_TRUE(owned->ownsStorage());
  EXPECT_EQ(Kiv$SizeUfo(owned.get()), 2u);
}

}  // namespace
