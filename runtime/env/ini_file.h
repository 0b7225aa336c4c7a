// Settings (INI) files: "[section]" headers and "key=value" lines. Section and key names compare
// without regard to case; blanks around names and values do not count. An IniDocument is the
// parsed text; the file functions read a file, or change it under a lock and replace it whole,
// so a reader never sees a half-written file and two writers never lose each other's keys.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::env {

// One settings file's text, line by line. Lines the document does not change keep their text.
class IniDocument {
 public:
  static IniDocument parse(std::string_view text);
  std::string text() const;

  bool hasSection(std::string_view section) const;
  // The entry's value with surrounding blanks and one pair of enclosing quotes removed, or
  // nothing when the section or the entry is missing. The first section and entry of a name win.
  std::optional<std::string> value(std::string_view section, std::string_view key) const;
  // Names as written in the file, in file order, each name once.
  std::vector<std::string> sectionNames() const;
  std::vector<std::string> keyNames(std::string_view section) const;

  // Each gives whether the text changed.
  bool setValue(std::string_view section, std::string_view key, std::string_view value);
  bool removeEntry(std::string_view section, std::string_view key);
  bool removeSection(std::string_view section);

 private:
  enum class Kind { Other, Section, Entry };
  struct Line {
    Kind kind;
    std::string text;   // the whole line, without its line end
    std::string name;   // section or key name, trimmed
    std::string value;  // entry value, trimmed
  };
  // Index of the first header of the section, or npos; and the end of its lines.
  size_t findSection(std::string_view section) const;
  size_t sectionEnd(size_t header) const;
  size_t findEntry(size_t header, std::string_view key) const;

  std::vector<Line> lines_;
};

// True when the names and the value can be written as one line that reads back the same:
// no line breaks, a section name without "]", a key name without "=" that does not begin
// with "[" or ";".
bool isWritableEntry(std::string_view section, std::string_view key, std::string_view value);

// The document in a file; a file that is missing or cannot be read gives an empty document
// (with errno set when reading failed for another reason than a missing file).
IniDocument readIniFile(const std::string& path, bool* readable = nullptr);

// Changes a file: takes the file's lock (a hidden ".<name>.lock" beside it), reads it, applies
// the edit and, when the edit changed the text, writes a new file beside it, flushes it to disk
// and renames it over the old one. A missing file is created. False with errno set on failure;
// the old file is then left as it was.
bool updateIniFile(const std::string& path, const std::function<bool(IniDocument&)>& edit);

}  // namespace kiv::env
