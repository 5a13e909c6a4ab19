// "kalvento --fit": the best line of every file is the bold line a fresh
// window shows after opening the file and pressing "Berechnung" once, for
// every model, with and without the scan, a held parameter and Δy; its
// output reads as JSON and CSV; the result does not depend on the threads.

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "app/columnchoicedialog.h"
#include "app/fitcommand.h"
#include "app/fitfile.h"
#include "app/tform1.h"
#include "platform/qtlatin1.h"
#include "window_fixture.h"

namespace {

// A measured-looking series: a few hundred lines of "x;y" (and more columns)
// with the wobble of real data, written once per test.
QString Series(const char* heading, int n, double (*y)(double), double step = 0.1,
               double (*dy)(double) = nullptr) {
  QString text = QString::fromUtf8(heading) + '\n';
  for (int i = 0; i < n; ++i) {
    const double x = step * i;
    const double wobble = 0.05 * std::sin(37.3 * i) + 0.03 * std::cos(11.1 * i * i);
    text += QString::number(x, 'g', 8).replace('.', ',') + ';' +
            QString::number(y(x) + wobble, 'g', 8).replace('.', ',');
    if (dy != nullptr) text += ';' + QString::number(dy(x), 'g', 4).replace('.', ',');
    text += '\n';
  }
  return text;
}

double Sine(double x) { return 1.5 * std::sin(2.1 * x + 0.4) - 0.3; }
double Damped(double x) { return 2 * std::exp(-0.08 * x) * std::sin(1.7 * x + 0.4) + 0.3; }
double Trend(double x) { return std::sin(1.3 * x) + 0.2 * x + 1; }
double TwoSines(double x) { return 2 * std::sin(1.1 * x) + 0.8 * std::sin(3.7 * x + 1) + 0.5; }
double Harmonic(double x) { return 2 * std::sin(0.9 * x) + 0.7 * std::sin(1.8 * x + 0.5); }
double Fast(double x) { return std::sin(170 * x); }
double Uncertainty(double x) { return 0.05 + 0.01 * std::fabs(std::sin(x)); }

// Reads a stream written by RunFitCommand.
struct Run {
  int exitCode = -1;
  QString out, err;
};

Run RunCommand(const app::FitCall& call) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  Run run;
  run.exitCode = app::RunFitCommand(call, out, err);
  const auto readAll = [](std::FILE* stream) {
    std::rewind(stream);
    QByteArray bytes;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, stream)) > 0;)
      bytes.append(buffer, static_cast<qsizetype>(n));
    std::fclose(stream);
    return QString::fromUtf8(bytes);
  };
  run.out = readAll(out);
  run.err = readAll(err);
  return run;
}

// Heading → field of one CSV line (no field of these files is quoted).
QMap<QString, QString> CsvRow(const QString& heading, const QString& line) {
  const QStringList names = heading.split(';'), fields = line.split(';');
  QMap<QString, QString> row;
  for (qsizetype i = 0; i < names.size() && i < fields.size(); ++i) row[names[i]] = fields[i];
  return row;
}

}  // namespace

class FitCommandTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

  QString Write(const QString& name, const QString& text) {
    const QString path = dir_.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(text.toUtf8());
    return path;
  }

  // What the window shows after opening the file and pressing
  // "Berechnung": the bold line and the results export's row of it.
  struct WindowResult {
    QString boldText;
    sinusfit::ModelParameters parameters;
    std::vector<double> values;
    QMap<QString, QString> exported;
    QString statistics;  // the label, with the hints once the window is idle
  };

  WindowResult PressInWindow(const QString& path, const app::FitCall& call) {
    std::unique_ptr<TForm1> form;
    window_fixture::Options options;
    options.collectMessages = true;
    options.columnChooser = [&](const wertedatei::PairFile& file, wertedatei::ColumnChoice& choice) {
      app::ColumnChoiceDialog dialog(file, QStringLiteral("f"));
      choice = dialog.Choice();
      if (call.columns) choice = {call.columns->x, call.columns->y, call.columns->sigmaY, choice.order};
      return true;
    };
    window_fixture::Open(form, options);
    WindowResult result;
    if (!form->OpenPairFile(path)) return result;
    form->ComboZielfunktion->setCurrentIndex(static_cast<int>(call.model));
    form->SpinFrequenzen->setValue(call.frequencies);
    form->CheckFrequenzsuche->setChecked(call.scan);
    form->Edit5->setText(call.bound);
    QRadioButton* held[] = {form->rt2, form->rt3, form->rt4, form->rt5};
    QLineEdit* fields[] = {form->Edit1, form->Edit2, form->Edit3, form->Edit4};
    const int mode = static_cast<int>(call.mode);
    if (mode >= 2) {
      held[mode - 2]->setChecked(true);
      fields[mode - 2]->setText(call.heldValue);
    }
    form->D18C();
    // The hints come once the window is idle: the first round of events
    // looks for them to the end.
    QTest::qWait(10);
    result.statistics = form->LabelStatistik->text();
    for (int row = 0; row < form->Listbox1->count(); ++row) {
      if (!form->Listbox1->item(row)->font().bold()) continue;
      result.boldText = form->Listbox1->item(row)->text();
      const app::ResultRecord* record = form->FindResultRecord(platform::ToLatin1(result.boldText));
      if (record != nullptr) result.parameters = record->parameters, result.values = record->values;
      const QString csvPath = dir_.filePath(QStringLiteral("window.csv"));
      if (!form->SaveResults(csvPath)) break;
      QFile csv(csvPath);
      csv.open(QIODevice::ReadOnly);
      const QStringList lines = QString::fromLatin1(csv.readAll()).split(QLatin1Char('\n'));
      if (lines.size() > row + 1) result.exported = CsvRow(lines[0], lines[row + 1]);
    }
    return result;
  }

  // The file fitted as "--fit" fits it, on a thread of its own as the
  // command does.
  static app::FittedFile FitOnThread(const QString& path, const app::FitCall& call) {
    app::FittedFile fitted;
    std::thread([&] { fitted = app::FitPairFile(path, call); }).join();
    return fitted;
  }

 private slots:
  void theBestLineIsTheWindowsBoldLine_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("arguments");
    const QString sine = Write("sinus.csv", Series("t;U", 200, Sine));
    const QString damped = Write("gedaempft.csv", Series("t;x", 200, Damped));
    const QString sigma =
        Write("mitdy.csv", Series("t in s;U in V;dU", 150, Sine, 0.1, Uncertainty));
    const QString threeColumns = Write("drei.csv", Series("a;b;c", 120, Trend, 0.1, Uncertainty));
    struct Case {
      const char* name;
      QString file;
      const char* arguments;
    };
    const Case cases[] = {
        {"sine", sine, ""},
        {"sine, scan, bound 50", sine, "--frequenzsuche --max-b 50"},
        {"sine, a held as a term", sine, "--fest a=3/2"},
        {"sine, b held, scan ignored", sine, "--fest b=2,1 --frequenzsuche"},
        {"sine, d held", sine, "--fest d=-0,3"},
        {"sine, Δy by its heading", sigma, ""},
        {"sine, Δy and the scan", sigma, "--frequenzsuche"},
        {"long series", Write("lang.csv", Series("t;U", 700, Sine, 0.05)), "--max-b 20"},
        {"trend", Write("trend.csv", Series("t;y", 200, Trend)), "--zielfunktion trend"},
        {"damped", damped, "--zielfunktion gedaempft"},
        {"damped, scan, c held", damped, "--zielfunktion gedaempft --frequenzsuche --fest c=0,4"},
        {"two sines, automatic", Write("zwei.csv", Series("t;y", 200, TwoSines)),
         "--zielfunktion frequenzen"},
        {"harmonics, two", Write("ober.csv", Series("t;y", 200, Harmonic)),
         "--zielfunktion oberschwingungen --frequenzen 2"},
        {"columns asked for", threeColumns, "--spalten 1,3"},
        {"beyond the random starts: the hints", Write("schnell.csv", Series("t;U", 200, Fast, 0.01)),
         ""},
        {"three columns proposed", threeColumns, "--zielfunktion trend"},
    };
    for (const Case& c : cases) QTest::newRow(c.name) << c.file << QString::fromUtf8(c.arguments);
  }

  void theBestLineIsTheWindowsBoldLine() {
    QFETCH(QString, file);
    QFETCH(QString, arguments);
    QStringList list = arguments.split(' ', Qt::SkipEmptyParts);
    list << file;
    const app::FitCallReading reading = app::ReadFitCall(list);
    QCOMPARE(reading.outcome, app::FitCallReading::Outcome::kFit);
    const app::FitCall& call = reading.call;

    const app::FittedFile fitted = FitOnThread(file, call);
    QVERIFY2(fitted.fitted, qPrintable(fitted.message));
    const WindowResult window = PressInWindow(file, call);
    QCOMPARE(platform::FromLatin1(fitted.best.entry), window.boldText);
    // Bit for bit: the sine's parameters, or the other models' values.
    const auto bits = [](const std::vector<double>& values) {
      std::vector<std::uint64_t> patterns;
      for (double v : values) patterns.push_back(std::bit_cast<std::uint64_t>(v));
      return patterns;
    };
    const auto sineBits = [&](const sinusfit::ModelParameters& p) { return bits({p.a, p.b, p.c, p.d}); };
    if (call.model == sinusfit::ModelKind::kSine)
      QCOMPARE(sineBits(fitted.best.parameters), sineBits(window.parameters));
    QCOMPARE(bits(fitted.best.values), bits(window.values));

    // And the window's hints, where it gives any.
    if (QByteArray(QTest::currentDataTag()).contains("hints"))
      QVERIFY2(fitted.hints.size() == 2u, fitted.best.entry.c_str());
    for (const std::string& hint : fitted.hints)
      QVERIFY2(window.statistics.contains(QString::fromStdString(hint)), hint.c_str());
    QCOMPARE(window.statistics.count(QStringLiteral("Tipp")), static_cast<qsizetype>(fitted.hints.size()));

    // Every column the command prints is the window's export of that line.
    app::FitCall csvCall = call;
    csvCall.files = {file};
    const Run run = RunCommand(csvCall);
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    const QMap<QString, QString> printed = CsvRow(lines[0], lines[1]);
    QCOMPARE(printed.value(QStringLiteral("Datei")), file);
    for (auto field = printed.begin(); field != printed.end(); ++field) {
      if (field.key() == QStringLiteral("Datei")) continue;
      QVERIFY2(window.exported.contains(field.key()), qPrintable(field.key()));
      QCOMPARE(field.value(), window.exported.value(field.key()));
    }
  }

  // The members of each model's line are the JSON writer's own tests; here
  // the command's: every line parses, failures in their place, the numbers
  // those behind the line.
  void jsonLinesParseAndFailuresKeepTheirPlace() {
    const QString sine = Write("j1.csv", Series("t;U", 200, Sine));
    const QString sigma = Write("j2.csv", Series("t;U;dU", 150, Sine, 0.1, Uncertainty));
    const QString empty = Write("leer.csv", QString());
    app::FitCall call;
    call.json = true;
    call.files = {sine, dir_.filePath("fehlt.csv"), sigma, empty};
    const Run run = RunCommand(call);
    QCOMPARE(run.exitCode, 1);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    std::vector<QJsonObject> objects;
    for (const QString& line : lines) {
      QJsonParseError error;
      objects.push_back(QJsonDocument::fromJson(line.toUtf8(), &error).object());
      QCOMPARE(error.error, QJsonParseError::NoError);
    }
    const QStringList keys{"derived", "error", "file",  "held", "hints", "model", "pairs",
                           "parameters", "r2", "rmse", "term",  "x",     "y"};
    QCOMPARE(objects[0].keys(), keys);
    QStringList weightedKeys = keys + QStringList{"chi2", "dof", "p"};  // with Δy
    weightedKeys.sort();
    QCOMPARE(objects[2].keys(), weightedKeys);
    QCOMPARE(objects[1].keys(), (QStringList{"file", "message"}));
    QCOMPARE(objects[3].keys(), (QStringList{"file", "message"}));
    QVERIFY(objects[1].value("message").toString().contains("gibt es nicht"));

    const app::FittedFile fitted = FitOnThread(sine, app::FitCall{});
    QCOMPARE(objects[0].value("error").toDouble(), fitted.best.error);
    const QJsonObject b = objects[0].value("parameters").toObject().value("b").toObject();
    QCOMPARE(b.value("value").toDouble(), fitted.best.parameters.b);
    QCOMPARE(objects[0].value("pairs").toInt(), 200);
    QCOMPARE(objects[0].value("y").toString(), QStringLiteral("U"));
    // Each failure named on the error output, in the files' order.
    const QStringList errors = run.err.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(errors.size(), 2);
    QVERIFY(errors[0].startsWith("kalvento: " + dir_.filePath("fehlt.csv") + ": "));
    QVERIFY(errors[1].startsWith("kalvento: " + empty + ": Aus der Datei"));
  }

  void resultsDependOnNeitherThreadsNorOrder() {
    QStringList files;
    double (*shapes[])(double) = {Sine, Damped, Trend, TwoSines, Harmonic, Sine};
    for (int i = 0; i < 6; ++i)
      files << Write(QStringLiteral("f%1.csv").arg(i), Series("t;y", 120 + 20 * i, shapes[i]));
    files << dir_.filePath("fehlt.csv");
    app::FitCall call;
    call.json = true;
    call.scan = true;
    call.files = files;
    call.jobs = 1;
    const Run one = RunCommand(call);
    call.jobs = 2;
    const Run two = RunCommand(call);
    std::reverse(call.files.begin(), call.files.end());
    const Run reversed = RunCommand(call);
    QCOMPARE(one.exitCode, 1);
    QCOMPARE(two.out, one.out);
    QCOMPARE(two.err, one.err);
    QStringList backwards = reversed.out.split('\n', Qt::SkipEmptyParts);
    std::reverse(backwards.begin(), backwards.end());
    QCOMPARE(backwards, one.out.split('\n', Qt::SkipEmptyParts));
  }
};

QTEST_MAIN(FitCommandTest)
#include "fitcommand_test.moc"
