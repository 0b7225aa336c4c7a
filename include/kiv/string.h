// Fixed-length strings of the language: STRING(n), blank padded, and CSTRING(n), terminated.
// Assignment and comparison go through the runtime's string storage and collation.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <cstring>
#include <type_traits>

#include "../kvrun32.h"

namespace kiv {

// The text without its trailing blanks.
inline std::string_view clip(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

// A heap string of the runtime taken over as a std::string.
inline std::string takeHeap(KivHeapStr& h) {
  std::string s(h.addr ? h.addr : "", h.len);
  Kiv$freestr(&h);
  return s;
}

// FORMAT(value, picture) of a number, date or time serial: "@n13", "@d2", "@t3".
inline std::string format(int32_t value, std::string_view picture) {
  KivHeapStr h{};
  Kiv$FORMATlong(&h, value, picture.data(), uint32_t(picture.size()));
  return takeHeap(h);
}

// UPPER and LOWER of the runtime (the locale's letter rules).
inline std::string upper(std::string_view s) {
  KivHeapStr h{};
  Kiv$UPPER(&h, s.data(), uint32_t(s.size()));
  return takeHeap(h);
}
// UPPER done in place on `n` characters of a field or buffer, by the same letter rules.
inline void upperInPlace(char* text, size_t n) { Kiv$isfupper(text, uint32_t(n)); }
inline std::string lower(std::string_view s) {
  KivHeapStr h{};
  Kiv$LOWER(&h, s.data(), uint32_t(s.size()));
  return takeHeap(h);
}

// The runtime's collating comparison (shorter text compares as if blank padded): <0, 0, >0.
inline int32_t compare(std::string_view a, std::string_view b) {
  return Kiv$comparestr(a.data(), uint32_t(a.size()), b.data(), uint32_t(b.size()));
}

// The weights that order text in a case-insensitive key, by character code: each character
// upper-cased by the locale's letter rules and replaced by its collating weight; texts compare
// byte by byte in these weights.
inline std::array<uint8_t, 256> caseBlindWeights() {
  std::array<uint8_t, 256> w{};
  for (int c = 0; c < 256; ++c) {
    const auto u = static_cast<uint8_t>(Kiv$isftoupper(c));
    w[size_t(c)] = ISFINFO.oemMode ? ISFINFO.collateOem[u] : ISFINFO.collate[u];
  }
  return w;
}

// STRING(N).
template <uint32_t N>
class String {
 public:
  static constexpr int32_t typeCode = KIV_STRING;
  static constexpr uint32_t size = N;
  static constexpr uint32_t places = 0;

  String() { clear(); }
  String(std::string_view s) { assign(s); }
  String(const String& other) = default;
  String& operator=(const String& other) = default;
  String& operator=(std::string_view s) {
    assign(s);
    return *this;
  }
  String& operator=(const char* s) { return *this = std::string_view(s); }
  String& operator=(const std::string& s) { return *this = std::string_view(s); }

  void assign(std::string_view s) { Kiv$storestr(text_, N, s.data(), int32_t(s.size())); }
  void clear() { Kiv$storestr(text_, N, nullptr, 0); }
  // The whole field, blanks included.
  std::string_view view() const { return {text_, N}; }
  // The text without trailing blanks.
  std::string_view clipped() const { return clip(view()); }
  std::string str() const { return std::string(clipped()); }
  bool blank() const { return clipped().empty(); }
  char* data() { return text_; }
  const char* data() const { return text_; }
  operator std::string_view() const { return view(); }

 private:
  char text_[N];
};

// CSTRING(N): at most N - 1 characters and a terminator.
template <uint32_t N>
class CString {
 public:
  static constexpr int32_t typeCode = KIV_CSTRING;
  static constexpr uint32_t size = N;
  static constexpr uint32_t places = 0;

  CString() { clear(); }
  CString(std::string_view s) { assign(s); }
  CString& operator=(std::string_view s) {
    assign(s);
    return *this;
  }
  CString& operator=(const char* s) { return *this = std::string_view(s); }
  CString& operator=(const std::string& s) { return *this = std::string_view(s); }

  void assign(std::string_view s) { Kiv$storecstr(text_, N, s.data(), int32_t(s.size())); }
  void clear() { Kiv$storecstr(text_, N, nullptr, 0); }
  std::string_view view() const { return {text_, strnlen(text_, N)}; }
  std::string_view clipped() const { return clip(view()); }
  std::string str() const { return std::string(clipped()); }
  bool blank() const { return clipped().empty(); }
  char* data() { return text_; }
  const char* c_str() const { return text_; }
  operator std::string_view() const { return view(); }

 private:
  char text_[N];
};

// Comparisons of the language: collating, trailing blanks ignored.
template <typename A, typename B>
concept TextPair = std::is_convertible_v<const A&, std::string_view> &&
    std::is_convertible_v<const B&, std::string_view> &&(
        requires { A::typeCode; } || requires { B::typeCode; });

template <typename A, typename B>
requires TextPair<A, B>
bool operator==(const A& a, const B& b) {
  return compare(std::string_view(a), std::string_view(b)) == 0;
}
template <typename A, typename B>
requires TextPair<A, B>
bool operator<(const A& a, const B& b) {
  return compare(std::string_view(a), std::string_view(b)) < 0;
}

}  // namespace kiv
