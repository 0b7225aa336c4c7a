#include "app/cli/listing.h"

#include <algorithm>

namespace cli {
namespace {

// Length of the valid UTF-8 sequence starting at s[i], or 0 when the bytes there are not one.
size_t utf8Sequence(std::string_view s, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b = byte(i);
  size_t n = 0;
  uint32_t min = 0, cp = 0;
  if (b < 0x80) return 1;
  if ((b & 0xE0) == 0xC0)
    n = 2, min = 0x80, cp = b & 0x1F;
  else if ((b & 0xF0) == 0xE0)
    n = 3, min = 0x800, cp = b & 0x0F;
  else if ((b & 0xF8) == 0xF0)
    n = 4, min = 0x10000, cp = b & 0x07;
  else
    return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (byte(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

// Display width of text on a terminal: one column per character, bytes of broken UTF-8 one each.
size_t width(std::string_view s) {
  size_t w = 0;
  for (size_t i = 0; i < s.size();) {
    size_t n = utf8Sequence(s, i);
    i += n ? n : 1;
    ++w;
  }
  return w;
}

// Text cells keep their bytes, except that a line break or tab would break the alignment.
std::string oneLine(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  return out;
}

}  // namespace

Cell text(std::string_view value) { return {std::string(value), false, false}; }
Cell number(int64_t value) { return {std::to_string(value), true, false}; }
Cell number(uint64_t value) { return {std::to_string(value), true, false}; }
Cell none() { return {"", false, true}; }

std::string jsonString(std::string_view s) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const size_t n = utf8Sequence(s, i);
    if (n == 0) {
      out += "\\udc";
      out += kHex[c >> 4];
      out += kHex[c & 15];
      ++i;
      continue;
    }
    if (n > 1) {
      out.append(s.substr(i, n));
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += char(c);
    }
    i += n;
  }
  return out + "\"";
}

std::string csvField(std::string_view s) {
  const bool quote = s.find_first_of(",\"\r\n") != std::string_view::npos ||
                     (!s.empty() && (s.front() == ' ' || s.back() == ' '));
  if (!quote) return std::string(s);
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

void Listing::write(std::FILE* out, Format format) const {
  auto put = [out](std::string_view s) { std::fwrite(s.data(), 1, s.size(), out); };
  switch (format) {
    case Format::Text: {
      std::vector<size_t> widths;
      for (const Column& c : columns_) widths.push_back(c.inText ? width(c.heading) : 0);
      for (const auto& row : rows_)
        for (size_t i = 0; i < row.size() && i < columns_.size(); ++i)
          if (columns_[i].inText) widths[i] = std::max(widths[i], width(oneLine(row[i].text)));
      auto line = [&](auto cellText, auto isNumber) {
        std::string s;
        bool first = true;
        size_t last = 0;
        for (size_t i = 0; i < columns_.size(); ++i)
          if (columns_[i].inText) last = i;
        for (size_t i = 0; i < columns_.size(); ++i) {
          if (!columns_[i].inText) continue;
          const std::string t = cellText(i);
          const size_t pad = widths[i] - std::min(widths[i], width(t));
          if (!first) s += "  ";
          first = false;
          if (isNumber(i))
            s += std::string(pad, ' ') + t;
          else
            s += i == last ? t : t + std::string(pad, ' ');
        }
        put(s + "\n");
      };
      line([&](size_t i) { return columns_[i].heading; },
           [&](size_t i) { return !rows_.empty() && i < rows_[0].size() && rows_[0][i].number; });
      for (const auto& row : rows_)
        line([&](size_t i) { return i < row.size() ? oneLine(row[i].text) : std::string(); },
             [&](size_t i) { return i < row.size() && row[i].number; });
      break;
    }
    case Format::Csv: {
      std::string header;
      for (size_t i = 0; i < columns_.size(); ++i)
        header += (i ? "," : "") + csvField(columns_[i].name);
      put(header + "\r\n");
      for (const auto& row : rows_) {
        std::string s;
        for (size_t i = 0; i < columns_.size(); ++i)
          s += (i ? "," : "") + (i < row.size() ? csvField(row[i].text) : std::string());
        put(s + "\r\n");
      }
      break;
    }
    case Format::Json:
    case Format::JsonLines: {
      const bool document = format == Format::Json;
      if (document) put("[");
      for (size_t r = 0; r < rows_.size(); ++r) {
        std::string s = document ? (r ? ",\n  {" : "\n  {") : "{";
        for (size_t i = 0; i < columns_.size(); ++i) {
          const Cell& c = i < rows_[r].size() ? rows_[r][i] : Cell{"", false, true};
          s += (i ? ", " : "") + jsonString(columns_[i].name) + ": " +
               (c.empty    ? "null"
                : c.number ? c.text
                           : jsonString(c.text));
        }
        put(s + (document ? "}" : "}\n"));
      }
      if (document) put(rows_.empty() ? "]\n" : "\n]\n");
      break;
    }
    case Format::Nul:
      for (const auto& row : rows_) {
        if (nulColumn_ < row.size()) put(row[nulColumn_].text);
        std::fputc('\0', out);
      }
      break;
  }
  std::fflush(out);
}

}  // namespace cli
