// The window program's own options, read before the GUI run time starts so
// that --help and --version work without a display. Every argument that is
// not one of these (Qt's platform options such as -platform offscreen) is
// left for the run time.
//
//   pindrel                 attaches skin 1
//   pindrel --skin 7        attaches skin 7 instead
//   pindrel --skin=40       refused: "--skin" takes 1 to 33
#pragma once

#include <string>

namespace pindrel {

inline constexpr int kFirstSkinNumber = 1;
inline constexpr int kLastSkinNumber = 33;

struct CommandLine {
  enum class Action {
    Run,          // start the program
    ShowHelp,     // print help_text() and exit 0
    ShowVersion,  // print version_text() and exit 0
    Refuse,       // print `error` and the usage line, exit 2
  };
  Action action = Action::Run;
  int skin = kFirstSkinNumber;  // the skin the main window's created event attaches
  std::string error;            // for Refuse: what was wrong, as UTF-8
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

// UTF-8 texts for the terminal.
std::string help_text();
std::string version_text();
std::string usage_line();

}  // namespace pindrel
