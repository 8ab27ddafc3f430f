// Where java finds a class file: the first element of the class path that
// opens it. An archive matches names exactly; a folder opens the file in any
// case, and java then refuses the name the folder gives it.
#include <cstring>

#include "base/allocator.h"
#include "base/ascii.h"
#include "classes/classes.h"
#include "command/lookup.h"
#include "lists/class_path.h"
#include "lists/lists.h"
#include "platform/platform.h"

namespace {

constexpr std::size_t PATH_BYTES = CLASS_PATH_ELEMENT_BYTES + COMMAND_TEXT_BYTES + 2;

// `folder` and `name` joined as Windows reads them, into `out` (PATH_BYTES).
bool join(const char* folder, const char* name, char* out) {
  std::size_t len = std::strlen(folder);
  std::size_t name_len = std::strlen(name);
  if (len + name_len + 2 > PATH_BYTES) return false;
  std::memcpy(out, folder, len);
  if (len > 0 && std::strchr("\\/:", out[len - 1]) == nullptr) out[len++] = '\\';
  std::memcpy(out + len, name, name_len + 1);
  return true;
}

// The version from a class file's first 8 bytes.
void read_version(const char* path, ClassFound& found) {
  Platform* os = platform();
  FileHandle file = os->file_open_read(path);
  unsigned char head[8];
  bool read =
      file != 0 && os->file_type(file) == FILE_TYPE_DISK && os->file_read_at(file, 0, head, 8) == 8;
  if (file != 0) os->file_close(file);
  if (!read || std::memcmp(head, "\xCA\xFE\xBA\xBE", 4) != 0) return;
  found.major = head[6] << 8 | head[7];
  found.minor = head[4] << 8 | head[5];
  if (found.major < 45) found.major = 0;
}

// The path of `name` below `folder` as the folder lists it: each component's
// own letters, '/' between, without ".class".
void listed_path(const char* folder, const char* name, ClassFound& found) {
  char path[PATH_BYTES];
  std::size_t at = 0;
  std::size_t out = 0;
  if (!join(folder, "", path)) return;
  std::size_t base = std::strlen(path);
  while (name[at] != '\0') {
    std::size_t len = std::strcspn(name + at, "\\/");
    if (base + at + len + 1 > PATH_BYTES) return;
    std::memcpy(path + base + at, name + at, len);
    path[base + at + len] = '\0';
    ListHandle list = 0;
    ListItem item;
    bool listed = platform()->list_next(path, list, item);
    platform()->list_close(list);
    const char* shown = listed ? item.name : name + at;
    std::size_t shown_len = listed ? std::strlen(item.name) : len;
    if (out + shown_len + 2 > sizeof found.listed) return;
    if (out > 0) found.listed[out++] = '/';
    std::memcpy(found.listed + out, shown, shown_len);
    out += shown_len;
    at += len;
    if (name[at] != '\0') {
      path[base + at] = '\\';
      ++at;
    }
  }
  if (out >= 6 && std::memcmp(found.listed + out - 6, ".class", 6) == 0) out -= 6;
  found.listed[out] = '\0';
}

bool look_in_folder(const ClassPathElement& element, const char* file, const char* internal,
                    ClassFound& found) {
  char path[PATH_BYTES];
  if (!join(element.text, file, path) || !opens_for_reading(path)) return false;
  read_version(path, found);
  listed_path(element.text, file, found);
  found.wrong_name = std::strcmp(found.listed, internal) != 0;
  return true;
}

bool look_in_archive(int e, const char* file, ClassFound& found, bool asked_before) {
  // As the class path was opened, each archive was asked for the main class's file.
  int wanted = class_path.elements[e].wanted;
  if (asked_before && wanted == WANTED_NOT_HELD) return false;
  MemberFound member;
  ReadResult read =
      find_member(class_path.elements[e].text, file, class_path.elements[e].release, member);
  if (read == READ_OUT_OF_MEMORY) found.stopped_at = e;
  if (read != READ_DONE) return false;
  if (member.exact) {
    found.major = member.major;
    found.minor = member.minor;
    return true;
  }
  if (member.other_case[0] != '\0' && found.other_case_count < MAX_OTHER_CASES) {
    OtherCase& other = found.other_case[found.other_case_count];
    other.element = e;
    std::memcpy(other.name, member.other_case, std::strlen(member.other_case) + 1);
    ++found.other_case_count;
  }
  return false;
}

}  // namespace

void class_file_name(const char* name, char* file, char* internal) {
  std::size_t len = std::strlen(name);
  if (len + 7 > COMMAND_TEXT_BYTES) len = COMMAND_TEXT_BYTES - 7;
  for (std::size_t i = 0; i < len; ++i) {
    internal[i] = name[i] == '.' ? '/' : name[i];
    file[i] = internal[i];
  }
  internal[len] = '\0';
  std::memcpy(file + len, ".class", 7);
}

void find_class(const char* name, ClassFound& found, bool asked_before) {
  char file[COMMAND_TEXT_BYTES];
  char internal[COMMAND_TEXT_BYTES];
  class_file_name(name, file, internal);
  found = {};
  found.element = -1;
  found.stopped_at = -1;
  for (int e = 0; e < class_path.count && found.element < 0 && found.stopped_at < 0; ++e) {
    const ClassPathElement& element = class_path.elements[e];
    bool holds = element.kind == ELEMENT_DIRECTORY ? look_in_folder(element, file, internal, found)
                 : element.result == READ_REFUSED  ? false
                                                   : look_in_archive(e, file, found, asked_before);
    if (holds) found.element = e;
  }
}

bool start_directory_holds(const char* name) {
  char file[COMMAND_TEXT_BYTES];
  char internal[COMMAND_TEXT_BYTES];
  class_file_name(name, file, internal);
  char start[PATH_BYTES];
  char full[PATH_BYTES];
  unsigned long len = platform()->path_full(".", start, PATH_BYTES);
  if (len == 0 || len >= PATH_BYTES) return false;
  for (int e = 0; e < class_path.count; ++e) {
    if (class_path.elements[e].kind != ELEMENT_DIRECTORY) continue;
    unsigned long got = platform()->path_full(class_path.elements[e].text, full, PATH_BYTES);
    std::size_t a = without_final_backslash(full, got);
    std::size_t b = without_final_backslash(start, len);
    bool same = got > 0 && got < PATH_BYTES && a == b;
    for (std::size_t i = 0; same && i < a; ++i)
      same = ascii_upper(full[i]) == ascii_upper(start[i]);
    if (same) return false;  // the class path names it
  }
  return opens_for_reading(file);
}

void want_main_class(const char* name) {
  static char file[COMMAND_TEXT_BYTES];
  char internal[COMMAND_TEXT_BYTES];
  if (name[0] == '\0') return want_member(nullptr);
  class_file_name(name, file, internal);
  want_member(file);
}

namespace {

// A folder's file `name` read whole, up to CLASS_FILE_LIMIT bytes: false when it does not open.
bool read_folder_class(const char* path, LoadingContext& context, ClassLookup& found) {
  Platform* os = platform();
  FileHandle file = os->file_open_read(path);
  if (file == 0) return false;
  long long size = os->file_type(file) == FILE_TYPE_DISK ? os->file_size(file) : 0;
  found.too_large = size > static_cast<long long>(CLASS_FILE_LIMIT);
  std::size_t len = size > 0 && !found.too_large ? static_cast<std::size_t>(size) : 0;
  context.bytes = static_cast<unsigned char*>(mem_take(len + 1));
  long got = context.bytes != nullptr && len > 0
                 ? os->file_read_at(file, 0, context.bytes, static_cast<unsigned long>(len))
                 : 0;
  os->file_close(file);
  context.out_of_memory |= context.bytes == nullptr;
  found.bytes = context.bytes;
  found.size = got > 0 ? static_cast<std::size_t>(got) : 0;
  return true;
}

// The archive's copy of `file` read whole: false when the archive does not hold it.
bool read_archive_class(int e, const char* file, LoadingContext& context, ClassLookup& found) {
  const ClassPathElement& element = class_path.elements[e];
  std::size_t size = 0;
  ReadResult read =
      read_member(element.text, file, element.release, CLASS_FILE_LIMIT, context.bytes, size);
  context.out_of_memory |= read == READ_OUT_OF_MEMORY;
  found.too_large = read == READ_STOPPED;
  found.bytes = context.bytes;
  found.size = size;
  return read == READ_DONE || read == READ_STOPPED;
}

}  // namespace

bool lookup_for_loading(const char* name, ClassLookup& found, void* context_record) {
  LoadingContext& context = *static_cast<LoadingContext*>(context_record);
  mem_give(context.bytes);
  context.bytes = nullptr;
  char file[COMMAND_TEXT_BYTES];
  char internal[COMMAND_TEXT_BYTES];
  class_file_name(name, file, internal);
  // The main class was looked for already: where it loads from is known.
  bool main = std::strcmp(internal, context.main_internal) == 0;
  for (int e = main ? context.main_element : 0; e >= 0 && e < class_path.count; ++e) {
    const ClassPathElement& element = class_path.elements[e];
    char path[PATH_BYTES];
    bool held = false;
    if (element.kind == ELEMENT_DIRECTORY) {
      held = join(element.text, file, path) && read_folder_class(path, context, found);
    } else if (element.result != READ_REFUSED) {
      held = read_archive_class(e, file, context, found);
    }
    if (held) {
      found.element = e;
      found.element_text = element.text;
      return true;
    }
    if (main) return false;
  }
  return false;
}
