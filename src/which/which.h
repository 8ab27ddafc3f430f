// Which java, javac and javaw a console runs: found as the console searches,
// with their versions, and JAVA_HOME held against them.
#pragma once

constexpr int JAVA_NAME_COUNT = 3;
extern const char* const JAVA_NAMES[JAVA_NAME_COUNT];
// Room for a path built from an environment value and a short name.
constexpr int WHICH_PATH_BYTES = 32800;
// Most bytes of a release file's JAVA_VERSION kept.
constexpr int RELEASE_VERSION_BYTES = 100;

struct JavaVersion {
  char release[RELEASE_VERSION_BYTES + 1];  // from the release file; "" when none
  bool has_file_version;                    // else from the version resource
  unsigned words[2];                        // its high and low halves
};

// One program a console finds.
struct JavaMatch {
  int name;             // index into JAVA_NAMES
  int dir, piece, seq;  // search order: directory, extension, listing
  char* path;           // as printed
  JavaVersion version;
};

// Whether `a` and `b` are the same text, a-z folded.
bool same_folded(const char* a, const char* b);
// `dir`, a '\' unless `dir` ends in '\', '/' or (with `after_colon`) ':',
// then `name`, into `out` (WHICH_PATH_BYTES); false when it does not fit.
bool join_path(const char* dir, const char* name, char* out, bool after_colon);
// Whether `path` names something that is not a directory.
bool is_file(const char* path);
// The version of `program` in `dir`: the release file above the directory
// when there is one, else the program's version resource.
void read_java_version(const char* dir, const char* program, JavaVersion& version);
void print_java_version(const JavaVersion& version);

// The matches of the start directory and PATH in search order: their count.
// The caller gives them back with release_java_matches.
int find_java_programs(JavaMatch*& matches);
void release_java_matches(JavaMatch* matches, int count);

// The whole section: the programs, then JAVA_HOME.
void report_java_programs();
