// The fake machine resolves names the way Windows does; the other tests
// rely on it, so its own rules are checked here.
#include "fake_platform.h"

#include <gtest/gtest.h>

namespace {

std::string resolved(const FakePlatform& fake, const std::string& path) {
  std::string full;
  return fake.resolve(path, full) ? full : "<none>";
}

TEST(FakePlatform, ResolvesLikeWindows) {
  FakePlatform fake;
  fake.add_dir("C:\\a\\b");
  fake.set_cwd("C:\\a\\b");
  fake.set_env("=D:", "D:\\x\\y");
  EXPECT_EQ(resolved(fake, "c"), "C:\\a\\b\\c");
  EXPECT_EQ(resolved(fake, "..\\..\\..\\z"), "C:\\z");
  EXPECT_EQ(resolved(fake, "./c/./d/"), "C:\\a\\b\\c\\d");
  EXPECT_EQ(resolved(fake, "\\top"), "C:\\top");
  EXPECT_EQ(resolved(fake, "C:rel"), "C:\\a\\b\\rel");
  EXPECT_EQ(resolved(fake, "d:rel"), "D:\\x\\y\\rel");
  EXPECT_EQ(resolved(fake, "E:rel"), "E:\\rel");
  EXPECT_EQ(resolved(fake, "\\\\srv\\share\\..\\..\\q"), "\\\\srv\\share\\q");
  EXPECT_EQ(resolved(fake, "\\\\?\\C:\\a\\b"), "C:\\a\\b");
  EXPECT_EQ(resolved(fake, ""), "<none>");
}

TEST(FakePlatform, NamesAndVariablesIgnoreCase) {
  FakePlatform fake;
  fake.add_file("C:\\Dir\\File.JAR");
  FileHandle h = fake.file_open_read("c:\\dir\\file.jar");
  EXPECT_NE(h, 0u);
  fake.file_close(h);
  EXPECT_EQ(fake.file_open_read("C:\\Dir"), 0u);  // a directory does not open
  EXPECT_EQ(fake.file_open_read("C:\\Dir\\File.JAR\\"), 0u);
  EXPECT_TRUE(fake.dir_set("c:\\DIR"));
  EXPECT_FALSE(fake.dir_set("C:\\Dir\\File.JAR"));
  fake.set_env("Path", "v1");
  fake.set_env("PATH", "v2");
  EXPECT_STREQ(fake.env_value("path"), "v2");
  char buf[4];
  EXPECT_EQ(fake.dir_get(buf, 4), 7u);  // "C:\Dir" and its terminator
  EXPECT_EQ(fake.env_copy("PATH", buf, 2), -2);
  EXPECT_EQ(fake.env_copy("nope", buf, 4), -1);
}

}  // namespace
