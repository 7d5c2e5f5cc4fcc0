// The window program's own options: help, version and the skin number, with
// everything else left for Qt.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pindrel {
namespace {

using Action = CommandLine::Action;

CommandLine parse(std::vector<const char*> args) {
  args.insert(args.begin(), "pindrel");
  return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

struct Row {
  const char* what;
  std::vector<const char*> args;
  Action action;
  int skin;
};

TEST(CommandLine, ActionsAndSkinNumbers) {
  const Row rows[] = {
      {"nothing: skin 1", {}, Action::Run, 1},
      {"Qt's options pass", {"-platform", "offscreen"}, Action::Run, 1},
      {"separate value", {"--skin", "7"}, Action::Run, 7},
      {"joined value", {"--skin=33"}, Action::Run, 33},
      {"first skin", {"--skin", "1"}, Action::Run, 1},
      {"among Qt's options", {"-platform", "offscreen", "--skin", "12"}, Action::Run, 12},
      {"one past the last", {"--skin", "34"}, Action::Refuse, 0},
      {"zero", {"--skin=0"}, Action::Refuse, 0},
      {"negative", {"--skin", "-3"}, Action::Refuse, 0},
      {"not a number", {"--skin", "blue"}, Action::Refuse, 0},
      {"trailing letters", {"--skin", "3x"}, Action::Refuse, 0},
      {"empty joined value", {"--skin="}, Action::Refuse, 0},
      {"value missing", {"--skin"}, Action::Refuse, 0},
      {"help", {"--help"}, Action::ShowHelp, 1},
      {"short help", {"-h", "--skin", "99"}, Action::ShowHelp, 1},
      {"version", {"--version"}, Action::ShowVersion, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const CommandLine line = parse(row.args);
    EXPECT_EQ(line.action, row.action);
    if (row.action == Action::Refuse) {
      EXPECT_NE(line.error.find("--skin"), std::string::npos) << line.error;
    } else {
      EXPECT_EQ(line.skin, row.skin);
    }
  }
}

TEST(CommandLine, HelpNamesEveryOption) {
  const std::string help = help_text();
  for (const char* option : {"--skin", "--help", "--version"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
  EXPECT_EQ(help.rfind(usage_line(), 0), 0u) << "help begins with the usage line";
  EXPECT_EQ(version_text(), "Pindrel 1.0\n");
}

}  // namespace
}  // namespace pindrel
