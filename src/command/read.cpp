// Reading a java command as java's launcher reads it: the words, the options,
// the class path they set and the entry point, up to the first error.
#include <cstring>

#include "base/allocator.h"
#include "base/ascii.h"
#include "command/command.h"
#include "lists/class_path.h"
#include "lists/lists.h"
#include "platform/platform.h"

namespace {

bool same_folded(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (ascii_upper(*a) != ascii_upper(*b)) return false;
  }
  return *a == *b;
}

// The last component of `arg`, after its last '\', '/' or ':'.
const char* last_component(const char* arg, std::size_t len) {
  const char* p = arg + len;
  while (p > arg && std::strchr("\\/:", p[-1]) == nullptr) --p;
  return p;
}

bool names_java(const char* arg, std::size_t len) {
  const char* last = last_component(arg, len);
  char name[10];
  std::size_t n = static_cast<std::size_t>(arg + len - last);
  if (n >= sizeof name) return false;
  std::memcpy(name, last, n);
  name[n] = '\0';
  return same_folded(name, "java") || same_folded(name, "javaw") || same_folded(name, "java.exe") ||
         same_folded(name, "javaw.exe");
}

// The rules a feature version follows: those of 8, 11, 17 or 25.
int rules_of(int feature) {
  if (feature < 0) return UNKNOWN_JAVA_RULES;
  if (feature <= 8) return 8;
  if (feature <= 11) return 11;
  if (feature <= 17) return 17;
  return 25;
}

}  // namespace

int find_java_word(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i] != nullptr && names_java(argv[i], std::strlen(argv[i]))) return i;
  }
  return 0;
}

bool is_quoted_command(const char* arg) {
  std::size_t len = std::strcspn(arg, " \t");
  return arg[len] != '\0' && names_java(arg, len);
}

namespace {

// The options that end the launcher's work: not allowed in JDK_JAVA_OPTIONS.
const char* const TERMINAL[] = {
    "-jar",   "-m", "--module",     "--dry-run", "-h",        "-?",           "-help",
    "--help", "-X", "--help-extra", "-version",  "--version", "-fullversion", "--full-version"};

bool is_terminal(const char* arg) {
  for (const char* t : TERMINAL) {
    if (std::strcmp(arg, t) == 0) return true;
  }
  return std::strncmp(arg, "--module=", 9) == 0;
}

struct OptionKind {
  const char* name;
  int since;  // the first Java that reads it
  ValueNeeded needs;
};
const OptionKind WITH_VALUE[] = {{"-cp", 8, NEEDS_CLASS_PATH},
                                 {"-classpath", 8, NEEDS_CLASS_PATH},
                                 {"--class-path", 9, NEEDS_CLASS_PATH},
                                 {"-p", 9, NEEDS_MODULE_PATH},
                                 {"--module-path", 9, NEEDS_MODULE_PATH},
                                 {"--upgrade-module-path", 9, NEEDS_MODULE_PATH},
                                 {"--add-modules", 9, NEEDS_MODULES},
                                 {"--limit-modules", 9, NEEDS_MODULES},
                                 {"--add-reads", 9, NEEDS_MODULES},
                                 {"--add-exports", 9, NEEDS_MODULES},
                                 {"--add-opens", 9, NEEDS_MODULES},
                                 {"--patch-module", 9, NEEDS_MODULES},
                                 {"--enable-native-access", 17, NEEDS_MODULES},
                                 {"-d", 9, NEEDS_MODULE_NAME},
                                 {"--describe-module", 9, NEEDS_MODULE_NAME},
                                 {"-m", 9, NEEDS_MODULE_NAME},
                                 {"--module", 9, NEEDS_MODULE_NAME},
                                 {"--source", 11, NEEDS_SOURCE}};

// The option `arg` names, taking a value, for Java `rules`: its kind, or nullptr.
// `inline_value` points past '=' for a long option written --name=value.
const OptionKind* option_with_value(const char* arg, int rules, const char*& inline_value) {
  inline_value = nullptr;
  for (const OptionKind& kind : WITH_VALUE) {
    if (kind.since > rules) continue;
    std::size_t len = std::strlen(kind.name);
    if (std::strncmp(arg, kind.name, len) != 0) continue;
    if (arg[len] == '\0') return &kind;
    if (arg[len] == '=' && kind.name[1] == '-') {
      inline_value = arg + len + 1;
      return &kind;
    }
  }
  return nullptr;
}

const char* const PRINTS_AND_ENDS[] = {"-version", "--version",   "-fullversion", "--full-version",
                                       "-h",       "-?",          "-help",        "--help",
                                       "-X",       "--help-extra"};
const char* const PRINTS_AND_GOES_ON[] = {"--list-modules", "--validate-modules"};

bool listed_in(const char* arg, const char* const* list, int count) {
  for (int i = 0; i < count; ++i) {
    if (std::strcmp(arg, list[i]) == 0) return true;
  }
  return false;
}

// How far the launcher's reading of words has come: the main class ends the
// expansion of argument files, and so does --disable-@files.
struct Expansion {
  bool stopped;
  bool value_expected;  // the last word was an option that takes one
  bool main_found;
};

// Notes `arg` as the launcher does while it expands: whether it is the main class.
bool note_word(Expansion& e, const char* arg, int rules) {
  if (arg[0] == '-') {
    const char* inline_value;
    const OptionKind* kind = option_with_value(arg, rules, inline_value);
    e.value_expected =
        (kind != nullptr && inline_value == nullptr) || std::strcmp(arg, "-jar") == 0;
    if (std::strcmp(arg, "--disable-@files") == 0) e.stopped = true;
    return false;
  }
  bool main = !e.value_expected;
  e.value_expected = false;
  if (main) e.main_found = true;
  return main;
}

// Reads the file an argument names; its words join `out`. False, with the
// stop set, when it cannot be read.
bool expand_file(JavaCommand& c, const char* name, Words& out) {
  Platform* os = platform();
  FileHandle file = os->file_open_read(name);
  long long size = file != 0 && os->file_type(file) == FILE_TYPE_DISK ? os->file_size(file) : -1;
  if (size < 0) {
    if (file != 0) os->file_close(file);
    stop_command(c, STOP_ARGUMENT_FILE, name);
    return false;
  }
  if (size > 16 * 1024 * 1024) {
    os->file_close(file);
    stop_command(c, STOP_ARGUMENT_FILE_LIMIT, name);
    return false;
  }
  char* text = static_cast<char*>(mem_take(static_cast<std::size_t>(size) + 1));
  long got =
      text != nullptr ? os->file_read_at(file, 0, text, static_cast<unsigned long>(size)) : -1;
  os->file_close(file);
  bool kept = got >= 0 && split_argument_file(text, static_cast<std::size_t>(got), out);
  mem_give(text);
  if (!kept)
    stop_command(c, text == nullptr || got >= 0 ? STOP_OUT_OF_MEMORY : STOP_ARGUMENT_FILE, name);
  return kept;
}

// Adds `arg` to the words java reads, an argument file replaced by its words.
bool add_argument(JavaCommand& c, Expansion& e, const char* arg, int raw, bool from_env) {
  bool file = c.rules >= 9 && !e.stopped && !e.main_found && arg[0] == '@' && arg[1] != '\0';
  if (!file || arg[1] == '@') {
    const char* text = file ? arg + 1 : arg;  // "@@x" is the argument "@x"
    if (note_word(e, text, c.rules) && from_env) stop_command(c, STOP_MAIN_CLASS_IN_ENV, text);
    if (from_env && is_terminal(text)) stop_command(c, STOP_NOT_ALLOWED_IN_ENV, text);
    if (!words_add(c.words, text, std::strlen(text), raw)) return false;
    return true;
  }
  Words inside = {};
  bool read = expand_file(c, arg + 1, inside);
  for (int i = 0; read && i < inside.count && c.stop == STOP_NONE; ++i) {
    const char* text = word(inside, i);
    if (note_word(e, text, c.rules) && from_env) stop_command(c, STOP_MAIN_CLASS_IN_ENV, text);
    if (from_env && is_terminal(text)) stop_command(c, STOP_NOT_ALLOWED_IN_ENV, text);
    if (!words_add(c.words, text, std::strlen(text), -1)) read = false;
  }
  words_release(inside);
  return read || c.stop != STOP_OUT_OF_MEMORY;
}

// JDK_JAVA_OPTIONS's words, first after the java word (Java 9 and later).
bool add_env_options(JavaCommand& c, Expansion& e) {
  const char* value = platform()->env_value("JDK_JAVA_OPTIONS");
  if (c.rules < 9 || value == nullptr) return true;
  if (std::strspn(value, " \t\r\n\f\v") < std::strlen(value)) c.env_options = value;
  Words env = {};
  bool unmatched = false;
  bool kept = split_env_options(value, env, unmatched);
  if (unmatched) stop_command(c, STOP_UNMATCHED_QUOTE, "");
  for (int i = 0; kept && !unmatched && i < env.count && c.stop == STOP_NONE; ++i) {
    kept = add_argument(c, e, word(env, i), -1, true);
  }
  words_release(env);
  return kept;
}

void set_class_path(JavaCommand& c, ClassPathSetter setter, const char* name, const char* value,
                    bool wildcards) {
  c.setter = setter;
  copy_command_text(c.setter_name, name);
  c.class_path = value;
  c.expands_wildcards = wildcards;
}

// The -jar file's name as java's launcher finds it before it reads the options
// (up to Java 21): after -jar, the first word that no option takes.
int jar_before_options(const JavaCommand& c) {
  bool jar = false;
  for (int i = 1; i < c.words.count; ++i) {
    const char* arg = word(c.words, i);
    if (arg[0] != '-') return jar ? i : -1;
    if (std::strcmp(arg, "-jar") == 0) jar = true;
    const char* inline_value;
    const OptionKind* kind = option_with_value(arg, c.rules, inline_value);
    bool takes_next = kind != nullptr && inline_value == nullptr && i + 1 < c.words.count;
    if (takes_next && word(c.words, i + 1)[0] != '-') ++i;
  }
  return -1;
}

// An option with a value: the value's word, or -1 with the stop set.
int option_value(JavaCommand& c, int i, const OptionKind& kind, const char* inline_value) {
  const char* arg = word(c.words, i);
  bool has_next = i + 1 < c.words.count;
  const char* value = inline_value != nullptr ? inline_value
                      : has_next              ? word(c.words, i + 1)
                                              : nullptr;
  bool missing = value == nullptr;
  // Java 9 and later take no value that begins with '-', and an empty one only as a class path.
  if (c.rules >= 9 && value != nullptr) {
    missing = value[0] == '-' || (value[0] == '\0' && kind.needs != NEEDS_CLASS_PATH);
  }
  // An empty value of -d or --describe-module is a module java does not find: it prints that.
  if (missing && value != nullptr && value[0] == '\0' && kind.needs == NEEDS_MODULE_NAME &&
      (arg[1] == 'd' || arg[2] == 'd'))
    missing = false;
  if (missing) {
    c.needs = kind.needs;
    // Written --name=, the option keeps its '=', and a module path asks for modules.
    if (inline_value != nullptr && kind.needs == NEEDS_MODULE_PATH) c.needs = NEEDS_MODULES;
    stop_command(c, STOP_NEEDS_VALUE, arg);
    return -1;
  }
  return inline_value != nullptr ? i : i + 1;
}

void read_class_path_option(JavaCommand& c, int i, int value_word, const char* inline_value) {
  const char* arg = word(c.words, i);
  const char* value = inline_value != nullptr ? inline_value : word(c.words, value_word);
  char name[32];
  std::size_t len = std::strcspn(arg, "=");
  if (len >= sizeof name) len = sizeof name - 1;
  std::memcpy(name, arg, len);
  name[len] = '\0';
  set_class_path(c, SET_BY_OPTION, name, value, true);
  c.replaced_word = i;
}

// The properties that decide how multi-release jars are read; the last one read wins.
void read_jar_property(JavaCommand& c, const char* arg) {
  if (std::strncmp(arg, "-Djdk.util.jar.enableMultiRelease=", 34) == 0) {
    c.multi_release_off = std::strcmp(arg + 34, "false") == 0;
  }
  if (std::strncmp(arg, "-Djdk.util.jar.version=", 23) == 0) {
    std::size_t len = std::strlen(arg + 23);
    if (len >= sizeof c.jar_version_text) len = sizeof c.jar_version_text - 1;
    std::memcpy(c.jar_version_text, arg + 23, len);
    c.jar_version_text[len] = '\0';
  }
}

// A word that begins with '-' and takes no value.
void read_flag(JavaCommand& c, int i, bool& ends) {
  const char* arg = word(c.words, i);
  ends = false;
  if (listed_in(arg, PRINTS_AND_ENDS, 10) || listed_in(arg, PRINTS_AND_GOES_ON, 2)) {
    if (c.prints_word < 0) c.prints_word = i;
    ends = listed_in(arg, PRINTS_AND_ENDS, 10);
    return;
  }
  if (std::strncmp(arg, "-Djava.class.path=", 18) == 0) {
    set_class_path(c, SET_BY_OPTION, "-Djava.class.path", arg + 18, false);
    c.replaced_word = i;
    return;
  }
  if (std::strcmp(arg, "--enable-preview") == 0) c.enable_preview = true;
  read_jar_property(c, arg);
  bool written_with_equals = std::strncmp(arg, "-cp=", 4) == 0 ||
                             std::strncmp(arg, "-classpath=", 11) == 0 ||
                             std::strncmp(arg, "-jar=", 5) == 0;
  // These go on to the virtual machine, which knows none of them.
  bool unknown_to_8 = c.rules < 9 && std::strncmp(arg, "--class-path", 12) == 0;
  bool passed_on = c.feature >= 0 && c.feature < 21 && std::strcmp(arg, "--disable-@files") == 0;
  unknown_to_8 = unknown_to_8 || passed_on;
  if ((written_with_equals || unknown_to_8) && c.vm_refuses[0] == '\0')
    copy_command_text(c.vm_refuses, arg);
}

// The options, up to the entry point; the stop of the first error.
void read_options(JavaCommand& c) {
  bool jar_mode = false;
  for (int i = 1; i < c.words.count; ++i) {
    const char* arg = word(c.words, i);
    if (arg[0] != '-') {
      c.entry = jar_mode ? ENTRY_JAR : ENTRY_CLASS;
      c.entry_word = i;
      return;
    }
    // -jar makes the first word that is no option the jar; options may come between.
    if (std::strcmp(arg, "-jar") == 0 && i + 1 == c.words.count) {
      stop_command(c, STOP_JAR_NEEDS_VALUE, arg);
      return;
    }
    if (std::strcmp(arg, "-jar") == 0) {
      jar_mode = true;
      continue;
    }
    const char* inline_value;
    const OptionKind* kind = option_with_value(arg, c.rules, inline_value);
    if (kind == nullptr) {
      bool ends = false;
      read_flag(c, i, ends);
      if (ends) return;
      continue;
    }
    int value_word = option_value(c, i, *kind, inline_value);
    if (value_word < 0) return;
    const char* value = inline_value != nullptr ? inline_value : word(c.words, value_word);
    if (kind->needs == NEEDS_CLASS_PATH) read_class_path_option(c, i, value_word, inline_value);
    // Up to 17, a class path option after -jar makes the jar a main class's name.
    if (kind->needs == NEEDS_CLASS_PATH && c.rules <= 17) jar_mode = false;
    if (kind->needs == NEEDS_MODULE_PATH) c.module_path = true;
    if (std::strncmp(arg, "--add-modules", 13) == 0 &&
        (std::strstr(value, "javafx.") != nullptr ||
         std::strstr(value, "ALL-MODULE-PATH") != nullptr))
      c.javafx_modules = true;
    if (kind->needs == NEEDS_MODULE_NAME && (arg[1] == 'm' || arg[2] == 'm')) {
      c.entry = ENTRY_MODULE;
      c.entry_word = value_word;
      return;
    }
    if (kind->needs == NEEDS_MODULE_NAME && c.prints_word < 0) c.prints_word = i;
    if (kind->needs == NEEDS_SOURCE) c.source_option = true;
    i = value_word;
  }
}

// What the entry point is, once the options are read.
void settle_entry(JavaCommand& c) {
  if (c.stop != STOP_NONE) return;
  if (c.prints_word >= 0 && c.entry != ENTRY_MODULE) {
    c.entry = ENTRY_PRINTS;
    return;
  }
  // --source makes whatever follows a source file, found or not.
  if (c.source_option && c.entry == ENTRY_CLASS) {
    c.entry = ENTRY_SOURCE;
    return;
  }
  if (c.entry != ENTRY_CLASS) return;
  const char* main = word(c.words, c.entry_word);
  std::size_t len = std::strlen(main);
  bool source = c.rules >= 11 && len > 5 && std::strcmp(main + len - 5, ".java") == 0 &&
                opens_for_reading(main);
  if (source) {
    c.entry = ENTRY_SOURCE;
    return;
  }
  copy_command_text(c.main_class, main);
}

// _JAVA_OPTIONS and JAVA_TOOL_OPTIONS go to the virtual machine: the last
// -Djava.class.path of _JAVA_OPTIONS replaces every other class path.
void read_vm_variable(JavaCommand& c, const char* name, bool sets_class_path) {
  const char* value = platform()->env_value(name);
  Words vm = {};
  bool unmatched = false;
  if (value == nullptr || !split_env_options(value, vm, unmatched)) {
    words_release(vm);
    return;
  }
  for (int i = 0; i < vm.count; ++i) {
    const char* arg = word(vm, i);
    if (std::strcmp(arg, "-cp") == 0 || std::strcmp(arg, "-classpath") == 0) {
      if (c.vm_refuses[0] == '\0') copy_command_text(c.vm_refuses, arg);
    }
    if (sets_class_path && std::strncmp(arg, "-Djava.class.path=", 18) == 0) {
      copy_command_text(c.java_options_value, arg + 18);
      c.java_options_class_path = true;
    }
    read_jar_property(c, arg);
  }
  words_release(vm);
}

// What sets the class path now, as a warning names it.
void describe_class_path(const JavaCommand& c, char* text) {
  if (c.setter == SET_BY_DEFAULT) return copy_command_text(text, "the start directory");
  if (c.setter == SET_BY_CLASSPATH) return copy_command_text(text, "CLASSPATH");
  if (c.setter == SET_BY_JAR) {
    char jar[COMMAND_TEXT_BYTES + 8] = "-jar ";
    std::size_t len = std::strlen(c.class_path);
    if (len > COMMAND_TEXT_BYTES) len = COMMAND_TEXT_BYTES;
    std::memcpy(jar + 5, c.class_path, len);
    jar[5 + len] = '\0';
    return copy_command_text(text, jar);
  }
  const char* option = word(c.words, c.replaced_word);
  bool separate = std::strchr(option, '=') == nullptr && c.replaced_word + 1 < c.words.count;
  std::size_t len = std::strlen(option);
  std::size_t value_len = separate ? std::strlen(word(c.words, c.replaced_word + 1)) : 0;
  if (len + 1 + value_len >= COMMAND_TEXT_BYTES) return copy_command_text(text, option);
  std::memcpy(text, option, len);
  if (separate) {
    text[len] = ' ';
    std::memcpy(text + len + 1, word(c.words, c.replaced_word + 1), value_len);
    len += 1 + value_len;
  }
  text[len] = '\0';
}

// Multi-release jars are read as Java min(N, the java's) for -Djdk.util.jar.version=N, and
// not at all below 9 or with -Djdk.util.jar.enableMultiRelease=false.
void settle_jar_version(JavaCommand& c) {
  int feature = c.feature >= 0 ? c.feature : UNKNOWN_JAVA_RULES;
  c.jar_version = feature;
  const char* text = c.jar_version_text;
  std::size_t digits = std::strspn(text, "0123456789");
  if (text[0] == '\0' || text[digits] != '\0' || digits > 6) return;
  int asked = 0;
  for (std::size_t i = 0; i < digits; ++i) asked = asked * 10 + (text[i] - '0');
  c.jar_version = asked < feature ? asked : feature;
  if (c.jar_version < 8) c.jar_version = 8;
  c.jar_version_said = true;
}

}  // namespace

void copy_command_text(char* to, const char* from) {
  std::size_t len = std::strlen(from);
  if (len >= COMMAND_TEXT_BYTES) len = COMMAND_TEXT_BYTES - 1;
  std::memcpy(to, from, len);
  to[len] = '\0';
}

void stop_command(JavaCommand& c, JavaStop why, const char* subject) {
  if (c.stop != STOP_NONE) return;  // the first error is the one java prints
  c.stop = why;
  copy_command_text(c.subject, subject);
}

bool read_java_command(int argc, const char* const* argv, JavaCommand& c) {
  Platform* os = platform();
  c.stop = STOP_NONE;
  c.prints_word = -1;
  c.replaced_word = -1;
  c.entry_word = -1;
  c.quoted_raw = os->command_line();
  // The launcher's own split of the whole line; argv where the line is not known.
  Words all = {};
  bool kept = true;
  if (c.quoted_raw != nullptr) {
    kept = split_command_line(c.quoted_raw, all);
  } else {
    for (int i = 0; i < argc && kept; ++i) kept = words_add(all, argv[i], std::strlen(argv[i]), -1);
  }
  int java = 0;
  for (int i = 1; kept && i < all.count && java == 0; ++i) {
    if (names_java(word(all, i), std::strlen(word(all, i)))) java = i;
  }
  const char* java_word = kept && java > 0 ? word(all, java) : nullptr;
  if (java_word != nullptr) {
    c.javaw = ascii_upper(last_component(java_word, std::strlen(java_word))[4]) == 'W';
    kept = find_program(java_word, c.java);
  }
  if (!kept || java == 0) {
    words_release(all);
    if (!kept) c.stop = STOP_OUT_OF_MEMORY;
    return kept;
  }
  c.feature =
      c.java.result == PROGRAM_FOUND && c.java.is_program ? feature_version(c.java.version) : -1;
  c.rules = rules_of(c.feature);
  kept = words_add(c.words, java_word, std::strlen(java_word), all.raw[java]);
  Expansion e = {};
  kept = kept && add_env_options(c, e);
  for (int i = java + 1; kept && i < all.count && c.stop == STOP_NONE; ++i) {
    kept = add_argument(c, e, word(all, i), all.raw[i], false);
  }
  words_release(all);
  if (!kept) {
    c.stop = STOP_OUT_OF_MEMORY;
    return false;
  }
  const char* classpath = os->env_value("CLASSPATH");
  c.classpath_set = classpath != nullptr;
  if (classpath != nullptr) set_class_path(c, SET_BY_CLASSPATH, "CLASSPATH", classpath, true);
  bool early_jar = c.stop == STOP_NONE && c.feature <= 21 && c.feature >= 0;
  int jar = early_jar ? jar_before_options(c) : -1;
  if (jar > 0) check_jar_file(c, word(c.words, jar), true);
  // Also when java stopped while it read them: the class path is what they set so far.
  c.tool_options = os->env_value("JAVA_TOOL_OPTIONS");
  read_vm_variable(c, "JAVA_TOOL_OPTIONS", false);
  read_options(c);
  settle_entry(c);
  if (c.entry == ENTRY_NONE && c.prints_word < 0 && c.stop == STOP_NONE)
    stop_command(c, STOP_USAGE, "");
  read_vm_variable(c, "_JAVA_OPTIONS", true);
  settle_jar_version(c);
  if (c.entry == ENTRY_JAR) {
    if (c.classpath_set || c.replaced_word >= 0) c.classpath_replaced = c.classpath_set;
    set_class_path(c, SET_BY_JAR, "-jar", word(c.words, c.entry_word), false);
  }
  if (c.java_options_class_path) {
    describe_class_path(c, c.java_options_replaced);
    set_class_path(c, SET_BY_JAVA_OPTIONS, "_JAVA_OPTIONS", c.java_options_value, false);
  }
  bool checked = jar > 0;
  if (c.entry == ENTRY_JAR && !checked) check_jar_file(c, word(c.words, c.entry_word), true);
  if (c.vm_refuses[0] != '\0') stop_command(c, STOP_UNRECOGNIZED, c.vm_refuses);
  if (c.entry == ENTRY_JAR) check_jar_file(c, word(c.words, c.entry_word), false);
  return true;
}
