#include "runtime/ui/value_codec.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "include/kvrun32/types.h"

namespace kiv::ui {
namespace {

PictureEngine gEngine;

std::string clipRight(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

std::string trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return std::string(s.substr(b, e - b));
}

template <typename T>
T load(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void save(void* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

std::string formatReal(double d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  return buf;
}

// The value as plain text, before any picture.
std::string valueText(const UseBinding& u, const void* p) {
  switch (u.type) {
    case KIV_BYTE:
      return std::to_string(load<uint8_t>(p));
    case KIV_SHORT:
      return std::to_string(load<int16_t>(p));
    case KIV_USHORT:
      return std::to_string(load<uint16_t>(p));
    case KIV_DATE:
    case KIV_TIME:
    case KIV_LONG:
      return std::to_string(load<int32_t>(p));
    case KIV_ULONG:
      return std::to_string(load<uint32_t>(p));
    case KIV_SREAL:
      return formatReal(load<float>(p));
    case KIV_REAL:
      return formatReal(load<double>(p));
    case KIV_CSTRING:
      return std::string(static_cast<const char*>(p), strnlen(static_cast<const char*>(p), u.size));
    case KIV_PSTRING: {
      auto* b = static_cast<const unsigned char*>(p);
      size_t n = std::min<size_t>(b[0], u.size ? u.size - 1 : 0);
      return std::string(reinterpret_cast<const char*>(b + 1), n);
    }
    default:
      return clipRight(std::string(static_cast<const char*>(p), u.size));
  }
}

bool parseNumber(const std::string& text, double& out) {
  std::string t = trim(text);
  if (t.empty()) {
    out = 0;
    return true;
  }
  char* end = nullptr;
  errno = 0;
  out = std::strtod(t.c_str(), &end);
  return end && *end == '\0' && errno == 0;
}

}  // namespace

void setPictureEngine(PictureEngine engine) { gEngine = std::move(engine); }

std::string formatText(std::string_view text, std::string_view picture) {
  std::string out;
  if (!picture.empty() && gEngine.format && gEngine.format(text, picture, out)) return out;
  return clipRight(std::string(text));
}

std::string formatUse(const UseBinding& use, const void* address, std::string_view picture) {
  if (!address) return {};
  return formatText(valueText(use, address), picture);
}

bool storeUse(const UseBinding& u, void* p, std::string_view picture, std::string_view shown) {
  if (!p) return false;
  std::string text(shown);
  if (!picture.empty() && gEngine.deformat) {
    std::string value;
    if (!gEngine.deformat(shown, picture, value)) return false;
    text = value;
  }
  switch (u.type) {
    case KIV_STRING: {
      size_t n = std::min<size_t>(text.size(), u.size);
      std::memcpy(p, text.data(), n);
      std::memset(static_cast<char*>(p) + n, ' ', u.size - n);
      return true;
    }
    case KIV_CSTRING: {
      if (u.size == 0) return true;
      size_t n = std::min<size_t>(text.size(), u.size - 1);
      std::memcpy(p, text.data(), n);
      std::memset(static_cast<char*>(p) + n, 0, u.size - n);
      return true;
    }
    case KIV_PSTRING: {
      if (u.size == 0) return true;
      size_t n = std::min<size_t>({text.size(), u.size - 1, 255});
      auto* b = static_cast<unsigned char*>(p);
      b[0] = static_cast<unsigned char>(n);
      std::memcpy(b + 1, text.data(), n);
      return true;
    }
    default:
      break;
  }
  double d = 0;
  if (!parseNumber(text, d)) return false;
  switch (u.type) {
    case KIV_BYTE:
      save<uint8_t>(p, static_cast<uint8_t>(std::lround(d)));
      break;
    case KIV_SHORT:
      save<int16_t>(p, static_cast<int16_t>(std::lround(d)));
      break;
    case KIV_USHORT:
      save<uint16_t>(p, static_cast<uint16_t>(std::lround(d)));
      break;
    case KIV_DATE:
    case KIV_TIME:
    case KIV_LONG:
      save<int32_t>(p, static_cast<int32_t>(std::llround(d)));
      break;
    case KIV_ULONG:
      save<uint32_t>(p, static_cast<uint32_t>(std::llround(d)));
      break;
    case KIV_SREAL:
      save<float>(p, static_cast<float>(d));
      break;
    case KIV_REAL:
      save<double>(p, d);
      break;
    default:
      return false;  // decimals go through the picture engine's typed values
  }
  return true;
}

}  // namespace kiv::ui
