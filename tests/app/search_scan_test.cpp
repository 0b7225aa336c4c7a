// The searches against a plain reference. A random catalog of a few hundred disks and a few
// thousand files (mixed-case, blank, equal and prefix-sharing values, byte counts on both sides
// of 2^32) is searched for every item, field, comparison and case flag; the reference reads the
// same records from a list of its own, sorted as the field's key sorts them, and applies the
// scan as the search table states it: where to position, what to copy while, where to stop.
// The records copied must be the reference's, in the reference's order, and whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/search/search_scan.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"
#include "tests/app/app_test_support.h"

namespace {

using namespace search_op;
using namespace search_field;

// ---------------------------------------------------------------------------------------------
// The reference: plain text and number rules, written out here.

std::string padded(const std::string& s, size_t n) {
  std::string r = s.substr(0, std::min(s.size(), n));
  r.resize(n, ' ');
  return r;
}
std::string clipped(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}
std::string upperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}
// Text order: byte by byte; a longer text is compared with blanks where the shorter ends.
int textOrder(const std::string& a, const std::string& b) {
  const size_t n = std::max(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = i < a.size() ? a[i] : ' ', y = i < b.size() ? b[i] : ' ';
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}
bool containsText(const std::string& in, const std::string& sought) {
  return !sought.empty() && in.find(sought) != std::string::npos;
}

// A number typed as text: leading blanks, one "-", digits, "." and digits; anything else ends
// it. Gives the value in tenths of a unit... kept as whole part and first fraction digit.
struct Typed {
  bool negative = false;
  unsigned __int128 whole = 0;
  int tenths = 0;  // the first fraction digit (only rounding looks at it)
};
Typed parseTyped(const std::string& text) {
  Typed t;
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && text[i] == '-') t.negative = true, ++i;
  while (i < text.size() && isdigit(static_cast<unsigned char>(text[i])))
    t.whole = t.whole * 10 + unsigned(text[i++] - '0');
  if (i < text.size() && text[i] == '.' && i + 1 < text.size() &&
      isdigit(static_cast<unsigned char>(text[i + 1])))
    t.tenths = text[i + 1] - '0';
  return t;
}
// Into a LONG: the whole part, wrapped to 32 bits, negated when negative.
int32_t typedLong(const std::string& text) {
  const Typed t = parseTyped(text);
  const uint32_t low = uint32_t(uint64_t(t.whole));
  return int32_t(t.negative ? uint32_t(0) - low : low);
}
// Into a whole count of bytes: rounded half away from zero; signed.
__int128 typedCount(const std::string& text) {
  const Typed t = parseTyped(text);
  __int128 v = __int128(t.whole) + (t.tenths >= 5 ? 1 : 0);
  return t.negative ? -v : v;
}

// The time of day as @t3 shows it: the hour blank-padded on a 12-hour clock, the minutes,
// AM or PM.
std::string t3(int32_t serial) {
  const int32_t hundredths = serial > 0 ? serial - 1 : 0;
  const int32_t hour = hundredths / 360000, minute = hundredths / 6000 % 60;
  const int32_t shown = hour % 12 == 0 ? 12 : hour % 12;
  char text[16];
  std::snprintf(text, sizeof text, "%2d:%02d%s", shown, minute, hour < 12 ? "AM" : "PM");
  return text;
}

// One component of a key value.
struct KeyPart {
  bool text = false;
  std::string s;  // upper case, padded to the field's size
  __int128 n = 0;
};
using KeyValue = std::vector<KeyPart>;
int keyOrder(const KeyValue& a, const KeyValue& b) {
  for (size_t i = 0; i < a.size(); ++i) {
    const int c = a[i].text ? textOrder(a[i].s, b[i].s) : (a[i].n > b[i].n) - (a[i].n < b[i].n);
    if (c) return c;
  }
  return 0;
}
KeyPart textPart(const std::string& s, size_t size) {
  return {true, upperAscii(padded(s, size)), 0};
}
KeyPart numberPart(__int128 n) { return {false, {}, n}; }

enum class Kind { Text, Long, Count, Time };

// A record as the reference sees it for one field: its key value, whether an optional key
// leaves it out, the field compared, and who it is.
struct RefRecord {
  KeyValue key;
  bool inKey = true;
  std::string text;  // the field as stored, padded (text fields)
  __int128 number = 0;
  int32_t id = 0;
};

struct RefField {
  Kind kind;
  size_t size = 0;                 // text fields: the field's size (the stored value is cut to it)
  std::vector<RefRecord> records;  // in key order
};

// The records copied, by id, for `op` with `value` and the case flag: the scan table read
// literally.
std::vector<int32_t> reference(const RefField& f, int32_t op, const std::string& typedValue,
                               bool caseSensitive) {
  const std::string value = clipped(typedValue);
  std::vector<int32_t> out;
  std::vector<const RefRecord*> order;
  for (const RefRecord& r : f.records)
    if (r.inKey) order.push_back(&r);

  // The value as compared, and where "position at the value" puts the sequence.
  const bool text = f.kind == Kind::Text;
  const std::string v = text && !caseSensitive ? upperAscii(value) : value;
  const int32_t longValue = typedLong(value);
  const __int128 countValue = typedCount(value);
  auto fieldText = [&](const RefRecord& r) { return caseSensitive ? r.text : upperAscii(r.text); };
  auto cmp = [&](const RefRecord& r) {
    switch (f.kind) {
      case Kind::Text:
        return textOrder(fieldText(r), v);
      case Kind::Long:
        return (r.number > longValue) - (r.number < longValue);
      case Kind::Count:
        return (r.number > countValue) - (r.number < countValue);
      case Kind::Time:
        return textOrder(t3(int32_t(r.number)), t3(longValue));
    }
    return 0;
  };
  auto positioned = [&]() {
    KeyPart first =
        text ? textPart(value, f.size) : numberPart(f.kind == Kind::Count ? countValue : longValue);
    size_t i = 0;
    while (i < order.size()) {
      const KeyPart& k = order[i]->key[0];
      const int c = first.text ? textOrder(k.s, first.s) : (k.n > first.n) - (k.n < first.n);
      if (c >= 0) break;
      ++i;
    }
    return i;
  };
  auto contains = [&](const RefRecord& r) {
    switch (f.kind) {
      case Kind::Text:
        return containsText(fieldText(r), v);
      case Kind::Long:
      case Kind::Count: {
        std::string digits;
        __int128 n = r.number < 0 ? -r.number : r.number;
        do digits.insert(digits.begin(), char('0' + int(n % 10)));
        while ((n /= 10) > 0);
        if (r.number < 0) digits.insert(digits.begin(), '-');
        return containsText(digits, value);
      }
      case Kind::Time:
        return containsText(t3(int32_t(r.number)), clipped(t3(longValue)));
    }
    return false;
  };

  auto copyWhile = [&](size_t from, const std::function<bool(const RefRecord&)>& ok) {
    for (size_t i = from; i < order.size() && ok(*order[i]); ++i) out.push_back(order[i]->id);
  };
  auto copyEvery = [&](size_t from, const std::function<bool(const RefRecord&)>& ok) {
    for (size_t i = from; i < order.size(); ++i)
      if (ok(*order[i])) out.push_back(order[i]->id);
  };
  switch (op) {
    case Equals:
      copyWhile(positioned(), [&](auto& r) { return cmp(r) == 0; });
      break;
    case NotEquals:
      copyEvery(0, [&](auto& r) { return cmp(r) != 0; });
      break;
    case MoreThan:
      copyEvery(positioned(), [&](auto& r) { return cmp(r) != 0; });
      break;
    case LessThan:
      copyWhile(0, [&](auto& r) { return cmp(r) < 0; });
      break;
    case MoreOrEqual:
      copyEvery(positioned(), [](auto&) { return true; });
      break;
    case LessOrEqual:
      if (text) {
        const std::string first = v.empty() ? " " : v.substr(0, 1);
        copyWhile(0, [&](auto& r) { return textOrder(fieldText(r).substr(0, 1), first) <= 0; });
      } else {
        copyWhile(0, [&](auto& r) { return cmp(r) <= 0; });
      }
      break;
    case BeginsWith:
      if (text)
        copyWhile(positioned(),
                  [&](auto& r) { return textOrder(fieldText(r).substr(0, v.size()), v) == 0; });
      else
        copyWhile(positioned(), [&](auto& r) { return cmp(r) == 0; });
      break;
    case EndsWith:
      if (text) {
        copyEvery(0, [&](auto& r) {
          const std::string c = clipped(fieldText(r));
          return c.size() >= v.size() && c.compare(c.size() - v.size(), v.size(), v) == 0;
        });
      } else {
        copyWhile(positioned(), [&](auto& r) { return cmp(r) == 0; });
      }
      break;
    case Contains:
      copyEvery(0, contains);
      break;
    case NotContains:
      copyEvery(0, [&](auto& r) { return !contains(r); });
      break;
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// The random catalog.

struct GenDisk {
  int32_t id = 0;
  std::string userNum, label, category, serial, type, comments;
  uint64_t total = 0, free = 0;
  int32_t files = 0;
};
struct GenFile {
  int32_t uid = 0, disk = 0, date = 0, time = 0;
  std::string shortName, attrib, path, type, longName, comment;
  uint64_t size = 0;
};

constexpr uint64_t k4G = 4294967296ULL;

template <typename T>
const T& pick(std::mt19937& rng, const std::vector<T>& pool) {
  return pool[std::uniform_int_distribution<size_t>(0, pool.size() - 1)(rng)];
}
std::string randomCase(std::mt19937& rng, std::string s) {
  for (char& c : s)
    if (isalpha(static_cast<unsigned char>(c)) && rng() % 3 == 0)
      c = char(isupper(static_cast<unsigned char>(c)) ? tolower(c) : toupper(c));
  return s;
}
std::string randomWord(std::mt19937& rng, size_t min, size_t max) {
  static const std::string letters =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 ._-~";
  std::string s(std::uniform_int_distribution<size_t>(min, max)(rng), ' ');
  for (char& c : s) c = letters[rng() % letters.size()];
  return s;
}

const std::vector<std::string> kLabels = {"MUSIC", "music", "Music", "MZ",     "M",      "N",
                                          "NOTES", "WORK",  "work",  "Work1",  "WORK10", "",
                                          "apple", "APRIL", "AP",    "Zeta",   " LEAD",  "MUSIC2",
                                          "mz",    "A",     "a b",   "BACKUP", "Backup"};
const std::vector<std::string> kCategories = {"",      "",         "Games", "GAMES",  "games",
                                              "Music", "Programs", "Prog",  "Photos", "photo"};
const std::vector<std::string> kComments = {"",
                                            "",
                                            "holiday photos",
                                            "Holiday Photos",
                                            "HOLIDAY",
                                            "old backup of the work disk",
                                            "Old Backup",
                                            "txt files only",
                                            "contains 12 games"};
const std::vector<uint64_t> kCounts = {0,
                                       1,
                                       12,
                                       120,
                                       3125,
                                       1457664,
                                       k4G - 1,
                                       k4G,
                                       k4G + 1,
                                       5 * (k4G / 4) * 4,
                                       5368709120ULL,
                                       30000000000000ULL,
                                       18446744073709551615ULL};
const std::vector<std::string> kNames = {
    "README.TXT", "readme.txt", "Readme.Txt", "READ.ME", "NOTES.TXT", "A.TXT",  "TXT",
    "X.TX",       "MUSIC.MP3",  "M",          "MZ.DOC",  "READ",      "~1.TXT", "AUTOEXEC.BAT"};
const std::vector<std::string> kAttribs = {"",   "R",    "A",    "RA", "R S", "   H",
                                           "ra", "RASH", " A  ", "A",  "A"};
const std::vector<std::string> kTypes = {"TXT", "txt", "Txt", "DOC", "", "MP3", "T", "TX"};
// 5:05 PM at 0, 12, 59.99 seconds; 5:06 PM; 10:05 AM; midnight; no time.
const std::vector<int32_t> kTimes = {17 * 360000 + 5 * 6000 + 1,
                                     17 * 360000 + 5 * 6000 + 1201,
                                     17 * 360000 + 5 * 6000 + 5999 + 1,
                                     17 * 360000 + 6 * 6000 + 1,
                                     10 * 360000 + 5 * 6000 + 1,
                                     1,
                                     0,
                                     13 * 360000 + 1 * 6000 + 501};
const std::vector<int32_t> kDates = {71694, 71694, 71695, 71000, 36527, 0, 109211};

class SearchScans : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new kivtest::TempDir;
    std::mt19937 rng(20240517);
    std::vector<int32_t> ids(400);
    for (int32_t i = 0; i < 400; ++i) ids[size_t(i)] = i + 1;
    std::shuffle(ids.begin(), ids.end(), rng);
    ids.resize(300);
    std::map<std::string, bool> userNums;
    for (int32_t id : ids) {
      GenDisk d;
      d.id = id;
      if (rng() % 5 >= 2) {
        std::string u;
        do u = randomCase(rng, "U" + std::to_string(rng() % 500));
        while (userNums.count(upperAscii(u)));
        userNums[upperAscii(u)] = true;
        d.userNum = u;
      }
      d.label = rng() % 4 ? pick(rng, kLabels) : randomWord(rng, 1, 11);
      d.category = pick(rng, kCategories);
      d.serial = rng() % 5 == 0 ? "" : randomCase(rng, rng() % 3 ? "ABCD-1234" : "0A1B-FF00");
      d.type = std::string(1, "UFRNCV"[rng() % 6]);
      d.comments = rng() % 3 ? pick(rng, kComments) : randomWord(rng, 1, 40);
      d.total = rng() % 4 ? pick(rng, kCounts) : rng();
      d.free = rng() % 4 ? pick(rng, kCounts) : uint64_t(rng()) * 3;
      d.files = rng() % 3 ? int32_t(pick(rng, kCounts) % 100000) : int32_t(rng() % 5000);
      disks_.push_back(d);
    }
    for (int32_t uid = 1; uid <= 2000; ++uid) {
      GenFile f;
      f.uid = uid;
      f.disk = rng() % 20 ? pick(rng, ids) : int32_t(rng() % 600);
      f.shortName = rng() % 3 ? pick(rng, kNames) : upperAscii(randomWord(rng, 1, 12));
      f.date = rng() % 3 ? pick(rng, kDates) : 71000 + int32_t(rng() % 1000);
      f.time = rng() % 2 ? pick(rng, kTimes) : int32_t(rng() % 8640000) + 1;
      f.size = rng() % 3 ? pick(rng, kCounts) : rng() % 100000;
      f.attrib = pick(rng, kAttribs);
      f.type = pick(rng, kTypes);
      f.longName = rng() % 6 == 0 ? "" : randomCase(rng, f.shortName) + (rng() % 2 ? "" : " copy");
      f.path = rng() % 8 == 0 ? "" : "C:\\" + pick(rng, kLabels) + "\\" + f.shortName;
      f.comment = rng() % 2 ? pick(rng, kComments) : "";
      files_.push_back(f);
    }
    CatalogUse disks(Disks, DisksUseCount), files(Files, FilesUseCount);
    Disks.stream();
    for (const GenDisk& d : disks_) {
      Disks.rec.clear();
      Disks.rec.IdNum = d.id;
      Disks.rec.UserNum = d.userNum;
      Disks.rec.Label = d.label;
      Disks.rec.Category = d.category;
      Disks.rec.SerialNo = d.serial;
      Disks.rec.Type = d.type;
      Disks.rec.Comments = d.comments;
      Disks.rec.TotalBytes.setWhole(d.total);
      Disks.rec.FreeSpace.setWhole(d.free);
      Disks.rec.Files = d.files;
      Disks.rec.Keyword1 = std::to_string(d.id);  // not searched: tells the copy is whole
      Disks.add();
      ASSERT_EQ(kiv::errorCode(), 0) << kiv::error();
    }
    Disks.flush();
    Files.stream();
    for (const GenFile& f : files_) {
      Files.rec.clear();
      Files.rec.DiskId = f.disk;
      Files.rec.ShortName = f.shortName;
      Files.rec.DisplayDate = f.date;
      Files.rec.DisplayTime = f.time;
      Files.rec.AccessDate = f.uid;  // not searched: who the record is
      Files.rec.ModifyTime = f.uid * 7;
      Files.rec.Size.setWhole(f.size);
      Files.rec.Attrib = f.attrib;
      Files.rec.Path = f.path;
      Files.rec.Type = f.type;
      Files.rec.LongName = f.longName;
      Files.rec.Comment = f.comment;
      Files.add();
      ASSERT_EQ(kiv::errorCode(), 0) << kiv::error();
    }
    Files.flush();
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  // The reference's view of one field: the records in the order of the field's key.
  static RefField diskField(int32_t field) {
    RefField f;
    for (const GenDisk& d : disks_) {
      RefRecord r;
      r.id = d.id;
      auto text = [&](const std::string& s, size_t size, bool optional) {
        f.kind = Kind::Text, f.size = size;
        r.text = padded(s, size);
        r.key = {textPart(s, size)};
        r.inKey = !optional || !clipped(padded(s, size)).empty();
      };
      auto number = [&](Kind kind, __int128 n, bool optional) {
        f.kind = kind;
        r.number = n;
        r.key = {numberPart(n)};
        r.inKey = !optional || n != 0;
      };
      switch (field) {
        case DiskIdNumber:
          number(Kind::Long, d.id, false);
          break;
        case DiskCategory:
          text(d.category, 20, true);
          break;
        case DiskComment:
          text(d.comments, 255, true);
          break;
        case DiskFileCount:
          number(Kind::Long, d.files, true);
          break;
        case DiskFreeBytes:
          number(Kind::Count, d.free, false);
          break;
        case DiskSerialNumber:
          text(d.serial, 9, true);
          break;
        case DiskTotalBytes:
          number(Kind::Count, d.total, true);
          break;
        case DiskUserNumber:
          text(d.userNum, 12, true);
          break;
        case DiskVolumeLabel:
          text(d.label, 11, false);
          break;
      }
      f.records.push_back(r);
    }
    std::stable_sort(
        f.records.begin(), f.records.end(),
        [](const RefRecord& a, const RefRecord& b) { return keyOrder(a.key, b.key) < 0; });
    return f;
  }
  static RefField fileField(int32_t field) {
    RefField f;
    for (const GenFile& g : files_) {
      RefRecord r;
      r.id = g.uid;
      const KeyPart name = textPart(g.shortName, 12);
      auto text = [&](const std::string& s, size_t size, KeyValue key, bool optional) {
        f.kind = Kind::Text, f.size = size;
        r.text = padded(s, size);
        r.key = std::move(key);
        r.inKey = !optional || !clipped(padded(s, size)).empty();
      };
      auto number = [&](Kind kind, __int128 n, KeyValue key) {
        f.kind = kind;
        r.number = n;
        r.key = std::move(key);
      };
      switch (field) {
        case FileDosName:
          text(g.shortName, 12, {name}, false);
          break;
        case FileAttributes:
          text(g.attrib, 4, {textPart(g.attrib, 4), name}, false);
          // The key leaves out records whose attributes and name are both blank.
          r.inKey = !clipped(g.attrib).empty() || !clipped(g.shortName).empty();
          break;
        case FileComment:
          text(g.comment, 260, {textPart(g.comment, 260)}, true);
          break;
        case FileDate:
          number(Kind::Long, g.date, {numberPart(g.date), numberPart(g.time), name});
          break;
        case FileDiskId:
          number(Kind::Long, g.disk, {numberPart(g.disk), name});
          break;
        case FilePath:
          text(g.path, 260, {textPart(g.path, 260)}, true);
          break;
        case FileLongName:
          text(g.longName, 260, {textPart(g.longName, 260)}, true);
          break;
        case FileSize:
          number(Kind::Count, g.size, {numberPart(g.size), name});
          break;
        case FileTime:
          number(Kind::Time, g.time, {numberPart(g.time), name});
          break;
        case FileType:
          text(g.type, 3, {textPart(g.type, 3), name}, false);
          break;
      }
      f.records.push_back(r);
    }
    std::stable_sort(
        f.records.begin(), f.records.end(),
        [](const RefRecord& a, const RefRecord& b) { return keyOrder(a.key, b.key) < 0; });
    return f;
  }

  // Values to search a field for: values the catalog holds, in other letter cases, cut short,
  // made longer than the field, and values it does not hold.
  static std::vector<std::string> valuesFor(const RefField& f) {
    std::mt19937 rng(7);
    std::vector<std::string> values;
    auto some = [&]() -> const RefRecord& { return pick(rng, f.records); };
    switch (f.kind) {
      case Kind::Text: {
        for (int i = 0; i < 3; ++i) {
          std::string s = clipped(some().text);
          if (s.empty()) s = "M";
          values.push_back(i == 1 ? randomCase(rng, s) : s);
        }
        values.push_back(clipped(some().text).substr(0, 2));
        values.push_back("TXT");
        values.push_back(std::string(f.size + 3, 'Z'));
        break;
      }
      case Kind::Long:
      case Kind::Count: {
        for (int i = 0; i < 2; ++i) {
          __int128 n = some().number;
          std::string digits;
          do digits.insert(digits.begin(), char('0' + int(n % 10)));
          while ((n /= 10) > 0);
          values.push_back(digits);
        }
        // Typed values the conversion has its say on: a LONG wraps, a count rounds.
        for (const char* v : {"12", "-5", "5.5"}) values.push_back(v);
        for (const char* v : f.kind == Kind::Long ? std::vector<const char*>{"4294967298", "abc"}
                                                  : std::vector<const char*>{"4294967296", " 120"})
          values.push_back(v);
        break;
      }
      case Kind::Time:
        for (int32_t t : {17 * 360000 + 5 * 6000 + 1, 10 * 360000 + 5 * 6000 + 1, 1,
                          13 * 360000 + 1 * 6000 + 1, 17 * 360000 + 5 * 6000 + 3001})
          values.push_back(std::to_string(t));
        values.push_back("0");
        break;
    }
    return values;
  }

  // What the search copied, by id, in the order it was copied.
  static std::vector<int32_t> searched(const SearchRequest& r) {
    const int64_t found = SearchCatalog(r);
    std::vector<int32_t> ids;
    if (r.item == SearchItem::Disks) {
      CatalogUse results(TempDisk, TempDiskUseCount);
      TempDisk.set();
      for (TempDisk.next(); kiv::errorCode() == 0; TempDisk.next()) {
        ids.push_back(TempDisk.rec.IdNum);
        EXPECT_EQ(TempDisk.rec.Keyword1.str(), std::to_string(TempDisk.rec.IdNum));
      }
    } else {
      CatalogUse results(TempFiles, TempFilesUseCount);
      TempFiles.set();
      for (TempFiles.next(); kiv::errorCode() == 0; TempFiles.next()) {
        const int32_t uid = TempFiles.rec.AccessDate;
        ids.push_back(uid);
        // The copy is the whole record: compare it with the catalog's.
        const GenFile& g = files_[size_t(uid - 1)];
        EXPECT_EQ(TempFiles.rec.ModifyTime, uid * 7);
        EXPECT_EQ(TempFiles.rec.Size.whole(), g.size);
        EXPECT_EQ(TempFiles.rec.Path.str(), clipped(padded(g.path, 260)));
      }
    }
    Kiv$clearerror();
    EXPECT_EQ(found, int64_t(ids.size()));
    return ids;
  }

  void checkEveryScan(SearchItem item) {
    CatalogUse disks(Disks, DisksUseCount), files(Files, FilesUseCount);
    int32_t scans = 0, nonEmpty = 0;
    for (int32_t field = 1; field <= SearchFieldCount(item); ++field) {
      const RefField ref = item == SearchItem::Disks ? diskField(field) : fileField(field);
      const std::vector<std::string> values = valuesFor(ref);
      for (int32_t op = 1; op <= search_op::kCount; ++op) {
        // The comparisons that copy most of the table are run with fewer values: a value the
        // catalog holds (for text, the second in other letters) and the last, made for an edge.
        const bool broad =
            op == NotEquals || op == MoreThan || op == MoreOrEqual || op == NotContains;
        std::vector<std::string> opValues = values;
        if (broad) opValues = {values[0], values[1], values.back()};
        for (bool caseSensitive : {false, true}) {
          for (const std::string& value : opValues) {
            const SearchRequest r{item, field, op, value, caseSensitive};
            const std::vector<int32_t> expected = reference(ref, op, value, caseSensitive);
            const std::vector<int32_t> got = searched(r);
            ++scans;
            if (!expected.empty()) ++nonEmpty;
            ASSERT_EQ(got, expected)
                << SearchFieldText(item, field) << " " << SearchOperatorText(op) << " \"" << value
                << "\"" << (caseSensitive ? " case-sensitive" : "");
          }
        }
      }
    }
    // The values were chosen to find something most of the time.
    EXPECT_GT(nonEmpty, scans / 2);
  }

  static kivtest::TempDir* dir_;
  static std::vector<GenDisk> disks_;
  static std::vector<GenFile> files_;
  apptest::Boxes boxes;
};

kivtest::TempDir* SearchScans::dir_ = nullptr;
std::vector<GenDisk> SearchScans::disks_;
std::vector<GenFile> SearchScans::files_;

TEST_F(SearchScans, EveryDiskFieldOperatorAndCaseFlagAgreesWithTheReference) {
  checkEveryScan(SearchItem::Disks);
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;
}

TEST_F(SearchScans, EveryFileFieldOperatorAndCaseFlagAgreesWithTheReference) {
  checkEveryScan(SearchItem::Files);
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;
}

// ---------------------------------------------------------------------------------------------
// The cases the search table singles out, on a small catalog made for each.

class SearchEdgeCases : public ::testing::Test {
 protected:
  void SetUp() override { Kiv$clearerror(); }

  void disk(int32_t id, const std::string& label, uint64_t total = 0) {
    CatalogUse disks(Disks, DisksUseCount);
    Disks.rec.clear();
    Disks.rec.IdNum = id;
    Disks.rec.Label = label;
    Disks.rec.TotalBytes.setWhole(total);
    Disks.add();
    ASSERT_EQ(kiv::errorCode(), 0) << kiv::error();
  }
  void file(const std::string& name, uint64_t size = 0, int32_t time = 0) {
    CatalogUse files(Files, FilesUseCount);
    Files.rec.clear();
    Files.rec.DiskId = 1;
    Files.rec.ShortName = name;
    Files.rec.Size.setWhole(size);
    Files.rec.DisplayTime = time;
    Files.add();
    ASSERT_EQ(kiv::errorCode(), 0) << kiv::error();
  }
  std::vector<std::string> labels(int32_t op, const std::string& value,
                                  bool caseSensitive = false) {
    SearchCatalog({SearchItem::Disks, DiskVolumeLabel, op, value, caseSensitive});
    std::vector<std::string> out;
    CatalogUse results(TempDisk, TempDiskUseCount);
    TempDisk.set();
    for (TempDisk.next(); kiv::errorCode() == 0; TempDisk.next())
      out.push_back(TempDisk.rec.Label.str());
    Kiv$clearerror();
    return out;
  }
  std::vector<std::string> names(int32_t field, int32_t op, const std::string& value) {
    SearchCatalog({SearchItem::Files, field, op, value, false});
    std::vector<std::string> out;
    CatalogUse results(TempFiles, TempFilesUseCount);
    TempFiles.set();
    for (TempFiles.next(); kiv::errorCode() == 0; TempFiles.next())
      out.push_back(TempFiles.rec.ShortName.str());
    Kiv$clearerror();
    std::sort(out.begin(), out.end());
    return out;
  }
  using Names = std::vector<std::string>;

  kivtest::TempDir dir;
  apptest::Boxes boxes;
};

// "is less than or equal to" compares first characters only: M takes MUSIC and MZ, never N;
// "is less than" M takes neither, and stops at the first label that is not below M.
TEST_F(SearchEdgeCases, LessThanOrEqualComparesFirstCharactersOnly) {
  int32_t id = 0;
  for (const char* l : {"apple", "MUSIC", "NOTES", "MZ", "M", "ZETA", "Mango"}) disk(++id, l);
  // In key order: apple, M, Mango, MUSIC, MZ, NOTES, ZETA.
  EXPECT_EQ(labels(LessOrEqual, "M"), (Names{"apple", "M", "Mango", "MUSIC", "MZ"}));
  EXPECT_EQ(labels(LessThan, "M"), (Names{"apple"}));
  // Case-sensitive, a small "a" is above a capital "M": the first label stops the scan.
  EXPECT_EQ(labels(LessOrEqual, "M", true), Names{});
  EXPECT_EQ(labels(LessOrEqual, "m", true),
            (Names{"apple", "M", "Mango", "MUSIC", "MZ", "NOTES", "ZETA"}));
}

// "is more than" positions at the value and leaves out only what equals it: with case on, the
// same label in other letters is more.
TEST_F(SearchEdgeCases, MoreThanCaseSensitiveKeepsOtherCaseEquals) {
  int32_t id = 0;
  for (const char* l : {"WORK", "work", "Work", "WORKS", "APPLE", "ZIP"}) disk(++id, l);
  EXPECT_EQ(labels(MoreThan, "WORK"), (Names{"WORKS", "ZIP"}));
  EXPECT_EQ(labels(MoreThan, "WORK", true), (Names{"work", "Work", "WORKS", "ZIP"}));
  EXPECT_EQ(labels(MoreOrEqual, "work", true), (Names{"WORK", "work", "Work", "WORKS", "ZIP"}));
}

// "equals" with case on reads the key group in key order and stops at the first record that
// differs only in letter case: the exact match after it is not found.
TEST_F(SearchEdgeCases, EqualsCaseSensitiveStopsAtTheFirstOtherCase) {
  disk(1, "music");
  disk(2, "MUSIC");
  disk(3, "Music");
  EXPECT_EQ(labels(Equals, "MUSIC", true), Names{});
  EXPECT_EQ(labels(Equals, "music", true), (Names{"music"}));
  EXPECT_EQ(labels(Equals, "MUSIC"), (Names{"music", "MUSIC", "Music"}));
  EXPECT_EQ(labels(BeginsWith, "MUS", true), Names{});
  EXPECT_EQ(labels(BeginsWith, "mus", true), (Names{"music"}));
}

// "ends with" on the DOS name: the clipped name's last letters; a value longer than the field
// finds nothing, a name shorter than the value does not match.
TEST_F(SearchEdgeCases, EndsWithTheClippedName) {
  for (const char* n : {"README.TXT", "A.TXT", "TXT", "TX", "NOTES.DOC", "readme.txt", "TXT.DOC"})
    file(n);
  EXPECT_EQ(names(FileDosName, EndsWith, "TXT"),
            (Names{"A.TXT", "README.TXT", "TXT", "readme.txt"}));
  EXPECT_EQ(names(FileDosName, EndsWith, "LONGER.THAN.TXT"), Names{});
  EXPECT_EQ(names(FileDosName, EndsWith, ".TXT"), (Names{"A.TXT", "README.TXT", "readme.txt"}));
}

// Numbers: "contains" looks in the decimal text; byte counts compare whole, across 2^32.
TEST_F(SearchEdgeCases, SizesContainAndCompareAsWholeNumbers) {
  file("A", 120);
  file("B", 3125);
  file("C", 12);
  file("D", 21);
  file("E", 4294967296ULL);
  file("F", 5368709120ULL);
  file("G", 4294967297ULL);
  file("H", 18446744073709551615ULL);
  EXPECT_EQ(names(FileSize, Contains, "12"), (Names{"A", "B", "C", "F"}));  // 5368709120
  EXPECT_EQ(names(FileSize, NotContains, "12"), (Names{"D", "E", "G", "H"}));
  EXPECT_EQ(names(FileSize, MoreThan, "4294967296"), (Names{"F", "G", "H"}));
  EXPECT_EQ(names(FileSize, Equals, "4294967297"), (Names{"G"}));
  EXPECT_EQ(names(FileSize, LessThan, "4294967296"), (Names{"A", "B", "C", "D"}));
  EXPECT_EQ(names(FileSize, LessOrEqual, "4294967296"), (Names{"A", "B", "C", "D", "E"}));
  EXPECT_EQ(names(FileSize, Equals, "18446744073709551615"), (Names{"H"}));
  EXPECT_EQ(names(FileSize, MoreOrEqual, "18446744073709551616"), Names{});
  // Begins and ends with compare whole values, as equals does.
  EXPECT_EQ(names(FileSize, BeginsWith, "12"), (Names{"C"}));
  EXPECT_EQ(names(FileSize, EndsWith, "120"), (Names{"A"}));
}

// Times compare through @t3: to the minute, not to the hundredth.
TEST_F(SearchEdgeCases, TimesMatchAtTheResolutionOfTheirPicture) {
  const int32_t fiveOhFive = 17 * 360000 + 5 * 6000 + 1;
  file("EARLY", 0, 17 * 360000 + 4 * 6000 + 5999 + 1);
  file("ON", 0, fiveOhFive);
  file("SECONDS", 0, fiveOhFive + 1234);
  file("LAST", 0, fiveOhFive + 5999);
  file("NEXT", 0, fiveOhFive + 6000);
  const std::string typed = std::to_string(fiveOhFive);  // "5:05PM" typed through @t3
  EXPECT_EQ(names(FileTime, Equals, typed), (Names{"LAST", "ON", "SECONDS"}));
  // A serial inside the minute positions there: the records before it in the key are not read.
  EXPECT_EQ(names(FileTime, Equals, std::to_string(fiveOhFive + 3000)), (Names{"LAST"}));
  EXPECT_EQ(names(FileTime, MoreThan, typed), (Names{"NEXT"}));
  EXPECT_EQ(names(FileTime, Contains, typed), (Names{"LAST", "ON", "SECONDS"}));
}

// Disks: the total bytes are read in a dynamic index that leaves out zero counts.
TEST_F(SearchEdgeCases, TotalBytesReadInTheirOptionalIndex) {
  disk(1, "EMPTY", 0);
  disk(2, "FLOPPY", 1457664);
  disk(3, "BIG", 30000000000000ULL);
  EXPECT_EQ(labels(LessThan, "Z"), (Names{"BIG", "EMPTY", "FLOPPY"}));
  SearchCatalog({SearchItem::Disks, DiskTotalBytes, NotEquals, "1", false});
  CatalogUse results(TempDisk, TempDiskUseCount);
  EXPECT_EQ(TempDisk.records(), 2);
}

// Each search starts from an empty result table.
TEST_F(SearchEdgeCases, EachSearchStartsFromEmptyResults) {
  for (const char* n : {"A.TXT", "B.TXT", "C.DOC"}) file(n);
  EXPECT_EQ(names(FileDosName, EndsWith, "TXT"), (Names{"A.TXT", "B.TXT"}));
  EXPECT_EQ(names(FileDosName, EndsWith, "DOC"), (Names{"C.DOC"}));
  EXPECT_EQ(names(FileDosName, Equals, "NONE"), Names{});
}

// The texts the wizard shows.
TEST(SearchTexts, ListsAndSummary) {
  EXPECT_EQ(SearchFieldCount(SearchItem::Disks), 9);
  EXPECT_EQ(SearchFieldCount(SearchItem::Files), 10);
  EXPECT_EQ(SearchFieldText(SearchItem::Disks, DiskVolumeLabel), "volume label");
  EXPECT_EQ(SearchFieldText(SearchItem::Files, FileType), "type (extension)");
  EXPECT_EQ(SearchFieldText(SearchItem::Files, 11), "");
  EXPECT_EQ(SearchOperatorText(LessOrEqual), "is less than or equal to");
  EXPECT_EQ(SearchOperatorText(NotContains), "doesn't contain");
  EXPECT_EQ(SearchValueKindOf(SearchItem::Files, FileDate), SearchValueKind::Date);
  EXPECT_EQ(SearchValueKindOf(SearchItem::Files, FileTime), SearchValueKind::Time);
  EXPECT_EQ(SearchValueKindOf(SearchItem::Disks, 4), SearchValueKind::Text);
  EXPECT_EQ(SearchSummary({SearchItem::Disks, DiskVolumeLabel, BeginsWith, "WORK   ", false}),
            "Search will be performed for disk volume label begins with WORK.");
  EXPECT_EQ(SearchSummary({SearchItem::Files, FileDate, Equals, "71694", false}),
            "Search will be performed for file date last changed equals 04/13/1997.");
  EXPECT_EQ(SearchSummary({SearchItem::Files, FileTime, MoreThan,
                           std::to_string(17 * 360000 + 5 * 6000 + 1), false}),
            "Search will be performed for file time last changed is more than 5:05PM.");
}

}  // namespace
