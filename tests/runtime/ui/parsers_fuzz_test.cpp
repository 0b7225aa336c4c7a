// The text parsers of the window layer never crash or read out of bounds, whatever they get:
// descriptions, list formats and pop-up menu texts, mutated at random from valid seeds.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "runtime/ui/description.h"
#include "runtime/ui/list_format.h"
#include "runtime/ui/popup_menu.h"

namespace {

std::string mutate(std::string s, std::mt19937& rng) {
  const std::string alphabet = "[]()~@#|{}-+_*\"\\\n 0123456789LRCDIMFHSTabz$.&";
  int edits = 1 + static_cast<int>(rng() % 6);
  for (int i = 0; i < edits && !s.empty(); ++i) {
    size_t at = rng() % s.size();
    switch (rng() % 4) {
      case 0:
        s[at] = alphabet[rng() % alphabet.size()];
        break;
      case 1:
        s.erase(at, 1 + rng() % 8);
        break;
      case 2:
        s.insert(at, 1, alphabet[rng() % alphabet.size()]);
        break;
      case 3:
        s.insert(at, s.substr(rng() % s.size(), rng() % 16));
        break;
    }
  }
  return s;
}

}  // namespace

TEST(ParsersFuzz, MutatedInputsAreAcceptedOrRefusedCleanly) {
  std::ifstream in(std::string(KIV_SOURCE_DIR) + "/tests/runtime/ui/resources/uitest.kvd");
  std::string description((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(description.empty());
  const std::string format =
      "[27R(2)|_MI~ID~C(0)@n6@40L(1)|_M~LABEL~C(0)@s11@49L(1)|_M~CATEGORY~C(0)@s20@](301)|M";
  const std::string popup = "|A|~B|-|C{D|E{F|G}}|+H|~+I";
  std::mt19937 rng(20240611);
  int parsed = 0, refused = 0;
  for (int i = 0; i < 3000; ++i) {
    kiv::ui::ParseError error;
    auto module = kiv::ui::parseDescription(mutate(description, rng), error);
    if (module) {
      ++parsed;
      for (const auto& s : module->structures) (void)s.allControls();
    } else {
      ++refused;
      EXPECT_GT(error.line, 0);
      EXPECT_FALSE(error.message.empty());
    }
    (void)kiv::ui::parseListFormat(mutate(format, rng));
    (void)kiv::ui::parsePopupText(mutate(popup, rng));
  }
  EXPECT_GT(refused, 0);
}
