// Text-mode output: CR LF, the two buffering modes, the small formatter.
#include "platform/output.h"

#include <gtest/gtest.h>

#include <climits>

#include "run_helpers.h"

namespace {

TEST(Output, FormatsTextIntegersAndLiteralPercents) {
  FakePlatform fake;
  use_platform(fake);
  out_print("a%sb %d %d %d|%%|%x|%", "<%d>", 0, -42, INT_MIN);
  out_print("%d\n", INT_MAX);
  out_flush();
  EXPECT_EQ(fake.out, "a<%d>b 0 -42 -2147483648|%|%x|%2147483647\r\n");
}

TEST(Output, ConsoleGetsEveryPrintAtOnce) {
  FakePlatform fake;
  fake.console = true;
  use_platform(fake);
  out_print("one\n");
  EXPECT_EQ(fake.out, "one\r\n");
  out_print("two %s\n", "x");
  EXPECT_EQ(fake.writes, (std::vector<std::size_t>{5, 7}));
}

TEST(Output, FileOrPipeGetsFullBlocksThenTheRest) {
  FakePlatform fake;
  use_platform(fake);
  std::string big(5000, 'x');
  out_print("%s\n", big.c_str());
  EXPECT_EQ(fake.writes, std::vector<std::size_t>{4096});
  out_print("%s\n", "tail");
  out_flush();
  EXPECT_EQ(fake.writes, (std::vector<std::size_t>{4096, 5002 - 4096 + 6}));
  EXPECT_EQ(fake.out, big + "\r\ntail\r\n");
}

TEST(Output, LineFeedInsideTextArgumentsBecomesCrLf) {
  // Every "\n" leaves as CR LF, whether from the format or an argument.
  FakePlatform fake;
  use_platform(fake);
  out_print("%s", "a\nb");
  out_flush();
  EXPECT_EQ(fake.out, "a\r\nb");
}

}  // namespace
