// Splitting a list, counting its entries, the warnings and the totals.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "lists/lists.h"
#include "lists/registry.h"
#include "run_helpers.h"

namespace {

// Runs the CLASSPATH walk alone and returns what it printed after the banner
// and heading.
std::string walk_classpath(FakePlatform& fake) {
  std::string out = run_tool(fake);
  std::string head = BANNER + "Validating CLASSPATH\n";
  EXPECT_EQ(out.compare(0, head.size(), head), 0);
  return out.substr(head.size());
}

std::string missing(const std::string& entry) { return entry_line(MISSING_LABEL, false, entry); }

TEST(ListWalk, CountingRules) {
  struct Case {
    std::string value;
    int entries;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"A;B", 2, {"A", "B"}},  {"A;", 1, {"A"}},  {";A", 2, {"A"}},
      {"A;;B", 3, {"A", "B"}}, {"A;;", 2, {"A"}}, {";", 1, {}},
      {"\"\"", 1, {}},         {";;", 2, {}},     {"\"A\";\"\";B", 3, {"A", "B"}},
  };
  for (const Case& c : cases) {
    FakePlatform fake;
    fake.set_env("CLASSPATH", c.value);
    std::string expected;
    for (const std::string& e : c.lines) expected += missing(e);
    if (c.lines.empty()) {
      expected += "Total entries = " + std::to_string(c.entries) + "\n";
    } else {
      expected += "Total entries = " + std::to_string(c.entries) + " (" +
                  std::to_string(c.lines.size()) + " not found 0 duplicates)\n";
    }
    expected += "Total length of CLASSPATH = " + std::to_string(c.value.size()) + "\n";
    EXPECT_EQ(walk_classpath(fake), expected) << c.value;
  }
}

TEST(ListWalk, QuotesAreDroppedButCountInTheLength) {
  FakePlatform fake;
  fake.add_dir("C:\\my dir");
  fake.set_env("CLASSPATH", "\"C:\\my dir\";D");
  EXPECT_EQ(walk_classpath(fake), entry_line(DIR_LABEL, false, "C:\\my dir") + missing("D") +
                                      "Total entries = 2 (1 not found 0 duplicates)\n"
                                      "Total length of CLASSPATH = 13\n");
}

TEST(ListWalk, UndefinedAndEmptyVariables) {
  FakePlatform fake;
  EXPECT_EQ(walk_classpath(fake), "*****CLASSPATH environment variable is not defined\n");
  fake.set_env("CLASSPATH", "");
  EXPECT_EQ(walk_classpath(fake), "Total entries = 0\nTotal length of CLASSPATH = 0\n");
}

TEST(ListWalk, VariableNameIsMatchedWithoutCaseButPrintedInCapitals) {
  FakePlatform fake;
  fake.set_env("CLASSPATH", "");
  fake.add_dir("C:\\second");
  fake.set_env("Path", "C:\\second");
  fake.append_env("PATH", "C:\\other");  // a later spelling of the same name loses
  EXPECT_EQ(run_tool(fake, {"-p"}), BANNER +
                                        "Validating CLASSPATH\nTotal entries = 0\n"
                                        "Total length of CLASSPATH = 0\n\nValidating PATH\n" +
                                        entry_line(DIR_LABEL, false, "C:\\second") +
                                        "Total entries = 1\nTotal length of PATH = 9\n");
}

TEST(ListWalk, LengthWarningOnlyForLongClassPath) {
  FakePlatform fake;
  std::string at_limit = "C:\\" + std::string(1021, 'a');
  fake.set_env("CLASSPATH", at_limit);
  EXPECT_EQ(walk_classpath(fake).find("*****"), std::string::npos);

  std::string over = at_limit + "b";
  fake.set_env("CLASSPATH", over);
  EXPECT_EQ(walk_classpath(fake),
            "*****CLASSPATH variable is > 1024 characters long\n"
            "     Truncation may occur\n" +
                missing(over) +
                "Total entries = 1 (1 not found 0 duplicates)\n"
                "Total length of CLASSPATH = 1025\n");

  fake.set_env("CLASSPATH", "");
  fake.set_env("PATH", std::string(3000, 'p'));
  fake.set_env("LIB", std::string(3000, 'l'));
  EXPECT_EQ(run_tool(fake, {"-p", "-l"}).find("*****"), std::string::npos);
}

TEST(ListWalk, TotalsTakeTheLongFormForMissingOrRepeatedEntries) {
  FakePlatform fake;
  fake.add_file("C:\\a.jar");
  fake.set_env("CLASSPATH", "C:\\a.jar;C:\\A.JAR;c:\\a.jar;C:\\a.jar");
  std::string out = walk_classpath(fake);
  EXPECT_NE(out.find("Total entries = 4 (0 not found 3 duplicates)\n"), std::string::npos) << out;
  fake.set_env("CLASSPATH", "C:\\a.jar;C:\\nope;C:\\;.;C:\\a.jar\\");
  out = walk_classpath(fake);
  EXPECT_NE(out.find("Total entries = 5 (2 not found 0 duplicates)\n"), std::string::npos) << out;
  fake.set_env("CLASSPATH", "C:\\a.jar;.");
  out = walk_classpath(fake);
  EXPECT_NE(out.find("Total entries = 2\n"), std::string::npos) << out;
}

TEST(ListWalk, OverLongSegmentIsOneEntryAndTheNextSurvives) {
  const std::string a2048(2048, 'a');
  struct Case {
    std::string value;
    int entries;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {a2048, 1, {a2048}},
      {a2048 + "b", 1, {a2048}},
      {a2048 + "bc", 1, {a2048}},
      {a2048 + a2048 + "c", 1, {a2048}},
      {a2048 + "\";B", 2, {a2048, "B"}},
      {a2048 + "xyz;B;" + a2048, 3, {a2048, "B", a2048}},
      {std::string(3000, '"') + "A", 1, {"A"}},
      {a2048 + "\"\"" + ";C", 2, {a2048, "C"}},
  };
  for (const Case& c : cases) {
    FakePlatform fake;
    fake.set_env("LIB", c.value);
    std::string out = run_tool(fake, {"-l"});
    std::string expected;
    int dups = 0;
    for (std::size_t i = 0; i < c.lines.size(); ++i) {
      bool dup = false;
      for (std::size_t j = 0; j < i; ++j) dup = dup || c.lines[j] == c.lines[i];
      dups += dup;
      expected += entry_line(MISSING_LABEL, dup, c.lines[i]);
    }
    expected += "Total entries = " + std::to_string(c.entries) + " (" +
                std::to_string(c.lines.size()) + " not found " + std::to_string(dups) +
                " duplicates)\nTotal length of LIB = " + std::to_string(c.value.size()) + "\n";
    std::size_t at = out.find("\nValidating LIB\n");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(out.substr(at + 16), expected) << c.value.size();
  }
}

TEST(ListWalk, EveryWalkStartsWithAnEmptyRegistryAndLeavesItEmpty) {
  FakePlatform fake;
  fake.add_dir("C:\\tools");
  fake.set_env("CLASSPATH", "C:\\tools;C:\\TOOLS");
  fake.set_env("PATH", "C:\\tools");
  std::string out = run_tool(fake, {"-p", "-l"});
  EXPECT_NE(out.find("\nValidating PATH\n" + entry_line(DIR_LABEL, false, "C:\\tools") +
                     "Total entries = 1\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(registry_first(), nullptr);
}

}  // namespace

namespace {

int live_blocks = 0;
void* counted_take(std::size_t bytes) {
  ++live_blocks;
  return std::malloc(bytes);
}
void counted_give(void* block) {
  --live_blocks;
  std::free(block);
}

TEST(ListWalk, FullLengthListsWithThousandsOfEntriesHoldNoMemoryAfterwards) {
  const RegistryAllocator counted = {counted_take, counted_give};
  registry_set_allocator(&counted);
  live_blocks = 0;
  FakePlatform fake;
  fake.keep_log = false;
  fake.add_dir("C:\\d");
  // 32,767 characters: "C:\d;" and "c:\D;" alternate (a directory and its
  // duplicate), then distinct missing entries fill the rest.
  std::string value;
  int lines = 0, dups = 0, missing = 0;
  for (int i = 0; value.size() < 20000; ++i, ++lines) {
    value += (i % 2 == 0) ? "C:\\d;" : "c:\\D;";
    dups += i % 2 == 0 ? (i > 0) : 1;
  }
  for (int i = 0; value.size() + 8 <= 32767; ++i, ++lines, ++missing) {
    char entry[16];
    std::snprintf(entry, sizeof entry, "m%06d;", i);
    value += entry;
  }
  value.append(32767 - value.size(), 'z');
  ++lines;
  ++missing;
  fake.set_env("CLASSPATH", value);
  fake.set_env("PATH", value);
  std::string out = run_tool(fake, {"-p"});
  std::string totals = "Total entries = " + std::to_string(lines) + " (" + std::to_string(missing) +
                       " not found " + std::to_string(dups) + " duplicates)\n";
  std::size_t first = out.find(totals);
  ASSERT_NE(first, std::string::npos) << totals;
  EXPECT_NE(out.find(totals, first + 1), std::string::npos);  // PATH counts the same
  EXPECT_NE(out.find("Total length of PATH = 32767\n"), std::string::npos);
  EXPECT_EQ(live_blocks, 0);
  registry_set_allocator(nullptr);
}

}  // namespace
