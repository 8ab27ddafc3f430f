// -w on the fake, for what Wine cannot show: when redirection goes off and on, version blocks
// too short or unsigned, a system without the current-directory call, memory running out.
#include <gtest/gtest.h>

#include <cstdlib>

#include "../fake_platform.h"
#include "app/app.h"
#include "base/allocator.h"
#include "lists/registry.h"

namespace {

const std::string HEAD =
    "\r\nClasspath validation tool V1.05 (ZP17)\r\nCopyright (c) 2026 The cpvalid authors\r\n"
    "Validating CLASSPATH\r\n*****CLASSPATH environment variable is not defined\r\n\r\n"
    "Java programs found through PATH\r\n";
// A root block of 52 bytes: the signature, then file version 2.1.4.3 at 8 and 12.
const std::string ROOT =
    std::string("\xBD\x04\xEF\xFE\0\0\1\0\1\0\2\0\3\0\4\0", 16) + std::string(36, '\0');

std::string run_w(FakePlatform& fake) {
  platform_install(&fake);
  const char* argv[] = {"cpvalid", "-w"};
  EXPECT_EQ(run_cpvalid(2, argv), 0);
  EXPECT_TRUE(fake.open_files == 0 && registry_first() == nullptr) << "a file or entry kept";
  return fake.out;
}

// Java in C:\j\bin under its release file, on PATH after C:\a, which holds another java.exe.
FakePlatform with_java() {
  FakePlatform fake;
  for (auto dir : {"C:\\a", "C:\\j", "C:\\j\\bin"}) fake.add(dir, 'd');
  fake.add("C:\\a\\java.exe", 'f'), fake.add("C:\\j\\bin\\java.exe", 'f');
  fake.add("C:\\j\\release", 'f', "JAVA_VERSION=\"9\"\n");
  fake.env = {{"PATH", "C:\\a;C:\\j\\bin"}, {"JAVA_HOME", "C:\\j"}};
  return fake;
}

TEST(Which, RedirectionOffBeforeTheFirstListingAndOnAfterTheLastRead) {
  FakePlatform fake = with_java();
  EXPECT_EQ(run_w(fake),
            HEAD +
                "java runs C:\\a\\java.exe\r\n    and hides C:\\j\\bin\\java.exe, "
                "version 9\r\n*****javac is not found through PATH\r\n*****javaw is "
                "not found through PATH\r\nJAVA_HOME is C:\\j, version 9\r\n***Warning "
                "- JAVA_HOME has no bin\\javac.exe: it is a runtime, not a development "
                "kit\r\n***Warning - the java that runs is not JAVA_HOME\\bin\\java.exe\r\n");
  // Listings and reads, the release file read last for JAVA_HOME's own java.
  EXPECT_EQ(fake.trail.front(), 'o');
  EXPECT_EQ(fake.trail.substr(fake.trail.find_last_of("rv")), "rO");
  EXPECT_EQ(fake.trail.find_first_of("oO", 1), fake.trail.size() - 1);
}

TEST(Which, FileVersionOnlyFromFiftyTwoBytesThatBeginWithTheSignature) {
  FakePlatform fake;
  for (auto dir : {"C:\\a", "C:\\b", "C:\\c"})
    fake.add(dir, 'd'), fake.add(dir + std::string("\\javaw.exe"), 'f');
  fake.roots = {{"C:\\A\\JAVAW.EXE", ROOT},
                {"C:\\B\\JAVAW.EXE", ROOT.substr(0, 51)},
                {"C:\\C\\JAVAW.EXE", "\xBC" + ROOT.substr(1)}};
  fake.env = {{"PATH", "C:\\a;C:\\b;C:\\c"}};
  EXPECT_EQ(run_w(fake),
            HEAD +
                "*****java is not found through PATH\r\n*****javac is not found through "
                "PATH\r\njavaw runs C:\\a\\javaw.exe, file version 2.1.4.3\r\n    and "
                "hides C:\\b\\javaw.exe\r\n    and hides C:\\c\\javaw.exe\r\nJAVA_HOME "
                "is not set\r\n");
}

TEST(Which, WithoutTheCurrentDirectoryCallTheStartIsSearched) {
  for (bool search : {true, false}) {
    FakePlatform fake;
    fake.cwd = "C:\\s", fake.search_current = search;
    fake.add("C:\\s", 'd'), fake.add("C:\\s\\java.com", 'f');
    EXPECT_EQ(run_w(fake).substr(HEAD.size(), 24),
              search ? "java runs C:\\s\\java.com\r" : "*****java is not found t");
  }
}

TEST(Which, ADirectoryIsWhatTheWalksProbeEntersNotWhatLists) {
  FakePlatform fake = with_java();
  fake.unenterable = "C:\\A";
  EXPECT_EQ(run_w(fake).substr(HEAD.size(), 50),
            "java runs C:\\j\\bin\\java.exe, version 9\r\n*****javac");
}

// Wine starts a program in a long-named directory; Windows may start it in a short one.
TEST(Which, AStartDirectoryByItsShortNameIsNotSearchedAgainByItsLongForm) {
  FakePlatform fake;
  for (std::string dir : {"C:\\LONG~1", "C:\\Long"})
    fake.add(dir, 'd'), fake.add(dir + "\\java.exe", 'f');
  fake.longs["C:\\LONG~1"] = "C:\\Long";
  fake.cwd = "C:\\LONG~1", fake.env = {{"PATH", "C:\\Long"}};
  EXPECT_EQ(run_w(fake).substr(HEAD.size(), 40), "java runs C:\\LONG~1\\java.exe\r\n*****javac");
}

int allowed = 0, outstanding = 0;

TEST(Which, MemoryRunningOutLosesNoLineAndKeepsNothing) {
  const Allocator limited = {
      [](std::size_t n) { return allowed-- > 0 ? (++outstanding, std::malloc(n)) : nullptr; },
      [](void* block) { --outstanding, std::free(block); }};
  for (int blocks = 0; blocks < 8; ++blocks) {
    FakePlatform fake = with_java();
    allowed = blocks, outstanding = 0, mem_allocator = &limited;
    std::string out = run_w(fake);
    mem_allocator = &heap_allocator;
    EXPECT_EQ(outstanding, 0);
    EXPECT_EQ(out.substr(0, HEAD.size()), HEAD);
    EXPECT_NE(out.find("javaw is not found through PATH\r\nJAVA_HOME is C:\\j, version 9\r\n"),
              std::string::npos)
        << blocks;
  }
}

}  // namespace
