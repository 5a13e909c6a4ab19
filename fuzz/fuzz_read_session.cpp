// ReadSession on arbitrary bytes.
//
// Checked: a session or a message, never both; a message is UTF-8 and
// begins like every refusal. Where the bytes read, the session written reads
// back, the text written from that is the same, and without a not-a-number
// value (unequal to itself) the two sessions are equal field by field.

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "wertedatei/session.h"

namespace {

bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (lead >= 0x80 && (lead < 0xC2 || lead > 0xF4)) return false;
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // Two readings and two writings.
  const fuzz::InputTimer timer(4);

  const wertedatei::SessionReading first = wertedatei::ReadSession(bytes);
  FUZZ_CHECK(first.session.has_value() == first.message.empty());
  if (!first.session) {
    FUZZ_CHECK(first.message.starts_with("Die "));
    FUZZ_CHECK(IsUtf8(first.message));
    timer.Check();
    return 0;
  }

  const std::string text = wertedatei::WriteSession(*first.session);
  FUZZ_CHECK(IsUtf8(text));
  const wertedatei::SessionReading second = wertedatei::ReadSession(text);
  FUZZ_CHECK(second.session.has_value());
  FUZZ_CHECK(wertedatei::WriteSession(*second.session) == text);
  if (text.find("\"nan\"") == std::string::npos) {
    // The file's own version stays with the first reading.
    wertedatei::Session again = *second.session;
    again.formatMinor = first.session->formatMinor;
    FUZZ_CHECK(again == *first.session);
  }
  timer.Check();
  return 0;
}
