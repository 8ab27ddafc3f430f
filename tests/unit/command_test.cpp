// The three ways java's launcher splits text into words, each with its own quoting.
#include "command/command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
