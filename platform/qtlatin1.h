#pragma once
// The one pair of conversions between Qt's texts and the core's 8-bit texts
// (Latin-1 bytes, see _grund/grund.h), for the window and the QPainter canvas.
// A character beyond Latin-1 does not reach the core: Qt writes "?" for it.

#include <QString>
#include <string>
#include <string_view>

namespace platform {

inline QString FromLatin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToLatin1(const QString& text) { return text.toLatin1().toStdString(); }

}  // namespace platform
