#pragma once
// The set-up the window tests share: the window opened as the program opens
// it, and the plot painted into an image as the window paints it.

#include <QAction>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QtTest>
#include <memory>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/tform1.h"
#include "platform/qtcanvas.h"

namespace window_fixture {

struct Options {
  // Messages go to LastMessage(): a modal box would wait for a click.
  bool collectMessages = false;
  // Answers for the column dialog when a file is opened (empty: the dialog).
  TForm1::ColumnChooser columnChooser = nullptr;
};

// The column dialog's answer that takes what it proposes.
inline bool AcceptProposedColumns(const wertedatei::PairFile&, wertedatei::ColumnChoice&) {
  return true;
}

// A new window in `form`, shown and exposed so that sizes and paint events
// are real. The process random starts at its seed, as right after program
// start, so fits draw the same start values whatever test ran before.
// Fails the calling test when the window is not exposed.
inline void Open(std::unique_ptr<TForm1>& form, const Options& options = {}) {
  grund::ProcessRandom().SetSeed(0);
  form = std::make_unique<TForm1>();
  if (options.collectMessages) form->CollectMessages(true);
  if (options.columnChooser) form->SetColumnChooser(options.columnChooser);
  form->show();
  QVERIFY(QTest::qWaitForWindowExposed(form.get()));
}

// The plot at PB4's size, painted into a bitmap instead of the widget.
inline QImage Paint(TForm1& form) {
  QImage image = platform::QtCanvas::NewBitmap(form.PB4->width(), form.PB4->height());
  platform::QtCanvas canvas(image);
  form.PaintPlot(canvas);
  return image;
}

inline QAction* Action(const TForm1& form, const char* name) {
  return form.findChild<QAction*>(QString::fromLatin1(name));
}

// A PDF's text as pdftotext reads it (simplified), and its page count and
// size as pdfinfo gives them ("Pages: 1", "(A4)"); empty where the tools fail.
struct PdfFacts {
  QString text;
  QString info;
  bool OnePageA4() const {
    return info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\b"))) &&
           info.contains(QStringLiteral("(A4)"));
  }
};

inline PdfFacts ReadPdf(const QString& path) {
  PdfFacts facts;
  QProcess reader;
  reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
  if (!reader.waitForFinished(20000) || reader.exitCode() != 0) return facts;
  facts.text = QString::fromUtf8(reader.readAllStandardOutput()).simplified();
  QProcess info;
  info.start(QStringLiteral("pdfinfo"), {path});
  if (info.waitForFinished(20000)) facts.info = QString::fromUtf8(info.readAllStandardOutput());
  return facts;
}

}  // namespace window_fixture
