// -w: which java, javac and javaw a console runs, and JAVA_HOME held against them.
#pragma once

constexpr int RELEASE_VERSION_BYTES = 100;

// One program a console finds, and its version.
struct JavaMatch {
  int name, piece;                          // indexes into the names and the PATHEXT pieces
  char* path;                               // as printed
  char release[RELEASE_VERSION_BYTES + 1];  // from the release file; "" when none
  bool has_file_version;                    // else from the version resource:
  int high, low;                            // its fixed file version
};

// Prints the section: each name's matches in search order, then JAVA_HOME.
// `command`: a java command's section holds the version line of the java that runs.
void report_java_programs(bool command);

// ", version 17.0.2" or ", file version 8.0.3910.13", when known.
void print_java_version(const JavaMatch& version);
// The feature version: 8 for 1.8.0_391 or file version 8.0.3910.13, 17 for 17.0.2; -1 when
// it is not known.
int feature_version(const JavaMatch& version);

enum ProgramSearch { PROGRAM_FOUND, PROGRAM_NOT_RECOGNIZED, PROGRAM_NO_PATH };
constexpr int PROGRAM_PATH_BYTES = 2400;
struct ProgramFound {
  ProgramSearch result;
  char path[PROGRAM_PATH_BYTES];  // its full path, its name as the folder lists it
  bool is_program;                // .exe or .com: a version can be read, it is no script
  JavaMatch version;              // its version, when it is a program
};
// `word` found as a console finds a command: with '\', '/' or ':' in it, that
// path; else in the start directory, then in each PATH directory. Without an
// extension, with each PATHEXT extension in turn. False when memory ran out.
bool find_program(const char* word, ProgramFound& found);
// The java a console runs, found as -w finds it (one search serves both), sets the Java whose
// rules the class path is read by (class_path.java): its feature version, else Java 25. With
// `say`, the line that names it. Prints nothing of -w's.
void read_as_running_java(bool say);
// Gives back what the search kept; -w's report does so itself.
void java_search_release();
