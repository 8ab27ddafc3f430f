#include <cstring>
#include <utility>

#include "base/allocator.h"
#include "classes/classes.h"
#include "lists/class_path.h"
#include "platform/output.h"
#include "platform/platform.h"

namespace {

// Each class file version some element has, newest first: how many elements have it, and the
// first of them, kept after the report for -w.
struct VersionLine {
  int major, count, first;
  char* text;
};
VersionLine* lines = nullptr;
int line_count = 0, line_room = 0;

// False, with none kept, when memory runs out: no line rather than a wrong one.
bool note_element_version(int element) {
  int at = 0, major = class_path.elements[element].version;
  while (at < line_count && lines[at].major != major) ++at;
  if (at == line_count) {
    const char* text = class_path.elements[element].text;
    std::size_t bytes = std::strlen(text) + 1;
    void* copy = mem_grow(lines, line_room, line_count) ? mem_take(bytes) : nullptr;
    if (copy == nullptr) return class_versions_release(), false;
    lines[line_count++] = {major, 0, element, static_cast<char*>(std::memcpy(copy, text, bytes))};
    for (; at > 0 && lines[at - 1].major < major; --at) std::swap(lines[at], lines[at - 1]);
  }
  ++lines[at].count;
  return true;
}

void print_java_name(int major) { out_print(major < 49 ? "1.%d" : "%d", major - 44); }

}  // namespace

void report_newer_classes(const char* who, int feature, const char* where) {
  int count = 0, first = -1;
  for (int i = 0; i < line_count && lines[i].major > feature + 44; ++i) {
    count += lines[i].count;
    if (first < 0 || lines[i].first < lines[first].first) first = i;
  }
  if (feature < 0 || count == 0) return;
  out_print("***ERROR*** - %s is Java ", who);
  print_java_name(feature + 44);
  out_print(", and %d element%s %s need%s a newer one, first %s (Java ", count,
            count == 1 ? "" : "s", where, count == 1 ? "s" : "", lines[first].text);
  print_java_name(lines[first].major);
  out_print(")\n");
}

void class_versions_release() {
  for (int i = 0; i < line_count; ++i) mem_give(lines[i].text);
  mem_give(lines);
  lines = nullptr, line_count = line_room = 0;
}

void report_duplicate_classes() {
  bool command = class_path.from_command;
  out_print(command ? "\nClasses found more than once in the class path of the java command\n"
                    : "\nClasses found more than once in CLASSPATH\n");
  if (class_path.start == START_IN_EMPTY_ENTRY)
    out_print(command ? "***Warning - an empty entry of the class path puts the start directory on "
                        "the class path\n"
                      : "***Warning - an empty entry of CLASSPATH puts the start directory on the "
                        "class path\n");
  if (class_path.start == START_NOT_SET)
    out_print("CLASSPATH is not set: Java uses the start directory\n");
  if (class_path.start == START_EMPTY_VALUE)
    out_print("The class path is empty: Java uses the start directory\n");
  if (class_path.start == START_BY_DEFAULT)
    out_print("Nothing sets the class path: Java uses the start directory\n");
  int archives = 0, directories = 0;
  for (int e = 0; e < class_path.count; ++e) {
    const ClassPathElement& element = class_path.elements[e];
    if (element.result == READ_REFUSED) {
      out_print("*****%s is not a jar or zip archive\n", element.text);
      continue;
    }
    ++(element.kind == ELEMENT_ARCHIVE ? archives : directories);
    if (element.result == READ_STOPPED)
      out_print("*****%s: search stopped after 100000 files\n", element.text);
  }
  if (class_path.unkept != nullptr)
    out_print("*****Out of memory: the search stopped at %s\n", class_path.unkept);

  NameCounts names = names_counts();
  for (int i = 0; i < names.pairs; ++i) {
    const HiddenCopies& pair = names.hidden[i];
    if (i == 0 || pair.first != names.hidden[i - 1].first) {
      out_print("%s hides\n", class_path.elements[pair.first].text);
    }
    out_print(pair.count == 1 ? "    %d class of %s, " : "    %d classes of %s, ", pair.count,
              class_path.elements[pair.later].text);
    if (pair.different > 0) {
      out_print("%d different, first %s\n", pair.different, names_text(pair.smallest_different));
    } else {
      out_print(pair.count == 1 ? "identical\n" : "all identical\n");
    }
  }
  for (int e = 0; e < class_path.count; ++e) {
    if (class_path.elements[e].adds_no_class)
      out_print("%s adds no class\n", class_path.elements[e].text);
  }
  for (int e = 0; e < class_path.count; ++e)
    if (class_path.elements[e].version != 0 && !note_element_version(e)) break;
  for (int i = 0; i < line_count; ++i) {
    out_print("Classes for Java ");
    print_java_name(lines[i].major);
    out_print(" (class file version %d) in %d element%s, first %s\n", lines[i].major,
              lines[i].count, lines[i].count == 1 ? "" : "s", lines[i].text);
  }
  out_print(
      "Total classes = %d in %d archives and %d directories, %d found more than once, %d of them "
      "different\n",
      names.distinct, archives, directories, names.repeated, names.different);
}
