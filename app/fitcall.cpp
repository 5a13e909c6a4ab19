#include "app/fitcall.h"

#include <QChar>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringView>
#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace app {

namespace {

using sinusfit::FitMode;
using sinusfit::ModelKind;

struct OptionEntry {
  std::string_view name;
  std::string_view valueName;  // empty: a flag
  // German, UTF-8; the help indents the lines after the first.
  std::string_view description;
  std::string_view alias = {};  // a further name, as "h" of "help"
};

// The texts below say "1 bis 10" for the sums' count of sines.
static_assert(sinusfit::kMaxFrequencies == 10);

// In the order the help lists them.
constexpr std::array<OptionEntry, 9> kOptions = {{
    {"zielfunktion", "NAME",
     "die Funktion, die angepasst wird:\n"
     "sinus             y = a·sin(bx + c) + d (voreingestellt)\n"
     "trend             Sinus mit Trend\n"
     "gedaempft         gedämpfte Schwingung (auch: gedämpft)\n"
     "frequenzen        mehrere Frequenzen\n"
     "oberschwingungen  Oberschwingungen"},
    {"frequenzen", "K",
     "die Anzahl der Sinusglieder bei frequenzen und\n"
     "oberschwingungen, 1 bis 10; 0 (voreingestellt):\n"
     "automatisch, so viele, wie signifikant sind"},
    {"max-b", "WERT",
     "der maximale Wert für |b|, ein Term wie 200\n"
     "(voreingestellt), 2*PI oder 12,5"},
    {"frequenzsuche", "",
     "sucht b vorher auf einem feinen Raster von 0 bis zum\n"
     "maximalen Wert für |b| (bei festem b ohne Wirkung)"},
    {"fest", "a=WERT",
     "hält a, b, c oder d auf WERT (einem Term) fest;\n"
     "sonst werden alle Parameter berechnet"},
    {"spalten", "X,Y[,DY]",
     "die Spalten von x, y und Δy, gezählt ab 1; sonst die,\n"
     "die das Fenster beim Öffnen vorschlägt"},
    {"json", "", "schreibt JSON Lines statt CSV"},
    {"jobs", "N",
     "passt bis zu N Dateien zugleich an, 1 bis 256;\n"
     "sonst so viele, wie Prozessorkerne da sind"},
    {"help", "", "zeigt diese Hilfe", "h"},
}};

struct ModelName {
  std::string_view name;  // UTF-8
  ModelKind kind;
};

constexpr std::array<ModelName, 6> kModelNames = {{
    {"sinus", ModelKind::kSine},
    {"trend", ModelKind::kSineWithTrend},
    {"gedaempft", ModelKind::kDampedOscillation},
    {"gedämpft", ModelKind::kDampedOscillation},
    {"frequenzen", ModelKind::kSeveralFrequencies},
    {"oberschwingungen", ModelKind::kHarmonics},
}};

constexpr int kMaxColumn = 100;
constexpr int kMaxJobs = 256;

QString Latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// An argument as a message quotes it (UTF-8): control characters (an escape
// sequence for the terminal, a line break) become "?".
std::string Quoted(QStringView argument) {
  QString shown = argument.toString();
  for (QChar& c : shown) {
    if (c.category() == QChar::Other_Control) c = u'?';
  }
  return "„" + shown.toStdString() + "“";
}

FitCallReading Refused(const std::string& reason) {
  FitCallReading refused;
  refused.outcome = FitCallReading::Outcome::kRefuse;
  refused.message = "kalvento: " + reason + "\n„kalvento --fit --help“ zeigt die Optionen.\n";
  return refused;
}

std::string Expected(std::string_view option, std::string_view what, const QString& value) {
  return Quoted(Latin1("--" + std::string(option))) + " erwartet " + std::string(what) +
         ", nicht " + Quoted(value);
}

QCommandLineOption QtOption(const OptionEntry& option) {
  QStringList names{Latin1(option.name)};
  if (!option.alias.empty()) names.prepend(Latin1(option.alias));
  return QCommandLineOption(names,
                            QString::fromUtf8(option.description.data(),
                                              static_cast<qsizetype>(option.description.size())),
                            Latin1(option.valueName));
}

// "--jobs=3" and "-jobs" both name "jobs": Qt reads one dash as two here.
const OptionEntry* OptionNamed(const QString& argument) {
  const QString name = argument.mid(argument.startsWith(u"--") ? 2 : 1).section(u'=', 0, 0);
  const auto found = std::find_if(kOptions.begin(), kOptions.end(), [&name](const auto& option) {
    return name == Latin1(option.name) || (!option.alias.empty() && name == Latin1(option.alias));
  });
  return found != kOptions.end() ? &*found : nullptr;
}

// The first misuse of an option: unknown, without its value, with a value it
// does not take, or given twice. Qt's parser reports the first three in
// English and reads on past them, and takes a repeat without a word, so the
// arguments are walked here as it walks them: "--" ends the options, a value
// follows "=" or is the next argument, whatever that looks like.
std::optional<std::string> FirstMisuse(const QStringList& arguments) {
  std::array<bool, kOptions.size()> given{};
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == u"--") break;
    if (!argument.startsWith(u'-')) continue;
    // Qt would take a lone "-" for a file (standard input); none is read here.
    const OptionEntry* option = argument.size() > 1 ? OptionNamed(argument) : nullptr;
    if (option == nullptr) return "unbekannte Option " + Quoted(argument);
    const qsizetype assign = argument.indexOf(u'=');
    const QString typedName = argument.left(assign);  // all of it without "="
    if (option->valueName.empty()) {
      if (assign >= 0) return "die Option " + Quoted(typedName) + " nimmt keinen Wert";
      continue;
    }
    if (assign < 0 && ++i == arguments.size()) {
      return "der Option " + Quoted(argument) + " fehlt ihr Wert";
    }
    bool& seen = given[static_cast<std::size_t>(option - kOptions.data())];
    if (seen) return "die Option " + Quoted(typedName) + " ist mehrfach angegeben";
    seen = true;
  }
  return std::nullopt;
}

// Digits only, from low to high: no sign, no space, no exponent. Stops
// before the value could overflow.
std::optional<int> WholeNumber(QStringView text, int low, int high) {
  if (text.isEmpty()) return std::nullopt;
  int value = 0;
  for (const QChar c : text) {
    if (c.unicode() < u'0' || c.unicode() > u'9') return std::nullopt;
    value = value * 10 + (c.unicode() - u'0');
    if (value > high) return std::nullopt;
  }
  if (value < low) return std::nullopt;
  return value;
}

std::optional<ModelKind> ModelNamed(const QString& text) {
  const std::string name = text.toStdString();
  for (const ModelName& model : kModelNames) {
    if (name == model.name) return model.kind;
  }
  return std::nullopt;
}

struct HeldParameter {
  FitMode mode;
  QString value;
};

// "a=WERT" .. "d=WERT", the letter in either case, the term not empty.
std::optional<HeldParameter> HeldParameterOf(const QString& text) {
  if (text.size() < 3 || text[1] != u'=') return std::nullopt;
  char16_t letter = text[0].unicode();
  if (letter >= u'A' && letter <= u'D') letter = static_cast<char16_t>(letter - u'A' + u'a');
  if (letter < u'a' || letter > u'd') return std::nullopt;
  const int mode = static_cast<int>(FitMode::kFixedA) + (letter - u'a');
  return HeldParameter{static_cast<FitMode>(mode), text.mid(2)};
}

// "X,Y" or "X,Y,DY", counted from 1 and all different, as the file's
// columns counted from 0.
std::optional<wertedatei::ColumnChoice> ColumnsOf(const QString& text) {
  const QStringList parts = text.split(u',');
  if (parts.size() != 2 && parts.size() != 3) return std::nullopt;
  std::array<int, 3> numbers{};  // 0: no Δy column
  for (qsizetype i = 0; i < parts.size(); ++i) {
    const std::optional<int> number = WholeNumber(parts[i], 1, kMaxColumn);
    if (!number) return std::nullopt;
    numbers[static_cast<std::size_t>(i)] = *number;
  }
  if (numbers[0] == numbers[1] || numbers[0] == numbers[2] || numbers[1] == numbers[2]) {
    return std::nullopt;
  }
  wertedatei::ColumnChoice columns;
  columns.x = numbers[0] - 1;
  columns.y = numbers[1] - 1;
  columns.sigmaY = numbers[2] - 1;
  return columns;
}

std::optional<QString> Given(const QCommandLineParser& parser, std::string_view option) {
  const QString name = Latin1(option);
  if (!parser.isSet(name)) return std::nullopt;
  return parser.value(name);
}

// The options' values into call; a refusal's reason for the first faulty one.
std::optional<std::string> ReadOptions(const QCommandLineParser& parser, FitCall& call) {
  if (const auto text = Given(parser, "zielfunktion")) {
    const std::optional<ModelKind> model = ModelNamed(*text);
    if (!model) {
      return Expected("zielfunktion", "sinus, trend, gedaempft, frequenzen oder oberschwingungen",
                      *text);
    }
    call.model = *model;
  }
  if (const auto text = Given(parser, "frequenzen")) {
    const std::optional<int> count = WholeNumber(*text, 0, sinusfit::kMaxFrequencies);
    if (!count) return Expected("frequenzen", "eine ganze Zahl von 0 bis 10", *text);
    if (!sinusfit::IsSumOfSines(call.model)) {
      return "„--frequenzen“ gilt nur für die Zielfunktionen frequenzen und oberschwingungen";
    }
    call.frequencies = *count;
  }
  if (const auto text = Given(parser, "max-b")) {
    if (text->isEmpty()) return Expected("max-b", "einen Term wie 200 oder 2*PI", *text);
    call.bound = *text;
  }
  call.scan = parser.isSet(QStringLiteral("frequenzsuche"));
  if (const auto text = Given(parser, "fest")) {
    const std::optional<HeldParameter> held = HeldParameterOf(*text);
    if (!held) return Expected("fest", "a=WERT, b=WERT, c=WERT oder d=WERT", *text);
    call.mode = held->mode;
    call.heldValue = held->value;
  }
  if (const auto text = Given(parser, "spalten")) {
    call.columns = ColumnsOf(*text);
    if (!call.columns) {
      return Expected("spalten", "zwei oder drei verschiedene Spalten von 1 bis 100 wie 1,2,3",
                      *text);
    }
  }
  call.json = parser.isSet(QStringLiteral("json"));
  if (const auto text = Given(parser, "jobs")) {
    const std::optional<int> jobs = WholeNumber(*text, 1, kMaxJobs);
    if (!jobs) return Expected("jobs", "eine ganze Zahl von 1 bis 256", *text);
    call.jobs = *jobs;
  }
  return std::nullopt;
}

// "  --jobs N" and its description in a column beside it.
void AppendOption(std::string& help, const std::string& synopsis, std::string_view description) {
  constexpr std::size_t kSynopsisWidth = 19;
  const std::string indent(2 + kSynopsisWidth + 2, ' ');
  help += "  " + synopsis;
  help.append(synopsis.size() < kSynopsisWidth ? kSynopsisWidth - synopsis.size() + 2 : 2, ' ');
  for (std::size_t start = 0;;) {
    const std::size_t end = description.find('\n', start);
    help += description.substr(start, end - start);
    help += '\n';
    if (end == std::string_view::npos) break;
    help += indent;
    start = end + 1;
  }
}

}  // namespace

FitCallReading ReadFitCall(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  for (const OptionEntry& option : kOptions) parser.addOption(QtOption(option));
  // Qt skips the first argument as the program's name.
  const bool parsed = parser.parse(QStringList{QStringLiteral("kalvento")} + arguments);
  if (parser.isSet(QStringLiteral("help"))) {
    FitCallReading help;
    help.outcome = FitCallReading::Outcome::kHelp;
    return help;
  }
  if (const auto misuse = FirstMisuse(arguments)) return Refused(*misuse);
  // Not reached while FirstMisuse walks as Qt does; Qt's own words then.
  if (!parsed) return Refused(Quoted(parser.errorText()));

  FitCallReading reading;
  reading.outcome = FitCallReading::Outcome::kFit;
  if (const auto fault = ReadOptions(parser, reading.call)) return Refused(*fault);
  const QStringList files = parser.positionalArguments();
  if (files.isEmpty()) return Refused("keine DATEI angegeben");
  if (std::any_of(files.begin(), files.end(), [](const QString& file) { return file.isEmpty(); })) {
    return Refused("leerer Dateiname");
  }
  reading.call.files = files;
  return reading;
}

std::string FitHelpText() {
  std::string help =
      "Aufruf: kalvento --fit [OPTIONEN] DATEI...\n"
      "Passt die Zielfunktion an die Wertepaare jeder DATEI an, wie es „Berechnung“\n"
      "im Fenster täte, aber ohne Fenster, und schreibt je Datei die beste Zeile.\n"
      "\n"
      "Optionen:\n";
  for (const OptionEntry& option : kOptions) {
    std::string synopsis;
    if (!option.alias.empty()) synopsis.append("-").append(option.alias).append(", ");
    synopsis.append("--").append(option.name);
    if (!option.valueName.empty()) synopsis.append(" ").append(option.valueName);
    AppendOption(help, synopsis, option.description);
  }
  AppendOption(help, "--", "beendet die Optionen (für eine DATEI, die mit - beginnt)");
  help +=
      "\n"
      "Ausgabe: CSV mit „;“, Dezimalkomma und einer Kopfzeile (voreingestellt) oder\n"
      "JSON Lines (--json), eine Zeile je Datei.\n"
      "Rückgabewert: 0, wenn jede Datei angepasst wurde; 1, wenn wenigstens eine nicht\n"
      "(sie wird auf der Fehlerausgabe genannt); 2 bei einem falschen Aufruf.\n"
      "Die Tipps des Fensters (etwa dass die Frequenzsuche eine kleinere Fehlersumme\n"
      "findet) stehen auf der Fehlerausgabe und im JSON unter „hints“.\n";
  return help;
}

}  // namespace app
