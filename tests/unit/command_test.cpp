// The three ways java's launcher splits text into words, each with its own quoting.
#include "command/command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../class_writer.h"
#include "../fake_platform.h"
#include "app/app.h"
#include "base/allocator.h"

namespace {

std::vector<std::string> listed(const Words& words) {
  std::vector<std::string> out;
  for (int i = 0; i < words.count; ++i) out.push_back(word(words, i));
  return out;
}

std::vector<std::string> command_line(const char* line) {
  Words words = {};
  EXPECT_TRUE(split_command_line(line, words));
  std::vector<std::string> out = listed(words);
  words_release(words);
  return out;
}

using List = std::vector<std::string>;

TEST(Command, TheLauncherSplitsTheLineItsOwnWay) {
  EXPECT_EQ(command_line("java -cp \"lib\\*;app.jar\" com.acme.Main"),
            (List{"java", "-cp", "lib\\*;app.jar", "com.acme.Main"}));
  // A backslash before the closing quote makes it a literal quote: the argument runs on.
  EXPECT_EQ(command_line("java -cp \"C:\\My Libs\\\" com.acme.Main"),
            (List{"java", "-cp", "C:\\My Libs\" com.acme.Main"}));
  EXPECT_EQ(command_line("java -cp C:\\My\" \"Libs\\a.jar;b.jar Main"),
            (List{"java", "-cp", "C:\\My Libs\\a.jar;b.jar", "Main"}));
  EXPECT_EQ(command_line("-Dp=\"a \"\"q\"\" b\""), (List{"-Dp=a \"q\" b"}));
  // 2n backslashes before a quote give n and toggle; 2n+1 give n and a quote.
  EXPECT_EQ(command_line("a\\\\\"b c\" d\\\\\\\"e \\\\f"), (List{"a\\b c", "d\\\"e", "\\\\f"}));
  EXPECT_EQ(command_line(" \t x\t\"\" y "), (List{"x", "", "y"}));
}

TEST(Command, JdkJavaOptionsGroupsWithBothQuotesAndHasNoEscape) {
  Words words = {};
  bool unmatched = true;
  ASSERT_TRUE(split_env_options("-cp \"a b\";x  '-Dq=\"1\"' c\\\"d e\"", words, unmatched));
  EXPECT_FALSE(unmatched);
  EXPECT_EQ(listed(words), (List{"-cp", "a b;x", "-Dq=\"1\"", "c\\d e"}));
  words_release(words);
  EXPECT_TRUE(split_env_options("-cp 'abc", words, unmatched));
  EXPECT_TRUE(unmatched);
  words_release(words);
}

TEST(Command, AnArgumentFileHasCommentsQuotesAndEscapesInsideQuotesOnly) {
  const std::string text =
      "# options\r\n-cp .#x\nP \"a\\tb\" C:\\lib\\a.jar \"C:\\lib\" 'open\n"
      "\"join\\\n    ed\" @x '#' \"\"\n";
  Words words = {};
  ASSERT_TRUE(split_argument_file(text.data(), text.size(), words));
  EXPECT_EQ(listed(words),
            (List{"-cp", "P", "a\tb", "C:\\lib\\a.jar", "C:lib", "open", "joined", "@x", "#", ""}));
  words_release(words);
}

std::size_t outstanding = 0;
std::size_t grants_left = 0;
void* take_limited(std::size_t n) {
  if (grants_left == 0) return nullptr;
  --grants_left;
  ++outstanding;
  return std::malloc(n);
}
void give_limited(void* block) {
  --outstanding;
  std::free(block);
}
const Allocator limited = {take_limited, give_limited};

// The command comes from the raw line, not from the runtime's split; an argument file and
// JDK_JAVA_OPTIONS take memory too. Wherever it runs out, every block comes back and the
// report says so, with status 1, or is the whole one.
TEST(Command, MemoryRunningOutWhileTheCommandIsReadLosesNothing) {
  auto run_with = [](std::size_t grants, int& status) {
    FakePlatform fake;
    fake.add("C:\\jdk", 'd');
    fake.add("C:\\jdk\\bin", 'd');
    fake.add("C:\\jdk\\bin\\java.exe", 'f');
    fake.add("C:\\jdk\\release", 'f', "JAVA_VERSION=\"17.0.2\"\n");
    fake.add("C:\\args", 'f', "-cp C:\\lib\\* # the jars\n");
    fake.add("C:\\lib", 'd');
    fake.add("C:\\lib\\a.jar", 'f', zip_of({"q/Other.class"}));
    fake.add("C:\\lib\\b.jar", 'd');
    fake.add("C:\\lib\\b.jar\\p", 'd');
    fake.add(
        "C:\\lib\\b.jar\\p\\Main.class", 'f',
        class_bytes({"p/Main", "java/lang/Object", {}, {{0x9, "main", "([Ljava/lang/String;)V"}}}));
    fake.env["PATH"] = "C:\\jdk\\bin";
    fake.env["JDK_JAVA_OPTIONS"] = "-Dx=1";
    fake.raw_command_line = "cpvalid \"C:\\jdk\\bin\\java\" @C:\\args p.Main";
    platform_install(&fake);
    const char* argv[] = {"cpvalid", "C:\\jdk\\bin\\java", "-cp", "wrong", "p.Main"};
    grants_left = grants;
    mem_allocator = &limited;
    status = run_cpvalid(5, argv);
    mem_allocator = &heap_allocator;
    std::string out = fake.out;
    return out.substr(out.find("Validating"));
  };
  int status = 0;
  const std::string whole = run_with(100000, status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(
      whole.find(
          "Main class p.Main loads from C:\\lib\\b.jar, for Java 8 (class file version 52)\r\n"),
      whole.npos)
      << whole;
  for (std::size_t grants = 0; grants < 60; ++grants) {
    std::string out = run_with(grants, status);
    bool said =
        out.find("*****Out of memory: cpvalid could not read the java command\r\n") != out.npos ||
        out.find("*****Out of memory: the search stopped at ") != out.npos;
    EXPECT_TRUE(out == whole || (said && status == 1)) << grants << out;
    EXPECT_EQ(outstanding, 0u) << grants;
  }
}

}  // namespace

namespace {

// An argument file of more than 16 MiB is cpvalid's limit, not java's error: a line of its own
// in place of java's, status 1, and the class path read before it walked.
TEST(Command, AnArgumentFileOver16MiBIsALimitLine) {
  FakePlatform fake;
  fake.add("C:\\jdk", 'd');
  fake.add("C:\\jdk\\bin", 'd');
  fake.add("C:\\jdk\\bin\\java.exe", 'f');
  fake.add("C:\\jdk\\release", 'f', "JAVA_VERSION=\"17.0.2\"\n");
  fake.add("C:\\big", 'f', std::string(16 * 1024 * 1024 + 1, ' '));
  fake.add("C:\\lib", 'd');
  fake.env["PATH"] = "C:\\jdk\\bin";
  fake.raw_command_line = "cpvalid java -cp C:\\lib @C:\\big Main";
  platform_install(&fake);
  const char* argv[] = {"cpvalid", "java", "-cp", "C:\\lib", "@C:\\big", "Main"};
  EXPECT_EQ(run_cpvalid(6, argv), 1);
  std::string out = fake.out;
  EXPECT_EQ(
      out.substr(out.find("Validating")),
      "Validating the class path of the java command (-cp)\r\n"
      "Found Dir         C:\\lib\r\nTotal entries = 1\r\nTotal length of the class path = 6\r\n"
      "\r\nThe java command\r\njava runs C:\\jdk\\bin\\java.exe, version 17.0.2\r\n"
      "***ERROR*** - cpvalid reads argument files up to 16 MiB: C:\\big is larger\r\n");
}

}  // namespace
