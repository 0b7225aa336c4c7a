// The process-wide string stack. Its exported operations are the C functions of
// include/kvrun32/strstack.h; other runtime parts use this view of it. Like all runtime state it
// is guarded by the runtime lock: one thread in the runtime at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kiv::core {

constexpr int kStringStackSize = 32;
constexpr uint32_t kInlineSize = 20;

enum class EntryKind : int32_t { Borrowed = 0, Owned = 1, Inline = 2 };

struct StackEntry {
  EntryKind kind;                // who owns the text
  char* text;                    // start of the text (may be null when len is 0)
  uint32_t len;                  // length in bytes
  char inlineText[kInlineSize];  // the text of an inline entry
};

int stringStackDepth();

// The top entry's text, valid until the entry is popped or changed.
std::string_view topText();
// The text of the entry `below` places under the top (0 = the top).
std::string_view entryText(int below);

// Pushes a copy: inline when it fits, else an owned heap copy.
void pushCopy(std::string_view text);
// Pushes text already allocated with malloc; the stack takes it over.
void pushOwned(char* text, uint32_t len);
// Pops the top into a std::string.
std::string popText();
// Pops and discards the top.
void popDiscard();

// Collating comparison by the locale's weights: negative, 0 or positive.
int32_t collate(std::string_view a, std::string_view b, bool caseBlind);

}  // namespace kiv::core
