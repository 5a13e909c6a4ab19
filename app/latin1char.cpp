#include "app/latin1char.h"

namespace app {

namespace {

bool StartsANumber(char32_t c) { return (c >= U'0' && c <= U'9') || c == U',' || c == U'.'; }

}  // namespace

char ToLatin1Char(char32_t c, char32_t next) {
  switch (c) {
    case U'\u2212':
      return '-';
    case U'\u2013':
      return StartsANumber(next) ? '-' : '\0';
    case U'\u00A0':
    case U'\u2007':
    case U'\u2009':
    case U'\u202F':
      return ' ';
    default:
      return c < 0x100 ? static_cast<char>(c) : '\0';
  }
}

}  // namespace app
