#include "app/celltext.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "_grund/grund.h"
#include "app/latin1char.h"

namespace app {

namespace {

// The code points of a UTF-16 text; a lone surrogate stands for itself.
template <typename Visit>
void ForEachCodePoint(QStringView text, Visit visit) {
  const qsizetype size = text.size();
  for (qsizetype i = 0; i < size;) {
    const QChar c = text[i];
    char32_t code = c.unicode();
    qsizetype length = 1;
    if (c.isHighSurrogate() && i + 1 < size && text[i + 1].isLowSurrogate()) {
      code = QChar::surrogateToUcs4(c, text[i + 1]);
      length = 2;
    }
    visit(code, i, length);
    i += length;
  }
}

char32_t CodePointAt(QStringView text, qsizetype i) {
  if (i >= text.size()) return 0;
  const QChar c = text[i];
  if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
    return QChar::surrogateToUcs4(c, text[i + 1]);
  return c.unicode();
}

// The characters of `full` that are not Latin-1, each once, as the tooltip
// names them (a few at most).
QString UnreadableCharacters(const QString& full) {
  QString listed;
  int count = 0;
  ForEachCodePoint(full, [&](char32_t code, qsizetype i, qsizetype length) {
    if (code < 0x100 || count >= 5) return;
    const QString character = full.mid(i, length);
    if (listed.contains(character)) return;
    if (!listed.isEmpty()) listed += QLatin1Char(' ');
    listed += character;
    ++count;
  });
  return listed;
}

}  // namespace

CellText TypedCellText(QStringView typed) {
  CellText cell;
  // The usual text, ASCII alone, stays as it is.
  if (std::all_of(typed.begin(), typed.end(), [](QChar c) { return c.unicode() < 0x80; })) {
    cell.latin1.resize(static_cast<std::size_t>(typed.size()));
    std::transform(typed.begin(), typed.end(), cell.latin1.begin(),
                   [](QChar c) { return static_cast<char>(c.unicode()); });
    return cell;
  }
  cell.latin1.reserve(static_cast<std::size_t>(typed.size()));
  bool lossy = false;
  ForEachCodePoint(typed, [&](char32_t code, qsizetype i, qsizetype length) {
    const char byte = code == 0 ? '\0' : ToLatin1Char(code, CodePointAt(typed, i + length));
    if (code != 0 && byte == '\0') {
      lossy = true;
      cell.latin1 += '?';
    } else {
      cell.latin1 += byte;
    }
  });
  if (!lossy) return cell;
  // The full text with the converted characters as converted.
  cell.full.reserve(typed.size());
  std::size_t k = 0;
  ForEachCodePoint(typed, [&](char32_t, qsizetype i, qsizetype length) {
    const char byte = cell.latin1[k++];
    if (byte == '?' && typed[i] != QLatin1Char('?'))
      cell.full += typed.mid(i, length);
    else
      cell.full += QChar(static_cast<unsigned char>(byte));
  });
  return cell;
}

std::optional<QString> PairCellMarking(std::string_view latin1, const QString* full) {
  if (latin1.empty()) return std::nullopt;
  const grund::ParsedNumber number = grund::ParseNumber(grund::CommaToPoint(latin1));
  if (number.ok) return std::nullopt;
  QString tip = QStringLiteral("Keine Zahl – gerechnet wird mit %1")
                    .arg(QString::fromLatin1(GermanNumberText(number.value)));
  if (full != nullptr) {
    const QString unreadable = UnreadableCharacters(*full);
    if (!unreadable.isEmpty())
      tip += QStringLiteral("\nNicht lesbare Zeichen (zählen als „?“): %1").arg(unreadable);
  }
  return tip;
}

std::string GermanNumberText(double value) {
  if (value == 0) return "0";  // also for -0
  if (std::isnan(value)) return "nan";
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (error != std::errc()) return "0";  // cannot happen with 64 bytes
  std::string text(buffer, end);
  std::replace(text.begin(), text.end(), '.', ',');
  return text;
}

}  // namespace app
