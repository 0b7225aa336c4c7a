#include "app/search/search_scan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

#include "app/tables/app_warning.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"
#include "include/kiv/kiv.h"

namespace {

using namespace search_op;

// How the values of a field compare.
enum class Compare {
  Text,   // as text, in upper case unless the search is case-sensitive
  Long,   // as numbers (IDs, counts of files, date serials)
  Count,  // as whole numbers of bytes
  Time    // as the text of the time through @t3
};

struct FieldEntry {
  const char* text;
  Compare compare;
  const char* index;  // the components of the dynamic index the field is read in; null: a key
};

constexpr FieldEntry kDiskFields[] = {
    {"ID number", Compare::Long, nullptr},
    {"category", Compare::Text, nullptr},
    {"comment", Compare::Text, "+DIS:Comments"},
    {"files (# on disk)", Compare::Long, "+DIS:Files"},
    {"free bytes", Compare::Count, nullptr},
    {"serial number", Compare::Text, "+DIS:SerialNo"},
    {"total bytes", Compare::Count, "+DIS:TotalBytes"},
    {"user number", Compare::Text, nullptr},
    {"volume label", Compare::Text, nullptr},
};

constexpr FieldEntry kFileFields[] = {
    {"DOS name", Compare::Text, nullptr},          {"attributes", Compare::Text, nullptr},
    {"comment", Compare::Text, "+FIL:Comment"},    {"date last changed", Compare::Long, nullptr},
    {"disk ID number", Compare::Long, nullptr},    {"full path", Compare::Text, "+FIL:Path"},
    {"long name", Compare::Text, "+FIL:LongName"}, {"size in bytes", Compare::Count, nullptr},
    {"time last changed", Compare::Time, nullptr}, {"type (extension)", Compare::Text, nullptr},
};

constexpr const char* kOperators[search_op::kCount] = {"equals",
                                                       "doesn't equal",
                                                       "is more than",
                                                       "is less than",
                                                       "is more than or equal to",
                                                       "is less than or equal to",
                                                       "begins with",
                                                       "ends with",
                                                       "contains",
                                                       "doesn't contain"};

constexpr int32_t kEndOfTable = 33;

const FieldEntry* entryOf(SearchItem item, int32_t field) {
  if (field < 1 || field > SearchFieldCount(item)) return nullptr;
  return item == SearchItem::Disks ? &kDiskFields[field - 1] : &kFileFields[field - 1];
}

// The field a scan compares, in this thread's record buffer, and the order it is read in.
struct Target {
  kiv::Table* table = nullptr;
  kiv::Key* key = nullptr;
  const char* tableName = "";    // for warning 35
  std::function<void()> lowest;  // sets the record to its lowest values
  std::function<bool()> copy;    // adds the record to the result table
  char* text = nullptr;          // a text field and its size
  uint32_t size = 0;
  kiv::Long* number = nullptr;  // a LONG field (the time too)
  ByteCount* count = nullptr;   // a byte count
};

// Deep assignment: every field of one record to the field of the same name in the other.
#define SEARCH_ASSIGN_FIELD_(name, type, label) to.name = from.name;
void assignDisk(TempDiskRecord& to, const DisksRecord& from) { DISK_FIELDS(SEARCH_ASSIGN_FIELD_) }
void assignFile(TempFilesRecord& to, const FilesRecord& from) { FILE_FIELDS(SEARCH_ASSIGN_FIELD_) }
#undef SEARCH_ASSIGN_FIELD_

bool addCopy(kiv::Table& result) {
  result.add();
  if (kiv::errorCode() == 0) return true;
  kiv::stop(WarningErrorText());
  return false;
}

template <uint32_t N>
void textField(Target& t, kiv::String<N>& field) {
  t.text = field.data();
  t.size = N;
}

Target diskTarget(int32_t field) {
  using namespace search_field;
  Target t;
  t.table = &Disks;
  t.tableName = "Disks";
  t.lowest = [] { Disks.rec.clear(-1); };
  t.copy = [] {
    assignDisk(TempDisk.rec, Disks.rec);
    return addCopy(TempDisk);
  };
  DisksRecord& r = Disks.rec;
  switch (field) {
    case DiskIdNumber:
      t.key = &Disks.ByIdNum, t.number = &r.IdNum;
      break;
    case DiskCategory:
      t.key = &Disks.ByCategory, textField(t, r.Category);
      break;
    case DiskComment:
      t.key = &Disks.DynNdx, textField(t, r.Comments);
      break;
    case DiskFileCount:
      t.key = &Disks.DynNdx, t.number = &r.Files;
      break;
    case DiskFreeBytes:
      t.key = &Disks.ByFreeSpace, t.count = &r.FreeSpace;
      break;
    case DiskSerialNumber:
      t.key = &Disks.DynNdx, textField(t, r.SerialNo);
      break;
    case DiskTotalBytes:
      t.key = &Disks.DynNdx, t.count = &r.TotalBytes;
      break;
    case DiskUserNumber:
      t.key = &Disks.ByUserNum, textField(t, r.UserNum);
      break;
    case DiskVolumeLabel:
      t.key = &Disks.ByLabel, textField(t, r.Label);
      break;
  }
  return t;
}

Target fileTarget(int32_t field) {
  using namespace search_field;
  Target t;
  t.table = &Files;
  t.tableName = "Files";
  t.lowest = [] { Files.rec.clear(-1); };
  t.copy = [] {
    assignFile(TempFiles.rec, Files.rec);
    return addCopy(TempFiles);
  };
  FilesRecord& r = Files.rec;
  switch (field) {
    case FileDosName:
      t.key = &Files.ByName, textField(t, r.ShortName);
      break;
    case FileAttributes:
      t.key = &Files.ByAttrib, textField(t, r.Attrib);
      break;
    case FileComment:
      t.key = &Files.DynNdx, textField(t, r.Comment);
      break;
    case FileDate:
      t.key = &Files.ByDate, t.number = &r.DisplayDate;
      break;
    case FileDiskId:
      t.key = &Files.ByDiskId, t.number = &r.DiskId;
      break;
    case FilePath:
      t.key = &Files.DynNdx, textField(t, r.Path);
      break;
    case FileLongName:
      t.key = &Files.DynNdx, textField(t, r.LongName);
      break;
    case FileSize:
      t.key = &Files.BySize, t.count = &r.Size;
      break;
    case FileTime:
      t.key = &Files.ByTime, t.number = &r.DisplayTime;
      break;
    case FileType:
      t.key = &Files.ByType, textField(t, r.Type);
      break;
  }
  return t;
}

// The value typed for a number field, converted as the language converts text to a number.
int32_t longValue(std::string_view text) {
  kiv::pushText(text);
  Kiv$Stack2DStack();
  return Kiv$DPopLong();
}
ByteCount countValue(std::string_view text) {
  ByteCount c;
  kiv::pushText(text);
  Kiv$Stack2DStack();
  Kiv$DPopDec(&c, ByteCount::size, ByteCount::places);
  return c;
}

// A whole number of bytes as the value of a comparison: its sign and magnitude, and whether
// the magnitude is beyond every 64-bit count.
struct WholeValue {
  bool negative = false, huge = false;
  uint64_t magnitude = 0;
};

WholeValue wholeValue(const ByteCount& c) {
  const std::string text = kiv::Dec(c).text();
  WholeValue v;
  size_t i = 0;
  if (i < text.size() && text[i] == '-') v.negative = true, ++i;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const unsigned digit = unsigned(text[i] - '0');
    if (v.magnitude > (UINT64_MAX - digit) / 10) v.huge = true;
    v.magnitude = v.magnitude * 10 + digit;
  }
  if (v.magnitude == 0 && !v.huge) v.negative = false;
  return v;
}

int orderOf(uint64_t field, const WholeValue& v) {
  if (v.negative) return 1;
  if (v.huge) return -1;
  return (field > v.magnitude) - (field < v.magnitude);
}

// Times as the text of the picture @t3, compiled once.
class TimeText {
 public:
  TimeText() { width_ = std::max(0, Kiv$storepict("@t3", 3, picture_)); }
  std::string of(int32_t serial) {
    char out[256];
    Kiv$pictstorelong(picture_, serial, out);
    return std::string(out, size_t(width_));
  }

 private:
  unsigned char picture_[KIV_PICTURE_SIZE] = {};
  int32_t width_ = 0;
};

class Scanner {
 public:
  Scanner(const SearchRequest& request, const FieldEntry& entry, Target target)
      : r_(request), entry_(entry), t_(std::move(target)) {
    typed_ = std::string(kiv::clip(request.value));
    const bool text = entry_.compare == Compare::Text;
    value_ = text && !r_.caseSensitive ? kiv::upper(typed_) : typed_;
    firstOfValue_ = value_.empty() ? std::string(" ") : value_.substr(0, 1);
    if (entry_.compare == Compare::Long || entry_.compare == Compare::Time)
      long_ = longValue(typed_);
    if (entry_.compare == Compare::Count) {
      countKey_ = countValue(typed_);
      whole_ = wholeValue(countKey_);
    }
    if (entry_.compare == Compare::Time) valueTime_ = time_.of(long_);
    // What "contains" looks for: the text itself, a number's text as typed, a time's text.
    sought_ = entry_.compare == Compare::Time ? std::string(kiv::clip(valueTime_)) : value_;
    if (text && !r_.caseSensitive) upper_.resize(t_.size);
  }

  int64_t run();

 private:
  // The end of a scan: reading ahead off again; the number of records copied.
  int64_t finish();
  // Start: the record at its lowest values, the sequence at the start of the key.
  void start() {
    t_.lowest();
    t_.table->set(*t_.key);
  }
  // Position at the value: the value in the key field, the sequence from there.
  void positionAt(bool upperCase = false) {
    t_.lowest();
    if (t_.text) {
      const std::string stored = upperCase ? kiv::upper(typed_) : typed_;
      Kiv$storestr(t_.text, t_.size, stored.data(), int32_t(stored.size()));
    } else if (t_.number) {
      *t_.number = long_;
    } else {
      *t_.count = countKey_;
    }
    t_.table->set(*t_.key, *t_.key);
  }
  // The next record in the key's order; false at the end of the table or when it could not
  // be read (warning 35 has told why).
  bool next() {
    t_.table->next();
    if (kiv::errorCode() == 0) return true;
    if (kiv::errorCode() != kEndOfTable) {
      SaveFileError();
      AppWarning(35, t_.tableName);
    }
    Kiv$clearerror();
    return false;
  }
  bool copy() {
    if (!t_.copy()) return false;
    ++copied_;
    return true;
  }

  // The field as it is compared: a text field in upper case unless case-sensitive.
  std::string_view text() {
    if (upper_.empty()) return {t_.text, t_.size};
    std::memcpy(upper_.data(), t_.text, t_.size);
    kiv::upperInPlace(upper_.data(), t_.size);
    return upper_;
  }
  // The field's order against the value: negative, 0 or positive.
  int order() {
    switch (entry_.compare) {
      case Compare::Text:
        return kiv::compare(text(), value_);
      case Compare::Long: {
        const int32_t f = *t_.number;
        return (f > long_) - (f < long_);
      }
      case Compare::Count:
        return orderOf(t_.count->whole(), whole_);
      case Compare::Time:
        return kiv::compare(time_.of(*t_.number), valueTime_);
    }
    return 0;
  }
  // "is less than or equal to" on text: only the first characters count.
  bool firstCharacterGreater() { return kiv::compare(text().substr(0, 1), firstOfValue_) > 0; }
  bool beginsWith() { return kiv::compare(text().substr(0, value_.size()), value_) == 0; }
  bool endsWith() {
    std::string_view f = kiv::clip(text());
    return f.size() >= value_.size() &&
           kiv::compare(f.substr(f.size() - value_.size()), value_) == 0;
  }
  bool contains() {
    std::string own;
    std::string_view f;
    switch (entry_.compare) {
      case Compare::Text:
        f = text();
        break;
      case Compare::Long:
        f = own = std::to_string(int32_t(*t_.number));
        break;
      case Compare::Count:
        f = own = std::to_string(t_.count->whole());
        break;
      case Compare::Time:
        f = own = time_.of(*t_.number);
        break;
    }
    return Kiv$_instring(sought_.data(), uint32_t(sought_.size()), f.data(), uint32_t(f.size()), 1,
                         1) > 0;
  }

  // Copies every record from here on for which `qualifies` holds.
  template <typename Qualifies>
  void copyEvery(Qualifies qualifies) {
    while (next())
      if (qualifies() && !copy()) return;
  }
  // Copies every record of the run-time index on a text field for which `qualifies` holds, in
  // the index's order. The table is read in record order, without a seek per record as the
  // index's order needs; the records found are then put in the index's order (the weights of
  // the field's characters, equal values by record pointer) and read again by pointer. Like
  // the index, which is optional, the scan passes over records whose field is blank.
  template <typename Qualifies>
  void copyEveryInIndexOrder(Qualifies qualifies) {
    const std::array<uint8_t, 256> weight = kiv::caseBlindWeights();
    std::vector<uint8_t> keys;  // the index's value of each record found, t_.size bytes each
    std::vector<int32_t> pointers;
    t_.lowest();
    t_.table->set();
    while (next()) {
      const std::string_view field(t_.text, t_.size);
      if (field.find_first_not_of(std::string_view(" \0", 2)) == std::string_view::npos) continue;
      if (!qualifies()) continue;
      for (char c : field) keys.push_back(weight[static_cast<uint8_t>(c)]);
      pointers.push_back(t_.table->pointer());
    }
    std::vector<uint32_t> order(pointers.size());
    for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    const size_t width = t_.size;
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
      return std::memcmp(&keys[a * width], &keys[b * width], width) < 0;
    });
    for (uint32_t i : order) {
      t_.table->get(pointers[i]);
      if (kiv::errorCode()) {
        SaveFileError();
        AppWarning(35, t_.tableName);
        Kiv$clearerror();
        return;
      }
      if (!copy()) return;
    }
  }
  // Copies records from here on while `qualifies` holds; stops at the first that does not.
  template <typename Qualifies>
  void copyWhile(Qualifies qualifies) {
    while (next())
      if (!qualifies() || !copy()) return;
  }

  const SearchRequest& r_;
  const FieldEntry& entry_;
  Target t_;
  std::string typed_;         // the value clipped, as typed
  std::string value_;         // the value compared (text fields: upper case unless case-sensitive)
  std::string firstOfValue_;  // its first character (a blank for an empty value)
  std::string sought_;        // what "contains" looks for
  std::string valueTime_;     // a time value through @t3
  std::string upper_;         // the field in upper case
  int32_t long_ = 0;
  ByteCount countKey_;
  WholeValue whole_;
  TimeText time_;
  int64_t copied_ = 0;
};

int64_t Scanner::run() {
  if (entry_.index) {
    t_.table->build(*t_.key, entry_.index);
    if (kiv::errorCode()) {
      kiv::stop(WarningErrorText());
      return 0;
    }
  }
  t_.table->send("QUICKSCAN=on");
  Kiv$clearerror();
  const bool text = entry_.compare == Compare::Text;
  // Comparisons that visit every record of a run-time index on a text field.
  if (entry_.index && text) {
    switch (r_.op) {
      case NotEquals:
        copyEveryInIndexOrder([this] { return order() != 0; });
        return finish();
      case EndsWith:
        copyEveryInIndexOrder([this] { return endsWith(); });
        return finish();
      case Contains:
        copyEveryInIndexOrder([this] { return contains(); });
        return finish();
      case NotContains:
        copyEveryInIndexOrder([this] { return !contains(); });
        return finish();
      default:
        break;
    }
  }
  auto equal = [this] { return order() == 0; };
  auto unequal = [this] { return order() != 0; };
  switch (r_.op) {
    case Equals:
      positionAt();
      copyWhile(equal);
      break;
    case NotEquals:
      start();
      copyEvery(unequal);
      break;
    case MoreThan:
      positionAt();
      copyEvery(unequal);
      break;
    case LessThan:
      start();
      copyWhile([this] { return order() < 0; });
      break;
    case MoreOrEqual:
      positionAt(text && !r_.caseSensitive);
      copyEvery([] { return true; });
      break;
    case LessOrEqual:
      start();
      if (text)
        copyWhile([this] { return !firstCharacterGreater(); });
      else
        copyWhile([this] { return order() <= 0; });
      break;
    case BeginsWith:
      // Numbers, dates and times are read from the value's place in the key and compared
      // whole: they begin with (and end with) exactly the values they equal.
      positionAt(text && !r_.caseSensitive);
      if (text)
        copyWhile([this] { return beginsWith(); });
      else
        copyWhile(equal);
      break;
    case EndsWith:
      if (text) {
        start();
        copyEvery([this] { return endsWith(); });
      } else {
        positionAt();
        copyWhile(equal);
      }
      break;
    case Contains:
      start();
      copyEvery([this] { return contains(); });
      break;
    case NotContains:
      start();
      copyEvery([this] { return !contains(); });
      break;
  }
  return finish();
}

int64_t Scanner::finish() {
  t_.table->send("QUICKSCAN=off");
  Kiv$clearerror();
  return copied_;
}

}  // namespace

int32_t SearchFieldCount(SearchItem item) {
  return item == SearchItem::Disks ? int32_t(std::size(kDiskFields))
                                   : int32_t(std::size(kFileFields));
}

std::string SearchFieldText(SearchItem item, int32_t field) {
  const FieldEntry* e = entryOf(item, field);
  return e ? e->text : "";
}

std::string SearchOperatorText(int32_t op) {
  return op >= 1 && op <= search_op::kCount ? kOperators[op - 1] : "";
}

SearchValueKind SearchValueKindOf(SearchItem item, int32_t field) {
  if (item == SearchItem::Files && field == search_field::FileDate) return SearchValueKind::Date;
  if (item == SearchItem::Files && field == search_field::FileTime) return SearchValueKind::Time;
  return SearchValueKind::Text;
}

std::string SearchSummary(const SearchRequest& request) {
  std::string value;
  switch (SearchValueKindOf(request.item, request.field)) {
    case SearchValueKind::Date:
      value = kiv::format(longValue(kiv::clip(request.value)), "@d2");
      break;
    case SearchValueKind::Time:
      value = kiv::format(longValue(kiv::clip(request.value)), "@t3");
      break;
    case SearchValueKind::Text:
      value = request.value;
      break;
  }
  // A picture pads a time's hour with a blank; the sentence does without it.
  const size_t first = value.find_first_not_of(' ');
  value = first == std::string::npos ? std::string() : value.substr(first);
  return "Search will be performed for " +
         std::string(request.item == SearchItem::Disks ? "disk" : "file") + " " +
         SearchFieldText(request.item, request.field) + " " + SearchOperatorText(request.op) + " " +
         std::string(kiv::clip(value)) + ".";
}

void PrepareResultTable(SearchItem item) {
  kiv::Table& result = item == SearchItem::Disks ? static_cast<kiv::Table&>(TempDisk)
                                                 : static_cast<kiv::Table&>(TempFiles);
  result.close();
  result.create();
  result.open(kiv::ReadWriteDenyAll);
  result.stream();
}

int64_t ScanCatalog(const SearchRequest& request) {
  const FieldEntry* entry = entryOf(request.item, request.field);
  if (!entry || request.op < 1 || request.op > search_op::kCount) return 0;
  Scanner scan(
      request, *entry,
      request.item == SearchItem::Disks ? diskTarget(request.field) : fileTarget(request.field));
  return scan.run();
}

int64_t SearchCatalog(const SearchRequest& request) {
  const bool disks = request.item == SearchItem::Disks;
  CatalogUse catalog(disks ? static_cast<kiv::Table&>(Disks) : static_cast<kiv::Table&>(Files),
                     disks ? DisksUseCount : FilesUseCount);
  kiv::Table& result =
      disks ? static_cast<kiv::Table&>(TempDisk) : static_cast<kiv::Table&>(TempFiles);
  CatalogUse results(result, disks ? TempDiskUseCount : TempFilesUseCount);
  PrepareResultTable(request.item);
  const int64_t found = ScanCatalog(request);
  result.flush();
  return found;
}
