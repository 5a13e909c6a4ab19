#pragma once
// Reading a pair file as the window opens it, its questions aside: the
// file's bytes and the German messages of what fails. The window shows the
// messages; a fit of files without the window prints them.

#include <QByteArray>
#include <QString>
#include <optional>

#include "wertedatei/wertedatei.h"

namespace app {

// Far more than any table of measured values; keeps a mistaken choice (a
// film, a disk image) from filling the memory.
inline constexpr qint64 kMaxPairFileBytes = qint64{64} << 20;

// The bytes of the file at path; nothing, with the reason in `refusal`, when
// it does not exist, is no regular file, is too large or cannot be read.
std::optional<QByteArray> ReadPairFileBytes(const QString& path, QString& refusal);

// "Aus der Datei „name“ konnten keine Wertepaare gelesen werden." with the
// reader's reason.
QString NoPairsMessage(const QString& path, const wertedatei::PairFile& pairs);

// Why the file's Δy column cannot weight the fit (which rows, and how to
// open the file without it); empty when it can.
QString UncertaintyColumnRefusal(const QString& path, const wertedatei::PairFile& pairs);

}  // namespace app
