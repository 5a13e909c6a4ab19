#pragma once
// What the program's arguments ask for. They are read before any window or
// Qt application exists, so that "--version" and "--help" answer without a
// display and a wrong argument ends the program before a window opens.
//
//   kalvento               the window, as always
//   kalvento FILE          the window with the pair file FILE opened
//   kalvento --version     "Kalvento 1.1.0", exit code 0
//   kalvento --help | -h   a short German usage text, exit code 0
//   kalvento --fit ...     files fitted without a window; the arguments
//                          after "--fit" are read by ReadFitCall
//
// Qt's own options that select the platform, style or window (-platform
// NAME, -style NAME, -reverse, ...) stay as they are for Qt; "--" ends the
// options, so that a file whose name starts with "-" can be opened. Anything
// else (an unknown option, a second file, an option without its value, an
// empty name) is refused with a German message and exit code 2. No Qt in here.

#include <cstdio>
#include <string>
#include <vector>

namespace app {

struct CommandLine {
  enum class Action { kStart, kPrintVersion, kPrintHelp, kRefuse, kFit };
  Action action = Action::kStart;
  // kStart: the pair file to open once the window is up; empty for none.
  std::string file;
  // kStart: Qt's own options with their values, in the order given; only
  // these reach the Qt application, so a file is never taken for an option.
  std::vector<std::string> toolkitArguments;
  // kFit: the arguments after "--fit", as given.
  std::vector<std::string> fitArguments;
  // kRefuse: what to tell the user on the error output, ending in a newline.
  std::string message;
};

// Reads the arguments after the program's name (argv[1] onwards), left to
// right: the first "--version", "--help" or refused argument decides.
CommandLine ReadCommandLine(const std::vector<std::string>& arguments);

// For every action but kStart, the answer that ends the program before a
// window opens: the version or the help on out (exit code 0), the message on
// err (exit code 2). Returns the exit code.
int Answer(const CommandLine& command, std::FILE* out, std::FILE* err);

// The argc/argv the Qt application is made with: the program's name, Qt's
// own options and a closing null pointer. Points into command, which must
// outlive it.
std::vector<char*> ToolkitArgv(char* programName, CommandLine& command);

// "Kalvento 1.1.0\n", with the version the program was built as.
std::string VersionText();

// The German usage text "--help" prints.
std::string HelpText();

}  // namespace app
