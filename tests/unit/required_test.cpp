// Recognising the required files and the jms directory, and every branch
// of the status report.
#include "required/required.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/output.h"
#include "run_helpers.h"

namespace {

class Required : public ::testing::Test {
 protected:
  void SetUp() override { use_platform(fake); }
  std::string report(int path_walked) {
    fake.out.clear();
    report_required_files(path_walked);
    out_flush();
    std::string lf;
    for (char c : fake.out) {
      if (c != '\r') lf += c;
    }
    return lf;
  }
  void set_all() {
    for (int& f : required_files.file_found) f = 1;
  }
  FakePlatform fake;
};

int found_rows() {
  int n = 0;
  for (int f : required_files.file_found) n += f;
  return n;
}

TEST_F(Required, LastComponentAfterTheLastBackslashMatchesExactly) {
  note_class_path_file("C:\\lib\\zanth.core.jar");
  EXPECT_EQ(required_files.file_found[0], 1);
  required_files_clear();
  note_class_path_file("ZANTH.CORE.JAR");
  EXPECT_EQ(required_files.file_found[0], 1);

  required_files_clear();
  const char* misses[] = {"lib/zanth.core.jar",          "C:zanth.core.jar",
                          "C:\\lib\\old.zanth.core.jar", "C:\\lib\\zanth.core.jar.bak",
                          "C:\\lib\\zanth.core.jar ",    "C:\\lib\\zanth.core.jar\\",
                          "C:\\lib\\ zanth.core.jar",    "C:\\lib\\zanth\xae.jar"};
  for (const char* m : misses) note_class_path_file(m);
  EXPECT_EQ(found_rows(), 0);

  for (int row = 0; row < REQUIRED_FILE_COUNT; ++row) {
    required_files_clear();
    std::string lower = std::string("D:\\x\\") + required_file_catalogue[row].name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    note_class_path_file(lower.c_str());
    EXPECT_EQ(found_rows(), 1) << lower;
    EXPECT_EQ(required_files.file_found[row], 1) << lower;
  }
}

TEST_F(Required, ComponentOf256CharactersIsPassedOver) {
  // No catalogue name is that long, so what matters is that nothing is read
  // past the working copy: the sanitizers watch this one.
  std::string entry = "C:\\" + std::string(255, 'z');
  note_class_path_file(entry.c_str());
  entry += "z";
  note_class_path_file(entry.c_str());
  note_class_path_file((std::string(5000, 'q') + "\\ORVIS.JAR").c_str());
  EXPECT_EQ(found_rows(), 1);
  EXPECT_EQ(required_files.file_found[2], 1);
}

TEST_F(Required, JmsDirectoryIsTheLastEightCharacters) {
  struct Case {
    std::string entry;
    int found;
  };
  const Case cases[] = {
      {"C:\\apps\\java\\lib", 1},
      {"C:\\apps\\JAVA\\LIB\\", 0},
      {"C:\\apps\\JAVA/LIB", 0},
      {"C:\\apps\\JAVA\\LIB\\.", 0},
      {"C:\\apps\\myjava\\lib", 1},
      {"java\\lib", 1},
      {"ava\\lib", 0},
      {"", 0},
      {std::string(2039, 'x') + "java\\lib", 1},  // 2047 characters: tested
      {std::string(2040, 'x') + "java\\lib", 0},  // 2048: passed over
  };
  for (const Case& c : cases) {
    required_files_clear();
    note_path_directory(c.entry.c_str());
    EXPECT_EQ(required_files.library_directory_found, c.found) << c.entry.size() << " " << c.entry;
    EXPECT_EQ(found_rows(), 0);
  }
}

const char* const JMS_HEAD = "\nJMS files status\n";
const char* const KORVO_HEAD = "\nKORVO java files status\n";
const char* const BOTH = "JMS classpath configuration supports both file system context and ldap\n";
const char* const JMS_OK = "All JMS files found in classpath\n";
const char* const KORVO_OK = "All KORVO files found in classpath\n";
const char* const DIR_MISSING = "***** jms directory missing from path (JAVA\\LIB)\n";

std::string error_line(const char* section, const char* name) {
  return std::string("***ERROR*** - ") + section + " file (" + name + ") not found in CLASSPATH\n";
}

TEST_F(Required, NothingFound) {
  const std::string jms =
      std::string(JMS_HEAD) + error_line("JMS", "ZANTH.CORE.JAR") +
      error_line("JMS", "ZANTH.BRIDGE.JAR") + error_line("JMS", "ORVIS.JAR") +
      error_line("JMS", "NOMIA.JAR") + error_line("JMS", "BRESK.JAR") +
      error_line("JMS", "QUILLET.JAR") +
      "Either MURREL.JAR or SORREK.JAR or both is required for JMS\n" +
      "***Warning - WEXLIN.JAR file is required for the latest level of RQ64\n" +
      "***Warning - tuvak.jar is missing and is required for SARNEX5.3 UPD4\n";
  const std::string korvo = std::string(KORVO_HEAD) + error_line("KORVO", "KORVOJAVA.ZIP") +
                            error_line("KORVO", "LUMBEN.ZIP") + error_line("KORVO", "ESKERO.ZIP");
  EXPECT_EQ(report(0), jms + korvo);
  EXPECT_EQ(report(1), jms + DIR_MISSING + korvo);
}

TEST_F(Required, EverythingFound) {
  set_all();
  const std::string all_clear = std::string(JMS_HEAD) + BOTH + JMS_OK + KORVO_HEAD + KORVO_OK;
  EXPECT_EQ(report(0), all_clear);
  // With PATH walked the directory line takes the place of the all-clear line.
  EXPECT_EQ(report(1), std::string(JMS_HEAD) + BOTH + DIR_MISSING + KORVO_HEAD + KORVO_OK);
  required_files.library_directory_found = 1;
  EXPECT_EQ(report(1), all_clear);
  EXPECT_EQ(report(0), all_clear);
  // path_walked counts only when it is exactly 1.
  required_files.library_directory_found = 0;
  EXPECT_EQ(report(2), all_clear);
}

TEST_F(Required, ThePairOfConfigurationFiles) {
  struct Case {
    int murrel, sorrek;
    const char* line;
  };
  const Case cases[] = {
      {1, 0, "JMS classpath configuration is for file system context\n"},
      {0, 1, "JMS classpath configuration is for ldap\n"},
      {0, 0, "Either MURREL.JAR or SORREK.JAR or both is required for JMS\n"},
  };
  for (const Case& c : cases) {
    set_all();
    required_files.file_found[6] = c.murrel;
    required_files.file_found[8] = c.sorrek;
    EXPECT_EQ(report(0), std::string(JMS_HEAD) + c.line + KORVO_HEAD + KORVO_OK);
  }
}

TEST_F(Required, EachMissingFileAloneClearsOnlyItsOwnSection) {
  for (int row = 0; row < REQUIRED_FILE_COUNT; ++row) {
    if (row == 6 || row == 8) continue;  // the pair has its own test
    set_all();
    required_files.file_found[row] = 0;
    const RequiredFileRow& r = required_file_catalogue[row];
    std::string jms = std::string(JMS_HEAD), korvo = std::string(KORVO_HEAD);
    if (row == 7) {
      jms += BOTH +
             std::string("***Warning - WEXLIN.JAR file is required for the latest level of RQ64\n");
    } else if (row == 9) {
      jms += BOTH +
             std::string("***Warning - tuvak.jar is missing and is required for SARNEX5.3 UPD4\n");
    } else if (std::strcmp(r.section, "JMS") == 0) {
      jms += error_line("JMS", r.name) + BOTH;
    } else {
      jms += std::string(BOTH) + JMS_OK;
      korvo += error_line("KORVO", r.name);
    }
    if (std::strcmp(r.section, "JMS") == 0) korvo += KORVO_OK;
    EXPECT_EQ(report(0), jms + korvo) << r.name;
  }
}

TEST_F(Required, WalksFeedTheReportEndToEnd) {
  // The class path holds every file, partly through relative and repeated
  // entries; PATH holds the jms directory.
  fake.add_dir("C:\\work");
  fake.set_cwd("C:\\work");
  std::string cp;
  for (int row = 0; row < REQUIRED_FILE_COUNT; ++row) {
    std::string path = std::string("C:\\jars\\") + required_file_catalogue[row].name;
    fake.add_file(path);
    cp +=
        (row % 2 == 0 ? path : std::string("..\\jars\\") + required_file_catalogue[row].name) + ";";
  }
  fake.add_dir("C:\\Program Files\\Java\\Lib");
  fake.set_env("CLASSPATH", cp + "C:\\jars\\orvis.jar");
  fake.set_env("PATH", "C:\\Program Files\\Java\\Lib");
  std::string out = run_tool(fake, {"-j", "-p"});
  EXPECT_NE(out.find(std::string(JMS_HEAD) + BOTH + JMS_OK + KORVO_HEAD + KORVO_OK),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("Total entries = 14 (0 not found 1 duplicates)"), std::string::npos) << out;
}

}  // namespace
