#include <cstring>

#include "base/allocator.h"
#include "base/ascii.h"
#include "lists/current_dir.h"
#include "platform/output.h"
#include "platform/platform.h"
#include "which/which.h"

namespace {

// `path` made absolute, then in its long form, as far as each step works.
const char* absolute_long(const char* path, char* full, char* out) {
  unsigned long len = platform()->path_full(path, full, WHICH_PATH_BYTES);
  const char* from = len > 0 && len < WHICH_PATH_BYTES ? full : path;
  len = platform()->path_long(from, out, WHICH_PATH_BYTES);
  return len > 0 && len < WHICH_PATH_BYTES ? out : from;
}

bool same_file(const char* a, const char* b) {
  static char full_a[WHICH_PATH_BYTES], long_a[WHICH_PATH_BYTES];
  static char full_b[WHICH_PATH_BYTES], long_b[WHICH_PATH_BYTES];
  return same_folded(absolute_long(a, full_a, long_a), absolute_long(b, full_b, long_b));
}

// Whether the last component, trailing '\' and '/' aside, is "bin".
bool names_bin(const char* home) {
  std::size_t end = std::strlen(home);
  while (end > 0 && (home[end - 1] == '\\' || home[end - 1] == '/')) --end;
  std::size_t start = end;
  while (start > 0 && !std::strchr("\\/:", home[start - 1])) --start;
  for (int i = 0; i < 3; ++i) {
    if (ascii_upper(home[start + i]) != "BIN"[i]) return false;
  }
  return end - start == 3;
}

// The JAVA_HOME lines: its value, then each check that applies, in order.
void report_java_home(const JavaMatch* const runs[]) {
  static char bin[WHICH_PATH_BYTES], java[WHICH_PATH_BYTES], javac[WHICH_PATH_BYTES];
  const char* value = platform()->env_value("JAVA_HOME");
  char* home = value != nullptr ? static_cast<char*>(mem_take(std::strlen(value) + 1)) : nullptr;
  std::size_t len = 0;
  for (const char* p = home != nullptr ? value : ""; *p != '\0'; ++p) {
    if (*p != '"') home[len++] = *p;
  }
  if (len == 0) {
    out_print("JAVA_HOME is not set\n");
    mem_give(home);
    return;
  }
  bool quoted = len != std::strlen(value);
  home[len] = '\0';
  out_print("JAVA_HOME is %s", home);
  bool has_java =
      join_path(home, "bin", bin, false) && join_path(bin, "java.exe", java, true) && is_file(java);
  JavaVersion version;
  if (has_java) read_java_version(bin, "java.exe", version), print_java_version(version);
  out_print("\n");
  if (quoted)
    out_print("***Warning - JAVA_HOME holds quotes, which break scripts that quote it again\n");
  if (probe_directory(home) == 0) {
    out_print("***ERROR*** - JAVA_HOME is not a directory\n");
  } else if (!has_java) {
    out_print(
        names_bin(home)
            ? "***ERROR*** - JAVA_HOME names a bin directory: it must name the directory above it\n"
            : "***ERROR*** - JAVA_HOME has no bin\\java.exe\n");
  } else {
    bool has_javac = join_path(bin, "javac.exe", javac, true) && is_file(javac);
    if (!has_javac) {
      out_print(
          "***Warning - JAVA_HOME has no bin\\javac.exe: it is a runtime, not a development kit\n");
    }
    // java is held against the file just found, javac against its own when there is one.
    for (int n = 0; n < (has_javac ? 2 : 1); ++n) {
      if (runs[n] != nullptr && !same_file(runs[n]->path, n == 0 ? java : javac)) {
        out_print("***Warning - the %s that runs is not JAVA_HOME\\bin\\%s.exe\n", JAVA_NAMES[n],
                  JAVA_NAMES[n]);
      }
    }
  }
  mem_give(home);
}

}  // namespace

void print_java_version(const JavaVersion& version) {
  if (version.release[0] != '\0') out_print(", version %s", version.release);
  if (version.has_file_version) {
    unsigned high = version.words[0], low = version.words[1];
    out_print(", file version %u.%u.%u.%u", high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF);
  }
}

void report_java_programs() {
  Platform* os = platform();
  // Off before the first listing, on after the last file read.
  os->fs_redirection(true);
  JavaMatch* matches = nullptr;
  int count = find_java_programs(matches);
  out_print("\nJava programs found through PATH\n");
  const JavaMatch* runs[JAVA_NAME_COUNT] = {};
  for (int n = 0; n < JAVA_NAME_COUNT; ++n) {
    for (int i = 0; i < count; ++i) {
      if (matches[i].name != n) continue;
      if (runs[n] == nullptr) {
        out_print("%s runs %s", JAVA_NAMES[n], matches[i].path);
        runs[n] = &matches[i];
      } else {
        out_print("    and hides %s", matches[i].path);
      }
      print_java_version(matches[i].version);
      out_print("\n");
    }
    if (runs[n] == nullptr) out_print("*****%s is not found through PATH\n", JAVA_NAMES[n]);
  }
  report_java_home(runs);
  os->fs_redirection(false);
  release_java_matches(matches, count);
}
