// Digit loops eight cells at a time. A 64-bit word holds eight one-digit cells, the least
// significant cell in the low byte, so a plain binary add or subtract of two words with a bias of
// 246 per byte makes every decimal carry or borrow a binary one; the bytes that did not carry are
// then put back by subtracting the bias again. Every byte must hold a digit 0-9.
#pragma once

#include <cstdint>
#include <cstring>

namespace kiv::core::digits {

constexpr uint64_t kOnes = 0x0101010101010101ULL;
constexpr uint64_t kBias = 0xF6 * kOnes;  // 256 - 10 in every byte
constexpr uint64_t kHighBits = 0x80 * kOnes;

inline uint64_t load(const uint8_t* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

inline void store(uint8_t* p, uint64_t w) { std::memcpy(p, &w, sizeof w); }

// Bytes with their top bit set are those that did not carry (after an add) or did borrow (after
// a subtract); both need the bias taken off again.
inline uint64_t unbias(uint64_t x) { return x - ((x & kHighBits) >> 7) * 0xF6; }

// Eight digits of a + b + carry; carry becomes the carry out of the highest digit.
inline uint64_t addWord(uint64_t a, uint64_t b, unsigned& carry) {
  unsigned __int128 sum = static_cast<unsigned __int128>(a + kBias) + b + carry;
  carry = static_cast<unsigned>(sum >> 64);
  return unbias(static_cast<uint64_t>(sum));
}

// Eight digits of a - b - borrow; borrow becomes the borrow out of the highest digit.
inline uint64_t subWord(uint64_t a, uint64_t b, unsigned& borrow) {
  unsigned __int128 diff = static_cast<unsigned __int128>(a) - b - borrow;
  borrow = static_cast<unsigned>(diff >> 64) & 1u;
  return unbias(static_cast<uint64_t>(diff));
}

// dst[0 .. 8 * words) += src[0 .. 8 * words); gives the carry out.
inline unsigned addWords(uint8_t* dst, const uint8_t* src, int words) {
  unsigned carry = 0;
  for (int w = 0; w < words; ++w)
    store(dst + 8 * w, addWord(load(dst + 8 * w), load(src + 8 * w), carry));
  return carry;
}

// dst[0 .. 8 * words) -= src[0 .. 8 * words); gives the borrow out.
inline unsigned subWords(uint8_t* dst, const uint8_t* src, int words) {
  unsigned borrow = 0;
  for (int w = 0; w < words; ++w)
    store(dst + 8 * w, subWord(load(dst + 8 * w), load(src + 8 * w), borrow));
  return borrow;
}

}  // namespace kiv::core::digits
