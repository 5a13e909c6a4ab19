// The arguments of "kalvento --fit": what each call asks for, and what the
// user is told when a call is refused.
#include "app/fitcall.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace app {
namespace {

using Outcome = FitCallReading::Outcome;
using sinusfit::FitMode;
using sinusfit::ModelKind;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using wertedatei::ColumnChoice;

QStringList Arguments(const std::vector<std::string>& arguments) {
  QStringList list;
  for (const std::string& argument : arguments) list << QString::fromStdString(argument);
  return list;
}

// Each accepted call with the one field it sets and the files it names.
struct Accepted {
  std::vector<std::string> arguments;
  bool (*holds)(const FitCall&);
  std::vector<std::string> files = {"d.csv"};
};

// "--spalten 1,2" and "--spalten 3,1,100", counted from 0.
constexpr ColumnChoice kFirstTwoColumns{0, 1, -1};
constexpr ColumnChoice kColumnsWithSigma{2, 0, 99};

TEST(FitCallTest, AcceptedCalls) {
  using C = const FitCall&;
  const std::vector<Accepted> cases = {
      {{"--zielfunktion", "trend", "d.csv"},
       [](C c) { return c.model == ModelKind::kSineWithTrend; }},
      {{"--zielfunktion=gedaempft", "d.csv"},
       [](C c) { return c.model == ModelKind::kDampedOscillation; }},
      {{"--zielfunktion", "gedämpft", "d.csv"},
       [](C c) { return c.model == ModelKind::kDampedOscillation; }},
      // The model may come after the count of its sines.
      {{"--frequenzen", "3", "--zielfunktion", "frequenzen", "d.csv"},
       [](C c) { return c.model == ModelKind::kSeveralFrequencies && c.frequencies == 3; }},
      {{"--zielfunktion", "oberschwingungen", "--frequenzen=10", "d.csv"},
       [](C c) { return c.model == ModelKind::kHarmonics && c.frequencies == 10; }},
      {{"--max-b=2*PI", "d.csv"}, [](C c) { return c.bound == "2*PI"; }},
      // A value is taken as it stands, even one that looks like an option.
      {{"--max-b", "-5", "d.csv"}, [](C c) { return c.bound == "-5"; }},
      {{"--frequenzsuche", "d.csv"}, [](C c) { return c.scan; }},
      {{"--fest", "a=1,5", "d.csv"},
       [](C c) { return c.mode == FitMode::kFixedA && c.heldValue == "1,5"; }},
      {{"--fest=D=x=2", "d.csv"},
       [](C c) { return c.mode == FitMode::kFixedD && c.heldValue == "x=2"; }},
      {{"--spalten", "1,2", "d.csv"}, [](C c) { return c.columns == kFirstTwoColumns; }},
      {{"--spalten=3,1,100", "d.csv"}, [](C c) { return c.columns == kColumnsWithSigma; }},
      {{"--json", "d.csv"}, [](C c) { return c.json; }},
      {{"--jobs", "256", "d.csv"}, [](C c) { return c.jobs == 256; }},
      // One dash names an option as two do; it is never a row of letters.
      {{"-json", "-jobs=4", "d.csv"}, [](C c) { return c.json && c.jobs == 4; }},
      // Files anywhere between options, and after "--" a file may look like one.
      {{"a.csv", "--json", "b.txt"}, [](C c) { return c.json; }, {"a.csv", "b.txt"}},
      {{"--", "-x.csv", "--json"}, [](C c) { return !c.json; }, {"-x.csv", "--json"}},
      {{"--", "-"}, [](C) { return true; }, {"-"}},
  };
  for (const Accepted& expected : cases) {
    const std::string shown = ::testing::PrintToString(expected.arguments);
    const FitCallReading reading = ReadFitCall(Arguments(expected.arguments));
    ASSERT_EQ(reading.outcome, Outcome::kFit) << shown << reading.message;
    EXPECT_TRUE(expected.holds(reading.call)) << shown;
    EXPECT_EQ(reading.call.files, Arguments(expected.files)) << shown;
  }
}

struct Refused {
  std::vector<std::string> arguments;
  std::string reason;  // the message's first line after "kalvento: "
};

TEST(FitCallTest, RefusedCalls) {
  const std::vector<Refused> cases = {
      {{"d.csv", "-abc"}, "unbekannte Option „-abc“"},
      {{"-", "d.csv"}, "unbekannte Option „-“"},
      {{"--jobs"}, "der Option „--jobs“ fehlt ihr Wert"},
      {{"d.csv", "-max-b"}, "der Option „-max-b“ fehlt ihr Wert"},
      {{"--json=ja", "d.csv"}, "die Option „--json“ nimmt keinen Wert"},
      {{"--jobs", "2", "--jobs=3", "d.csv"}, "die Option „--jobs“ ist mehrfach angegeben"},
      // The first misuse, left to right, is the one named.
      {{"--bar", "--jobs"}, "unbekannte Option „--bar“"},
      {{"--zielfunktion", "Sinus", "d.csv"},
       "„--zielfunktion“ erwartet sinus, trend, gedaempft, frequenzen oder oberschwingungen, "
       "nicht „Sinus“"},
      {{"--frequenzen", "2", "d.csv"},
       "„--frequenzen“ gilt nur für die Zielfunktionen frequenzen und oberschwingungen"},
      {{"--max-b=", "d.csv"}, "„--max-b“ erwartet einen Term wie 200 oder 2*PI, nicht „“"},
      {{"--jobs", "0", "d.csv"}, "„--jobs“ erwartet eine ganze Zahl von 1 bis 256, nicht „0“"},
      {{"--fest", "a=", "d.csv"},
       "„--fest“ erwartet a=WERT, b=WERT, c=WERT oder d=WERT, nicht „a=“"},
      {{}, "keine DATEI angegeben"},
      {{"a.csv", ""}, "leerer Dateiname"},
      // Control characters and their UTF-8 kin never reach the terminal.
      {{"--\x1b[2J\n"}, "unbekannte Option „--?[2J?“"},
      {{"--jobs", "\u009B5", "d.csv"},
       "„--jobs“ erwartet eine ganze Zahl von 1 bis 256, nicht „?5“"},
  };
  for (const Refused& expected : cases) {
    const std::string shown = ::testing::PrintToString(expected.arguments);
    const FitCallReading reading = ReadFitCall(Arguments(expected.arguments));
    EXPECT_EQ(reading.outcome, Outcome::kRefuse) << shown;
    EXPECT_THAT(reading.message, StartsWith("kalvento: " + expected.reason)) << shown;
    EXPECT_THAT(reading.message, HasSubstr("\n„kalvento --fit --help“ zeigt die Optionen.\n"))
        << shown;
    EXPECT_EQ(reading.message.back(), '\n') << shown;
  }
}

// Values each option refuses, every one named back in the message.
TEST(FitCallTest, MalformedValues) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"--jobs", {"257", "+3", " 3", "3x", "1e2", "", "99999999999999999999"}},
      {"--frequenzen", {"11", "-1", "2.0"}},
      {"--fest", {"e=1", "a", "ab=1", "=1", "ä=1"}},
      {"--spalten", {"1", "1,1", "1,2,2", "0,2", "1,101", "1,2,3,4", "1,2,", "1, 2", ",1,2"}},
  };
  for (const auto& [option, values] : cases) {
    for (const std::string& value : values) {
      const FitCallReading reading =
          ReadFitCall(Arguments({"--zielfunktion=frequenzen", option, value, "d.csv"}));
      EXPECT_EQ(reading.outcome, Outcome::kRefuse) << option << " " << value;
      EXPECT_THAT(reading.message, StartsWith("kalvento: „" + option + "“ erwartet "))
          << option << " " << value;
      EXPECT_THAT(reading.message, HasSubstr(", nicht „" + value + "“\n"))
          << option << " " << value;
    }
  }
}

TEST(FitCallTest, HelpWinsOverEverythingElse) {
  const std::vector<std::vector<std::string>> calls = {
      {"--help"}, {"-h"}, {"d.csv", "--json", "-h"}, {"--foo", "--help"}, {"--help", "--jobs"}};
  for (const auto& arguments : calls) {
    EXPECT_EQ(ReadFitCall(Arguments(arguments)).outcome, Outcome::kHelp)
        << ::testing::PrintToString(arguments);
  }
  // As a value or after "--" it is no request for help.
  EXPECT_EQ(ReadFitCall(Arguments({"--", "--help"})).outcome, Outcome::kFit);
  EXPECT_EQ(ReadFitCall(Arguments({"--max-b", "--help", "d.csv"})).outcome, Outcome::kFit);
}

TEST(FitCallTest, HelpTextNamesEveryOptionAndTheExitCodes) {
  const std::string help = FitHelpText();
  EXPECT_THAT(help, StartsWith("Aufruf: kalvento --fit [OPTIONEN] DATEI...\n"));
  for (const char* mentioned :
       {"--zielfunktion NAME", "gedaempft", "--frequenzen K", "--max-b WERT", "--frequenzsuche",
        "--fest a=WERT", "--spalten X,Y[,DY]", "--json", "--jobs N", "-h, --help", "--  ",
        "JSON Lines", "Dezimalkomma", "0, wenn", "1, wenn", "2 bei"}) {
    EXPECT_THAT(help, HasSubstr(mentioned)) << mentioned;
  }
  EXPECT_EQ(help.back(), '\n');
}

}  // namespace
}  // namespace app
