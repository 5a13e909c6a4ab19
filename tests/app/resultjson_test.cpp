// A result as a JSON line, read back by Qt's JSON reader: every member,
// every number bit for bit, null where none, valid UTF-8 whatever a file
// name holds; and the CSV heading and lines one at a time.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>
#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sinusfit/resultjson.h"

namespace {

using sinusfit::ExportedResult;
using sinusfit::FitMode;
using sinusfit::ModelKind;

QJsonObject Read(const std::string& line) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
  if (error.error != QJsonParseError::NoError || !document.isObject())
    qWarning("not a JSON object: %s", line.c_str());
  return document.object();
}

// A number bit for bit; null for what is not finite.
bool Holds(const QJsonValue& value, double expected) {
  if (!std::isfinite(expected)) return value.isNull();
  return value.isDouble() &&
         std::bit_cast<std::uint64_t>(value.toDouble()) == std::bit_cast<std::uint64_t>(expected);
}

bool HoldsEstimate(const QJsonValue& value, double expected, double uncertainty) {
  const QJsonObject estimate = value.toObject();
  return estimate.keys() == QStringList{"uncertainty", "value"} &&
         Holds(estimate.value("value"), expected) && Holds(estimate.value("uncertainty"), uncertainty);
}

// A result of a model on 40 pairs of it with a little scatter (Δy where
// weighted), its statistics attached.
ExportedResult Attached(ModelKind kind, std::vector<double> p, FitMode mode, bool weighted) {
  ExportedResult r{"0,25\tY = 1,2*SIN(2,1*X)+\xb7", true, mode, {p[0], p[1], p[2], p[3]}, 0.25};
  r.model = kind;
  if (kind != ModelKind::kSine) r.values = p, r.origin = {1, 0.5};
  auto data = std::make_shared<sinusfit::FitData>();
  for (int i = 0; i < 40; ++i) {
    data->x.push_back(1 + 0.25 * i);
    data->y.push_back(sinusfit::ModelOf(kind, p).Evaluate(p, data->x.back(), r.origin, {}) +
                      0.03 * std::sin(12.9 * i));
    if (weighted) data->sigma.push_back(0.03);
  }
  r.data = data;
  sinusfit::AttachStatistics(std::span(&r, 1));
  return r;
}

const std::vector<double> kSine = {1.2, 2.1, 0.4, 0.3};
const std::vector<double> kTwoSines = {1.2, 2.1, 0.4, 0.3, 0.5, 3.3, 1.0};

}  // namespace

class ResultJsonTest : public QObject {
  Q_OBJECT

 private slots:
  void everyMemberAndEveryNumberBitForBit() {
    struct Case {
      ExportedResult r;
      const char* model;
      const char* held;
    };
    const Case cases[] = {
        {Attached(ModelKind::kSine, kSine, FitMode::kAllFree, false), "sinus", ""},
        {Attached(ModelKind::kSine, kSine, FitMode::kAllFree, true), "sinus", ""},
        {Attached(ModelKind::kSine, kSine, FitMode::kFixedB, false), "sinus", "b"},
        {Attached(ModelKind::kDampedOscillation, {2, 3, 0.5, 0.1, 0.15}, FitMode::kFixedD, true),
         "gedaempft", "d"},
        {Attached(ModelKind::kSeveralFrequencies, kTwoSines, FitMode::kAllFree, false),
         "frequenzen", ""},
    };
    const std::vector<std::string> hints{"Tipp: eins\nzwei"};
    for (const Case& c : cases) {
      const ExportedResult& r = c.r;
      const sinusfit::FitStatistics& s = r.statistics;
      const QJsonObject json = Read(sinusfit::ResultJsonLine("a.csv", 40, r, {"t in s", "U in \xb5V", hints}));
      QStringList keys{"derived", "error", "file", "held",  "hints", "model", "pairs",
                       "parameters", "r2", "rmse", "term",  "x",    "y"};
      if (s.weighted) keys << "chi2" << "dof" << "p";
      keys.sort();
      QCOMPARE(json.keys(), keys);
      QCOMPARE(json.value("pairs").toInt(), 40);
      QCOMPARE(json.value("y").toString(), QStringLiteral("U in µV"));
      QCOMPARE(json.value("model").toString(), QString::fromLatin1(c.model));
      QCOMPARE(json.value("term").toString(), QStringLiteral("1,2*SIN(2,1*X)+·"));
      QCOMPARE(json.value("hints").toArray(), QJsonArray{QStringLiteral("Tipp: eins zwei")});
      QVERIFY(*c.held ? json.value("held").toString() == c.held : json.value("held").isNull());
      QVERIFY(Holds(json.value("error"), r.error));
      QVERIFY(Holds(json.value("r2"), s.rSquared) && Holds(json.value("rmse"), s.rmse));
      if (s.weighted) {
        QVERIFY(Holds(json.value("chi2"), s.chiSquared) && Holds(json.value("p"), s.pValue));
        QCOMPARE(json.value("dof").toInt(), s.degreesOfFreedom);
      }

      // The parameters in the model's names, the derived quantities by key.
      const bool isSine = r.model == ModelKind::kSine;
      const sinusfit::ModelParameters& p = r.parameters;
      const std::vector<double> values = isSine ? std::vector{p.a, p.b, p.c, p.d} : r.values;
      const std::vector<double> errors =
          isSine ? std::vector(s.standardError.begin(), s.standardError.end())
                 : r.modelStatistics.standardError;
      const sinusfit::Model& model = sinusfit::ModelOf(r.model, values);
      const QJsonObject parameters = json.value("parameters").toObject();
      QCOMPARE(parameters.size(), model.ParameterCount());
      for (int k = 0; k < model.ParameterCount(); ++k) {
        const auto i = static_cast<std::size_t>(k);
        const QString name = QString::fromUtf8(model.ParameterKey(k));
        QVERIFY2(HoldsEstimate(parameters.value(name), values[i], errors[i]), qPrintable(name));
      }
      const std::vector<sinusfit::DerivedQuantity> derived =
          isSine ? std::vector{sinusfit::SinePeriod(r)} : r.modelStatistics.derived;
      QCOMPARE(json.value("derived").toObject().size(), static_cast<qsizetype>(derived.size()));
      for (const sinusfit::DerivedQuantity& q : derived) {
        const QJsonValue value = json.value("derived").toObject().value(QString::fromStdString(q.key));
        QVERIFY2(HoldsEstimate(value, q.value, q.uncertainty), q.key.c_str());
      }
    }
  }

  // Quotes, backslashes and control characters escaped, UTF-8 passed
  // through, and every byte that begins no valid sequence read as U+FFFD.
  void fileNamesAndMessagesAreValidJsonStrings() {
    const std::string bad = "\xef\xbf\xbd", controls = std::string("a\x01\n\tb\x7f", 6) + '\0';
    const std::pair<std::string, std::string> cases[] = {
        {"say \"hi\".csv", "say \"hi\".csv"},
        {"C:\\Messung\\x.txt", "C:\\Messung\\x.txt"},
        {controls, controls},
        {"Mess\xc3\xa4ung \xe2\x82\xac \xf0\x9f\x93\x88", "Mess\xc3\xa4ung \xe2\x82\xac \xf0\x9f\x93\x88"},
        {"latin1 \xe4.csv", "latin1 " + bad + ".csv"},
        {"cut \xe2\x82", "cut " + bad + bad},
        {"overlong \xc0\xaf \xe0\x80\xaf", "overlong " + bad + bad + " " + bad + bad + bad},
        {"surrogate \xed\xa0\x80", "surrogate " + bad + bad + bad},
        {"too high \xf4\x90\x80\x80", "too high " + bad + bad + bad + bad},
    };
    for (const auto& [name, read] : cases) {
      const QString expected = QString::fromUtf8(read);
      const QJsonObject failure = Read(sinusfit::FailureJsonLine(name, name));
      QCOMPARE(failure.keys(), (QStringList{"file", "message"}));
      QCOMPARE(failure.value("file").toString(), expected);
      QCOMPARE(failure.value("message").toString(), expected);
      // A result without values or statistics: every number null.
      const QJsonObject empty = Read(sinusfit::ResultJsonLine(name, 0, {}));
      QCOMPARE(empty.value("file").toString(), expected);
      QVERIFY(empty.value("r2").isNull() && empty.value("error").isNull());
    }
  }

  // The heading and a line per result make up the CSV of the list.
  void headingAndLinesMakeTheCsv() {
    const std::vector<std::vector<ExportedResult>> lists = {
        {},
        {Attached(ModelKind::kSine, kSine, FitMode::kFixedB, false), {"7\tY = ;odd", false, {}, {}, 0}},
        {Attached(ModelKind::kSine, kSine, FitMode::kAllFree, true),
         Attached(ModelKind::kSeveralFrequencies, kTwoSines, FitMode::kAllFree, false)},
    };
    for (const std::vector<ExportedResult>& results : lists) {
      const auto columns = sinusfit::ResultColumns(results);
      std::string csv = sinusfit::ResultCsvHeading(columns);
      for (const ExportedResult& r : results) csv += sinusfit::ResultCsvLine(columns, r);
      QCOMPARE(csv, sinusfit::ResultsCsv(results));
    }
  }
};

QTEST_MAIN(ResultJsonTest)
#include "resultjson_test.moc"
