// java's checks of the main class, from its class file and those of the
// classes it names, found through the caller's lookup.
#include "loading/loading.h"

#include <cstring>

#include "base/allocator.h"
#include "loading/class_file.h"

namespace {

constexpr int DEPTH_LIMIT = 1000;

// Packages of the JDK from Java 9 on (the javax/ ones java.se and jdk modules export; not
// bind, ws or soap, which left in 11): a name no element holds loads from there.
const char* const JDK_PACKAGES[] = {"javax/accessibility/",
                                    "javax/annotation/processing/",
                                    "javax/crypto/",
                                    "javax/imageio/",
                                    "javax/lang/model/",
                                    "javax/management/",
                                    "javax/naming/",
                                    "javax/net/",
                                    "javax/print/",
                                    "javax/rmi/ssl/",
                                    "javax/script/",
                                    "javax/security/auth/",
                                    "javax/security/cert/",
                                    "javax/security/sasl/",
                                    "javax/smartcardio/",
                                    "javax/sound/",
                                    "javax/sql/",
                                    "javax/swing/",
                                    "javax/tools/",
                                    "javax/transaction/xa/",
                                    "javax/xml/catalog/",
                                    "javax/xml/crypto/",
                                    "javax/xml/datatype/",
                                    "javax/xml/namespace/",
                                    "javax/xml/parsers/",
                                    "javax/xml/stream/",
                                    "javax/xml/transform/",
                                    "javax/xml/validation/",
                                    "javax/xml/xpath/",
                                    "com/sun/java/accessibility/",
                                    "com/sun/jdi/",
                                    "com/sun/management/",
                                    "com/sun/net/httpserver/",
                                    "com/sun/nio/",
                                    "com/sun/security/",
                                    "com/sun/source/",
                                    "com/sun/tools/",
                                    "jdk/dynalink/",
                                    "jdk/incubator/",
                                    "jdk/javadoc/",
                                    "jdk/jfr/",
                                    "jdk/jshell/",
                                    "jdk/management/",
                                    "jdk/net/",
                                    "jdk/nio/",
                                    "jdk/security/",
                                    "jdk/swing/",
                                    "sun/misc/",
                                    "sun/reflect/",
                                    "org/w3c/dom/",
                                    "org/xml/sax/",
                                    "org/ietf/jgss/"};
// Java 8 holds the whole of these.
const char* const JDK8_PACKAGES[] = {"javax/",   "com/sun/", "sun/",      "jdk/",
                                     "org/w3c/", "org/xml/", "org/ietf/", "org/omg/"};

const char STRING_ARRAY[] = "([Ljava/lang/String;)";

bool starts(const char* name, const char* prefix) {
  return std::strncmp(name, prefix, std::strlen(prefix)) == 0;
}

bool jdk_exports(const char* name, int feature) {
  if (feature < 9) {
    for (const char* prefix : JDK8_PACKAGES)
      if (starts(name, prefix)) return true;
    return false;
  }
  if (std::strcmp(name, "javax/xml/XMLConstants") == 0) return true;
  if (feature <= 24 && starts(name, "com/sun/jarsigner/")) return true;
  for (const char* prefix : JDK_PACKAGES)
    if (starts(name, prefix)) return true;
  return false;
}

// A class loaded, or being loaded, and the superclass it names ("" for none).
struct Known {
  char* name;
  char* super;
  bool loading;
  bool walked;    // its methods were looked at
  bool searched;  // for a default main()
};

enum FailureKind { FAIL_MISSING, FAIL_NAME, FAIL_OTHER };

// Why a class does not load: java's exception and message, and cpvalid's reason.
struct Failure {
  FailureKind kind;
  int depth;  // of the class that failed: 0 is the main class
  const char* exception;
  Text message, because;
};

struct Loader {
  const LoadQuery* query;
  LoadVerdict* verdict;
  char* main_name;    // with '/'
  char* main_dotted;  // as java names it in its lines
  Known* known;
  int known_count, known_room;
  bool halted;  // a limit met, or memory ran out: no verdict
  bool short_of_memory;
};

char* copy_of(Loader& l, const unsigned char* bytes, std::size_t len) {
  char* copy = static_cast<char*>(mem_take(len + 1));
  if (copy == nullptr) {
    l.short_of_memory = true;
    l.halted = true;
    return nullptr;
  }
  std::memcpy(copy, bytes, len);
  copy[len] = '\0';
  return copy;
}

char* copy_text(Loader& l, ClassText text) { return copy_of(l, text.bytes, text.len); }

void swap_chars(char* s, char from, char to) {
  for (; *s != '\0'; ++s) {
    if (*s == from) *s = to;
  }
}

bool text_equals(ClassText text, const char* s) {
  return text.len == std::strlen(s) && std::memcmp(text.bytes, s, text.len) == 0;
}

// The verdict's lines: java's first, then the reasons.
void java_line(Loader& l, const char* format, ...) {
  va_list args;
  va_start(args, format);
  text_add_list(l.verdict->lines, format, args);
  va_end(args);
  text_end_line(l.verdict->lines);
  ++l.verdict->java_lines;
}

void because_line(Loader& l, const char* text) {
  text_add(l.verdict->lines, "because %s", text);
  text_end_line(l.verdict->lines);
  ++l.verdict->because_lines;
}

void limit_line(Loader& l, const char* format, const char* a, const char* b) {
  text_add(l.verdict->lines, format, a, b);
  text_end_line(l.verdict->lines);
  l.verdict->outcome = LOAD_LIMIT;
  l.halted = true;
}

void fail_with(Failure& f, const char* exception, const char* format, ...) {
  f.exception = exception;
  f.kind = FAIL_OTHER;
  va_list args;
  va_start(args, format);
  text_add_list(f.message, format, args);
  va_end(args);
  text_end_line(f.message);
}

void release_failure(Failure& f) {
  text_release(f.message);
  text_release(f.because);
  f.exception = nullptr;
}

// "Java 17", as the version lines name a class file version.
void add_java_of(Text& t, unsigned major) {
  if (major < 49) {
    text_add(t, "1.%u", major - 44);
    return;
  }
  text_add(t, "%u", major - 44);
}

int find_known(Loader& l, const char* name) {
  for (int i = 0; i < l.known_count; ++i)
    if (std::strcmp(l.known[i].name, name) == 0) return i;
  return -1;
}

void halt_for_memory(Loader& l) {
  l.short_of_memory = true;
  l.halted = true;
}

// Forgets the classes noted from `mark` on: a failed load leaves none of them loading.
void forget_known(Loader& l, int mark) {
  while (l.known_count > mark) {
    --l.known_count;
    mem_give(l.known[l.known_count].name);
    mem_give(l.known[l.known_count].super);
  }
}

// Notes `name` as being loaded: its index, or -1 when memory runs out.
int note_loading(Loader& l, const char* name) {
  char* copy = copy_of(l, reinterpret_cast<const unsigned char*>(name), std::strlen(name));
  if (copy == nullptr || !mem_grow(l.known, l.known_room, l.known_count)) {
    mem_give(copy);
    halt_for_memory(l);
    return -1;
  }
  l.known[l.known_count] = {copy, nullptr, true, false, false};
  return l.known_count++;
}

bool note_loaded(Loader& l, int at, const char* super) {
  l.known[at].super = copy_of(l, reinterpret_cast<const unsigned char*>(super), std::strlen(super));
  l.known[at].loading = false;
  return l.known[at].super != nullptr;
}

bool fail_format(Failure& f, const ClassFile& file, const char* name) {
  const char* error = "java.lang.ClassFormatError";
  f.exception = error;
  f.kind = FAIL_OTHER;
  if (file.fault == CLASS_TRUNCATED) fail_with(f, error, "Truncated class file");
  if (file.fault == CLASS_BAD_MAGIC)
    fail_with(f, error, "Incompatible magic value %u in class file %s", file.fault_value, name);
  if (file.fault == CLASS_UNKNOWN_TAG)
    fail_with(f, error, "Unknown constant tag %u in class file %s", file.fault_value, name);
  text_add(f.because, "%s.class is no class file java can read", name);
  text_end_line(f.because);
  return false;
}

bool fail_version(Loader& l, Failure& f, const ClassFile& file, const char* name,
                  const ClassLookup& found) {
  fail_with(f, "java.lang.UnsupportedClassVersionError",
            "%s has been compiled by a more recent version of the Java Runtime (class file "
            "version %u.%u), this version of the Java Runtime only recognizes class file "
            "versions up to %d.0",
            name, file.major, file.minor, l.query->feature + 44);
  text_add(f.because, "%s needs Java ", found.element_text);
  add_java_of(f.because, file.major);
  text_add(f.because, ", and %s is Java %d", l.query->java_word, l.query->feature);
  text_end_line(f.because);
  return false;
}

void fail_missing(Failure& f, const char* name, const char* shown) {
  fail_with(f, "java.lang.NoClassDefFoundError", "%s", shown);
  f.kind = FAIL_MISSING;
  text_add(f.because, "no element of the class path holds %s.class", name);
  text_end_line(f.because);
}

bool fail_name(Loader& l, Failure& f, const ClassFile& file, const char* name,
               const ClassLookup& found) {
  char* own = copy_text(l, class_name_at(file, file.this_class));
  if (own == nullptr) return false;
  fail_with(f, "java.lang.NoClassDefFoundError", "%s (wrong name: %s)", name, own);
  f.kind = FAIL_NAME;
  text_add(f.because, "%s holds %s.class, which is %s", found.element_text, name, own);
  text_end_line(f.because);
  mem_give(own);
  return false;
}

// The file's own checks, in java's order: magic, version, constant pool, its name, the
// indexes of its supertypes. A fault in its body shows after its interfaces load.
bool file_loads(Loader& l, Failure& f, const ClassFile& file, const char* name,
                const ClassLookup& found, int depth) {
  bool faulty = file.fault != CLASS_OK;
  if (file.fault == CLASS_NO_MEMORY) {
    halt_for_memory(l);
    return false;
  }
  if (faulty && file.major == 0) return fail_format(f, file, name);
  if (depth == 0) {
    l.verdict->main_major = file.major;
    l.verdict->main_minor = file.minor;
  }
  if (file.major > static_cast<unsigned>(l.query->feature + 44))
    return fail_version(l, f, file, name, found);
  if (faulty && file.stage == STAGE_HEAD) return fail_format(f, file, name);
  if (!text_equals(class_name_at(file, file.this_class), name))
    return fail_name(l, f, file, name, found);
  if (faulty && file.stage == STAGE_SUPERTYPES) return fail_format(f, file, name);
  return true;
}

bool load_type(Loader& l, const char* name, const char* shown, int depth, Failure& f);

// The names a class file gives its supertypes, copied out: interfaces in declared order,
// then the superclass ("" for none), each ending in '\0'.
char* copy_supertypes(Loader& l, const ClassFile& file) {
  std::size_t bytes = 1;
  for (unsigned i = 0; i < file.interface_count; ++i)
    bytes += class_name_at(file, class_interface(file, i)).len + 1;
  if (file.super_class != 0) bytes += class_name_at(file, file.super_class).len;
  char* names = static_cast<char*>(mem_take(bytes));
  if (names == nullptr) {
    halt_for_memory(l);
    return nullptr;
  }
  char* at = names;
  for (unsigned i = 0; i <= file.interface_count; ++i) {
    ClassText t = {reinterpret_cast<const unsigned char*>(""), 0};
    if (i < file.interface_count) t = class_name_at(file, class_interface(file, i));
    if (i == file.interface_count && file.super_class != 0)
      t = class_name_at(file, file.super_class);
    std::memcpy(at, t.bytes, t.len);
    at[t.len] = '\0';
    at += t.len + 1;
  }
  return names;
}

// Loads the supertypes `names` holds for `name`, noted at `at`, depth first.
bool load_supertypes(Loader& l, const char* name, const char* names, unsigned interfaces,
                     const ClassFile& faults, int at, int depth, Failure& f) {
  const char* next = names;
  for (unsigned i = 0; i < interfaces; ++i) {
    if (!load_type(l, next, next, depth + 1, f)) return false;
    next += std::strlen(next) + 1;
  }
  if (faults.fault != CLASS_OK) return fail_format(f, faults, name);
  if (*next != '\0' && !load_type(l, next, next, depth + 1, f)) return false;
  if (note_loaded(l, at, next)) return true;
  halt_for_memory(l);
  return false;
}

// The class file found for `name`, noted at `at`. The lookup's bytes last only until the
// next lookup, so the supertypes' names are copied before any of them loads.
bool load_found(Loader& l, const char* name, const ClassLookup& found, int at, int depth,
                Failure& f) {
  ClassFile file;
  class_parse(found.bytes, found.size, CLASS_WHOLE, file);
  char* names = file_loads(l, f, file, name, found, depth) ? copy_supertypes(l, file) : nullptr;
  ClassFile faults = file;
  unsigned interfaces = file.interface_count;
  class_release(file);
  if (names == nullptr) return false;
  bool loads = load_supertypes(l, name, names, interfaces, faults, at, depth, f);
  mem_give(names);
  return loads;
}

void limit_too_large(Loader& l, const char* name, const char* element) {
  text_add(l.verdict->lines,
           "***Warning - cpvalid reads class files up to 16 MiB: %s.class in %s is larger", name,
           element);
  text_end_line(l.verdict->lines);
  l.verdict->outcome = LOAD_LIMIT;
  l.halted = true;
}

// Loads `name` as java loads a supertype or a type a method names; `shown` is how java's
// message names it. False, with the failure, when it does not load.
bool load_new_type(Loader& l, const char* name, const char* shown, int depth, Failure& f) {
  if (starts(name, "java/")) return true;
  int known = find_known(l, name);
  if (known >= 0 && l.known[known].loading) {
    fail_with(f, "java.lang.ClassCircularityError", "%s", name);
    return false;
  }
  if (known >= 0) return true;
  if (depth > DEPTH_LIMIT) {
    limit_line(l, "***Warning - cpvalid follows superclasses %s deep: it stopped at %s", "1000",
               name);
    return false;
  }
  ClassLookup found = {};
  if (!l.query->lookup(name, found, l.query->context)) {
    if (jdk_exports(name, l.query->feature)) return true;
    fail_missing(f, name, shown);
    return false;
  }
  if (found.too_large) {
    limit_too_large(l, name, found.element_text);
    return false;
  }
  if (depth == 0) l.verdict->main_element = found.element;
  int mark = l.known_count;
  int at = note_loading(l, name);
  bool loads = at >= 0 && load_found(l, name, found, at, depth, f);
  if (!loads) forget_known(l, mark);
  return loads;
}

bool load_type(Loader& l, const char* name, const char* shown, int depth, Failure& f) {
  if (l.halted) return false;
  if (load_new_type(l, name, shown, depth, f)) return true;
  if (f.depth < 0) f.depth = depth;  // the class whose own check failed
  return false;
}

const char* message_of(const Failure& f) { return f.message.used > 0 ? f.message.bytes : nullptr; }

// "java.lang.X: message", or the exception alone when java gives no message.
void exception_line(Loader& l, const char* lead, const Failure& f) {
  const char* message = message_of(f);
  if (message != nullptr) {
    java_line(l, "%s%s: %s", lead, f.exception, message);
    return;
  }
  java_line(l, "%s%s", lead, f.exception);
}

void stop(Loader& l, LoadStep step) {
  l.verdict->outcome = LOAD_STOPS;
  l.verdict->step = step;
}

bool java8(const Loader& l) { return l.query->feature < 9; }

// Java 8 lets an error other than a missing class reach the launcher.
void jni_error(Loader& l, const Failure& f) {
  java_line(l, "Error: A JNI error has occurred, please check your installation and try again");
  exception_line(l, "Exception in thread \"main\" ", f);
  l.verdict->to_launcher = true;
}

void because_of(Loader& l, const Failure& f) {
  if (f.because.used > 0) because_line(l, f.because.bytes);
}

LoadStep loading_step(const Failure& f) {
  if (f.depth > 0) return STEP_SUPERTYPES;
  if (f.kind == FAIL_MISSING) return STEP_NOT_FOUND;
  if (f.kind == FAIL_NAME) return STEP_NAME;
  return STEP_FILE;
}

// java's lines when the main class does not load.
void stop_loading(Loader& l, const Failure& f) {
  stop(l, loading_step(f));
  bool linkage = f.kind == FAIL_OTHER;
  bool main_missing = f.kind == FAIL_MISSING && f.depth == 0;
  if (linkage && java8(l)) jni_error(l, f);
  if (linkage && !java8(l)) {
    java_line(l, "Error: LinkageError occurred while loading main class %s", l.main_dotted);
    exception_line(l, "\t", f);
  }
  if (!linkage) java_line(l, "Error: Could not find or load main class %s", l.main_dotted);
  if (main_missing && !java8(l))
    java_line(l, "Caused by: java.lang.ClassNotFoundException: %s", l.main_dotted);
  if (!linkage && !main_missing && !java8(l)) exception_line(l, "Caused by: ", f);
  because_of(l, f);
}

// JavaFX's launcher needs the javafx.graphics module: without a module path naming it,
// java stops. With one, cpvalid cannot tell.
void javafx_stops(Loader& l) {
  if (l.query->javafx_modules) {
    l.verdict->outcome = LOAD_UNKNOWN;
    return;
  }
  stop(l, STEP_JAVAFX);
  java_line(l,
            "Error: JavaFX runtime components are missing, and are required to run this "
            "application");
}

// The main class's superclasses, as loaded, reach JavaFX's Application.
bool extends_javafx(Loader& l) {
  int at = find_known(l, l.main_name);
  for (int depth = 0; at >= 0 && depth <= DEPTH_LIMIT; ++depth) {
    if (std::strcmp(l.known[at].name, "javafx/application/Application") == 0) return true;
    at = find_known(l, l.known[at].super);
  }
  return false;
}

// What one class file gives the search for the main method: the types its methods name,
// its supertypes, and the main methods it declares.
struct ClassScan {
  Text types;  // name, then how java's message shows it, each ending in '\0'
  int type_count;
  char* supertypes;
  unsigned interfaces;
  unsigned class_flags;
  bool public_main, public_main_void;  // public main(String[])
  unsigned public_main_flags;
  bool other_main;  // neither public nor private: void main(String[])
  unsigned other_main_flags;
  bool bare_main;  // not private: void main()
  unsigned bare_main_flags;
  bool constructor;  // not private: <init>()V
  bool inner;        // a member class that is not static
};

void release_scan(ClassScan& s) {
  text_release(s.types);
  mem_give(s.supertypes);
  s.supertypes = nullptr;
}

void add_type(ClassScan& s, const unsigned char* name, unsigned len, const unsigned char* shown,
              unsigned shown_len) {
  text_add_bytes(s.types, name, len);
  text_end_line(s.types);
  text_add_bytes(s.types, shown, shown_len);
  text_end_line(s.types);
  ++s.type_count;
}

// The classes a descriptor names; an array by its element class, shown as the array.
void add_descriptor_types(ClassScan& s, ClassText d) {
  for (unsigned i = 0; i < d.len; ++i) {
    unsigned first = i;
    while (i < d.len && d.bytes[i] == '[') ++i;
    if (i >= d.len || d.bytes[i] != 'L') continue;
    unsigned end = i;
    while (end < d.len && d.bytes[end] != ';') ++end;
    const unsigned char* shown = first < i ? d.bytes + first : d.bytes + i + 1;
    unsigned shown_len = first < i ? end + 1 - first : end - i - 1;
    if (end < d.len) add_type(s, d.bytes + i + 1, end - i - 1, shown, shown_len);
    i = end;
  }
}

void add_method_types(ClassScan& s, const ClassFile& file, const ClassMethod& m) {
  add_descriptor_types(s, m.descriptor);
  for (unsigned i = 0; i < m.exception_count; ++i) {
    unsigned index = static_cast<unsigned>(m.exceptions[2 * i] << 8 | m.exceptions[2 * i + 1]);
    ClassText name = class_name_at(file, index);
    add_type(s, name.bytes, name.len, name.bytes, name.len);
  }
}

bool starts_with(ClassText t, const char* prefix) {
  std::size_t n = std::strlen(prefix);
  return t.len >= n && std::memcmp(t.bytes, prefix, n) == 0;
}

void note_main(ClassScan& s, const ClassMethod& m) {
  bool is_void = m.descriptor.bytes[m.descriptor.len - 1] == 'V';
  bool is_private = (m.flags & ACC_PRIVATE) != 0;
  if (!text_equals(m.name, "main")) return;
  if (starts_with(m.descriptor, STRING_ARRAY) && (m.flags & ACC_PUBLIC) != 0 && !s.public_main) {
    s.public_main = true;
    s.public_main_void = is_void;
    s.public_main_flags = m.flags;
  }
  bool other = (m.flags & ACC_PUBLIC) == 0 && !is_private;
  if (text_equals(m.descriptor, "([Ljava/lang/String;)V") && other && !s.other_main) {
    s.other_main = true;
    s.other_main_flags = m.flags;
  }
  if (text_equals(m.descriptor, "()V") && !is_private && !s.bare_main) {
    s.bare_main = true;
    s.bare_main_flags = m.flags;
  }
}

// Reads the methods of the class file: the types named by its public ones (all of them
// with `all_methods`), its main methods and its constructor.
void scan_methods(ClassScan& s, const ClassFile& file, bool all_methods) {
  std::size_t at = file.methods;
  for (unsigned i = 0; i < file.method_count; ++i) {
    ClassMethod m = class_next_method(file, at);
    bool special = m.name.len > 0 && m.name.bytes[0] == '<';
    if (text_equals(m.name, "<init>") && text_equals(m.descriptor, "()V") &&
        (m.flags & ACC_PRIVATE) == 0)
      s.constructor = true;
    if (!special && (all_methods || (m.flags & ACC_PUBLIC) != 0)) add_method_types(s, file, m);
    if (!special) note_main(s, m);
  }
}

// Looks `name` up again and reads what the main method search needs; false when it is
// not on the class path (a class of the JDK) or cannot be read.
bool scan_class(Loader& l, const char* name, bool all_methods, ClassScan& s) {
  s = {};
  ClassLookup found = {};
  if (starts(name, "java/") || !l.query->lookup(name, found, l.query->context) || found.too_large)
    return false;
  ClassFile file;
  bool read = class_parse(found.bytes, found.size, CLASS_WHOLE, file) == CLASS_OK;
  if (read) {
    scan_methods(s, file, all_methods);
    s.supertypes = copy_supertypes(l, file);
    s.interfaces = file.interface_count;
    s.class_flags = file.inner_entry ? file.inner_flags : file.flags;
    s.inner = file.inner_entry && file.inner_outer != 0 && (file.inner_flags & ACC_STATIC) == 0;
  }
  class_release(file);
  if (s.types.short_of_memory) halt_for_memory(l);
  return read && s.supertypes != nullptr;
}

// The failures of the types one class's methods name, each type once.
struct TypeFailures {
  Failure* list;
  int count, room;
};

bool already_failed(const TypeFailures& t, const Failure& f) {
  for (int i = 0; i < t.count; ++i)
    if (std::strcmp(t.list[i].because.bytes, f.because.bytes) == 0) return true;
  return false;
}

// Loads each type the scan names; false when one does not load.
bool load_named_types(Loader& l, const ClassScan& s, TypeFailures& t) {
  const char* at = s.types.bytes;
  for (int i = 0; i < s.type_count && !l.halted; ++i) {
    const char* shown = at + std::strlen(at) + 1;
    Failure f = {FAIL_OTHER, -1, nullptr, {}, {}};
    bool loads = load_type(l, at, shown, 1, f);
    if (!loads && !l.halted && f.because.used > 0 && !already_failed(t, f) &&
        mem_grow(t.list, t.room, t.count)) {
      t.list[t.count++] = f;
    } else {
      release_failure(f);
    }
    at = shown + std::strlen(shown) + 1;
  }
  return t.count == 0;
}

// java's lines when a type a method names does not load: with one such type java names
// it; with several, which one it names varies, so only the reasons name them.
void stop_types(Loader& l, const TypeFailures& t) {
  stop(l, STEP_TYPES);
  if (java8(l) && t.count == 1) {
    jni_error(l, t.list[0]);
  } else if (java8(l)) {
    java_line(l, "Error: A JNI error has occurred, please check your installation and try again");
    l.verdict->to_launcher = true;
  } else {
    java_line(l, "Error: Unable to initialize main class %s", l.main_dotted);
  }
  if (!java8(l) && t.count == 1) exception_line(l, "Caused by: ", t.list[0]);
  for (int i = 0; i < t.count; ++i) because_of(l, t.list[i]);
}

// The main method found, and the class that declares it.
struct MainMethod {
  bool found, returns_void;
  unsigned flags;
  char* declarer;
};

void take_main(Loader& l, MainMethod& m, const char* declarer, unsigned flags, bool is_void) {
  m.found = true;
  m.flags = flags;
  m.returns_void = is_void;
  m.declarer = copy_of(l, reinterpret_cast<const unsigned char*>(declarer), std::strlen(declarer));
  if (m.declarer != nullptr) swap_chars(m.declarer, '/', '.');
}

bool check_types(Loader& l, const ClassScan& s) {
  TypeFailures t = {};
  bool loads = load_named_types(l, s, t);
  if (!loads && !l.halted) stop_types(l, t);
  for (int i = 0; i < t.count; ++i) release_failure(t.list[i]);
  mem_give(t.list);
  return loads;
}

// Class.getMethod's walk: the class's public methods (their types loaded), then, unless it
// declares a public main(String[]), its superclass and its interfaces, whose static methods
// do not count. Notes in `main` the first public main(String[]) and in `bare` the first
// default main() of an interface. False when a type does not load.
bool walk_public(Loader& l, const char* name, bool interface, MainMethod& main, MainMethod& bare) {
  int at = find_known(l, name);
  if (at < 0 || l.known[at].walked) return true;
  l.known[at].walked = true;
  ClassScan s;
  if (!scan_class(l, name, false, s)) {
    release_scan(s);
    return !l.halted;
  }
  bool loads = check_types(l, s);
  bool declares = s.public_main && !(interface && (s.public_main_flags & ACC_STATIC) != 0);
  if (loads && declares && !main.found)
    take_main(l, main, name, s.public_main_flags, s.public_main_void);
  if (loads && interface && s.bare_main && (s.bare_main_flags & ACC_STATIC) == 0 && !bare.found)
    take_main(l, bare, name, s.bare_main_flags, true);
  const char* next = s.supertypes;
  const char* super = next;
  for (unsigned i = 0; i < s.interfaces; ++i) super += std::strlen(super) + 1;
  if (loads && !declares && *super != '\0') loads = walk_public(l, super, false, main, bare);
  for (unsigned i = 0; loads && !declares && i < s.interfaces; ++i) {
    loads = walk_public(l, next, true, main, bare);
    next += std::strlen(next) + 1;
  }
  release_scan(s);
  return loads;
}

const char DEFINE_AS[] = "   public static void main(String[] args)";

// Java 8 to 24: getMethod's public main(String[]), which must be static and return void.
void check_main_before_25(Loader& l, const MainMethod& m) {
  if (!m.found) {
    stop(l, STEP_MAIN_METHOD);
    java_line(l, "Error: Main method not found in class %s, please define the main method as:",
              l.main_dotted);
    java_line(l, DEFINE_AS);
    java_line(l, "or a JavaFX application class must extend javafx.application.Application");
  } else if ((m.flags & ACC_STATIC) == 0) {
    stop(l, STEP_MAIN_METHOD);
    java_line(l, "Error: Main method is not static in class %s, please define the main method as:",
              m.declarer);
    java_line(l, DEFINE_AS);
  } else if (!m.returns_void) {
    stop(l, STEP_MAIN_METHOD);
    java_line(l, "Error: Main method must return a value of type void in class %s, please ",
              m.declarer);
    java_line(l, "define the main method as:");
    java_line(l, DEFINE_AS);
  }
}

// Java 25 looks along the superclasses for a main(String[]) neither public nor private,
// then for a main() that is not private; `all_types` loads the types of every method of
// the main class first. False when java stops.
bool search_superclasses(Loader& l, bool all_types, MainMethod& other, MainMethod& bare) {
  int at = find_known(l, l.main_name);
  for (int depth = 0; at >= 0 && depth <= DEPTH_LIMIT && !l.halted; ++depth) {
    ClassScan s;
    bool read = scan_class(l, l.known[at].name, all_types && depth == 0, s);
    bool loads = !read || !(all_types && depth == 0) || check_types(l, s);
    if (read && loads && s.other_main && !other.found)
      take_main(l, other, l.known[at].name, s.other_main_flags, true);
    if (read && loads && s.bare_main && !bare.found)
      take_main(l, bare, l.known[at].name, s.bare_main_flags, true);
    release_scan(s);
    if (!loads) return false;
    at = find_known(l, l.known[at].super);
  }
  return !l.halted;
}

// An instance main needs an instance: a concrete class, not a non-static inner one, with a
// constructor of no arguments that is not private.
void check_instance(Loader& l, const MainMethod& m) {
  ClassScan s;
  bool read = scan_class(l, l.main_name, false, s);
  if (read && (s.class_flags & ACC_ABSTRACT) != 0) {
    stop(l, STEP_MAIN_METHOD);
    java_line(l, "Error: abstract class %s can not be instantiated", m.declarer);
    java_line(l, "please use a concrete class");
  } else if (read && s.inner) {
    stop(l, STEP_MAIN_METHOD);
    java_line(l, "Error: non-static inner class %s constructor can not be invoked ", m.declarer);
    java_line(l, "make inner class static or move inner class out to separate source file");
  } else if (read && !s.constructor) {
    stop(l, STEP_MAIN_METHOD);
    java_line(l, "Error: no non-private zero argument constructor found in class %s", m.declarer);
    java_line(l, "remove private from existing constructor or define as:");
    java_line(l, "   public %s()", m.declarer);
  }
  release_scan(s);
}

// A default main() in the interfaces of `name` and of its supertypes, as getMethod finds it.
void find_default_main(Loader& l, const char* name, bool interface, MainMethod& bare) {
  int at = find_known(l, name);
  if (at < 0 || l.known[at].searched || bare.found) return;
  l.known[at].searched = true;
  ClassScan s;
  if (scan_class(l, name, false, s)) {
    bool is_default = s.bare_main && (s.bare_main_flags & (ACC_STATIC | ACC_PUBLIC)) == ACC_PUBLIC;
    if (interface && is_default) take_main(l, bare, name, s.bare_main_flags, true);
    const char* next = s.supertypes;
    for (unsigned i = 0; i <= s.interfaces; ++i) {
      if (*next != '\0') find_default_main(l, next, i < s.interfaces, bare);
      next += std::strlen(next) + 1;
    }
  }
  release_scan(s);
}

void release_main(MainMethod& m) {
  mem_give(m.declarer);
  m = {};
}

// Java 25: public main(String[]), then one neither public nor private, then main(); each
// returning void, static or not.
void check_main_25(Loader& l, MainMethod& public_main, MainMethod& interface_bare) {
  MainMethod other = {};
  MainMethod bare = {};
  bool has_public = public_main.found;
  if (!search_superclasses(l, !has_public, other, bare)) return;
  MainMethod* chosen = &public_main;
  if (!public_main.found || !public_main.returns_void) chosen = &other;
  if (!chosen->found) chosen = &bare;
  if (!chosen->found) find_default_main(l, l.main_name, false, interface_bare);
  if (!chosen->found) chosen = &interface_bare;
  if (!chosen->found) {
    MainMethod none = {};
    check_main_before_25(l, none);
  } else if ((chosen->flags & ACC_STATIC) == 0) {
    check_instance(l, *chosen);
  }
  release_main(other);
  release_main(bare);
}

// After the main class loads: JavaFX, the types its methods name, its main method.
void check_loaded_main(Loader& l) {
  const LoadQuery& q = *l.query;
  if (q.feature >= 9 && extends_javafx(l)) {
    javafx_stops(l);
    return;
  }
  MainMethod main = {};
  MainMethod interface_bare = {};
  bool loads = walk_public(l, l.main_name, false, main, interface_bare);
  bool preview_rules = q.feature >= 21 && q.feature <= 24 && q.enable_preview;
  if (loads && !l.halted && preview_rules) l.verdict->preview_unchecked = true;
  if (loads && !l.halted && !preview_rules && q.feature < 25) check_main_before_25(l, main);
  if (loads && !l.halted && q.feature >= 25) check_main_25(l, main, interface_bare);
  release_main(main);
  release_main(interface_bare);
}

void load_checks(Loader& l) {
  const LoadQuery& q = *l.query;
  if (q.jar_javafx && q.feature >= 9) {
    javafx_stops(l);
    return;
  }
  Failure f = {FAIL_OTHER, -1, nullptr, {}, {}};
  if (!load_type(l, l.main_name, l.main_dotted, 0, f)) {
    if (!l.halted) stop_loading(l, f);
    release_failure(f);
    return;
  }
  l.verdict->main_loaded = true;
  check_loaded_main(l);
}

}  // namespace

void load_main_class(const LoadQuery& query, LoadVerdict& verdict) {
  verdict = {};
  verdict.main_element = -1;
  Loader l = {};
  l.query = &query;
  l.verdict = &verdict;
  std::size_t len = std::strlen(query.main_class);
  l.main_name = copy_of(l, reinterpret_cast<const unsigned char*>(query.main_class), len);
  l.main_dotted = copy_of(l, reinterpret_cast<const unsigned char*>(query.main_class), len);
  if (!l.halted) {
    swap_chars(l.main_name, '.', '/');
    swap_chars(l.main_dotted, '/', '.');
    load_checks(l);
  }
  forget_known(l, 0);
  mem_give(l.known);
  mem_give(l.main_name);
  mem_give(l.main_dotted);
  if (l.short_of_memory || verdict.lines.short_of_memory) {
    text_release(verdict.lines);
    verdict.outcome = LOAD_OUT_OF_MEMORY;
  }
}

void load_release(LoadVerdict& verdict) { text_release(verdict.lines); }

const char* load_first_line(const LoadVerdict& verdict) {
  return verdict.lines.used > 0 ? verdict.lines.bytes : nullptr;
}

const char* load_next_line(const LoadVerdict& verdict, const char* line) {
  const char* next = line + std::strlen(line) + 1;
  return next < verdict.lines.bytes + verdict.lines.used ? next : nullptr;
}

bool load_adds_javafx(const char* modules) {
  for (const char* at = modules; *at != '\0';) {
    std::size_t len = std::strcspn(at, ",");
    if (std::strncmp(at, "javafx.", 7) == 0 && len > 7) return true;
    if (len == 15 && std::strncmp(at, "ALL-MODULE-PATH", 15) == 0) return true;
    at += len;
    if (*at == ',') ++at;
  }
  return false;
}
