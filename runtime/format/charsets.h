// Character sets of stored text: ANSI and OEM conversion, and the platform's own collation
// and case tables ("WINDOWS" in the environment file).
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace kiv::format {

uint8_t ansiToOem(uint8_t c);
uint8_t oemToAnsi(uint8_t c);
void ansiToOem(char* text, size_t len);
void oemToAnsi(char* text, size_t len);

// Weights of the platform's string order: 0 and 1 first, then codes 2..254 in word order.
const uint8_t* platformCollation();
// Every (upper, lower) pair the platform knows, A-Z included.
std::vector<std::pair<uint8_t, uint8_t>> platformCasePairs();

}  // namespace kiv::format
