#pragma once
// Internal to the interpreter: the preparation of a term text before it is
// evaluated, in one pass over the text.

#include <cstddef>
#include <string_view>

namespace fktint {

// Bytes 0 after the prepared text; reading them yields the end of the text.
inline constexpr std::size_t kEndPadding = 3;

// The prepared term: Text[1] .. Text[Len], followed by kEndPadding bytes 0.
struct PreparedText {
  const unsigned char* Text;
  std::size_t Len;
};

// The buffer size PrepareText needs for a text of this length.
std::size_t PreparedCapacity(std::size_t length);

// Prepares a non-empty text into `buffer` (PreparedCapacity(text.size())
// bytes): every "," becomes "."; blanks are removed, except that a text of
// blanks keeps one; a leading "-" or "+" gets a "0" in front; and every
// "(-X^" becomes "(0-X^".
PreparedText PrepareText(std::string_view text, unsigned char* buffer);

}  // namespace fktint
