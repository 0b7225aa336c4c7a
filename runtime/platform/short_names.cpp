#include "runtime/platform/short_names.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <unordered_map>

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

// A name of at most twelve characters held in place, zero padded: the candidates, the valid
// 8.3 names they may collide with, and the groups of candidates.
struct ShortName {
  std::array<char, 16> chars{};
  uint8_t size = 0;

  void push(char c) {
    if (size < chars.size()) chars[size++] = c;
  }
  std::string text() const { return std::string(chars.data(), size); }
  // Compared as two words: names are zero padded.
  bool operator==(const ShortName& o) const {
    uint64_t a[2], b[2];
    std::memcpy(a, chars.data(), 16);
    std::memcpy(b, o.chars.data(), 16);
    return a[0] == b[0] && a[1] == b[1];
  }
};

// Every character must reach the low bits the tables use: candidates of one basis differ only
// in their "~N", deep in the first word.
struct ShortNameHash {
  size_t operator()(const ShortName& n) const {
    uint64_t a, b;
    std::memcpy(&a, n.chars.data(), 8);
    std::memcpy(&b, n.chars.data() + 8, 8);
    uint64_t h = a ^ (b * 0x9E3779B97F4A7C15ull);
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    return size_t(h ^ (h >> 33));
  }
};

ShortName upperShortName(std::string_view name) {
  ShortName n;
  for (char c : name) n.push(upper(c));
  return n;
}

// A set of short names that never grows past the number given at the start: open addressing
// in a table of at least twice that many slots, an empty name marking a free slot.
class ShortNameSet {
 public:
  explicit ShortNameSet(size_t most) : slots_(std::bit_ceil(std::max<size_t>(2 * most, 16))) {}

  // False when the name is in the set already.
  bool insert(const ShortName& name) {
    const size_t mask = slots_.size() - 1;
    for (size_t at = ShortNameHash()(name) & mask;; at = (at + 1) & mask) {
      if (slots_[at].size == 0) {
        slots_[at] = name;
        return true;
      }
      if (slots_[at] == name) return false;
    }
  }

 private:
  std::vector<ShortName> slots_;
};

// What of a long name goes into its alternate names: the first six characters of its basis and
// its extension (see basis6).
struct Basis6 {
  ShortName base, extension;

  ShortName group() const {
    ShortName g = base;
    g.push('.');
    for (uint8_t i = 0; i < extension.size; ++i) g.push(extension.chars[i]);
    return g;
  }
  // "BASIS~N.EXT": the basis cut so that it and the tail fit eight characters.
  ShortName candidate(unsigned n) const {
    char tail[12];
    int tailSize = 0;
    char digits[10];
    int count = 0;
    do {
      digits[count++] = char('0' + n % 10);
      n /= 10;
    } while (n > 0);
    tail[tailSize++] = '~';
    while (count > 0) tail[tailSize++] = digits[--count];
    ShortName name;
    const size_t keep = tailSize < 8 ? size_t(8 - tailSize) : 0;
    for (size_t i = 0; i < std::min<size_t>(keep, base.size); ++i) name.push(base.chars[i]);
    for (int i = 0; i < tailSize; ++i) name.push(tail[i]);
    if (extension.size > 0) {
      name.push('.');
      for (uint8_t i = 0; i < extension.size; ++i) name.push(extension.chars[i]);
    }
    return name;
  }
};

// Appends the characters of `part` as they stand in a short name, spaces and dots left out,
// until `limit` are there.
void appendMapped(std::string_view part, ShortName* out, size_t limit) {
  for (size_t i = 0; i < part.size() && out->size < limit; ++i) {
    unsigned char c = static_cast<unsigned char>(part[i]);
    if (c >= 0x80) {
      while (i + 1 < part.size() && (static_cast<unsigned char>(part[i + 1]) & 0xC0) == 0x80) ++i;
      out->push('_');
    } else if (c == ' ' || c == '.') {
      continue;
    } else {
      out->push(isShortNameChar(c) ? upper(char(c)) : '_');
    }
  }
}

// The basis of a long name: upper case, no spaces, no dots but the last, leading dots dropped,
// characters not allowed in 8.3 names (and each UTF-8 sequence) as "_"; the part before the last
// dot ("_" when nothing is left of it) and the extension (at most three characters) after it.
// Worked out in one pass, without allocating, and only as far as alternate names use it.
Basis6 basis6(std::string_view name) {
  size_t start = 0;
  while (start < name.size() && (name[start] == '.' || name[start] == ' ')) ++start;
  std::string_view rest = name.substr(start);
  const size_t lastDot = rest.rfind('.');
  Basis6 b;
  appendMapped(rest.substr(0, lastDot), &b.base, 6);
  if (lastDot != std::string_view::npos) appendMapped(rest.substr(lastDot + 1), &b.extension, 3);
  if (b.base.size == 0) b.base.push('_');
  return b;
}

// Sorts positions in `names` by the names they point to. Names in one folder often share a
// long start ("IMG_2023...", "Long file name ..."), so each is first compared by the eight
// bytes after the start they all share, and in full only where those are equal.
void sortByName(const std::vector<std::string_view>& names, std::vector<size_t>* positions) {
  if (positions->empty()) return;
  std::string_view first = names[positions->front()];
  size_t shared = first.size();
  for (size_t i : *positions) {
    std::string_view n = names[i];
    size_t k = 0;
    while (k < shared && k < n.size() && n[k] == first[k]) ++k;
    shared = k;
  }
  struct Keyed {
    uint64_t key;  // the eight bytes after the shared start, big end first, zero padded
    size_t position;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(positions->size());
  for (size_t i : *positions) {
    std::string_view n = names[i];
    uint64_t key = 0;
    for (size_t k = 0; k < 8; ++k)
      key = key << 8 | (shared + k < n.size() ? static_cast<unsigned char>(n[shared + k]) : 0u);
    keyed.push_back({key, i});
  }
  std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
    if (a.key != b.key) return a.key < b.key;
    return names[a.position] < names[b.position];
  });
  for (size_t k = 0; k < keyed.size(); ++k) (*positions)[k] = keyed[k].position;
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

std::vector<std::string> alternateNames(const std::vector<std::string_view>& names) {
  std::vector<std::string> result(names.size());
  std::vector<size_t> pending;
  size_t withTilde = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    if (!isValidShortName(names[i]))
      pending.push_back(i);
    else if (names[i].find('~') != std::string_view::npos)
      ++withTilde;
  }
  if (pending.empty()) return result;

  // Every candidate holds "~", so only valid names with one can stand in a candidate's way.
  ShortNameSet taken(pending.size() + withTilde);
  size_t p = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    if (p < pending.size() && pending[p] == i) {
      ++p;
      continue;
    }
    if (names[i].find('~') != std::string_view::npos) taken.insert(upperShortName(names[i]));
  }
  sortByName(names, &pending);
  // A candidate depends on the first six characters of the basis, the extension and N alone.
  // Numbers below where such a group stopped are all taken (names are only ever added), so each
  // group resumes there.
  std::unordered_map<ShortName, unsigned, ShortNameHash> resume;
  for (size_t i : pending) {
    const Basis6 basis = basis6(names[i]);
    unsigned& n = resume[basis.group()];
    for (n = std::max(n, 1u);; ++n) {
      const ShortName name = basis.candidate(n);
      if (taken.insert(name)) {
        result[i] = name.text();
        break;
      }
    }
  }
  return result;
}

}  // namespace kiv::platform
