// The thirteen files a JMS messaging client and a KORVO database client need
// on the class path, and the jms directory on PATH: noted during the walks,
// reported after them.
#pragma once

constexpr int REQUIRED_FILE_COUNT = 13;

enum RequiredRole { ROLE_REQUIRED, ROLE_FILE_SYSTEM_CONTEXT, ROLE_LDAP, ROLE_WARNING };

struct RequiredFileRow {
  const char* name;     // upper case
  const char* section;  // "JMS" or "KORVO"
  RequiredRole role;
};

extern const RequiredFileRow required_file_catalogue[REQUIRED_FILE_COUNT];

struct RequiredFiles {
  int file_found[REQUIRED_FILE_COUNT];
  int library_directory_found;
};

extern RequiredFiles required_files;

// Clears every flag; a run starts with all of them clear.
void required_files_clear();

// A class-path entry that exists as a file.
void note_class_path_file(const char* entry);
// A PATH entry that exists as a directory.
void note_path_directory(const char* entry);

// Prints the JMS and KORVO sections; `path_walked` is 1 when PATH was walked.
void report_required_files(int path_walked);
void report_missing_file(const char* section, const char* file_name);
