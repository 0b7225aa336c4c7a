#include "runtime/platform/short_names.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <unordered_map>
#include <unordered_set>

namespace kiv::platform {
namespace {

// Characters allowed in 8.3 names (letters of either case, digits, a few signs).
constexpr std::array<bool, 256> kShortNameChars = [] {
  std::array<bool, 256> table{};
  for (int c = 'A'; c <= 'Z'; ++c) table[c] = table[c + 32] = true;
  for (int c = '0'; c <= '9'; ++c) table[c] = true;
  for (char c : std::string_view("!#$%&'()-@^_`{}~")) table[static_cast<unsigned char>(c)] = true;
  return table;
}();

bool isShortNameChar(unsigned char c) { return kShortNameChars[c]; }

char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }

// Upper case, each character that may not stand in an 8.3 name as "_" (a UTF-8 sequence is one
// character); spaces and dots are kept for the caller to handle.
std::string mapCharacters(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      while (i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) ++i;
      out += '_';
    } else if (c == ' ' || c == '.' || isShortNameChar(c)) {
      out += upper(char(c));
    } else {
      out += '_';
    }
  }
  return out;
}

std::string withoutSpacesAndDots(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != ' ' && c != '.') out += c;
  return out;
}

// The candidate "BASIS~N.EXT": the basis cut so that it and the tail fit eight characters.
std::string candidate(const ShortBasis& basis, unsigned n) {
  std::string tail = "~" + std::to_string(n);
  std::string name = basis.base.substr(0, tail.size() < 8 ? 8 - tail.size() : 0) + tail;
  if (!basis.extension.empty()) name += "." + basis.extension;
  return name;
}

}  // namespace

bool isValidShortName(std::string_view name) {
  size_t dot = name.find('.');
  std::string_view base = name.substr(0, dot);
  std::string_view ext = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8) return false;
  if (dot != std::string_view::npos && (ext.empty() || ext.size() > 3)) return false;
  for (std::string_view part : {base, ext})
    for (char c : part)
      if (!isShortNameChar(static_cast<unsigned char>(c))) return false;
  return true;
}

ShortBasis shortBasis(std::string_view name) {
  std::string mapped = mapCharacters(name);
  std::string_view rest = mapped;
  while (!rest.empty() && (rest.front() == '.' || rest.front() == ' ')) rest.remove_prefix(1);
  ShortBasis basis;
  size_t lastDot = rest.rfind('.');
  if (lastDot == std::string_view::npos) {
    basis.base = withoutSpacesAndDots(rest);
  } else {
    basis.base = withoutSpacesAndDots(rest.substr(0, lastDot));
    basis.extension = withoutSpacesAndDots(rest.substr(lastDot + 1)).substr(0, 3);
  }
  if (basis.base.empty()) basis.base = "_";
  return basis;
}

std::vector<std::string> alternateNames(const std::vector<std::string_view>& names) {
  std::vector<std::string> result(names.size());
  std::vector<size_t> pending;
  for (size_t i = 0; i < names.size(); ++i)
    if (!isValidShortName(names[i])) pending.push_back(i);
  if (pending.empty()) return result;

  // Every candidate holds "~", so only valid names with one can stand in a candidate's way.
  std::unordered_set<std::string> taken;
  size_t p = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    if (p < pending.size() && pending[p] == i) {
      ++p;
      continue;
    }
    if (names[i].find('~') == std::string_view::npos) continue;
    std::string u(names[i]);
    for (char& c : u) c = upper(c);
    taken.insert(std::move(u));
  }
  std::sort(pending.begin(), pending.end(),
            [&](size_t a, size_t b) { return names[a] < names[b]; });
  // A candidate depends on the first six characters of the basis, the extension and N alone.
  // Numbers below where such a group stopped are all taken (names are only ever added), so each
  // group resumes there.
  std::unordered_map<std::string, unsigned> resume;
  for (size_t i : pending) {
    ShortBasis basis = shortBasis(names[i]);
    unsigned& n = resume[basis.base.substr(0, 6) + "." + basis.extension];
    for (n = std::max(n, 1u);; ++n) {
      std::string name = candidate(basis, n);
      if (taken.insert(name).second) {
        result[i] = std::move(name);
        break;
      }
    }
  }
  return result;
}

}  // namespace kiv::platform
