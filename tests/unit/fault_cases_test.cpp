// On the fake, what Wine cannot be made to do: a start too long to save, a failed return,
// memory running out, a console, a handle of unknown type, per-drive records.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/app.h"
#include "fake_platform.h"
#include "lists/registry.h"

namespace {

const std::string BANNER =
    "\r\nClasspath validation tool V1.05 (ZP17)\r\nCopyright (c) 2026 The cpvalid authors\r\n";
const std::string HEAD = BANNER + "Validating CLASSPATH\r\n";

std::string run(FakePlatform& fake, const std::string& classpath) {
  fake.env.emplace_back("CLASSPATH", classpath);
  platform_install(&fake);
  const char* argv[] = {"cpvalid"};
  EXPECT_EQ(run_cpvalid(1, argv), 0);
  EXPECT_TRUE(fake.open_files.empty() && registry_first() == nullptr) << "a file or entry kept";
  return fake.out;
}

TEST(Start, TooLongToSaveMeansNoReturnButAFullReport) {
  for (int length : {259, 260}) {
    FakePlatform fake;
    fake.cwd = "C:\\" + std::string(length - 3, 's');
    for (const char* dir : {fake.cwd.c_str(), "C:\\d"}) fake.add(dir, true);
    fake.add("C:\\d\\f.jar", false);
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
  fake.add("C:\\start", true, false);  // removed, say, while the run looked elsewhere
  fake.add("C:\\d", true), fake.add("C:\\d\\f.jar", false);
  EXPECT_EQ(run(fake, "C:\\d;f.jar;c:\\D"),
            HEAD +
                "Found Dir         C:\\d\r\nFound File        f.jar\r\n"
                "Found Dir   *DUP* c:\\D\r\nTotal entries = 3 (0 not found 1 duplicates)\r\n"
                "Total length of CLASSPATH = 15\r\n");
}

int granted = 0, outstanding = 0;
void* take_two(std::size_t bytes) {
  return granted == 2 ? nullptr : (++granted, ++outstanding, std::malloc(bytes));
}
void give(void* block) { --outstanding, std::free(block); }

TEST(Registry, OutOfMemoryAnswersNewAndStillKnowsWhatItKept) {
  const RegistryAllocator two_blocks = {take_two, give};  // room for one entry
  registry_set_allocator(&two_blocks);
  FakePlatform fake;
  std::string out = run(fake, "a;A;b;B;a");
  registry_set_allocator(nullptr);
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
  for (int i = 0; i < 450; ++i) list += ";x";
  EXPECT_EQ(run(pipe, list).size(), 9660u);  // 451 entry lines of 21 bytes
  ASSERT_EQ(pipe.writes.size(), 3u);
  EXPECT_EQ(pipe.writes[0].size() + pipe.writes[1].size(), 8192u);
}

TEST(Probe, HandleOfUnknownTypeIsClosedAndNotAFile) {
  FakePlatform fake;
  fake.add("C:\\dev", false, true, 0);
  fake.add("C:\\f.jar", false, true, 2);
  EXPECT_EQ(run(fake, "C:\\dev;C:\\f.jar"),
            HEAD +
                "*Not found*       C:\\dev\r\nFound File        C:\\f.jar\r\n"
                "Total entries = 2 (1 not found 0 duplicates)\r\n"
                "Total length of CLASSPATH = 15\r\n");
}

TEST(Probe, PerDriveRecordsArePutBackAfterEveryProbe) {
  FakePlatform fake;
  fake.env = {{"=D:", "D:\\work"}};
  for (const char* dir : {"D:\\work", "D:\\other", "E:\\x", ".\\sub", "\\\\srv\\share"}) {
    fake.add(dir, true);
  }
  fake.add("D:\\work\\w.jar", false);
  // D:w.jar is looked for in D:'s recorded directory, E:x in E:'s root. A UNC directory
  // has no record; only the final return to the start leaves one, for C:.
  std::string list = "D:\\other;D:w.jar;E:\\x;E:x;.\\sub;\\\\srv\\share";
  EXPECT_EQ(run(fake, list), HEAD +
                                 "Found Dir         D:\\other\r\nFound File        D:w.jar\r\n"
                                 "Found Dir         E:\\x\r\nFound Dir         E:x\r\n"
                                 "Found Dir         .\\sub\r\nFound Dir         \\\\srv\\share\r\n"
                                 "Total entries = 6\r\nTotal length of CLASSPATH = 43\r\n");
  using Env = std::map<std::string, std::string>;
  EXPECT_EQ(Env(fake.env.begin(), fake.env.end()),
            (Env{{"=D:", "D:\\work"}, {"CLASSPATH", list}, {"=C:", "C:\\"}}));
}

}  // namespace
