// The option scan and the order of the run.
#include <gtest/gtest.h>

#include "app/app.h"
#include "run_helpers.h"

namespace {

RunOptions scan(const std::vector<std::string>& args) {
  std::vector<const char*> argv = {"cpvalid"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  RunOptions options = {0, 0, 0, 0};
  scan_arguments(static_cast<int>(argv.size()), argv.data(), options);
  return options;
}

struct ScanCase {
  std::vector<std::string> args;
  int path, lib, required, help;
};

TEST(ArgumentScan, MarkerLetterPairsAndChaining) {
  const ScanCase cases[] = {
      {{}, 0, 0, 0, 0},
      {{"-p"}, 1, 0, 0, 0},
      {{"-P", "-L", "-J"}, 1, 1, 1, 0},
      {{"-p-l-j"}, 1, 1, 1, 0},
      {{"-pl"}, 1, 0, 0, 0},  // only the letter after the marker counts
      {{"-path"}, 1, 0, 0, 0},
      {{"--p"}, 0, 0, 0, 0},
      {{"---p"}, 1, 0, 0, 0},  // the chain moves to the third character
      {{"xy-p"}, 1, 0, 0, 0},  // the chain moves on whatever the first pair was
      {{"-p--l"}, 1, 0, 0, 0},
      {{"-p-?"}, 1, 0, 0, 1},
      {{"/?"}, 0, 0, 0, 1},
      {{"-?"}, 0, 0, 0, 1},
      {{"/p", "/l", "/j"}, 0, 0, 0, 0},  // '/' serves with '?' alone
      {{"-", "p", "?", ""}, 0, 0, 0, 0},
      {{"-x-p"}, 1, 0, 0, 0},  // the chain does not care what the first pair was
      {{"-p", "-p"}, 1, 0, 0, 0},
      {{"-j-"}, 0, 0, 1, 0},  // a '-' in third place with nothing after it
  };
  for (const ScanCase& c : cases) {
    RunOptions o = scan(c.args);
    std::string label = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(o.walk_path, c.path) << label;
    EXPECT_EQ(o.walk_lib, c.lib) << label;
    EXPECT_EQ(o.check_required, c.required) << label;
    EXPECT_EQ(o.show_help, c.help) << label;
  }
}

const std::string USAGE =
    "Command usage is:\n\n  cpvalid {-p} {-l}\n\n"
    "  -j check CLASSPATH for JMS and KORVO files\n  -p validate PATH\n  -l validate LIB\n";

TEST(RunSequence, HelpPrintsUsageAndTouchesNothing) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-?"}, {"/?"}, {"-j", "-?"}, {"-p", "/?"}, {"-p-?"}}) {
    FakePlatform fake;
    fake.set_env("CLASSPATH", "C:\\x");
    EXPECT_EQ(run_tool(fake, args), BANNER + USAGE) << args[0];
    // Neither the environment nor the current directory was looked at.
    EXPECT_EQ(fake.calls[FakePlatform::ENV_VALUE], 0);
    EXPECT_EQ(fake.calls[FakePlatform::DIR_GET], 0);
    EXPECT_EQ(fake.calls[FakePlatform::DIR_SET], 0);
  }
}

TEST(RunSequence, ListsAreWalkedInFixedOrderOnce) {
  FakePlatform fake;
  fake.set_env("CLASSPATH", "");
  fake.set_env("PATH", "");
  fake.set_env("LIB", "");
  const std::string expected =
      BANNER +
      "Validating CLASSPATH\nTotal entries = 0\nTotal length of CLASSPATH = 0\n"
      "\nValidating PATH\nTotal entries = 0\nTotal length of PATH = 0\n"
      "\nValidating LIB\nTotal entries = 0\nTotal length of LIB = 0\n";
  EXPECT_EQ(run_tool(fake, {"-l", "-p"}), expected);
  EXPECT_EQ(run_tool(fake, {"-p", "-l", "-p", "-L"}), expected);
}

TEST(RunSequence, NoOptionsWalksClassPathOnly) {
  FakePlatform fake;
  fake.set_env("PATH", "C:\\");
  EXPECT_EQ(run_tool(fake),
            BANNER + "Validating CLASSPATH\n*****CLASSPATH environment variable is not defined\n");
  EXPECT_EQ(fake.calls[FakePlatform::ENV_VALUE], 1);
}

TEST(RunSequence, RequiredReportComesLastAndKnowsWhetherPathWasWalked) {
  FakePlatform fake;
  std::string without = run_tool(fake, {"-j"});
  std::string with = run_tool(fake, {"-j", "-p"});
  EXPECT_EQ(without.find("jms directory"), std::string::npos);
  std::size_t dir_line = with.find("***** jms directory missing from path (JAVA\\LIB)\n");
  ASSERT_NE(dir_line, std::string::npos);
  EXPECT_LT(with.find("*****PATH environment variable is not defined"),
            with.find("\nJMS files status"));
}

}  // namespace
