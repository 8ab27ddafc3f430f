#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/allocator.h"
#include "base/ascii.h"
#include "lists/current_dir.h"
#include "lists/lists.h"
#include "lists/registry.h"
#include "platform/platform.h"
#include "which/which.h"

const char* const JAVA_NAMES[JAVA_NAME_COUNT] = {"java", "javac", "javaw"};

namespace {

constexpr long RELEASE_READ_BYTES = 65536;
constexpr unsigned VERSION_SIGNATURE = 0xFEEF04BD;
constexpr unsigned long VERSION_ROOT_BYTES = 52;
constexpr unsigned long DIR_BYTES = 4096;

// PATHEXT's pieces, each kept once: zero-terminated, one after another, then an empty one.
char* pieces = nullptr;
JavaMatch* found = nullptr;
int found_count = 0, found_room = 0, dir_count = 0;

// The value of its first line that begins "JAVA_VERSION=", as printed.
void read_release(const char* path, char* value) {
  static char text[RELEASE_READ_BYTES];
  Platform* os = platform();
  long got = 0;
  FileHandle file = os->file_open_read(path);
  // Only a file on a disk is read: a device could keep the run waiting. A read from a
  // disk stops short only at the file's end.
  if (file != 0 && os->file_type(file) == FILE_TYPE_DISK) {
    got = os->file_read_at(file, 0, text, RELEASE_READ_BYTES);
  }
  if (file != 0) os->file_close(file);
  value[0] = '\0';
  for (long at = 0, end; at < got; at = end + 1) {
    for (end = at; end < got && text[end] != '\r' && text[end] != '\n'; ++end) {
    }
    if (end - at < 13 || std::memcmp(text + at, "JAVA_VERSION=", 13) != 0) continue;
    long from = at + 13, len = end - from;
    if (len >= 2 && text[from] == '"' && text[end - 1] == '"') from += 1, len -= 2;
    if (len > RELEASE_VERSION_BYTES) len = RELEASE_VERSION_BYTES;
    for (long i = 0; i < len; ++i) {
      char c = text[from + i];
      value[i] = c >= 0x20 && c <= 0x7E ? c : '?';
    }
    value[len] = '\0';
    return;
  }
}

// PATHEXT's pieces in order, each once; the usual four when it holds none.
bool split_extensions() {
  const char* value = platform()->env_value("PATHEXT");
  for (int pass = 0; pass < 2; ++pass, value = ".COM;.EXE;.BAT;.CMD") {
    if (value == nullptr) continue;
    mem_give(pieces);
    char* end = pieces = static_cast<char*>(mem_take(std::strlen(value) + 2));
    if (end == nullptr) return false;
    registry_reset();
    char piece[MAX_ENTRY_CHARS + 1];
    for (const char* p = value; *p != '\0'; p += *p == ';') {
      p = take_segment(p, piece);
      std::size_t len = std::strlen(piece) + 1;
      if (len > 1 && registry_add(piece) == 0)
        end = static_cast<char*>(std::memcpy(end, piece, len)) + len;
    }
    *end = '\0';
    registry_release();
    if (end != pieces) return true;
  }
  return false;
}

// Whether `item` is `name` followed by `piece`, a-z folded.
bool is_name_with(const char* item, const char* name, const char* piece) {
  for (; *name != '\0'; ++name, ++item) {
    if (ascii_upper(*item) != ascii_upper(*name)) return false;
  }
  return same_folded(item, piece);
}

// Lists a directory not searched before, once, and adds its matches.
void search_directory(const char* shown, const char* full) {
  static char pattern[WHICH_PATH_BYTES], path[WHICH_PATH_BYTES];
  std::size_t len = std::strlen(full);
  std::memcpy(pattern, full, len + 1);
  if (len > 1 && pattern[len - 1] == '\\' && pattern[len - 2] != ':') pattern[len - 1] = '\0';
  if (registry_add(pattern) != 0 || !join_path(full, "*", pattern, true)) return;
  ++dir_count;
  ListHandle list = 0;
  ListItem item;
  while (platform()->list_next(pattern, list, item)) {
    for (int n = 0; n < JAVA_NAME_COUNT && !item.directory; ++n) {
      int piece = 0;
      for (const char* p = pieces; *p != '\0'; p += std::strlen(p) + 1, ++piece) {
        if (!is_name_with(item.name, JAVA_NAMES[n], p) ||
            !join_path(shown, item.name, path, true) || !mem_grow(found, found_room, found_count)) {
          continue;
        }
        JavaMatch& match = found[found_count];
        match.path = static_cast<char*>(mem_take(std::strlen(path) + 1));
        if (match.path == nullptr) continue;
        std::memcpy(match.path, path, std::strlen(path) + 1);
        match.name = n, match.dir = dir_count, match.piece = piece, match.seq = found_count;
        read_java_version(full, item.name, match.version);
        ++found_count;
      }
    }
  }
  platform()->list_close(list);
}

// By directory, then extension, then listing.
int by_search_order(const void* a, const void* b) {
  const JavaMatch& x = *static_cast<const JavaMatch*>(a);
  const JavaMatch& y = *static_cast<const JavaMatch*>(b);
  if (x.dir != y.dir) return x.dir - y.dir;
  return x.piece != y.piece ? x.piece - y.piece : x.seq - y.seq;
}

}  // namespace

bool same_folded(const char* a, const char* b) {
  for (; *a != '\0' && ascii_upper(*a) == ascii_upper(*b); ++a, ++b) {
  }
  return *a == *b;
}

bool join_path(const char* dir, const char* name, char* out, bool after_colon) {
  std::size_t len = std::strlen(dir);
  char last = len > 0 ? dir[len - 1] : '\0';
  bool bare = last == '\\' || last == '/' || (after_colon && last == ':');
  if (len + !bare + std::strlen(name) >= WHICH_PATH_BYTES) return false;
  std::memcpy(out, dir, len);
  if (!bare) out[len++] = '\\';
  std::memcpy(out + len, name, std::strlen(name) + 1);
  return true;
}

bool is_file(const char* path) {
  // A '*' or '?' would make the lookup a pattern; no name holds one.
  if (std::strchr(path, '*') != nullptr || std::strchr(path, '?') != nullptr) return false;
  ListHandle list = 0;
  ListItem item;
  bool file = platform()->list_next(path, list, item) && !item.directory;
  platform()->list_close(list);
  return file;
}

void read_java_version(const char* dir, const char* program, JavaVersion& version) {
  static char path[WHICH_PATH_BYTES];
  version.release[0] = '\0';
  version.has_file_version = false;
  if (join_path(dir, "..\\release", path, true) && is_file(path)) {
    read_release(path, version.release);
    return;
  }
  // The fixed file information: a signature, then at 8 and 12 the version's high and low
  // halves (Windows is little-endian, as is every machine the tests run on).
  std::uint32_t root[VERSION_ROOT_BYTES / 4];
  version.has_file_version =
      join_path(dir, program, path, true) &&
      platform()->version_root(path, root, VERSION_ROOT_BYTES) == VERSION_ROOT_BYTES &&
      root[0] == VERSION_SIGNATURE;
  version.words[0] = root[2], version.words[1] = root[3];
}

int find_java_programs(JavaMatch*& matches) {
  Platform* os = platform();
  static char full[DIR_BYTES];
  found = nullptr, found_count = found_room = dir_count = 0;
  if (split_extensions()) {
    registry_reset();
    unsigned long len = os->exe_search_in_current_dir() ? os->dir_get(full, DIR_BYTES) : 0;
    if (len > 0 && len < DIR_BYTES) search_directory(full, full);
    // The value is copied: the directory probes may read the environment.
    const char* value = os->env_value("PATH");
    char* path = value != nullptr ? static_cast<char*>(mem_take(std::strlen(value) + 1)) : nullptr;
    if (path != nullptr) std::memcpy(path, value, std::strlen(value) + 1);
    char entry[MAX_ENTRY_CHARS + 1];
    for (const char* p = path; p != nullptr && *p != '\0'; p += *p == ';') {
      p = take_segment(p, entry);
      if (entry[0] == '\0' || probe_directory(entry) == 0) continue;
      len = os->path_full(entry, full, DIR_BYTES);
      if (len > 0 && len < DIR_BYTES) search_directory(entry, full);
    }
    registry_release();
    mem_give(path);
  }
  mem_give(pieces);
  pieces = nullptr;
  if (found_count > 1) std::qsort(found, found_count, sizeof *found, by_search_order);
  matches = found;
  return found_count;
}

void release_java_matches(JavaMatch* matches, int count) {
  for (int i = 0; i < count; ++i) mem_give(matches[i].path);
  mem_give(matches);
}
