// Command line and the run sequence.
#pragma once

struct RunOptions {
  int walk_path;       // -p: walk PATH after CLASSPATH
  int walk_lib;        // -l: walk LIB after PATH
  int check_required;  // -j: report the JMS and KORVO files
  int show_help;       // -? or /?: usage text only
  int check_classes;   // -c: report classes found more than once in CLASSPATH
  int find_java;       // -w: show which java programs run, and check JAVA_HOME
};

// Sets the flags the arguments ask for; unrecognised text is ignored.
void scan_arguments(int argc, const char* const* argv, RunOptions& options);

void print_usage(const char* program_name);

// The whole run on the installed platform. Always returns 0.
int run_cpvalid(int argc, const char* const* argv);
