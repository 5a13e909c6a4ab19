// The program's command line: what each set of arguments asks for, what Qt
// gets to see, and what the user is told when an argument is refused.
#include "app/commandline.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>
#include <vector>

namespace app {
namespace {

using Action = CommandLine::Action;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

struct Accepted {
  std::vector<std::string> arguments;
  Action action;
  std::string file;
  std::vector<std::string> toolkitArguments;
};

TEST(CommandLineTest, AcceptedArguments) {
  const std::vector<Accepted> cases = {
      {{}, Action::kStart, "", {}},
      {{"messung.csv"}, Action::kStart, "messung.csv", {}},
      {{"/tmp/mit Leerzeichen/ü.txt"}, Action::kStart, "/tmp/mit Leerzeichen/ü.txt", {}},
      {{"--version"}, Action::kPrintVersion, "", {}},
      {{"--help"}, Action::kPrintHelp, "", {}},
      {{"-h"}, Action::kPrintHelp, "", {}},
      // The first deciding argument wins, as with most programs.
      {{"--version", "--unbekannt"}, Action::kPrintVersion, "", {}},
      {{"a.csv", "--help", "b.csv"}, Action::kPrintHelp, "", {}},
      // Qt's own options, with one or two dashes, and their values.
      {{"-platform", "offscreen"}, Action::kStart, "", {"-platform", "offscreen"}},
      {{"--platform", "offscreen", "d.csv"}, Action::kStart, "d.csv", {"--platform", "offscreen"}},
      {{"d.csv", "-style", "fusion", "-reverse"},
       Action::kStart,
       "d.csv",
       {"-style", "fusion", "-reverse"}},
      {{"-style=fusion", "-stylesheet=a.qss"},
       Action::kStart,
       "",
       {"-style=fusion", "-stylesheet=a.qss"}},
      // A value is taken as it stands, even one that looks like a file.
      {{"-qwindowtitle", "d.csv"}, Action::kStart, "", {"-qwindowtitle", "d.csv"}},
      // After "--" everything is a file, an option's name too.
      {{"--", "-daten.csv"}, Action::kStart, "-daten.csv", {}},
      {{"-platform", "xcb", "--", "--version"}, Action::kStart, "--version", {"-platform", "xcb"}},
  };
  for (const Accepted& expected : cases) {
    const std::string shown = ::testing::PrintToString(expected.arguments);
    const CommandLine command = ReadCommandLine(expected.arguments);
    EXPECT_EQ(command.action, expected.action) << shown;
    EXPECT_EQ(command.file, expected.file) << shown;
    EXPECT_EQ(command.toolkitArguments, expected.toolkitArguments) << shown;
    EXPECT_THAT(command.message, IsEmpty()) << shown;
  }
}

// "--fit" first hands every later argument to the fit's own reading; after
// anything else it is an unknown option.
TEST(CommandLineTest, FitTakesTheArgumentsAfterIt) {
  struct Case {
    std::vector<std::string> arguments;
    Action action;
    std::vector<std::string> fitArguments;
  };
  const std::vector<Case> cases = {
      {{"--fit"}, Action::kFit, {}},
      {{"--fit", "--help"}, Action::kFit, {"--help"}},
      {{"--fit", "--json", "a.csv", "--version", "b.csv"},
       Action::kFit,
       {"--json", "a.csv", "--version", "b.csv"}},
      {{"a.csv", "--fit"}, Action::kRefuse, {}},
      {{"--", "--fit"}, Action::kStart, {}},
  };
  for (const Case& expected : cases) {
    const CommandLine command = ReadCommandLine(expected.arguments);
    const std::string shown = ::testing::PrintToString(expected.arguments);
    EXPECT_EQ(command.action, expected.action) << shown;
    EXPECT_EQ(command.fitArguments, expected.fitArguments) << shown;
  }
}

struct Refused {
  std::vector<std::string> arguments;
  std::string named;  // what the message must quote or say
};

TEST(CommandLineTest, RefusedArguments) {
  const std::vector<Refused> cases = {
      {{"--unbekannt"}, "„--unbekannt“"},
      {{"-x"}, "„-x“"},
      {{"-"}, "„-“"},
      {{"--versions"}, "„--versions“"},
      {{"-version"}, "„-version“"},
      {{"-platform=offscreen"}, "„-platform=offscreen“"},  // Qt takes no "=" there
      {{"a.csv", "b.csv"}, "„a.csv“ und „b.csv“"},
      {{"--", "a.csv", "b.csv"}, "„a.csv“ und „b.csv“"},
      {{"a.csv", "--unbekannt"}, "„--unbekannt“"},
      {{"-platform"}, "der Option „-platform“ fehlt ihr Wert"},
      {{"d.csv", "--style"}, "der Option „--style“ fehlt ihr Wert"},
      {{""}, "leerer Dateiname"},
      {{"--", ""}, "leerer Dateiname"},
      // An option refused before a deciding one: the refusal wins.
      {{"--unbekannt", "--version"}, "„--unbekannt“"},
      // Control characters never reach the terminal.
      {{"--\x1b[2J\n"}, "„--?[2J?“"},
  };
  for (const Refused& expected : cases) {
    const std::string shown = ::testing::PrintToString(expected.arguments);
    const CommandLine command = ReadCommandLine(expected.arguments);
    EXPECT_EQ(command.action, Action::kRefuse) << shown;
    EXPECT_THAT(command.message, StartsWith("kalvento: ")) << shown;
    EXPECT_THAT(command.message, HasSubstr(expected.named)) << shown;
    EXPECT_THAT(command.message, HasSubstr("„kalvento --help“")) << shown;
    EXPECT_EQ(command.message.back(), '\n') << shown;
    EXPECT_THAT(command.file, IsEmpty()) << shown;
  }
}

TEST(CommandLineTest, VersionAndHelpTexts) {
  EXPECT_TRUE(std::regex_match(VersionText(), std::regex("Kalvento [0-9]+\\.[0-9]+\\.[0-9]+\n")))
      << VersionText();
  const std::string help = HelpText();
  EXPECT_THAT(help, StartsWith("Aufruf: kalvento [DATEI]\n"));
  for (const char* mentioned : {"--help", "-h,", "--version", "-platform", "--  ", "--fit"}) {
    EXPECT_THAT(help, HasSubstr(mentioned)) << mentioned;
  }
  EXPECT_EQ(help.back(), '\n');
}

// What the program prints and returns for each answer, on captured streams.
TEST(CommandLineTest, AnswersGoToTheRightStream) {
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    std::string out;
    std::string errStart;
  };
  const std::vector<Case> cases = {
      {{"--version"}, 0, VersionText(), ""},
      {{"-h"}, 0, HelpText(), ""},
      {{"--unbekannt"}, 2, "", "kalvento: unbekannte Option „--unbekannt“\n"},
  };
  for (const Case& expected : cases) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_NE(out, nullptr);
    ASSERT_NE(err, nullptr);
    const int exitCode = Answer(ReadCommandLine(expected.arguments), out, err);
    auto contents = [](std::FILE* file) {
      std::rewind(file);
      std::string text;
      for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
      std::fclose(file);
      return text;
    };
    const std::string shown = ::testing::PrintToString(expected.arguments);
    EXPECT_EQ(exitCode, expected.exitCode) << shown;
    EXPECT_EQ(contents(out), expected.out) << shown;
    const std::string errText = contents(err);
    EXPECT_THAT(errText, StartsWith(expected.errStart)) << shown;
    if (expected.errStart.empty()) {
      EXPECT_THAT(errText, IsEmpty()) << shown;
    }
  }
}

// Qt gets the program's name and its own options, nothing else, and a
// closing null pointer as argv always has.
TEST(CommandLineTest, ToolkitArgvHoldsOnlyQtsOptions) {
  CommandLine command = ReadCommandLine({"-platform", "offscreen", "--", "-style"});
  char programName[] = "kalvento";
  const std::vector<char*> argv = ToolkitArgv(programName, command);
  ASSERT_EQ(argv.size(), 4u);
  EXPECT_STREQ(argv[0], "kalvento");
  EXPECT_STREQ(argv[1], "-platform");
  EXPECT_STREQ(argv[2], "offscreen");
  EXPECT_EQ(argv[3], nullptr);
  EXPECT_EQ(command.file, "-style");
}

}  // namespace
}  // namespace app
