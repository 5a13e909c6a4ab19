#pragma once
// The Latin-1 byte that stands for a typed or pasted character.
//
// Stand-in with the signature of wertedatei::ToLatin1Char, which the pair
// file reader brings: once that is in, this forwards to it (or goes).

namespace app {

// The Latin-1 byte for c: c itself below U+0100, '-' for the minus sign
// U+2212 and for the dash U+2013 where it stands before a digit, "," or ".",
// ' ' for the non-breaking and thin spaces (U+00A0, U+2007, U+2009, U+202F);
// 0 where Latin-1 has no stand-in (and for c = 0 itself).
char ToLatin1Char(char32_t c, char32_t next);

}  // namespace app
