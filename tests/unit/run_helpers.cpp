#include "run_helpers.h"

#include <gtest/gtest.h>

#include "app/app.h"
#include "lists/current_dir.h"
#include "platform/output.h"
#include "required/required.h"

const char* const FILE_LABEL = "Found File ";
const char* const DIR_LABEL = "Found Dir  ";
const char* const MISSING_LABEL = "*Not found*";

const std::string BANNER =
    "\nClasspath validation tool V1.05 (ZP17)\nCopyright (c) 2026 The cpvalid authors\n";

void use_platform(FakePlatform& fake) {
  platform_install(&fake);
  out_reset();
  required_files_clear();
  save_start_directory();
}

std::string run_tool(FakePlatform& fake, const std::vector<std::string>& args) {
  platform_install(&fake);
  std::vector<const char*> argv = {"cpvalid"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  fake.out.clear();
  int status = run_cpvalid(static_cast<int>(argv.size() - 1), argv.data());
  EXPECT_EQ(status, 0);
  EXPECT_EQ(fake.open_handles(), 0) << "a probe left a file open";
  std::string lf;
  for (std::size_t i = 0; i < fake.out.size(); ++i) {
    if (fake.out[i] == '\r') {
      EXPECT_TRUE(i + 1 < fake.out.size() && fake.out[i + 1] == '\n') << "lone CR at " << i;
      continue;
    }
    if (fake.out[i] == '\n') EXPECT_TRUE(i > 0 && fake.out[i - 1] == '\r') << "bare LF at " << i;
    lf += fake.out[i];
  }
  return lf;
}

std::string entry_line(const std::string& status, bool duplicate, const std::string& entry) {
  return status + " " + (duplicate ? "*DUP*" : "     ") + " " + entry + "\n";
}
