// Numeric descriptors: storage widths, the real-to-long rule, conversions through the stacks,
// CLEAR by type, the binary floating formats, and report totals (AddTo, DivideBy).
#include <cfloat>
#include <cmath>

#include "tests/runtime/values/values_support.h"

using valtest::bytes;
using valtest::mem;
using valtest::text;

namespace {

class Numbers : public testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(Kiv$StackDepth(), 0) << "unbalanced string stack";
    EXPECT_EQ(Kiv$DStackDepth(), 0) << "unbalanced decimal stack";
  }
};

TEST_F(Numbers, RealToLongRoundsOnlyWhatIsWithinTheRealComparison) {
  struct Row {
    double real;
    int32_t viaAssign;   // LONG := REAL (GetLong of the real)
    int32_t viaSetReal;  // SetReal truncates
  } rows[] = {
      {2.9999999999999996, 3, 2},
      {2.5, 2, 2},
      {-2.5, -2, -2},
      {-2.9999999999999996, -3, -2},
      {7.0, 7, 7},
      {0.999, 0, 0},
      {-0.5, 0, 0},
      {1e12, INT32_MIN, INT32_MIN},
  };
  for (const Row& r : rows) {
    double d = r.real;
    int32_t a = 0, b = 0;
    auto real = mem(&d, KIV_REAL);
    auto la = mem(&a, KIV_LONG);
    auto lb = mem(&b, KIV_LONG);
    Kiv$AssignUfo(la.get(), real.get());
    if (r.real != 1e12) {
      EXPECT_EQ(a, r.viaAssign) << r.real;
    }
    Kiv$AssignReal2Ufo(lb.get(), r.real);
    EXPECT_EQ(b, r.viaSetReal) << r.real;
  }
}

TEST_F(Numbers, IntegerTypesStoreTheirOwnWidth) {
  struct Row {
    int32_t type;
    int32_t stored;
    int32_t readBack;
    std::vector<uint8_t> storage;
  } rows[] = {
      {KIV_BYTE, 300, 44, {44}},
      {KIV_BYTE, -1, 255, {255}},
      {KIV_SHORT, 40000, -25536, {0x40, 0x9C}},
      {KIV_SHORT, -2, -2, {0xFE, 0xFF}},
      {KIV_USHORT, -2, 65534, {0xFE, 0xFF}},
      {KIV_USHORT, 70000, 4464, {0x70, 0x11}},
      {KIV_LONG, -5, -5, {0xFB, 0xFF, 0xFF, 0xFF}},
  };
  for (const Row& r : rows) {
    uint8_t buf[8];
    std::memset(buf, 0xAA, sizeof buf);
    auto u = mem(buf, r.type);
    Kiv$AssignLong2Ufo(u.get(), r.stored);
    EXPECT_EQ(Kiv$Ufo2Long(u.get()), r.readBack) << r.type;
    EXPECT_EQ(bytes(buf, r.storage.size()), r.storage) << r.type;
    EXPECT_EQ(buf[r.storage.size()], 0xAA) << "wrote past a type " << r.type;
    EXPECT_EQ(Kiv$SizeUfo(u.get()), r.storage.size());
  }
}

TEST_F(Numbers, DateAndTimeConvertThroughTheirSerials) {
  uint8_t date[4] = {};
  auto d = mem(date, KIV_DATE);
  Kiv$AssignLong2Ufo(d.get(), 4);  // 1 January 1801
  EXPECT_EQ(bytes(date, 4), (std::vector<uint8_t>{1, 1, 0x09, 0x07}));
  EXPECT_EQ(Kiv$Ufo2Long(d.get()), 4);
  EXPECT_EQ(text(d.get()), "4");

  uint8_t time[4] = {};
  auto t = mem(time, KIV_TIME);
  Kiv$AssignLong2Ufo(t.get(), 1 + 100 * (3600 * 13 + 60 * 5 + 7) + 42);  // 13:05:07.42
  EXPECT_EQ(bytes(time, 4), (std::vector<uint8_t>{42, 7, 5, 13}));
  EXPECT_EQ(Kiv$Ufo2Long(t.get()), 1 + 100 * (3600 * 13 + 60 * 5 + 7) + 42);
}

TEST_F(Numbers, ClearToFollowsTheTableForEveryFixedType) {
  struct Row {
    int32_t type;
    int32_t sign;
    std::vector<uint8_t> storage;
  } rows[] = {
      {KIV_BYTE, -1, {0}},
      {KIV_BYTE, 0, {0}},
      {KIV_BYTE, 1, {255}},
      {KIV_SHORT, -1, {0x00, 0x80}},
      {KIV_SHORT, 0, {0, 0}},
      {KIV_SHORT, 1, {0xFF, 0x7F}},
      {KIV_USHORT, -1, {0, 0}},
      {KIV_USHORT, 1, {0xFF, 0xFF}},
      {KIV_LONG, -1, {0, 0, 0, 0x80}},
      {KIV_LONG, 1, {0xFF, 0xFF, 0xFF, 0x7F}},
      {KIV_ULONG, -1, {0, 0, 0, 0}},
      {KIV_ULONG, 1, {0xFF, 0xFF, 0xFF, 0xFF}},
      {KIV_DATE, -1, {0, 0, 0, 0}},
      {KIV_DATE, 1, {0xFF, 0xFF, 0xFF, 0xFF}},
      {KIV_TIME, 0, {0, 0, 0, 0}},
      {KIV_TIME, 1, {0xFF, 0xFF, 0xFF, 0xFF}},
      {KIV_BFLOAT4, -1, {255, 255, 255, 255}},
      {KIV_BFLOAT4, 0, {0, 0, 0, 0}},
      {KIV_BFLOAT4, 1, {255, 255, 127, 255}},
      {KIV_BFLOAT8, -1, {255, 255, 255, 255, 255, 255, 255, 255}},
      {KIV_BFLOAT8, 1, {255, 255, 255, 255, 255, 255, 127, 255}},
      {KIV_REFERENCE, -1, {0, 0, 0, 0}},
      {KIV_REFERENCE, 1, {0, 0, 0, 0}},
  };
  for (const Row& r : rows) {
    uint8_t buf[9];
    std::memset(buf, 0x5A, sizeof buf);
    Kiv$ClearType(buf, r.type, r.sign);
    EXPECT_EQ(bytes(buf, r.storage.size()), r.storage) << "type " << r.type << " sign " << r.sign;
    EXPECT_EQ(buf[r.storage.size()], 0x5A) << "type " << r.type;
  }
}

TEST_F(Numbers, ClearToGivesTheExtremeReals) {
  double d = 1;
  float f = 1;
  auto real = mem(&d, KIV_REAL);
  auto sreal = mem(&f, KIV_SREAL);
  Kiv$ClearUfo(real.get(), 1);
  EXPECT_EQ(d, 1.7976931348623101e+308);
  Kiv$ClearUfo(real.get(), -1);
  EXPECT_EQ(d, -1.7976931348623101e+308);
  Kiv$ClearUfo(real.get(), 0);
  EXPECT_EQ(d, 0.0);
  Kiv$ClearUfo(sreal.get(), 1);
  EXPECT_EQ(double(f), 3.4028234663852886e+38);
  Kiv$ClearUfo(sreal.get(), -1);
  EXPECT_EQ(double(f), -3.4028234663852886e+38);
}

TEST_F(Numbers, BinaryFloatsUseTheMicrosoftLayout) {
  struct Row {
    double value;
    std::vector<uint8_t> four;
  } rows[] = {
      {1.0, {0, 0, 0, 0x81}},     {0.5, {0, 0, 0, 0x80}},        {-1.0, {0, 0, 0x80, 0x81}},
      {10.0, {0, 0, 0x20, 0x84}}, {0.0, {0, 0, 0, 0}},           {-0.0, {0, 0, 0, 0}},
      {0.75, {0, 0, 0x40, 0x80}}, {1e300, {255, 255, 127, 255}},
  };
  for (const Row& r : rows) {
    uint8_t b[4];
    Kiv$bstorefloat4(b, r.value);
    EXPECT_EQ(bytes(b, 4), r.four) << r.value;
  }
  uint8_t b8[8];
  Kiv$bstorefloat(b8, -1.0);
  EXPECT_EQ(bytes(b8, 8), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0x80, 0x81}));

  for (double v : {1.0, -2.5, 3.141592653589793, 1e-30, 123456.789, -1.5e37}) {
    uint8_t four[4], eight[8];
    Kiv$bstorefloat4(four, v);
    Kiv$bstorefloat(eight, v);
    EXPECT_EQ(Kiv$bloadfloat4(four), double(float(v))) << v;
    EXPECT_EQ(Kiv$bloadfloat(eight), v) << v;
  }
}

TEST_F(Numbers, FloatDescriptorsConvertOnEveryReadAndWrite) {
  uint8_t four[4];
  uint8_t eight[8];
  float single;
  auto b4 = mem(four, KIV_BFLOAT4);
  auto b8 = mem(eight, KIV_BFLOAT8);
  auto sr = mem(&single, KIV_SREAL);
  for (Ufo* u : {b4.get(), b8.get(), sr.get()}) {
    Kiv$AssignReal2Ufo(u, 2.75);
    EXPECT_EQ(Kiv$Ufo2Real(u), 2.75);
    Kiv$AssignLong2Ufo(u, -12);
    EXPECT_EQ(Kiv$Ufo2Long(u), -12);
    EXPECT_EQ(text(u), "-12");
  }
  Kiv$AssignReal2Ufo(sr.get(), 0.1);
  EXPECT_EQ(single, 0.1f);
  EXPECT_EQ(Kiv$SizeUfo(b4.get()), 4u);
  EXPECT_EQ(Kiv$SizeUfo(b8.get()), 8u);
}

TEST_F(Numbers, DecimalsConvertThroughTheDecimalStack) {
  uint8_t dec[3] = {};  // DECIMAL(5,2)
  auto d = mem(dec, KIV_DECIMAL, 3, 2);
  Kiv$AssignReal2Ufo(d.get(), 2.345);
  EXPECT_EQ(bytes(dec, 3), (std::vector<uint8_t>{0x00, 0x02, 0x35}));  // 2.35, half away from 0
  EXPECT_EQ(text(d.get()), "2.35");
  EXPECT_EQ(Kiv$Ufo2Long(d.get()), 2);
  EXPECT_DOUBLE_EQ(Kiv$Ufo2Real(d.get()), 2.35);
  Kiv$AssignLong2Ufo(d.get(), -7);
  EXPECT_EQ(bytes(dec, 3), (std::vector<uint8_t>{0xF0, 0x07, 0x00}));
  kivtest::push("12.5");
  Kiv$Stack2UfoC(d.get());
  EXPECT_EQ(text(d.get()), "12.5");

  uint8_t pdec[3] = {};  // PDECIMAL(5,2)
  auto p = mem(pdec, KIV_PDECIMAL, 3, 2);
  Kiv$AssignUfo(p.get(), d.get());
  EXPECT_EQ(bytes(pdec, 3), (std::vector<uint8_t>{0x01, 0x25, 0x0F}));
  Kiv$ClearUfo(d.get(), 1);
  EXPECT_EQ(text(d.get()), "999.99");
  Kiv$ClearUfo(d.get(), -1);
  EXPECT_EQ(text(d.get()), "-999.99");
}

TEST_F(Numbers, UlongKeepsItsFourRawBytesAsALong) {
  uint32_t raw = 0;
  auto u = mem(&raw, KIV_ULONG);
  Kiv$AssignLong2Ufo(u.get(), -1);
  EXPECT_EQ(raw, 0xFFFFFFFFu);
  EXPECT_EQ(Kiv$Ufo2Long(u.get()), -1);
  EXPECT_EQ(text(u.get()), "4294967295");
  EXPECT_EQ(Kiv$Ufo2Real(u.get()), 4294967295.0);
  Kiv$AssignReal2Ufo(u.get(), 3000000000.0);
  EXPECT_EQ(raw, 3000000000u);
  EXPECT_EQ(Kiv$SizeUfo(u.get()), 4u);
}

TEST_F(Numbers, ReportTotalsAddAndDivideInTheMeetingClass) {
  int32_t total = 7, two = 2;
  auto t = mem(&total, KIV_LONG);
  auto n = mem(&two, KIV_LONG);
  t->AddTo(*n);
  EXPECT_EQ(total, 9);
  t->DivideBy(*n);  // through the decimal stack: 4.5, stored truncated
  EXPECT_EQ(total, 4);
  total = INT32_MAX;
  t->AddTo(*n);  // adds in 32 bits
  EXPECT_EQ(total, INT32_MIN + 1);

  double r = 1.5, zero = 0.0;
  auto rr = mem(&r, KIV_REAL);
  auto z = mem(&zero, KIV_REAL);
  rr->AddTo(*n);
  EXPECT_EQ(r, 3.5);
  rr->DivideBy(*n);
  EXPECT_EQ(r, 1.75);
  rr->DivideBy(*z);  // a zero divisor gives 0, as REAL division does
  EXPECT_EQ(r, 0.0);

  uint8_t dec[4] = {};  // DECIMAL(7,2)
  auto d = mem(dec, KIV_DECIMAL, 4, 2);
  Kiv$AssignReal2Ufo(d.get(), 10.0);
  uint8_t three[2] = {0x00, 0x03};  // DECIMAL(3,0) holding 3
  auto d3 = mem(three, KIV_DECIMAL, 2, 0);
  d->DivideBy(*d3);
  EXPECT_EQ(text(d.get()), "3.33");
  d->AddTo(*n);
  EXPECT_EQ(text(d.get()), "5.33");
}

}  // namespace
