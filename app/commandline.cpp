#include "app/commandline.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

#ifndef KALVENTO_VERSION
#error "KALVENTO_VERSION must name the version the program is built as"
#endif

namespace app {

namespace {

// The options of QGuiApplication and QApplication a user or a test may give
// the program, without their leading dash; Qt takes them with one or two.
// Those with a value take the next argument; -style and -stylesheet also
// take it after "=".
constexpr std::array<std::string_view, 11> kToolkitOptionsWithValue = {
    "platform",     "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
    "qwindowtitle", "qwindowicon",        "display",       "session", "style",
    "stylesheet"};
constexpr std::array<std::string_view, 1> kToolkitFlags = {"reverse"};
constexpr std::array<std::string_view, 2> kToolkitOptionsWithEquals = {"style=", "stylesheet="};

bool Contains(const auto& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool StartsWithAny(const auto& prefixes, std::string_view name) {
  return std::any_of(prefixes.begin(), prefixes.end(),
                     [name](std::string_view prefix) { return name.starts_with(prefix); });
}

// "-style" and "--style" both name "style"; anything else names nothing.
std::string_view OptionName(std::string_view argument) {
  if (argument.starts_with("--")) return argument.substr(2);
  if (argument.starts_with('-')) return argument.substr(1);
  return {};
}

// An argument as a message quotes it: control characters (an escape
// sequence for the terminal, a line break) become "?".
std::string Quoted(std::string_view argument) {
  std::string text = "„";
  for (const char c : argument) {
    const auto byte = static_cast<unsigned char>(c);
    text += (byte < 0x20 || byte == 0x7F) ? '?' : c;
  }
  return text + "“";
}

CommandLine Refused(const std::string& reason) {
  CommandLine refused;
  refused.action = CommandLine::Action::kRefuse;
  refused.message = "kalvento: " + reason + "\n„kalvento --help“ zeigt die Aufrufe.\n";
  return refused;
}

CommandLine Decided(CommandLine::Action action) {
  CommandLine decided;
  decided.action = action;
  return decided;
}

}  // namespace

CommandLine ReadCommandLine(const std::vector<std::string>& arguments) {
  CommandLine command;
  if (!arguments.empty() && arguments.front() == "--fit") {
    command.action = CommandLine::Action::kFit;
    command.fitArguments.assign(arguments.begin() + 1, arguments.end());
    return command;
  }
  bool optionsEnded = false;
  bool haveFile = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const bool optionLike = !optionsEnded && argument.starts_with('-');
    if (optionLike) {
      const std::string_view name = OptionName(argument);
      if (argument == "--") {
        optionsEnded = true;
      } else if (argument == "--version") {
        return Decided(CommandLine::Action::kPrintVersion);
      } else if (argument == "--help" || argument == "-h") {
        return Decided(CommandLine::Action::kPrintHelp);
      } else if (Contains(kToolkitFlags, name) || StartsWithAny(kToolkitOptionsWithEquals, name)) {
        command.toolkitArguments.push_back(argument);
      } else if (Contains(kToolkitOptionsWithValue, name)) {
        if (i + 1 == arguments.size()) {
          return Refused("der Option " + Quoted(argument) + " fehlt ihr Wert");
        }
        command.toolkitArguments.push_back(argument);
        command.toolkitArguments.push_back(arguments[++i]);
      } else {
        return Refused("unbekannte Option " + Quoted(argument));
      }
      continue;
    }
    if (argument.empty()) {
      return Refused("leerer Dateiname");
    }
    if (haveFile) {
      return Refused("nur eine Datei auf einmal, nicht " + Quoted(command.file) + " und " +
                     Quoted(argument));
    }
    command.file = argument;
    haveFile = true;
  }
  return command;
}

int Answer(const CommandLine& command, std::FILE* out, std::FILE* err) {
  switch (command.action) {
    case CommandLine::Action::kPrintVersion:
      std::fputs(VersionText().c_str(), out);
      return 0;
    case CommandLine::Action::kPrintHelp:
      std::fputs(HelpText().c_str(), out);
      return 0;
    case CommandLine::Action::kRefuse:
    case CommandLine::Action::kStart:  // not an answer: the window has the word
    case CommandLine::Action::kFit:    // nor here: the fit has it
      break;
  }
  std::fputs(command.message.c_str(), err);
  return 2;
}

std::vector<char*> ToolkitArgv(char* programName, CommandLine& command) {
  std::vector<char*> argv{programName};
  for (std::string& argument : command.toolkitArguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  return argv;
}

std::string VersionText() { return std::string("Kalvento ") + KALVENTO_VERSION + "\n"; }

std::string HelpText() {
  return "Aufruf: kalvento [DATEI]\n"
         "       kalvento --fit [OPTIONEN] DATEI...\n"
         "Passt y = a·sin(bx + c) + d an Messwertpaare an und zeichnet Daten und Kurve.\n"
         "\n"
         "  DATEI        öffnet die Wertepaare aus DATEI (CSV, TSV oder Text)\n"
         "               oder die Sitzung DATEI.kalvento\n"
         "  --fit        berechnet jede DATEI ohne Fenster und gibt je eine\n"
         "               Ergebniszeile aus („kalvento --fit --help“ zeigt die Optionen)\n"
         "  -h, --help   zeigt diese Hilfe\n"
         "  --version    zeigt die Version\n"
         "  --           beendet die Optionen (für eine DATEI, die mit - beginnt)\n"
         "\n"
         "Qt-Optionen wie -platform NAME oder -style NAME gelten wie bei jedem Qt-Programm.\n";
}

}  // namespace app
