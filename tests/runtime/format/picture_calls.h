// FORMAT and DEFORMAT as the picture tests call them: C++ strings in, the heap result out.
#pragma once

#include <string>

#include "include/kvrun32.h"

namespace kivtest {

// Takes over a heap string the runtime handed out.
inline std::string takeHeap(KivHeapStr& s) {
  std::string out(s.addr ? s.addr : "", s.len);
  Kiv$freestr(&s);
  return out;
}

inline std::string formatLong(int32_t value, const std::string& pict) {
  KivHeapStr s{};
  Kiv$FORMATlong(&s, value, pict.data(), uint32_t(pict.size()));
  return takeHeap(s);
}

inline std::string formatReal(double value, const std::string& pict) {
  KivHeapStr s{};
  Kiv$FORMATreal(&s, value, pict.data(), uint32_t(pict.size()));
  return takeHeap(s);
}

inline std::string formatText(const std::string& value, const std::string& pict) {
  KivHeapStr s{};
  Kiv$FORMATstr(&s, value.data(), uint32_t(value.size()), pict.data(), uint32_t(pict.size()));
  return takeHeap(s);
}

inline std::string deformat(const std::string& text, const std::string& pict) {
  KivHeapStr s{};
  Kiv$DEFORMAT(&s, text.data(), uint32_t(text.size()), pict.data(), uint32_t(pict.size()));
  return takeHeap(s);
}

}  // namespace kivtest
