// The java command's section: which java runs, what java says before main
// runs and why, from the command's record and the class path Java opened.
#include <cstring>

#include "base/allocator.h"
#include "classes/classes.h"
#include "command/command.h"
#include "command/lookup.h"
#include "lists/class_path.h"
#include "lists/lists.h"
#include "platform/output.h"

namespace {

// How javaw shows what java prints: its launcher's own errors in a message box,
// java's texts nowhere, an exception as one line in a box.
enum Seen { SEEN_IN_BOX, SEEN_NEVER, SEEN_AS_EXCEPTION };

void print_java_name(int major) { out_print(major < 49 ? "1.%d" : "%d", major - 44); }

// The main class with '/' made '.', as java names it.
void dotted(const char* name, char* out) {
  std::size_t len = std::strlen(name);
  for (std::size_t i = 0; i <= len; ++i) out[i] = name[i] == '/' ? '.' : name[i];
}

// The end of the raw word that begins at `at`: its quotes followed.
int raw_end(const char* line, int at) {
  bool quoted = false;
  int i = at;
  for (; line[i] != '\0' && (quoted || (line[i] != ' ' && line[i] != '\t')); ++i) {
    int slashes = 0;
    while (line[i + slashes] == '\\') ++slashes;
    if (slashes > 0 && line[i + slashes] == '"') {
      i += slashes;
      if (slashes % 2 == 1) continue;
    }
    if (line[i] == '"') quoted = !quoted;
  }
  return i;
}

void print_raw(const char* line, int from, int to) {
  char text[COMMAND_TEXT_BYTES];
  int len =
      to - from < static_cast<int>(COMMAND_TEXT_BYTES) - 1 ? to - from : COMMAND_TEXT_BYTES - 1;
  std::memcpy(text, line + from, static_cast<std::size_t>(len));
  text[len] = '\0';
  out_print("%s", text);
}

void print_java_found(const JavaCommand& c) {
  const char* java_word = word(c.words, 0);
  if (c.java.result == PROGRAM_FOUND) {
    out_print("%s runs %s", java_word, c.java.path);
    if (c.java.is_program) print_java_version(c.java.version);
    out_print("\n");
  } else if (c.java.result == PROGRAM_NO_PATH) {
    out_print("***ERROR*** - cmd says: The system cannot find the path specified.\n");
  } else {
    out_print("***ERROR*** - cmd says: '");
    int at = c.words.raw[0];
    if (c.quoted_raw != nullptr && at >= 0) {
      print_raw(c.quoted_raw, at, raw_end(c.quoted_raw, at));
    } else {
      out_print("%s", java_word);
    }
    out_print("' is not recognized as an internal or external command,\n");
    out_print("operable program or batch file.\n");
  }
  if (c.feature < 0)
    out_print(
        "***Warning - the version of the java that runs is unknown: checked as Java 25 would check "
        "it\n");
}

// The class path option -jar replaced, with its value, as java read them.
void print_replaced_option(const JavaCommand& c) {
  const char* option = word(c.words, c.replaced_word);
  out_print("%s", option);
  bool separate = std::strchr(option, '=') == nullptr && c.replaced_word + 1 < c.words.count;
  if (separate) out_print(" %s", word(c.words, c.replaced_word + 1));
}

void print_warnings(const JavaCommand& c) {
  if (c.env_options != nullptr && c.rules >= 9)
    out_print("***Warning - JDK_JAVA_OPTIONS adds %s\n", c.env_options);
  if (c.tool_options != nullptr)
    out_print("***Warning - JAVA_TOOL_OPTIONS adds %s\n", c.tool_options);
  if (c.setter == SET_BY_JAVA_OPTIONS) {
    out_print("***Warning - _JAVA_OPTIONS sets the class path: java ignores %s\n",
              c.java_options_replaced);
  }
  if (c.entry != ENTRY_JAR) return;
  if (c.replaced_word >= 0) {
    out_print("***Warning - with -jar, java ignores ");
    print_replaced_option(c);
    out_print("\n");
  }
  if (c.classpath_set) out_print("***Warning - with -jar, java ignores CLASSPATH\n");
}

void print_jar_version(const JavaCommand& c) {
  if (!c.jar_version_said || c.multi_release_off) return;
  out_print("***Warning - -Djdk.util.jar.version=%s: multi-release jars are read as Java ",
            c.jar_version_text);
  out_print("%d\n", c.jar_version);
}

// The errors for a missing value end in java's word for a path given, split here in two.
constexpr const char* GIVEN =
    "speci"
    "fication";

void print_needs_value(const JavaCommand& c) {
  const char* texts[] = {"class path %s", "module path %s", "modules to be specified",
                         "module name", "source version"};
  out_print("    Error: %s requires ", c.subject);
  out_print(texts[c.needs], GIVEN);
  out_print("\n");
  if (c.rules < 9) out_print("    (java prints its usage)\n");  // Java 8 adds its usage
}

// java's lines for each stop of its launcher or of its reading of -jar, the stop's subject in
// the first %s and GIVEN in a second; and what javaw shows of them.
struct StopLines {
  JavaStop stop;
  const char* lines;
  Seen seen;
};
const StopLines STOP_LINES[] = {
    {STOP_UNMATCHED_QUOTE, "Error: Unmatched quote in environment variable JDK_JAVA_OPTIONS",
     SEEN_IN_BOX},
    {STOP_NOT_ALLOWED_IN_ENV,
     "Error: Option %s is not allowed in environment variable JDK_JAVA_OPTIONS", SEEN_IN_BOX},
    {STOP_MAIN_CLASS_IN_ENV,
     "Error: Cannot specify main class in environment variable JDK_JAVA_OPTIONS", SEEN_IN_BOX},
    {STOP_ARGUMENT_FILE, "Error: could not open `%s'", SEEN_IN_BOX},
    {STOP_JAR_NEEDS_VALUE, "Error: %s requires jar file %s\n    (java prints its usage)",
     SEEN_IN_BOX},
    {STOP_USAGE, "(java prints its usage)", SEEN_IN_BOX},
    {STOP_UNRECOGNIZED,
     "Unrecognized option: %s\n    Error: Could not create the Java Virtual Machine.\n    "
     "Error: A fatal exception has occurred. Program will exit.",
     SEEN_IN_BOX},
    {STOP_JAR_UNREADABLE, "Error: Unable to access jarfile %s", SEEN_IN_BOX},
    {STOP_JAR_INVALID, "Error: Invalid or corrupt jarfile %s", SEEN_IN_BOX},
    {STOP_JAR_UNEXPECTED, "Error: An unexpected error occurred while trying to open file %s",
     SEEN_NEVER},
    {STOP_JAR_NO_MAIN, "no main manifest attribute, in %s", SEEN_NEVER},
    {STOP_AGENT_MISSING, "Exception in thread \"main\" java.lang.ClassNotFoundException: %s",
     SEEN_AS_EXCEPTION}};

// java's own lines for a stop of its launcher or of its reading of -jar.
Seen print_launcher_stop(const JavaCommand& c) {
  if (c.stop == STOP_NEEDS_VALUE) {
    print_needs_value(c);
    return SEEN_IN_BOX;
  }
  for (const StopLines& row : STOP_LINES) {
    if (row.stop != c.stop) continue;
    out_print("    ");
    out_print(row.lines, c.subject, GIVEN);  // a row without %s takes neither
    out_print("\n");
    return row.seen;
  }
  return SEEN_IN_BOX;
}

// java's lines for its main class.
Seen print_main_class_stop(const JavaCommand& c, const ClassFound& found) {
  char name[COMMAND_TEXT_BYTES];
  char file[COMMAND_TEXT_BYTES];
  char internal[COMMAND_TEXT_BYTES];
  dotted(c.main_class, name);
  class_file_name(c.main_class, file, internal);
  if (c.stop == STOP_MAIN_TOO_NEW) {
    int newest = (c.feature >= 0 ? c.feature : UNKNOWN_JAVA_RULES) + 44;
    if (c.rules < 9) {
      out_print(
          "    Error: A JNI error has occurred, please check your installation and try again\n");
      out_print("    Exception in thread \"main\" java.lang.UnsupportedClassVersionError: ");
    } else {
      out_print("    Error: LinkageError occurred while loading main class %s\n", name);
      out_print("    \tjava.lang.UnsupportedClassVersionError: ");
    }
    out_print(
        "%s has been compiled by a more recent version of the Java Runtime (class file "
        "version %d.%d), this version of the Java Runtime only recognizes class file "
        "versions up to %d.0\n",
        internal, found.major, found.minor, newest);
    return c.rules < 9 ? SEEN_AS_EXCEPTION : SEEN_NEVER;
  }
  if (c.stop == STOP_MAIN_PREVIEW_DISABLED || c.stop == STOP_MAIN_PREVIEW_UNSUPPORTED ||
      c.stop == STOP_MAIN_INVALID_MINOR) {
    out_print("    Error: LinkageError occurred while loading main class %s\n", name);
    out_print("    \tjava.lang.UnsupportedClassVersionError: ");
    if (c.stop == STOP_MAIN_PREVIEW_DISABLED) {
      out_print(
          "Preview features are not enabled for %s (class file version %d.65535). Try running "
          "with '--enable-preview'\n",
          internal, found.major);
    } else if (c.stop == STOP_MAIN_PREVIEW_UNSUPPORTED) {
      out_print(
          "%s (class file version %d.65535) was compiled with preview features that are "
          "unsupported. This version of the Java Runtime only recognizes preview features "
          "for class file version %d.65535\n",
          internal, found.major, (c.feature >= 0 ? c.feature : UNKNOWN_JAVA_RULES) + 44);
    } else {
      out_print(
          "%s (class file version %d.%d) was compiled with an invalid non-zero minor version\n",
          internal, found.major, found.minor);
    }
    return SEEN_NEVER;
  }
  out_print("    Error: Could not find or load main class %s\n", name);
  if (c.stop == STOP_MAIN_WRONG_NAME && c.rules >= 9) {
    out_print("    Caused by: java.lang.NoClassDefFoundError: %s (wrong name: %s)\n", internal,
              found.listed);
  }
  if (c.stop == STOP_MAIN_NOT_FOUND && c.rules >= 11)
    out_print("    Caused by: java.lang.ClassNotFoundException: %s\n", name);
  return SEEN_NEVER;
}

// An entry with a '*' that is no wildcard: java reads it as a name.
void print_false_wildcards(const JavaCommand& c) {
  if (c.class_path == nullptr || !c.expands_wildcards) return;
  char entry[MAX_ENTRY_CHARS + 1];
  for (const char* p = c.class_path; *p != '\0'; p += *p == ';') {
    p = take_segment(p, entry, true);
    if (std::strchr(entry, '*') != nullptr && !is_class_path_wildcard(entry))
      out_print("    because %s is no wildcard: java expands only a final *\n", entry);
  }
}

// An argument with \" in it, as typed: Windows reads a quote there and the argument runs on.
void print_runaway_quotes(const JavaCommand& c) {
  if (c.quoted_raw == nullptr) return;
  for (int i = 0; i < c.words.count; ++i) {
    int at = c.words.raw[i];
    if (at < 0) continue;
    int end = raw_end(c.quoted_raw, at);
    for (int j = at; j < end; ++j) {
      int slashes = 0;
      while (j + slashes < end && c.quoted_raw[j + slashes] == '\\') ++slashes;
      if (slashes % 2 == 1 && c.quoted_raw[j + slashes] == '"') {
        out_print("    because the argument ");
        print_raw(c.quoted_raw, at, j + slashes + 1);
        out_print(" ends in \\\": Windows reads that as a quote, so the argument runs on\n");
        break;
      }
      j += slashes;
    }
  }
}

void print_reasons(const JavaCommand& c, const ClassFound& found, Seen seen) {
  char file[COMMAND_TEXT_BYTES];
  char internal[COMMAND_TEXT_BYTES];
  class_file_name(c.main_class, file, internal);
  if (c.stop == STOP_MAIN_NOT_FOUND) {
    out_print("    because no element of the class path holds %s\n", file);
    for (int i = 0; i < found.other_case_count; ++i) {
      out_print("    because %s holds %s: names in an archive match in case\n",
                class_path.elements[found.other_case[i].element].text, found.other_case[i].name);
    }
    std::size_t len = std::strlen(c.main_class);
    if (len > 6 && std::strcmp(c.main_class + len - 6, ".class") == 0) {
      char bare[COMMAND_TEXT_BYTES];
      std::memcpy(bare, c.main_class, len - 6);
      bare[len - 6] = '\0';
      out_print("    because %s ends in .class: name the class, %s\n", c.main_class, bare);
    }
    if (std::strchr(c.main_class, '\\') != nullptr)
      out_print("    because %s holds a \\: separate packages with . or /\n", c.main_class);
    if (c.setter != SET_BY_DEFAULT && start_directory_holds(c.main_class)) {
      out_print(
          "    because the start directory holds %s, but java searches it only when the class "
          "path names it\n",
          file);
    }
    for (int i = 0; i < class_path.left_out_count; ++i) {
      MemberFound member;
      bool holds =
          find_member(class_path.left_out[i].full, file, 0, member) == READ_DONE && member.exact;
      if (holds)
        out_print("    because Java leaves out %s, which holds it\n", class_path.left_out[i].text);
    }
    print_false_wildcards(c);
  }
  print_runaway_quotes(c);
  if (c.stop == STOP_JAR_UNREADABLE)
    out_print(c.jar_folder ? "    because %s is a folder\n" : "    because %s does not exist\n",
              c.subject);
  if (c.stop == STOP_MAIN_TOO_NEW) {
    out_print("    because %s needs Java ", class_path.elements[found.element].text);
    print_java_name(found.major);
    out_print(", and %s is Java ", word(c.words, 0));
    print_java_name(c.feature + 44);
    out_print("\n");
  }
  if (c.javaw && seen == SEEN_NEVER)
    out_print("    because javaw shows no console: this error is never seen\n");
  if (c.javaw && seen == SEEN_AS_EXCEPTION)
    out_print("    because javaw shows only \"A Java Exception has occurred.\"\n");
}

void print_main_class_line(const JavaCommand& c, const ClassFound& found) {
  char name[COMMAND_TEXT_BYTES];
  dotted(c.main_class, name);
  out_print("Main class %s", name);
  if (c.entry == ENTRY_JAR) out_print(" (Main-Class of %s)", word(c.words, c.entry_word));
  out_print(" loads from %s", class_path.elements[found.element].text);
  if (found.major != 0) {
    out_print(", for Java ");
    print_java_name(found.major);
    if (found.minor == 0xFFFF && found.major >= 56) {
      out_print(" preview (class file version %d.65535)", found.major);
    } else {
      out_print(" (class file version %d)", found.major);
    }
  }
  out_print("\n");
}

void print_out_of_scope(const JavaCommand& c) {
  if (c.entry == ENTRY_MODULE) {
    out_print("The java command runs a module: cpvalid checks no modules\n");
  } else if (c.entry == ENTRY_SOURCE) {
    out_print("The java command runs the source file %s: cpvalid checks no source files\n",
              c.entry_word >= 0 ? word(c.words, c.entry_word) : "");
  } else {
    out_print("java prints %s and loads no main class\n", word(c.words, c.prints_word));
  }
}

// Looks for the main class, and for a -jar's agent first; sets the stop they meet.
void find_main_class(JavaCommand& c, ClassFound& found) {
  found.element = -1;
  if (c.agent_class[0] != '\0') {
    find_class(c.agent_class, found, false);
    if (found.stopped_at >= 0) return;
    if (found.element < 0) {
      c.stop = STOP_AGENT_MISSING;
      copy_command_text(c.subject, c.agent_class);
      return;
    }
  }
  find_class(c.main_class, found, true);
  if (found.stopped_at >= 0) return;
  int newest = (c.feature >= 0 ? c.feature : UNKNOWN_JAVA_RULES) + 44;
  if (found.element < 0)
    c.stop = STOP_MAIN_NOT_FOUND;
  else if (found.wrong_name)
    c.stop = STOP_MAIN_WRONG_NAME;
  else if (found.major > newest)
    c.stop = STOP_MAIN_TOO_NEW;
  else if (found.major >= 56 && found.minor == 0xFFFF && found.major != newest)
    c.stop = STOP_MAIN_PREVIEW_UNSUPPORTED;
  else if (found.major >= 56 && found.minor == 0xFFFF && !c.enable_preview)
    c.stop = STOP_MAIN_PREVIEW_DISABLED;
  else if (found.major >= 56 && found.minor != 0 && found.minor != 0xFFFF)
    c.stop = STOP_MAIN_INVALID_MINOR;
}

}  // namespace

namespace {

// The elements too new for the java, then the status: 1 when java stops or cmd finds no java.
int finish_section(const JavaCommand& c, bool stops) {
  if (c.feature >= 0) report_newer_classes(word(c.words, 0), c.feature, "of the class path", true);
  bool cmd_failed = c.java.result != PROGRAM_FOUND;
  return stops || cmd_failed ? 1 : 0;
}

void print_verdict_lines(const LoadVerdict& v) {
  const char* line = load_first_line(v);
  for (int i = 0; line != nullptr; ++i) {
    out_print("    %s\n", line);
    line = load_next_line(v, line);
  }
}

// What java's checks of the class it loads say, once its file is found and its version holds.
int report_loading(const JavaCommand& c, const ClassFound& found) {
  char file[COMMAND_TEXT_BYTES];
  char internal[COMMAND_TEXT_BYTES];
  class_file_name(c.main_class, file, internal);
  LoadingContext context = {internal, found.element, nullptr, false};
  int feature = c.feature >= 0 ? c.feature : UNKNOWN_JAVA_RULES;
  LoadQuery query = {c.main_class,
                     feature,
                     word(c.words, 0),
                     c.enable_preview,
                     c.module_path && c.javafx_modules,
                     c.jar_javafx,
                     lookup_for_loading,
                     &context};
  LoadVerdict v;
  load_main_class(query, v);
  mem_give(context.bytes);
  if (v.outcome == LOAD_OUT_OF_MEMORY || context.out_of_memory) {
    load_release(v);
    out_print("*****Out of memory: cpvalid could not read the java command\n");
    return 1;
  }
  if (v.main_loaded) print_main_class_line(c, found);
  if (v.preview_unchecked)
    out_print("***Warning - cpvalid does not check main methods of Java %d with --enable-preview\n",
              feature);
  if (v.outcome == LOAD_LIMIT) out_print("%s\n", load_first_line(v));
  if (v.outcome == LOAD_STOPS) {
    out_print("***ERROR*** - java stops, saying:\n");
    print_verdict_lines(v);
    print_runaway_quotes(c);
    if (c.javaw && v.to_launcher)
      out_print("    because javaw shows only \"A Java Exception has occurred.\"\n");
    if (c.javaw && !v.to_launcher)
      out_print("    because javaw shows no console: this error is never seen\n");
  }
  bool stops = v.outcome == LOAD_STOPS || v.outcome == LOAD_LIMIT;
  load_release(v);
  return finish_section(c, stops);
}

}  // namespace

void walk_command_class_path(const JavaCommand& c) {
  if (c.setter == SET_BY_CLASSPATH) {
    out_print("Validating CLASSPATH\n");
    validate_list("CLASSPATH", LK_CLASSPATH);
    return;
  }
  class_path.from_command = true;
  bool by_default = c.setter == SET_BY_DEFAULT;
  out_print("Validating the class path of the java command (%s)\n",
            by_default ? "the start directory" : c.setter_name);
  walk_value(by_default ? "." : c.class_path, "the class path", LK_CLASSPATH,
             {true, c.expands_wildcards});
  if (by_default) class_path.start = START_BY_DEFAULT;
  if (!by_default && c.class_path[0] == '\0') note_start_directory(START_EMPTY_VALUE);
}

int report_java_command(JavaCommand& c) {
  out_print("\nThe java command\n");
  if (c.stop == STOP_OUT_OF_MEMORY) {
    out_print("*****Out of memory: cpvalid could not read the java command\n");
    return 1;
  }
  print_java_found(c);
  print_warnings(c);
  print_jar_version(c);
  ClassFound found = {};
  found.element = -1;
  found.stopped_at = -1;
  bool scope = c.stop == STOP_NONE &&
               (c.entry == ENTRY_MODULE || c.entry == ENTRY_SOURCE || c.entry == ENTRY_PRINTS);
  if (scope) print_out_of_scope(c);
  bool looks = c.stop == STOP_NONE && !scope;
  if (looks) find_main_class(c, found);
  // Without every element read, no verdict on the main class would be sound.
  const char* stopped_at =
      found.stopped_at >= 0 ? class_path.elements[found.stopped_at].text : class_path.unkept;
  if (looks && stopped_at != nullptr) {
    out_print("*****Out of memory: the search stopped at %s\n", stopped_at);
    return 1;
  }
  if (c.stop == STOP_NONE && !scope) return report_loading(c, found);
  if (c.stop == STOP_ARGUMENT_FILE_LIMIT) {
    out_print("***ERROR*** - cpvalid reads argument files up to 16 MiB: %s is larger\n", c.subject);
  } else if (c.stop != STOP_NONE) {
    out_print("***ERROR*** - java stops, saying:\n");
    bool main = c.stop >= STOP_MAIN_NOT_FOUND && c.stop <= STOP_MAIN_INVALID_MINOR;
    Seen seen = main ? print_main_class_stop(c, found) : print_launcher_stop(c);
    print_reasons(c, found, seen);
  }
  return finish_section(c, c.stop != STOP_NONE);
}

void release_java_command(JavaCommand& c) { words_release(c.words); }
