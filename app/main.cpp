// pindrel: the window program. Its own options are --skin, --help and
// --version (command_line.h); Qt's platform options such as -platform still
// reach the run time.
#include <cstdio>

#include "app/command_line.h"
#include "app/startup.h"

int main(int argc, char** argv) {
  const pindrel::CommandLine line = pindrel::ParseCommandLine(argc, argv);
  switch (line.action) {
    case pindrel::CommandLine::Action::ShowHelp:
      std::fputs(pindrel::help_text().c_str(), stdout);
      return std::fflush(stdout) == 0 ? 0 : 1;
    case pindrel::CommandLine::Action::ShowVersion:
      std::fputs(pindrel::version_text().c_str(), stdout);
      return std::fflush(stdout) == 0 ? 0 : 1;
    case pindrel::CommandLine::Action::Refuse:
      std::fprintf(stderr, "pindrel: %s\n%s", line.error.c_str(), pindrel::usage_line().c_str());
      return 2;
    case pindrel::CommandLine::Action::Run:
      break;
  }
  return pindrel::RunPindrel(argc, argv, line.skin);
}
