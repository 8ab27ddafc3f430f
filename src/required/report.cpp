#include <cstring>

#include "platform/output.h"
#include "required/required.h"

namespace {

// Catalogue rows the JMS section treats one by one.
constexpr int ROW_MURREL = 6;
constexpr int ROW_WEXLIN = 7;
constexpr int ROW_SORREK = 8;
constexpr int ROW_TUVAK = 9;

// Error lines for the section's required files, in catalogue order. Returns
// whether none was missing.
bool report_missing_required(const char* section) {
  bool all_found = true;
  for (int row = 0; row < REQUIRED_FILE_COUNT; ++row) {
    const RequiredFileRow& file = required_file_catalogue[row];
    if (file.role == ROLE_REQUIRED && std::strcmp(file.section, section) == 0 &&
        required_files.file_found[row] == 0) {
      report_missing_file(file.section, file.name);
      all_found = false;
    }
  }
  return all_found;
}

}  // namespace

void report_missing_file(const char* section, const char* file_name) {
  out_print("***ERROR*** - %s file (%s) not found in CLASSPATH\n", section, file_name);
}

void report_required_files(int path_walked) {
  const int* found = required_files.file_found;

  out_print("\nJMS files status\n");
  bool all_found = report_missing_required("JMS");
  if (found[ROW_MURREL] != 0 && found[ROW_SORREK] != 0) {
    out_print("JMS classpath configuration supports both file system context and ldap\n");
  } else if (found[ROW_MURREL] != 0) {
    out_print("JMS classpath configuration is for file system context\n");
    all_found = false;
  } else if (found[ROW_SORREK] != 0) {
    out_print("JMS classpath configuration is for ldap\n");
    all_found = false;
  } else {
    out_print("Either %s or %s or both is required for JMS\n",
              required_file_catalogue[ROW_MURREL].name, required_file_catalogue[ROW_SORREK].name);
    all_found = false;
  }
  if (found[ROW_WEXLIN] == 0) {
    out_print("***Warning - %s file is required for the latest level of RQ64\n",
              required_file_catalogue[ROW_WEXLIN].name);
    all_found = false;
  }
  if (found[ROW_TUVAK] == 0) {
    out_print("***Warning - tuvak.jar is missing and is required for SARNEX5.3 UPD4\n");
    all_found = false;
  }
  // Without a PATH walk the directory was never looked for.
  if (path_walked == 1 && required_files.library_directory_found == 0) {
    out_print("***** jms directory missing from path (%s)\n", "JAVA\\LIB");
  } else if (all_found) {
    out_print("All JMS files found in classpath\n");
  }

  out_print("\nKORVO java files status\n");
  if (report_missing_required("KORVO")) out_print("All KORVO files found in classpath\n");
}
