// On the fake, what Wine cannot be made to do: a start too long to save, a failed return,
// memory running out, a console, a handle of unknown type, per-drive records.
#include <gtest/gtest.h>

#include <cstdlib>

#include "../fake_platform.h"
#include "app/app.h"
#include "base/allocator.h"
#include "lists/registry.h"

namespace {

const std::string BANNER =
    "\r\nClasspath validation tool V1.05 (ZP17)\r\nCopyright (c) 2026 The cpvalid authors\r\n";
const std::string HEAD = BANNER + "Validating CLASSPATH\r\n";

std::string run(FakePlatform& fake, const std::string& classpath) {
  fake.env["CLASSPATH"] = classpath;
  platform_install(&fake);
  const char* argv[] = {"cpvalid"};
  EXPECT_EQ(run_cpvalid(1, argv), 0);
  EXPECT_TRUE(fake.open_files == 0 && registry_first() == nullptr) << "a file or entry kept";
  return fake.out;
}

TEST(Start, TooLongToSaveMeansNoReturnButAFullReport) {
  for (int length : {259, 260}) {
    FakePlatform fake;
    fake.cwd = "C:\\" + std::string(length - 3, 's');
    fake.add(fake.cwd, 'd'), fake.add("C:\\d", 'd'), fake.add("C:\\d\\f.jar", 'f');
    // A saved start brings every probe back to it; without one the run stays where it went.
    EXPECT_EQ(run(fake, "C:\\d;f.jar"),
              HEAD + "Found Dir         C:\\d\r\n" +
                  (length == 259 ? "*Not found*       f.jar\r\nTotal entries = 2 (1 not found 0 "
                                   "duplicates)\r\n"
                                 : "Found File        f.jar\r\nTotal entries = 2\r\n") +
                  "Total length of CLASSPATH = 10\r\n");
    EXPECT_EQ(fake.cwd, length == 259 ? "C:\\" + std::string(256, 's') : "C:\\d");
    EXPECT_EQ(fake.find_env("=C:") != nullptr, length == 259);  // only the final return writes it
  }
}

TEST(Start, FailedReturnIsSilentAndTheRunGoesOnFromWhereItIs) {
  FakePlatform fake;
  fake.cwd = "C:\\start";
  fake.add("C:\\start", 'D');  // removed, say, while the run looked elsewhere
  fake.add("C:\\d", 'd'), fake.add("C:\\d\\f.jar", 'f');
  EXPECT_EQ(run(fake, "C:\\d;f.jar;c:\\D"),
            HEAD +
                "Found Dir         C:\\d\r\nFound File        f.jar\r\n"
                "Found Dir   *DUP* c:\\D\r\nTotal entries = 3 (0 not found 1 duplicates)\r\n"
                "Total length of CLASSPATH = 15\r\n");
}

int granted = 0, outstanding = 0;

TEST(Registry, OutOfMemoryAnswersNewAndStillKnowsWhatItKept) {
  const Allocator three_blocks = {
      // one entry, then a text without its node
      [](std::size_t n) { return granted++ < 3 ? (++outstanding, std::malloc(n)) : nullptr; },
      [](void* block) { --outstanding, std::free(block); }};
  mem_allocator = &three_blocks;
  FakePlatform fake;
  std::string out = run(fake, "a;A;b;B;a");
  mem_allocator = &heap_allocator;
  EXPECT_EQ(out, HEAD +
                     "*Not found*       a\r\n*Not found* *DUP* A\r\n*Not found*       b\r\n"
                     "*Not found*       B\r\n*Not found* *DUP* a\r\n"
                     "Total entries = 5 (5 not found 2 duplicates)\r\n"
                     "Total length of CLASSPATH = 9\r\n");
  EXPECT_EQ(outstanding, 0);
}

TEST(Output, ConsoleGetsEveryPrintAtOnceAPipeBlocksOf4096) {
  FakePlatform console, pipe;
  console.console = true;
  run(console, "a");
  EXPECT_EQ(console.writes,
            (std::vector<std::string>{BANNER.substr(0, 42), BANNER.substr(42),
                                      "Validating CLASSPATH\r\n", "*Not found* ", "     ", " a\r\n",
                                      "Total entries = 1 (1 not found 0 duplicates)\r\n",
                                      "Total length of CLASSPATH = 1\r\n"}));
  std::string list = "x";
  for (int i = 0; i < 450; ++i) list += ";x";  // 451 lines of 21 bytes
  run(pipe, list);
  ASSERT_EQ(pipe.writes.size(), 3u);
  EXPECT_EQ(pipe.writes[0].size() + pipe.writes[1].size(), 8192u);
}

TEST(Probe, HandleOfUnknownTypeIsClosedAndNotAFile) {
  FakePlatform fake;
  fake.add("C:\\dev", '?'), fake.add("C:\\f.jar", 'f');
  EXPECT_EQ(run(fake, "C:\\dev;C:\\f.jar"),
            HEAD +
                "*Not found*       C:\\dev\r\nFound File        C:\\f.jar\r\n"
                "Total entries = 2 (1 not found 0 duplicates)\r\n"
                "Total length of CLASSPATH = 15\r\n");
}

TEST(Probe, PerDriveRecordsArePutBackAfterEveryProbe) {
  FakePlatform fake;
  fake.env = {{"=D:", "D:\\work"}};
  for (auto dir : {"D:\\work", "D:\\y", "E:\\x", ".\\sub", "\\\\srv\\share"}) fake.add(dir, 'd');
  fake.add("D:\\work\\w.jar", 'f');
  // D:w.jar is found from D:'s record, E:x from E:'s root; a UNC directory has no record.
  std::string list = "D:\\y;D:w.jar;E:\\x;E:x;.\\sub;\\\\srv\\share";
  EXPECT_EQ(run(fake, list), HEAD +
                                 "Found Dir         D:\\y\r\nFound File        D:w.jar\r\n"
                                 "Found Dir         E:\\x\r\nFound Dir         E:x\r\n"
                                 "Found Dir         .\\sub\r\nFound Dir         \\\\srv\\share\r\n"
                                 "Total entries = 6\r\nTotal length of CLASSPATH = 39\r\n");
  EXPECT_EQ(fake.env,
            (decltype(fake.env){{"=D:", "D:\\work"}, {"CLASSPATH", list}, {"=C:", "C:\\"}}));
}

}  // namespace
