#include "which/which.h"

#include <cstring>

#include "base/allocator.h"
#include "base/ascii.h"
#include "classes/classes.h"
#include "lists/class_path.h"
#include "lists/current_dir.h"
#include "lists/lists.h"
#include "lists/registry.h"
#include "platform/output.h"
#include "platform/platform.h"

namespace {

const char* const JAVA_NAMES[3] = {"java", "javac", "javaw"};
constexpr int PATH_BYTES = 32800;  // an environment value and a short name
constexpr long RELEASE_READ_BYTES = 65536;
constexpr unsigned long VERSION_ROOT_BYTES = 52;

char* pieces = nullptr;  // PATHEXT's pieces, zero-terminated one after another, then ""
JavaMatch* found = nullptr;
int found_count = 0, found_room = 0;

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Whether `a` is `b` followed by `c`, a-z folded.
bool same_folded(const char* a, const char* b, const char* c = "") {
  for (; *b != '\0' || *c != '\0'; ++a) {
    const char*& next = *b != '\0' ? b : c;
    if (ascii_upper(*a) != ascii_upper(*next++)) return false;
  }
  return *a == '\0';
}

// `dir`, a '\' unless it ends in '\', '/' or (with `after_colon`) ':', then
// `name`, into `out` (PATH_BYTES); false when that does not fit.
bool join_path(const char* dir, const char* name, char* out, bool after_colon) {
  std::size_t len = std::strlen(dir);
  char last = len > 0 ? dir[len - 1] : '\0';
  bool bare = last == '\\' || last == '/' || (after_colon && last == ':');
  if (len + !bare + std::strlen(name) >= PATH_BYTES) return false;
  std::memcpy(out, dir, len);
  if (!bare) out[len++] = '\\';
  std::memcpy(out + len, name, std::strlen(name) + 1);
  return true;
}

// The version of `program` in `dir`: the value of the first line that begins
// "JAVA_VERSION=" in the release file above the directory, when it is not
// empty, else the program's version resource.
void read_java_version(const char* dir, const char* program, JavaMatch& version) {
  static char path[PATH_BYTES], text[RELEASE_READ_BYTES];
  Platform* os = platform();
  version.release[0] = '\0', version.has_file_version = false;
  FileHandle file = join_path(dir, "..\\release", path, true) ? os->file_open_read(path) : 0;
  if (file != 0) {
    // Only a file on a disk is read (a device could keep the run waiting), and
    // a read from a disk stops short only at the file's end.
    long got = 0;
    if (os->file_type(file) == FILE_TYPE_DISK)
      got = os->file_read_at(file, 0, text, RELEASE_READ_BYTES);
    os->file_close(file);
    for (long at = 0, end; at < got; at = end + 1) {
      for (end = at; end < got && text[end] != '\r' && text[end] != '\n';) ++end;
      if (end - at < 13 || std::memcmp(text + at, "JAVA_VERSION=", 13) != 0) continue;
      long from = at + 13, len = end - from;
      while (len > 0 && is_blank(text[from + len - 1])) --len;
      if (len >= 2 && text[from] == '"' && text[from + len - 1] == '"') from += 1, len -= 2;
      if (len > RELEASE_VERSION_BYTES) len = RELEASE_VERSION_BYTES;
      for (long i = from; i < from + len; ++i)
        text[i] = text[i] < 0x20 || text[i] > 0x7E ? '?' : text[i];
      std::memcpy(version.release, text + from, len), version.release[len] = '\0';
      break;
    }
    if (version.release[0] != '\0') return;
  }
  // The fixed file information: its signature, its version at 8 and 12 (little-endian).
  unsigned root[VERSION_ROOT_BYTES / 4];
  if (join_path(dir, program, path, true) &&
      os->version_root(path, root, VERSION_ROOT_BYTES) == VERSION_ROOT_BYTES &&
      root[0] == 0xFEEF04BD) {
    version.has_file_version = true;
    version.high = static_cast<int>(root[2]), version.low = static_cast<int>(root[3]);
  }
}

// The pieces of `value`, each once (a-z folded), or nullptr when it holds none.
char* split_pieces(const char* value) {
  char piece[MAX_ENTRY_CHARS + 1], *kept = static_cast<char*>(mem_take(std::strlen(value) + 2));
  char* end = kept;
  registry_reset();
  for (const char* p = value; kept != nullptr && *p != '\0'; p += *p == ';') {
    p = take_segment(p, piece);
    std::size_t len = std::strlen(piece) + 1;
    if (len > 1 && registry_add(piece) == 0)
      end = static_cast<char*>(std::memcpy(end, piece, len)) + len;
  }
  registry_release();
  if (end != kept) return *end = '\0', kept;
  mem_give(kept);
  return nullptr;
}

// Whether the long form of `full`, where it is another text, names a directory
// searched before; if not, it is kept as searched. It looks up every component,
// so it is asked only where a match was found and a short name may be: Windows
// and Wine make every short name with a '~'.
bool searched_as_long(const char* full) {
  static char key[PATH_BYTES];
  if (std::strchr(full, '~') == nullptr) return false;
  unsigned long len = platform()->path_long(full, key, PATH_BYTES);
  // `full` ends in a backslash only as a root, and so does its long form.
  return len > 0 && len < PATH_BYTES && !same_folded(key, full) && registry_add(key) != 0;
}

// Lists a directory not searched before, once, and adds its matches: within
// the directory by extension, then as listed.
void list_for_programs(const char* shown, char* full) {
  static char pattern[PATH_BYTES], path[PATH_BYTES];
  full[without_final_backslash(full, std::strlen(full))] = '\0';
  if (registry_add(full) != 0 || !join_path(full, "*", pattern, true)) return;
  int first = found_count;
  ListHandle list = 0;
  ListItem item;
  while (platform()->list_next(pattern, list, item)) {
    for (int n = 0; n < 3 && !item.directory; ++n) {
      int piece = 0;
      for (const char* p = pieces; *p != '\0'; p += std::strlen(p) + 1, ++piece) {
        char* kept = same_folded(item.name, JAVA_NAMES[n], p) &&
                             join_path(shown, item.name, path, true) &&
                             mem_grow(found, found_room, found_count)
                         ? static_cast<char*>(mem_take(std::strlen(path) + 1))
                         : nullptr;
        if (kept == nullptr) continue;
        int at = found_count++;
        for (; at > first && found[at - 1].piece > piece; --at) found[at] = found[at - 1];
        found[at].name = n, found[at].piece = piece;
        found[at].path = static_cast<char*>(std::memcpy(kept, path, std::strlen(path) + 1));
        read_java_version(full, item.name, found[at]);
      }
    }
  }
  platform()->list_close(list);
  // A directory is what the walk's probe enters, asked only where it matters: it is slow.
  if (found_count > first &&
      (searched_as_long(full) || (shown != full && probe_directory(shown) == 0)))
    while (found_count > first) mem_give(found[--found_count].path);
}

// Fills `found` from the start directory and PATH, in search order.
void find_java_programs() {
  Platform* os = platform();
  static char full[PATH_BYTES];
  const char* value = os->env_value("PATHEXT");
  pieces = split_pieces(value != nullptr ? value : "");
  if (pieces == nullptr) pieces = split_pieces(".COM;.EXE;.BAT;.CMD");
  if (pieces == nullptr) return;
  registry_reset();
  unsigned long len = os->exe_search_in_current_dir() ? os->dir_get(full, PATH_BYTES) : 0;
  if (len > 0 && len < PATH_BYTES) list_for_programs(full, full);
  // Read in place: nothing below asks for another variable. The listing tells a
  // directory (what lists is one); entering each as the walk does doubled the time.
  char entry[MAX_ENTRY_CHARS + 1];
  for (const char* p = os->env_value("PATH"); p != nullptr && *p != '\0'; p += *p == ';') {
    p = take_segment(p, entry);
    if (entry[0] == '\0') continue;
    len = os->path_full(entry, full, PATH_BYTES);
    if (len > 0 && len < PATH_BYTES) list_for_programs(entry, full);
  }
  registry_release();
  mem_give(pieces);
}

// `path` made absolute, then in its long form, as far as each step works.
const char* absolute_long(const char* path, char* full, char* out) {
  unsigned long len = platform()->path_full(path, full, PATH_BYTES);
  const char* from = len > 0 && len < PATH_BYTES ? full : path;
  len = platform()->path_long(from, out, PATH_BYTES);
  return len > 0 && len < PATH_BYTES ? out : from;
}

bool same_file(const char* a, const char* b) {
  static char full_a[PATH_BYTES], long_a[PATH_BYTES], full_b[PATH_BYTES], long_b[PATH_BYTES];
  return same_folded(absolute_long(a, full_a, long_a), absolute_long(b, full_b, long_b));
}

// Whether the last component, trailing '\' and '/' aside, is "bin".
bool names_bin(const char* home) {
  std::size_t end = std::strlen(home), start;
  while (end > 0 && (home[end - 1] == '\\' || home[end - 1] == '/')) --end;
  for (start = end; start > 0 && !std::strchr("\\/:", home[start - 1]);) --start;
  return end - start == 3 && ascii_upper(home[start]) == 'B' &&
         ascii_upper(home[start + 1]) == 'I' && ascii_upper(home[start + 2]) == 'N';
}

JavaMatch home_java;  // JAVA_HOME\bin\java.exe's version, when it is there

// The JAVA_HOME lines: its value, then each check that applies, in order.
void report_java_home(const JavaMatch* const runs[]) {
  static char home[PATH_BYTES], bin[PATH_BYTES], java[PATH_BYTES], javac[PATH_BYTES];
  const char* value = platform()->env_value("JAVA_HOME");
  std::size_t len = 0;
  // Kept whole up to the longest value Windows allows, and cut after that.
  for (const char* p = value != nullptr ? value : ""; *p != '\0' && len < PATH_BYTES - 1; ++p) {
    if (*p != '"') home[len++] = *p;
  }
  home[len] = '\0';
  if (len == 0) return out_print("JAVA_HOME is not set\n");
  bool quoted = std::strchr(value, '"') != nullptr;
  bool blank = is_blank(home[0]) || is_blank(home[len - 1]);
  out_print("JAVA_HOME is %s", home);
  bool has_java = join_path(home, "bin", bin, false) && join_path(bin, "java.exe", java, true) &&
                  opens_for_reading(java);
  JavaMatch& version = home_java;
  if (has_java) read_java_version(bin, "java.exe", version), print_java_version(version);
  out_print("\n");
  if (quoted)
    out_print("***Warning - JAVA_HOME holds quotes, which break scripts that quote it again\n");
  if (blank) out_print("***Warning - JAVA_HOME begins or ends with a blank\n");
  if (probe_directory(home) == 0) return out_print("***ERROR*** - JAVA_HOME is not a directory\n");
  if (!has_java) {
    return out_print(
        names_bin(home)
            ? "***ERROR*** - JAVA_HOME names a bin directory: it must name the directory above it\n"
            : "***ERROR*** - JAVA_HOME has no bin\\java.exe\n");
  }
  bool has_javac = join_path(bin, "javac.exe", javac, true) && opens_for_reading(javac);
  if (!has_javac)
    out_print(
        "***Warning - JAVA_HOME has no bin\\javac.exe: it is a runtime, not a development kit\n");
  // java is held against the file just found, javac against its own when there is one.
  for (int n = 0; n < (has_javac ? 2 : 1); ++n) {
    if (runs[n] != nullptr && !same_file(runs[n]->path, n == 0 ? java : javac)) {
      out_print("***Warning - the %s that runs is not JAVA_HOME\\bin\\%s.exe\n", JAVA_NAMES[n],
                JAVA_NAMES[n]);
    }
  }
}

}  // namespace

void print_java_version(const JavaMatch& version) {
  if (version.release[0] != '\0') out_print(", version %s", version.release);
  if (version.has_file_version)
    out_print(", file version %d.%d.%d.%d", version.high >> 16 & 0xFFFF, version.high & 0xFFFF,
              version.low >> 16 & 0xFFFF, version.low & 0xFFFF);
}

int feature_version(const JavaMatch& java) {
  const char* p = java.release;
  if (p[0] == '1' && p[1] == '.' && p[2] >= '0' && p[2] <= '9') p += 2;
  int feature = -1;
  for (; *p >= '0' && *p <= '9' && feature < 100000; ++p)
    feature = (feature < 0 ? 0 : feature * 10) + (*p - '0');
  if (java.release[0] != '\0' || !java.has_file_version) return feature;
  return (java.high >> 16 & 0xFFFF) == 1 ? java.high & 0xFFFF : java.high >> 16 & 0xFFFF;
}

namespace {

// Whether the last component of `word` holds a '.'.
bool has_extension(const char* word) {
  const char* last = word + std::strlen(word);
  while (last > word && std::strchr("\\/:", last[-1]) == nullptr) --last;
  return std::strchr(last, '.') != nullptr;
}

// Whether `dir` (empty: none) joined with `name` and `extension` lists as a file; if so,
// `found` gets its full path, the name as the folder lists it, and its version.
bool try_program(const char* dir, const char* name, const char* extension, ProgramFound& found) {
  static char path[PATH_BYTES], full[PATH_BYTES];
  char joined[PATH_BYTES];
  std::size_t name_len = std::strlen(name);
  if (name_len + std::strlen(extension) >= PATH_BYTES) return false;
  std::memcpy(joined, name, name_len);
  std::memcpy(joined + name_len, extension, std::strlen(extension) + 1);
  if (dir[0] == '\0') {
    std::memcpy(path, joined, std::strlen(joined) + 1);
  } else if (!join_path(dir, joined, path, true)) {
    return false;
  }
  ListHandle list = 0;
  ListItem item;
  bool listed = platform()->list_next(path, list, item) && !item.directory;
  platform()->list_close(list);
  unsigned long len = listed ? platform()->path_full(path, full, PATH_BYTES) : 0;
  if (len == 0 || len >= PATH_BYTES) return false;
  char* last = std::strrchr(full, '\\') + 1;  // a full path has one
  std::size_t folder = static_cast<std::size_t>(last - full);
  if (folder + std::strlen(item.name) >= PROGRAM_PATH_BYTES) return false;
  std::memcpy(found.path, full, folder);
  std::memcpy(found.path + folder, item.name, std::strlen(item.name) + 1);
  found.result = PROGRAM_FOUND;
  const char* type = std::strrchr(item.name, '.');
  found.is_program = type != nullptr && (same_folded(type, ".exe") || same_folded(type, ".com"));
  full[folder] = '\0';
  if (found.is_program) read_java_version(full, item.name, found.version);
  return true;
}

// Tries `name` in `dir` as it stands when it has an extension, else with each one.
bool try_in(const char* dir, const char* name, ProgramFound& found) {
  if (has_extension(name)) return try_program(dir, name, "", found);
  for (const char* p = pieces; *p != '\0'; p += std::strlen(p) + 1) {
    if (try_program(dir, name, p, found)) return true;
  }
  return false;
}

// Whether the folder part of `word` names no directory: cmd then says so.
bool folder_missing(const char* word) {
  char folder[PATH_BYTES];
  std::size_t len = std::strlen(word);
  while (len > 0 && std::strchr("\\/:", word[len - 1]) == nullptr) --len;
  if (len == 0 || len >= PATH_BYTES) return false;
  std::memcpy(folder, word, len);
  folder[len] = '\0';
  if (folder[len - 1] == ':') return false;  // a drive's current directory
  return probe_directory(folder) == 0;
}

}  // namespace

bool find_program(const char* word, ProgramFound& found) {
  Platform* os = platform();
  found.result = PROGRAM_NOT_RECOGNIZED;
  found.path[0] = '\0';
  found.is_program = false;
  found.version = {};
  // A wildcard would make the search a pattern: cmd finds no such command.
  if (word[0] == '\0' || word[std::strcspn(word, "*?")] != '\0') return true;
  const char* value = os->env_value("PATHEXT");
  pieces = split_pieces(value != nullptr ? value : "");
  if (pieces == nullptr) pieces = split_pieces(".COM;.EXE;.BAT;.CMD");
  if (pieces == nullptr) return false;
  if (word[std::strcspn(word, "\\/:")] != '\0') {
    if (!try_in("", word, found) && folder_missing(word)) found.result = PROGRAM_NO_PATH;
    mem_give(pieces);
    return true;
  }
  static char start[PATH_BYTES];
  unsigned long len = os->exe_search_in_current_dir() ? os->dir_get(start, PATH_BYTES) : 0;
  bool done = len > 0 && len < PATH_BYTES && try_in(start, word, found);
  char entry[MAX_ENTRY_CHARS + 1];
  const char* path = done ? nullptr : os->env_value("PATH");
  for (const char* p = path; p != nullptr && *p != '\0' && !done; p += *p == ';') {
    p = take_segment(p, entry);
    // Read in place: nothing below asks for another variable.
    if (entry[0] != '\0') done = try_in(entry, word, found);
  }
  mem_give(pieces);
  return true;
}

namespace {

// The search, made once for the run: by the class path's reader, or by -w.
bool searched = false;

void search_once() {
  if (searched) return;
  searched = true;
  found = nullptr;
  found_count = 0;
  found_room = 0;
  find_java_programs();
}

// The java that runs: the first match of "java", or nullptr.
const JavaMatch* first_java() {
  for (int i = 0; i < found_count; ++i)
    if (found[i].name == 0) return &found[i];
  return nullptr;
}

// A script such as java.bat is no java whose version counts.
bool is_program(const JavaMatch& java) {
  const char* type = std::strrchr(java.path, '.');
  return type != nullptr && (same_folded(type, ".exe") || same_folded(type, ".com"));
}

void print_feature(int feature) { out_print(feature < 5 ? "1.%d" : "%d", feature); }

}  // namespace

void read_as_running_java(bool say) {
  platform()->fs_redirection(true);  // off while the search lists and reads
  search_once();
  platform()->fs_redirection(false);
  const JavaMatch* java = first_java();
  int feature = java != nullptr && is_program(*java) ? feature_version(*java) : -1;
  class_path.java.feature = feature >= 0 ? feature : UNKNOWN_JAVA_RULES;
  class_path.java.jar_version = class_path.java.feature;
  if (!say) return;
  out_print("\nRead as Java ");
  print_feature(class_path.java.feature);
  if (java == nullptr) return out_print(" reads it: no java found through PATH\n");
  if (feature < 0) return out_print(" reads it: the version of %s is unknown\n", java->path);
  out_print(" reads it: %s\n", java->path);
}

void java_search_release() {
  for (int i = 0; i < found_count; ++i) mem_give(found[i].path);
  mem_give(found);
  found = nullptr;
  found_count = 0;
  found_room = 0;
  searched = false;
}

void report_java_programs(bool command) {
  // Off before the first listing, on after the last file read.
  platform()->fs_redirection(true);
  search_once();
  out_print("\nJava programs found through PATH\n");
  const JavaMatch* runs[3] = {};
  for (int n = 0; n < 3; ++n) {
    for (int i = 0; i < found_count; ++i) {
      if (found[i].name != n) continue;
      // The first match runs; each later one is hidden by it.
      if (runs[n] == nullptr) {
        runs[n] = &found[i];
        out_print("%s runs %s", JAVA_NAMES[n], found[i].path);
      } else {
        out_print("    and hides %s", found[i].path);
      }
      print_java_version(found[i]);
      out_print("\n");
    }
    if (runs[n] == nullptr) out_print("*****%s is not found through PATH\n", JAVA_NAMES[n]);
  }
  home_java = {};
  report_java_home(runs);
  // A java command's own section holds the line of the java that runs.
  if (runs[0] != nullptr && is_program(*runs[0]) && !command)
    report_newer_classes("the java that runs", feature_version(*runs[0]), "on CLASSPATH", true);
  report_newer_classes("JAVA_HOME's java", feature_version(home_java),
                       command ? "of the class path" : "on CLASSPATH", false);
  platform()->fs_redirection(false);
  java_search_release();
}
