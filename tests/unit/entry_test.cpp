// One entry: its probe, its report line and what it hands on.
#include <gtest/gtest.h>

#include "lists/lists.h"
#include "lists/registry.h"
#include "platform/output.h"
#include "required/required.h"
#include "run_helpers.h"

namespace {

class EntryCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.add_dir("C:\\work");
    fake.add_file("C:\\lib\\zanth.core.jar");
    fake.add_dir("C:\\apps\\java\\lib");
    fake.set_cwd("C:\\work");
    use_platform(fake);
    registry_reset();
  }
  void TearDown() override { registry_release(); }

  // check_entry's printed line and result.
  std::string check(const char* entry, ListKind kind, int& result) {
    fake.out.clear();
    result = check_entry(entry, kind, duplicates);
    out_flush();
    return fake.out;
  }

  FakePlatform fake;
  int duplicates = 0;
};

TEST_F(EntryCheck, ReportLineColumnsForEveryStatusAndMark) {
  int r;
  EXPECT_EQ(check("C:\\lib\\zanth.core.jar", LK_LIB, r),
            "Found File        C:\\lib\\zanth.core.jar\r\n");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(check("C:\\LIB\\zanth.core.jar", LK_LIB, r),
            "Found File  *DUP* C:\\LIB\\zanth.core.jar\r\n");
  EXPECT_EQ(check("C:\\apps", LK_LIB, r), "Found Dir         C:\\apps\r\n");
  EXPECT_EQ(check("c:\\APPS", LK_LIB, r), "Found Dir   *DUP* c:\\APPS\r\n");
  EXPECT_EQ(check("C:\\gone", LK_LIB, r), "*Not found*       C:\\gone\r\n");
  EXPECT_EQ(r, 1);
  EXPECT_EQ(check("C:\\GONE", LK_LIB, r), "*Not found* *DUP* C:\\GONE\r\n");
  EXPECT_EQ(r, 1);  // a missing duplicate counts in both totals
  EXPECT_EQ(duplicates, 3);
  EXPECT_EQ(check("C:\\100%s%n%d%", LK_LIB, r), "*Not found*       C:\\100%s%n%d%\r\n");
}

TEST_F(EntryCheck, ProbeTriesTheFileThenTheDirectory) {
  char label[STATUS_LABEL_BYTES];
  fake.clear_log();
  EXPECT_EQ(probe_entry("C:\\lib\\zanth.core.jar", label), ENTRY_FILE);
  EXPECT_STREQ(label, FILE_LABEL);
  EXPECT_EQ(fake.log, (std::vector<std::string>{"open C:\\lib\\zanth.core.jar", "type", "close"}));

  fake.clear_log();
  EXPECT_EQ(probe_entry("..\\apps", label), ENTRY_DIR);
  EXPECT_STREQ(label, DIR_LABEL);
  EXPECT_EQ(fake.log, (std::vector<std::string>{"open ..\\apps", "chdir ..\\apps", "getcwd",
                                                "readenv =C:", "setenv =C:=C:\\apps",
                                                "chdir C:\\work", "setenv =C:=(removed)"}));
  EXPECT_EQ(fake.cwd(), "C:\\work");

  fake.clear_log();
  EXPECT_EQ(probe_entry("nothing", label), ENTRY_NOT_FOUND);
  EXPECT_STREQ(label, MISSING_LABEL);
  EXPECT_EQ(fake.log, (std::vector<std::string>{"open nothing", "chdir nothing"}));
}

TEST_F(EntryCheck, DotIsADirectoryWithoutAnyProbe) {
  fake.clear_log();
  int r;
  EXPECT_EQ(check(".", LK_PATH, r), "Found Dir         .\r\n");
  EXPECT_EQ(check(".", LK_PATH, r), "Found Dir   *DUP* .\r\n");
  EXPECT_EQ(fake.calls[FakePlatform::FILE_OPEN], 0);
  EXPECT_EQ(fake.calls[FakePlatform::DIR_SET], 0);
  // ".\" and "./" are not the bare dot: they are probed.
  EXPECT_EQ(check(".\\", LK_PATH, r), "Found Dir         .\\\r\n");
  EXPECT_EQ(fake.calls[FakePlatform::DIR_SET], 2);
}

TEST_F(EntryCheck, WhatCannotBeOpenedOrEnteredIsNotFound) {
  fake.add_file("C:\\locked.jar", /*openable=*/false);
  fake.add_file("C:\\odd.jar", true, /*file_type=*/0);
  fake.add_dir("C:\\private", /*enterable=*/false);
  int r;
  EXPECT_EQ(check("C:\\locked.jar", LK_CLASSPATH, r), "*Not found*       C:\\locked.jar\r\n");
  EXPECT_EQ(check("C:\\odd.jar", LK_CLASSPATH, r), "*Not found*       C:\\odd.jar\r\n");
  EXPECT_EQ(check("C:\\private", LK_CLASSPATH, r), "*Not found*       C:\\private\r\n");
  EXPECT_EQ(fake.open_handles(), 0);  // the untyped handle was closed too
  EXPECT_EQ(fake.cwd(), "C:\\work");
}

TEST_F(EntryCheck, OnlyClassPathFilesAndPathDirectoriesAreHandedOn) {
  int r;
  // A file on PATH or LIB and a directory on CLASSPATH or LIB set nothing.
  check("C:\\lib\\zanth.core.jar", LK_PATH, r);
  check("C:\\lib\\zanth.core.jar", LK_LIB, r);
  check("C:\\apps\\java\\lib", LK_CLASSPATH, r);
  check("C:\\apps\\java\\lib", LK_LIB, r);
  EXPECT_EQ(required_files.file_found[0], 0);
  EXPECT_EQ(required_files.library_directory_found, 0);
  check("C:\\lib\\zanth.core.jar", LK_CLASSPATH, r);
  check("C:\\apps\\java\\lib", LK_PATH, r);
  EXPECT_EQ(required_files.file_found[0], 1);
  EXPECT_EQ(required_files.library_directory_found, 1);
}

TEST_F(EntryCheck, NotFoundEntriesSetNoFlagWhateverTheirName) {
  int r;
  check("C:\\nowhere\\ZANTH.CORE.JAR", LK_CLASSPATH, r);
  check("C:\\nowhere\\java\\lib", LK_PATH, r);
  fake.add_dir("C:\\dirs\\ZANTH.CORE.JAR");
  check("C:\\dirs\\ZANTH.CORE.JAR", LK_CLASSPATH, r);
  EXPECT_EQ(required_files.file_found[0], 0);
  EXPECT_EQ(required_files.library_directory_found, 0);
}

}  // namespace
