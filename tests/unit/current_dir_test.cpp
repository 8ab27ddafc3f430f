// Relative entries keep meaning what they mean in the starting directory:
// every directory probe goes back, and the per-drive records are restored.
#include <gtest/gtest.h>

#include "run_helpers.h"

namespace {

class CurrentDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.add_dir("C:\\proj\\app\\lib");
    fake.add_file("C:\\proj\\app\\lib\\a.jar");
    fake.add_file("C:\\proj\\b.jar");
    fake.add_dir("D:\\tools\\bin");
    fake.add_file("D:\\tools\\bin\\t.jar");
    fake.add_file("D:\\rel.jar");
    fake.set_cwd("C:\\proj\\app");
  }
  FakePlatform fake;
};

TEST_F(CurrentDirectory, RelativeEntriesResolveFromTheStartInEveryList) {
  fake.set_env("CLASSPATH", "..;lib\\a.jar;..;..\\b.jar;lib;lib\\a.jar");
  fake.set_env("PATH", "..\\b.jar;lib");
  std::string out = run_tool(fake, {"-p"});
  EXPECT_EQ(out,
            BANNER + "Validating CLASSPATH\n" + entry_line(DIR_LABEL, false, "..") +
                entry_line(FILE_LABEL, false, "lib\\a.jar") + entry_line(DIR_LABEL, true, "..") +
                entry_line(FILE_LABEL, false, "..\\b.jar") + entry_line(DIR_LABEL, false, "lib") +
                entry_line(FILE_LABEL, true, "lib\\a.jar") +
                "Total entries = 6 (0 not found 2 duplicates)\n"
                "Total length of CLASSPATH = 38\n\nValidating PATH\n" +
                entry_line(FILE_LABEL, false, "..\\b.jar") + entry_line(DIR_LABEL, false, "lib") +
                "Total entries = 2\nTotal length of PATH = 12\n");
  EXPECT_EQ(fake.cwd(), "C:\\proj\\app");
}

TEST_F(CurrentDirectory, DriveRecordsAreRestoredAfterEachProbe) {
  // D: has no record yet: "D:rel.jar" means D:\rel.jar before and after a
  // probe enters D:\tools\bin.
  fake.set_env("CLASSPATH", "D:rel.jar;D:\\tools\\bin;D:rel.jar;D:t.jar");
  std::string out = run_tool(fake);
  EXPECT_NE(out.find(entry_line(FILE_LABEL, false, "D:rel.jar") +
                     entry_line(DIR_LABEL, false, "D:\\tools\\bin") +
                     entry_line(FILE_LABEL, true, "D:rel.jar") +
                     entry_line(MISSING_LABEL, false, "D:t.jar")),
            std::string::npos)
      << out;
  EXPECT_EQ(fake.env("=D:"), nullptr);

  // With a record, drive-relative entries use it throughout.
  fake.set_env("=D:", "D:\\tools");
  fake.set_env("CLASSPATH", "D:bin\\t.jar;D:\\;D:bin\\t.jar");
  out = run_tool(fake);
  EXPECT_NE(
      out.find(entry_line(FILE_LABEL, false, "D:bin\\t.jar") +
               entry_line(DIR_LABEL, false, "D:\\") + entry_line(FILE_LABEL, true, "D:bin\\t.jar")),
      std::string::npos)
      << out;
  ASSERT_NE(fake.env("=D:"), nullptr);
  EXPECT_EQ(*fake.env("=D:"), "D:\\tools");
}

TEST_F(CurrentDirectory, FinalReturnRecordsTheStartingDrive) {
  fake.set_env("CLASSPATH", "lib");
  run_tool(fake);
  ASSERT_NE(fake.env("=C:"), nullptr);
  EXPECT_EQ(*fake.env("=C:"), "C:\\proj\\app");
  EXPECT_EQ(fake.log.back(), "setenv =C:=C:\\proj\\app");
}

TEST_F(CurrentDirectory, UncDirectoryHasNoDriveRecord) {
  fake.add_dir("\\\\srv\\share\\java");
  fake.set_env("PATH", "\\\\srv\\share\\java");
  fake.clear_log();
  std::string out = run_tool(fake, {"-p"});
  EXPECT_NE(out.find(entry_line(DIR_LABEL, false, "\\\\srv\\share\\java")), std::string::npos);
  for (const std::string& call : fake.log) {
    EXPECT_EQ(call.find("setenv =\\:"), std::string::npos) << call;
    EXPECT_EQ(call.find("readenv =\\:"), std::string::npos) << call;
  }
}

TEST_F(CurrentDirectory, ChangeCountsOnlyWhenEveryStepWorks) {
  // A directory whose name reads back longer than 260 characters.
  std::string deep = "C:\\" + std::string(250, 'd') + "\\" + std::string(20, 'e');
  fake.add_dir(deep);
  fake.set_env("CLASSPATH", deep + ";lib");
  std::string out = run_tool(fake);
  EXPECT_NE(out.find(entry_line(MISSING_LABEL, false, deep) + entry_line(DIR_LABEL, false, "lib")),
            std::string::npos)
      << out;
  EXPECT_EQ(fake.cwd(), "C:\\proj\\app");

  // The per-drive record cannot be written.
  fake.fail_env_set = true;
  fake.set_env("CLASSPATH", "lib;lib\\a.jar");
  out = run_tool(fake);
  EXPECT_NE(out.find(entry_line(MISSING_LABEL, false, "lib") +
                     entry_line(FILE_LABEL, false, "lib\\a.jar")),
            std::string::npos)
      << out;
}

TEST_F(CurrentDirectory, FailedReturnIsSilentAndTheRunCompletes) {
  fake.add_dir("C:\\proj\\app", /*enterable=*/false);  // the start can no longer be entered
  fake.set_env("CLASSPATH", "C:\\proj\\app\\lib;a.jar;x");
  std::string out = run_tool(fake);
  // The process stays where the probe left it; the next relative entry is
  // looked up there, and the report is complete.
  EXPECT_EQ(out,
            BANNER + "Validating CLASSPATH\n" + entry_line(DIR_LABEL, false, "C:\\proj\\app\\lib") +
                entry_line(FILE_LABEL, false, "a.jar") + entry_line(MISSING_LABEL, false, "x") +
                "Total entries = 3 (1 not found 0 duplicates)\n"
                "Total length of CLASSPATH = 23\n");
}

TEST_F(CurrentDirectory, UnsavedStartMeansNoReturnButAFullReport) {
  std::string long_start = "C:\\" + std::string(200, 's') + "\\" + std::string(60, 't');
  fake.add_dir(long_start);
  fake.set_cwd(long_start);
  fake.set_env("CLASSPATH", "C:\\proj;C:\\missing");
  std::string out = run_tool(fake);
  EXPECT_EQ(out, BANNER + "Validating CLASSPATH\n" + entry_line(DIR_LABEL, false, "C:\\proj") +
                     entry_line(MISSING_LABEL, false, "C:\\missing") +
                     "Total entries = 2 (1 not found 0 duplicates)\n"
                     "Total length of CLASSPATH = 18\n");
  EXPECT_EQ(fake.log.back(), "chdir C:\\missing");  // no final return was tried
}

}  // namespace
