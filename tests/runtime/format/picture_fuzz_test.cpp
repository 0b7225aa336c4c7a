// Picture texts from the committed corpus and random mutations of it, with random values: every
// text either compiles and formats within its width, or fails cleanly with no output.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/format/locale_settings.h"

namespace {

std::vector<std::string> corpus() {
  std::ifstream in(std::string(KIV_SOURCE_DIR) + "/tests/runtime/format/fuzz_corpus/pictures.txt");
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line))
    if (!line.empty()) lines.push_back(line);
  return lines;
}

// Runs every operation on one picture text with one set of values.
void exercise(const std::string& pict, int32_t longValue, double realValue,
              const std::string& text) {
  uint8_t buffer[KIV_PICTURE_SIZE];
  std::memset(buffer, 0xA5, sizeof buffer);
  int32_t width = Kiv$storepict(pict.data(), uint32_t(pict.size()), buffer);
  KivHeapStr s{};
  Kiv$FORMATlong(&s, longValue, pict.data(), uint32_t(pict.size()));
  if (width < 0) {
    EXPECT_EQ(s.len, 0u) << pict;
  } else {
    EXPECT_EQ(s.len, uint32_t(width)) << pict;
    std::string shown(s.addr ? s.addr : "", s.len);
    Kiv$deformatpict(buffer, shown.data(), uint32_t(shown.size()));
    KivPictCount count;
    Kiv$pictcount(buffer, &count);
  }
  Kiv$freestr(&s);
  Kiv$FORMATreal(&s, realValue, pict.data(), uint32_t(pict.size()));
  EXPECT_EQ(s.len, uint32_t(width < 0 ? 0 : width)) << pict;
  Kiv$freestr(&s);
  Kiv$FORMATstr(&s, text.data(), uint32_t(text.size()), pict.data(), uint32_t(pict.size()));
  Kiv$freestr(&s);
  Kiv$DEFORMAT(&s, text.data(), uint32_t(text.size()), pict.data(), uint32_t(pict.size()));
  Kiv$freestr(&s);
  Kiv$deformatpict(buffer, text.data(), uint32_t(text.size()));
  uint32_t word;
  Kiv$checkpict(&word, pict.data(), uint32_t(pict.size()));
}

class PictureFuzz : public ::testing::Test {
 protected:
  void SetUp() override { kiv::format::resetLocaleTables(); }
};

TEST_F(PictureFuzz, CorpusReplays) {
  std::vector<std::string> lines = corpus();
  ASSERT_GE(lines.size(), 100u);
  const int32_t longs[] = {0, 1, -1, 4, 109211, 8640000, 2147483647, -2147483647 - 1};
  const double reals[] = {0.0, -0.5, 1e300, -1e-300, 123456789.987654321, 9.9995};
  const char* texts[] = {"", "12/31/1999", "-1,234.56", "JAN  5,1998", "12:07AM", "\xff\x01z"};
  for (const std::string& pict : lines)
    for (size_t i = 0; i < 6; ++i) exercise(pict, longs[i + 2 * (i % 2)], reals[i], texts[i]);
}

TEST_F(PictureFuzz, RandomMutations) {
  std::vector<std::string> lines = corpus();
  const std::string alphabet = "@NnEeDdTtPpKkSsBb0123456789.`_vV-()$~*<>#^?|\\/:, ";
  std::mt19937 rng(424242);
  for (int round = 0; round < 20000; ++round) {
    std::string pict = lines[rng() % lines.size()];
    for (int k = rng() % 4; k >= 0; --k) {
      size_t at = pict.empty() ? 0 : rng() % (pict.size() + 1);
      switch (rng() % 3) {
        case 0:
          pict.insert(pict.begin() + at, alphabet[rng() % alphabet.size()]);
          break;
        case 1:
          if (!pict.empty()) pict.erase(std::min(at, pict.size() - 1), 1);
          break;
        default:
          if (!pict.empty()) pict[std::min(at, pict.size() - 1)] = char(rng() % 256);
      }
    }
    if (rng() % 50 == 0) pict += std::string(rng() % 300, '9');
    std::string text(rng() % 24, ' ');
    for (char& c : text) c = alphabet[rng() % alphabet.size()];
    double real = std::ldexp(double(int32_t(rng())), int(rng() % 200) - 100);
    exercise(pict, int32_t(rng()), real, text);
  }
}

}  // namespace
