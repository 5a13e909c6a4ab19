#pragma once
// The bytes of a pair file as Latin-1 text, whatever encoding they came in.

#include <cstddef>
#include <string>
#include <string_view>

namespace wertedatei {

enum class TextKind { kText, kEmpty, kBinary };

struct DecodedText {
  TextKind kind = TextKind::kEmpty;
  // Latin-1 text; points into the input bytes or into the storage passed in.
  std::string_view text;
  // About as many lines as `text` holds (ended by LF, CRLF or CR, the last
  // one also by the end), counted in the pass that checks the bytes.
  std::size_t lines = 0;
};

// Reads UTF-16 (with a byte-order mark, or without one when the first
// characters show it), UTF-8 (with or without a mark) and Latin-1 /
// Windows-1252. Characters outside Latin-1 become "?". Text that holds a zero
// byte or many control characters is binary; text of blanks and line ends only
// is empty. One pass over the bytes, plus one for a conversion.
DecodedText DecodeToLatin1(std::string_view bytes, std::string& storage);

}  // namespace wertedatei
