#include "lists/class_path.h"

#include <cstdlib>
#include <cstring>

#include "base/allocator.h"
#include "base/ascii.h"
#include "platform/platform.h"
#include "required/required.h"

ClassPath class_path = {};

namespace {

char unkept[CLASS_PATH_ELEMENT_BYTES];

// Java's rule: these two spellings, and no name that holds the list's separator.
bool names_jar(const char* name) {
  std::size_t len = std::strlen(name);
  return len >= 4 &&
         (std::strcmp(name + len - 4, ".jar") == 0 || std::strcmp(name + len - 4, ".JAR") == 0) &&
         std::strchr(name, ';') == nullptr;
}

// Upper-cased bytes first, then the bytes as they are.
int compare_listed(const void* a, const void* b) {
  const char* x = static_cast<const ClassPathElement*>(a)->text;
  const char* y = static_cast<const ClassPathElement*>(b)->text;
  std::size_t i = 0;
  while (x[i] != '\0' && ascii_upper(x[i]) == ascii_upper(y[i])) ++i;
  int upper =
      static_cast<unsigned char>(ascii_upper(x[i])) - static_cast<unsigned char>(ascii_upper(y[i]));
  return upper != 0 ? upper : std::strcmp(x, y);  // strcmp compares unsigned bytes
}

}  // namespace

bool is_class_path_wildcard(const char* entry) {
  std::size_t len = std::strlen(entry);
  return len > 0 && entry[len - 1] == '*' &&
         (len == 1 || entry[len - 2] == '\\' || entry[len - 2] == '/');
}

EntryStatus expand_wildcard(const char* entry) {
  std::size_t dir_len = std::strlen(entry) - 1;
  char element[CLASS_PATH_ELEMENT_BYTES];
  std::memcpy(element, entry, dir_len);
  int first = class_path.listed_count, jars = 0;
  ListItem item;
  ListHandle list = 0;
  while (platform()->list_next(entry, list, item)) {  // the entry lists its own directory
    if (!names_jar(item.name)) continue;
    ++jars;
    std::memcpy(element + dir_len, item.name, std::strlen(item.name) + 1);
    if (!item.directory && opens_for_reading(element)) note_class_path_file(item.name);
    note_class_path_element(element, item.directory ? ELEMENT_DIRECTORY : ELEMENT_ARCHIVE);
  }
  platform()->list_close(list);
  // They share the directory, so their names decide the order.
  int listed = class_path.listed_count - first;
  if (listed > 1)
    std::qsort(class_path.listed + first, listed, sizeof(ClassPathElement), compare_listed);
  return jars > 0 ? ENTRY_DIR : ENTRY_NOT_FOUND;
}

void class_path_begin(bool keep) {
  class_path_release();
  class_path.keep = keep;
  class_path.java = {UNKNOWN_JAVA_RULES, UNKNOWN_JAVA_RULES, true, false, false};
}

namespace {

bool keep_copy(ClassPathElement*& array, int& room, int& count, const char* text, ElementKind kind,
               int result) {
  std::size_t bytes = std::strlen(text) + 1;  // at most CLASS_PATH_ELEMENT_BYTES
  char* copy = mem_grow(array, room, count) ? static_cast<char*>(mem_take(bytes)) : nullptr;
  if (copy == nullptr) return false;
  ClassPathElement& kept = array[count];
  count += 1;
  kept = {};
  kept.text = static_cast<char*>(std::memcpy(copy, text, bytes));
  kept.kind = kind;
  kept.result = result;
  return true;
}

}  // namespace

void note_class_path_element(const char* text, ElementKind kind) {
  if (!class_path.keep || class_path.unkept != nullptr) return;
  if (!keep_copy(class_path.listed, class_path.listed_room, class_path.listed_count, text, kind,
                 0)) {  // the search of the elements will stop here, and say so
    class_path.unkept = static_cast<const char*>(std::memcpy(unkept, text, std::strlen(text) + 1));
  }
}

void note_start_directory(StartDirectory why) {
  class_path.start = why;
  note_class_path_element(".", ELEMENT_DIRECTORY);
}

int add_class_path_element(const char* text, ElementKind kind, int result) {
  return keep_copy(class_path.elements, class_path.room, class_path.count, text, kind, result)
             ? class_path.count - 1
             : -1;
}

void note_left_out(const char* text, const char* full, int wanted) {
  std::size_t text_bytes = std::strlen(text) + 1;
  std::size_t full_bytes = std::strlen(full) + 1;
  char* block = static_cast<char*>(mem_take(text_bytes + full_bytes));
  if (block == nullptr) return;  // the report has its line; only the record is lost
  if (!mem_grow(class_path.left_out, class_path.left_out_room, class_path.left_out_count)) {
    mem_give(block);
    return;
  }
  ClassPathElement& out = class_path.left_out[class_path.left_out_count];
  class_path.left_out_count += 1;
  out = {};
  out.text = static_cast<char*>(std::memcpy(block, text, text_bytes));
  out.full = static_cast<char*>(std::memcpy(block + text_bytes, full, full_bytes));
  out.kind = ELEMENT_ARCHIVE;
  out.wanted = wanted;
}

void class_path_release() {
  for (int i = 0; i < class_path.left_out_count; ++i) mem_give(class_path.left_out[i].text);
  mem_give(class_path.left_out);
  for (int i = 0; i < class_path.listed_count; ++i) mem_give(class_path.listed[i].text);
  for (int i = 0; i < class_path.count; ++i) mem_give(class_path.elements[i].text);
  mem_give(class_path.listed);
  mem_give(class_path.elements);
  class_path = {};
}
