#include "app/app.h"

#include "classes/classes.h"
#include "command/command.h"
#include "lists/class_path.h"
#include "lists/current_dir.h"
#include "lists/lists.h"
#include "manifests/manifests.h"
#include "platform/output.h"
#include "required/required.h"
#include "which/which.h"

namespace {

void scan_one_argument(const char* arg, RunOptions& options) {
  const char* p = arg;
  for (;;) {
    char marker = p[0];
    char letter = marker != '\0' ? p[1] : '\0';
    if (marker == '-' && (letter == 'p' || letter == 'P')) options.walk_path = 1;
    if (marker == '-' && (letter == 'l' || letter == 'L')) options.walk_lib = 1;
    if ((marker == '-' || marker == '/') && letter == '?') options.show_help = 1;
    if (marker == '-' && (letter == 'j' || letter == 'J')) options.check_required = 1;
    if (marker == '-' && (letter == 'c' || letter == 'C')) options.check_classes = 1;
    if (marker == '-' && (letter == 'w' || letter == 'W')) options.find_java = 1;
    // Chained options: "-p-l" goes on at the second '-'.
    if (marker != '\0' && letter != '\0' && p[2] == '-') {
      p += 2;
    } else {
      return;
    }
  }
}

}  // namespace

void scan_arguments(int argc, const char* const* argv, RunOptions& options) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i] != nullptr) scan_one_argument(argv[i], options);
  }
}

void print_usage(const char* program_name) {
  out_print("Command usage is:\n\n");
  out_print("  %s {-p} {-l}\n\n", program_name);
  out_print("  -j check CLASSPATH for JMS and KORVO files\n");
  out_print("  -p validate PATH\n");
  out_print("  -l validate LIB\n");
  out_print("  -c check CLASSPATH for classes found more than once\n");
  out_print("  -w show which java, javac and javaw run, and check JAVA_HOME\n");
  out_print(
      "  java ... check the class path and main class of a java command (put cpvalid in front of "
      "it)\n");
}

namespace {

JavaCommand command;

// The whole command quoted as one argument: java never sees it that way.
void warn_quoted_command(int count, const char* const* argv) {
  for (int i = 1; i < count; ++i) {
    if (argv[i] != nullptr && is_quoted_command(argv[i])) {
      out_print(
          "***Warning - the java command is one quoted argument: write it without the quotes "
          "around it\n");
      return;
    }
  }
}

// The class path is read by the rules of the command's java.
void read_as_command_java(const JavaCommand& c) {
  class_path.java.feature = c.feature >= 0 ? c.feature : UNKNOWN_JAVA_RULES;
  class_path.java.jar_version = c.jar_version;
  class_path.java.multi_release = !c.multi_release_off;
  class_path.java.preview = c.enable_preview;
  class_path.java.command = true;
}

}  // namespace

int run_cpvalid(int argc, const char* const* argv) {
  out_reset();
  required_files_clear();
  RunOptions options = {0, 0, 0, 0, 0, 0};

  out_print("\nClasspath validation tool V1.05 (ZP17)\n");
  out_print("Copyright (c) 2026 The cpvalid authors\n");
  // From the java word on, nothing is cpvalid's.
  int java_word = find_java_word(argc, argv);
  int own = java_word > 0 ? java_word : argc;
  scan_arguments(own, argv, options);

  if (options.show_help == 1) {
    print_usage(argc > 0 && argv[0] != nullptr ? argv[0] : "cpvalid");
    out_flush();
    return 0;
  }

  if (java_word == 0) warn_quoted_command(own, argv);
  save_start_directory();
  bool has_command = false;
  command = {};
  if (java_word > 0) {
    read_java_command(argc, argv, command);
    has_command = command.words.count > 0 || command.stop == STOP_OUT_OF_MEMORY;
  }
  bool open = options.check_classes == 1 || has_command;
  class_path_begin(open);
  if (has_command) {
    read_as_command_java(command);
    want_main_class(command.main_class);
    walk_command_class_path(command);
  } else {
    out_print("Validating CLASSPATH\n");
    validate_list("CLASSPATH", LK_CLASSPATH);
  }
  if (options.walk_path == 1) {
    out_print("\nValidating PATH\n");
    validate_list("PATH", LK_PATH);
  }
  if (options.walk_lib == 1) {
    out_print("\nValidating LIB\n");
    validate_list("LIB", LK_LIB);
  }
  if (options.check_required == 1) report_required_files(options.walk_path);
  // Without a java command, -c reads the class path as the java a console runs would.
  if (options.check_classes == 1 && !has_command) read_as_running_java(true);
  if (open) open_class_path();
  if (options.check_classes == 1) report_duplicate_classes();
  int status = has_command ? report_java_command(command) : 0;
  if (options.find_java == 1) report_java_programs(has_command);
  // Kept by -c for the later sections.
  class_versions_release();
  names_release();
  class_path_release();
  java_search_release();
  release_java_command(command);
  want_main_class("");
  return_to_start_directory();
  out_flush();
  return status;
}
