#include "wertedatei/textdecode.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace wertedatei {

namespace {

unsigned char Byte(std::string_view text, std::size_t i) {
  return static_cast<unsigned char>(text[i]);
}

// The characters of copied web and office text that stand for a minus or a
// blank read as such; Δ (as in a "Δy" heading) as D. Anything else beyond
// Latin-1 stays "?", which no number contains.
char Latin1(std::uint32_t code) {
  switch (code) {
    case 0x2212:  // minus sign
    case 0x2013:  // en dash, as a minus
      return '-';
    case 0x00A0:  // no-break space
    case 0x2007:  // figure space
    case 0x2009:  // thin space
    case 0x202F:  // narrow no-break space
      return ' ';
    case 0x0394:  // Greek capital delta
      return 'D';
    default:
      return code <= 0xFF ? static_cast<char>(code) : '?';
  }
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// UTF-16 without a mark: in the first characters every second byte is zero
// (ASCII text) and the others are not. Returns 1 little-endian, 2 big-endian.
int GuessUtf16(std::string_view bytes) {
  const std::size_t n = std::min<std::size_t>(bytes.size(), 64) & ~std::size_t{1};
  if (n < 4) return 0;
  bool little = true, big = true;
  for (std::size_t i = 0; i < n; i += 2) {
    little = little && Byte(bytes, i) != 0 && Byte(bytes, i + 1) == 0;
    big = big && Byte(bytes, i) == 0 && Byte(bytes, i + 1) != 0;
  }
  return little ? 1 : big ? 2 : 0;
}

void DecodeUtf16(std::string_view bytes, bool bigEndian, std::string& out) {
  out.clear();
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const std::uint32_t unit = bigEndian ? (Byte(bytes, i) << 8) | Byte(bytes, i + 1)
                                         : (Byte(bytes, i + 1) << 8) | Byte(bytes, i);
    // A surrogate pair is one character outside Latin-1: one "?".
    if (unit >= 0xDC00 && unit <= 0xDFFF && !out.empty() && i >= 2) {
      const std::uint32_t before = bigEndian ? (Byte(bytes, i - 2) << 8) | Byte(bytes, i - 1)
                                             : (Byte(bytes, i - 1) << 8) | Byte(bytes, i - 2);
      if (before >= 0xD800 && before <= 0xDBFF) continue;
    }
    out += Latin1(unit);
  }
}

// The length of the valid UTF-8 sequence at i and its code point; 0 when the
// bytes there are no valid sequence (overlong forms and surrogates included).
std::size_t Utf8Sequence(std::string_view text, std::size_t i, std::uint32_t& code) {
  const unsigned char lead = Byte(text, i);
  std::size_t length;
  std::uint32_t minimum;
  if (lead < 0x80) {
    code = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, minimum = 0x80, code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, minimum = 0x800, code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, minimum = 0x10000, code = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char next = Byte(text, i + k);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

bool IsValidUtf8(std::string_view text) {
  std::uint32_t code;
  for (std::size_t i = 0; i < text.size();) {
    if (Byte(text, i) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = Utf8Sequence(text, i, code);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

// Invalid bytes become "?" one by one.
void DecodeUtf8(std::string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size());
  std::uint32_t code;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8Sequence(text, i, code);
    out += length == 0 ? '?' : Latin1(code);
    i += length == 0 ? 1 : length;
  }
}

// Windows-1252 puts printable characters (the euro sign, typographic quotes)
// at 0x80..0x9F, where Latin-1 has control codes: those become "?".
void DecodeWindows1252(std::string_view text, std::string& out) {
  out.assign(text);
  for (char& c : out) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b >= 0x80 && b <= 0x9F) c = '?';
  }
}

bool IsLineSpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v' || c == 0xA0;
}

struct ByteCounts {
  std::size_t controls = 0;  // other than tabs, line ends and the end-of-file mark
  std::size_t zeros = 0;
  std::size_t high = 0;  // 128 and above
  std::size_t lf = 0;
  std::size_t cr = 0;
};

// Plain comparisons summed in 8 bits over blocks of 255 bytes, so that the
// compiler runs the loop on vectors of 16 or 32 bytes at a time.
ByteCounts CountBytes(std::string_view text) {
  ByteCounts counts;
  for (std::size_t block = 0; block < text.size(); block += 255) {
    const std::size_t end = std::min(text.size(), block + 255);
    std::uint8_t low = 0, allowed = 0, zero = 0, high = 0, lf = 0, cr = 0;
    for (std::size_t i = block; i < end; ++i) {
      const unsigned char b = static_cast<unsigned char>(text[i]);
      low += b < 0x20;
      allowed += (static_cast<unsigned char>(b - 9) < 5) | (b == 0x1A);  // tab to CR, EOF mark
      zero += b == 0;
      high += b >= 0x80;
      lf += b == '\n';
      cr += b == '\r';
    }
    counts.controls += low - allowed - zero;
    counts.zeros += zero;
    counts.high += high;
    counts.lf += lf;
    counts.cr += cr;
  }
  return counts;
}

}  // namespace

DecodedText DecodeToLatin1(std::string_view bytes, std::string& storage) {
  DecodedText decoded;
  // Counted on the input when it is ASCII, else on the converted text.
  ByteCounts bytesCounts;
  bool high = true;
  const int utf16 = StartsWith(bytes, "\xFF\xFE") ? 1 : StartsWith(bytes, "\xFE\xFF") ? 2 : 0;
  if (utf16 != 0) {
    DecodeUtf16(bytes.substr(2), utf16 == 2, storage);
    decoded.text = storage;
  } else if (const int guessed = GuessUtf16(bytes); guessed != 0) {
    DecodeUtf16(bytes, guessed == 2, storage);
    decoded.text = storage;
  } else if (StartsWith(bytes, "\xEF\xBB\xBF")) {
    DecodeUtf8(bytes.substr(3), storage);
    decoded.text = storage;
  } else {
    // Some loggers pad their files with zero bytes after the last line.
    while (!bytes.empty() && bytes.back() == '\0') bytes.remove_suffix(1);
    bytesCounts = CountBytes(bytes);
    high = bytesCounts.high > 0;
    if (!high) {
      decoded.text = bytes;
    } else if (IsValidUtf8(bytes)) {
      DecodeUtf8(bytes, storage);
      decoded.text = storage;
    } else {
      DecodeWindows1252(bytes, storage);
      decoded.text = storage;
    }
  }

  const ByteCounts counts = high ? CountBytes(decoded.text) : bytesCounts;
  bool content = false;
  for (const char c : decoded.text) {
    if (!IsLineSpace(static_cast<unsigned char>(c))) {
      content = true;
      break;
    }
  }
  const std::string_view text = decoded.text;
  // Exact for LF, CRLF and CR files; files that mix them may hold more lines.
  decoded.lines = std::max(counts.lf, counts.cr) +
                  (!text.empty() && text.back() != '\n' && text.back() != '\r');
  if (counts.zeros > 0 || counts.controls * 16 > decoded.text.size()) {
    decoded.kind = TextKind::kBinary;
  } else {
    decoded.kind = content ? TextKind::kText : TextKind::kEmpty;
  }
  return decoded;
}

}  // namespace wertedatei
