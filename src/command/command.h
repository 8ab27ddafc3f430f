// A java command put after cpvalid's options: the arguments java's launcher
// reads, the java it runs, the class path it builds, and what java would say
// before main runs. cpvalid runs nothing.
#pragma once

#include <cstddef>

#include "which/which.h"

// A list of words, each zero-terminated, one after another in one block.
struct Words {
  char* text;
  int used, room;
  int* starts;  // where each word begins in `text`
  int* raw;     // where it begins on the command line; -1 for a word from elsewhere
  int count;
  int start_room, raw_room;
};

// Where java's entry point is, once the arguments are read.
enum EntryPoint {
  ENTRY_NONE,    // neither a main class nor an option that prints: java prints its usage
  ENTRY_CLASS,   // a main class
  ENTRY_JAR,     // -jar FILE: the main class is the manifest's Main-Class
  ENTRY_MODULE,  // -m or --module
  ENTRY_SOURCE,  // a source-file program, or --source
  ENTRY_PRINTS   // an option after which java prints and loads no main class
};

// What stops java, in the order the launcher meets it; each is printed from its name.
enum JavaStop {
  STOP_NONE,
  STOP_UNMATCHED_QUOTE,      // in JDK_JAVA_OPTIONS
  STOP_NOT_ALLOWED_IN_ENV,   // `subject`, an option that ends the launcher's work
  STOP_MAIN_CLASS_IN_ENV,    //
  STOP_ARGUMENT_FILE,        // `subject` cannot be opened
  STOP_ARGUMENT_FILE_LIMIT,  // `subject` is larger than cpvalid reads: a limit, not java's
  STOP_NEEDS_VALUE,          // `subject` lacks its value; `needs` says which text
  STOP_JAR_NEEDS_VALUE,      // -jar without a file: its error and java's usage
  STOP_UNRECOGNIZED,         // `subject` goes to the virtual machine, which refuses it
  STOP_USAGE,                // no main class: java prints its usage
  STOP_JAR_UNREADABLE,       // `subject`, the -jar file, cannot be opened
  STOP_JAR_INVALID,          // not an archive java's launcher reads
  STOP_JAR_UNEXPECTED,       // a manifest java's reader refuses
  STOP_JAR_NO_MAIN,          // no Main-Class
  STOP_AGENT_MISSING,        // `subject`, the Launcher-Agent-Class, is on no element
  STOP_MAIN_NOT_FOUND,       // the main class: set when it is looked for
  STOP_MAIN_WRONG_NAME,
  STOP_MAIN_TOO_NEW,
  STOP_MAIN_PREVIEW_DISABLED,     // a preview class of the java's own version, no --enable-preview
  STOP_MAIN_PREVIEW_UNSUPPORTED,  // a preview class of an older Java
  STOP_MAIN_INVALID_MINOR,        // a minor version no Java loads
  STOP_OUT_OF_MEMORY              // the command could not be read whole
};

enum ValueNeeded {
  NEEDS_CLASS_PATH,
  NEEDS_MODULE_PATH,
  NEEDS_MODULES,
  NEEDS_MODULE_NAME,
  NEEDS_SOURCE
};

// What set the class path, each replacing what came before.
enum ClassPathSetter {
  SET_BY_DEFAULT,      // nothing: the start directory
  SET_BY_CLASSPATH,    // the environment variable
  SET_BY_OPTION,       // -cp, -classpath, --class-path or -Djava.class.path=
  SET_BY_JAR,          // -jar FILE
  SET_BY_JAVA_OPTIONS  // -Djava.class.path= in _JAVA_OPTIONS
};

constexpr std::size_t COMMAND_TEXT_BYTES = 2100;

struct JavaCommand {
  Words words;    // the arguments java reads, the java word first
  int java_word;  // index of the java word on the raw command line's split
  bool javaw;     // the word names javaw, which shows no console
  ProgramFound java;
  int feature;             // the java's feature version; -1 when not known
  int rules;               // the version whose rules apply: 8, 11, 17, 21 or 25
  const char* quoted_raw;  // the command line, for the arguments as typed

  const char* env_options;   // JDK_JAVA_OPTIONS when it adds words; else nullptr
  const char* tool_options;  // JAVA_TOOL_OPTIONS when set

  ClassPathSetter setter;
  char setter_name[32];    // the option as typed: -cp, -classpath, --class-path, ...
  const char* class_path;  // the value; nullptr for the start directory
  bool expands_wildcards;
  int replaced_word;             // the class path option -jar replaced, as a word index; -1 none
  bool classpath_replaced;       // CLASSPATH was set, and an option or -jar replaced it
  bool classpath_set;            // CLASSPATH is defined
  bool java_options_class_path;  // _JAVA_OPTIONS sets it
  char java_options_value[COMMAND_TEXT_BYTES];
  char vm_refuses[COMMAND_TEXT_BYTES];
  char java_options_replaced[COMMAND_TEXT_BYTES];  // what _JAVA_OPTIONS replaced, as typed  // the
                                                   // first option the virtual machine does not know

  EntryPoint entry;
  int entry_word;   // the main class, the -jar file, the module or the source file
  int prints_word;  // the option that prints, for ENTRY_PRINTS
  bool module_path, javafx_modules, enable_preview;
  bool source_option;         // --source: the program is a source file
  int jar_version;            // multi-release jars are read as this Java
  char jar_version_text[24];  // the value of the last -Djdk.util.jar.version=; "" when none
  bool jar_version_said;      // that value is a version: the section says how jars are read
  bool multi_release_off;     // -Djdk.util.jar.enableMultiRelease=false

  JavaStop stop;
  ValueNeeded needs;
  char subject[COMMAND_TEXT_BYTES];      // the option, file or class a stop names
  char main_class[COMMAND_TEXT_BYTES];   // as typed, or the manifest's Main-Class
  char agent_class[COMMAND_TEXT_BYTES];  // the jar's Launcher-Agent-Class; "" when none
  bool jar_missing, jar_folder;          // why the -jar file cannot be opened
  bool jar_javafx;                       // its manifest has JavaFX-Application-Class
};

// `from` into a text of the record (COMMAND_TEXT_BYTES), cut there when longer.
void copy_command_text(char* to, const char* from);
// Notes what stops java, unless something stopped it before: java prints the first.
void stop_command(JavaCommand& command, JavaStop why, const char* subject);

// The -jar file's checks: with `native_only`, those of java's launcher, which
// come first; else java's own reading of its manifest, and its Main-Class.
void check_jar_file(JavaCommand& command, const char* file, bool native_only);

// Index of the first argument in argv[1..argc) that names java or javaw; 0 when none.
int find_java_word(int argc, const char* const* argv);
// Whether `arg` is the whole command quoted as one argument: a java word, then a blank.
bool is_quoted_command(const char* arg);

// Reads the command from the raw command line (or `argv` when the platform
// does not know it), the environment and the files: everything but the main
// class, which needs the class path opened. False when memory ran out.
bool read_java_command(int argc, const char* const* argv, JavaCommand& command);
// Has every archive asked for the main class's file as the class path is opened.
void want_main_class(const char* name);
// The class path's heading and walk, as -c then opens it.
void walk_command_class_path(const JavaCommand& command);
// Looks for the main class in what Java opened, then prints the section.
// Returns the exit status: 1 when java stops or cmd cannot run it.
int report_java_command(JavaCommand& command);
void release_java_command(JavaCommand& command);

// The launcher's split of a command line, from its start.
bool split_command_line(const char* line, Words& words);
// JDK_JAVA_OPTIONS's words: false for an unmatched quote.
bool split_env_options(const char* value, Words& words, bool& unmatched);
// An argument file's words, added to `words`; false when memory ran out.
bool split_argument_file(const char* text, std::size_t len, Words& words);
bool words_add(Words& words, const char* text, std::size_t len, int raw);
const char* word(const Words& words, int i);
void words_release(Words& words);
