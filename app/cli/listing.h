// What a command prints: a listing of rows under named columns, written in the format the user
// asked for. Text is aligned for a terminal; CSV follows RFC 4180; JSON is one document (an
// array of objects), JSON Lines one object a line; NUL gives one column (a path) per entry,
// each ended by a NUL byte, for xargs -0 and the like.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

enum class Format { Text, Csv, Json, JsonLines, Nul };

// One cell: text, or a whole number (written without quotes in JSON and right-aligned in text).
struct Cell {
  std::string text;
  bool number = false;
  bool empty = false;  // no value: JSON null, an empty CSV field, blank text
};
Cell text(std::string_view value);
Cell number(int64_t value);
Cell number(uint64_t value);
Cell none();

struct Column {
  std::string name;     // the JSON key and the CSV header
  std::string heading;  // the text header
  bool inText = true;   // shown in the text format (some columns only go to the machine formats)
};

class Listing {
 public:
  explicit Listing(std::vector<Column> columns, size_t nulColumn = 0)
      : columns_(std::move(columns)), nulColumn_(nulColumn) {}
  void add(std::vector<Cell> row) { rows_.push_back(std::move(row)); }
  size_t size() const { return rows_.size(); }
  // Writes every row. Text and JSON gather the rows first (widths, one document); the others
  // could stream, but listings are written once at the end of a command.
  void write(std::FILE* out, Format format) const;

 private:
  std::vector<Column> columns_;
  size_t nulColumn_;
  std::vector<std::vector<Cell>> rows_;
};

// A JSON string literal of bytes: UTF-8 passes through, control characters and quotes are
// escaped, and a byte that is not part of valid UTF-8 becomes the escape \udcXX (XX its value),
// the lone-surrogate form that decoders such as Python's "surrogateescape" turn back into the
// byte, so that no name is lost or changed on its way through JSON.
std::string jsonString(std::string_view bytes);
// A CSV field: quoted when it holds a comma, a quote, a line break or leading/trailing blanks;
// quotes doubled. Bytes pass through unchanged.
std::string csvField(std::string_view bytes);

}  // namespace cli
