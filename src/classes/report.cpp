#include <cstring>
#include <utility>

#include "base/allocator.h"
#include "classes/classes.h"
#include "lists/class_path.h"
#include "platform/output.h"
#include "platform/platform.h"

namespace {

// Each class file version some element has, newest first (a preview class's above the plain
// one of its major): how many elements have it, and the first of them in Java's order. Kept
// from the opening of the class path to the end of the run.
struct VersionLine {
  int key;  // ELEMENT_VERSION_KEY: the major version, then whether it is a preview
  int count, first;
};
struct VersionLines {
  VersionLine* lines;
  int count, room;
  bool lost;  // memory ran out: no line rather than a wrong one
} versions;

int element_key(const ClassPathElement& e) { return e.version * 2 + (e.preview ? 1 : 0); }

void note_element_version(int element) {
  int key = element_key(class_path.elements[element]);
  int at = 0;
  while (at < versions.count && versions.lines[at].key != key) ++at;
  if (at == versions.count) {
    if (!mem_grow(versions.lines, versions.room, versions.count)) {
      versions.lost = true;
      return;
    }
    versions.lines[versions.count] = {key, 0, element};
    versions.count += 1;
    for (; at > 0 && versions.lines[at - 1].key < key; --at)
      std::swap(versions.lines[at], versions.lines[at - 1]);
  }
  ++versions.lines[at].count;
}

void print_java_name(int major) { out_print(major < 49 ? "1.%d" : "%d", major - 44); }

// "Java 17", or "Java 25 preview": a line's Java.
void print_key_java(int key) {
  print_java_name(key / 2);
  if (key % 2 == 1) out_print(" preview");
}

void print_version_lines() {
  for (int i = 0; i < versions.count; ++i) {
    const VersionLine& line = versions.lines[i];
    out_print("Classes for Java ");
    print_key_java(line.key);
    out_print(line.key % 2 == 1 ? " (class file version %d.65535)" : " (class file version %d)",
              line.key / 2);
    out_print(" in %d element%s, first %s\n", line.count, line.count == 1 ? "" : "s",
              class_path.elements[line.first].text);
  }
  int invalid_count = 0;
  const InvalidVersion* invalid = names_invalid_versions(invalid_count);
  for (int i = 0; i < invalid_count; ++i) {
    out_print("Classes of an invalid minor version (class file version %d.%d)", invalid[i].major,
              invalid[i].minor);
    out_print(" in %d element%s, first %s\n", invalid[i].count, invalid[i].count == 1 ? "" : "s",
              class_path.elements[invalid[i].first].text);
  }
}

// The error of an element holding classes `java_major`'s java does not load, if any.
void report_unloadable(const char* who, int java_major, const ClassPathElement& e) {
  const ReadingJava& java = class_path.java;
  int preview = e.preview_low != 0 && e.preview_low < java_major ? e.preview_low : 0;
  bool own = e.preview_low == java_major || e.preview_high == java_major;
  if (preview == 0 && own && java.command && !java.preview) preview = java_major;
  if (preview != 0) {
    out_print("***ERROR*** - %s is Java ", who);
    print_java_name(java_major);
    out_print(", and %s holds classes compiled with the preview features of Java ", e.text);
    print_java_name(preview);
    out_print(preview < java_major ? ", which only that Java runs, with --enable-preview\n"
                                   : ", and the java command does not give --enable-preview\n");
    return;
  }
  if (e.invalid)
    out_print("***ERROR*** - %s holds classes of an invalid minor version, which no Java loads\n",
              e.text);
}

}  // namespace

void collect_class_versions() {
  class_versions_release();
  for (int e = 0; e < class_path.count && !versions.lost; ++e)
    if (class_path.elements[e].version != 0) note_element_version(e);
  if (!versions.lost) return;
  mem_give(versions.lines);
  versions = {nullptr, 0, 0, true};
}

void report_newer_classes(const char* who, int feature, const char* where, bool unloadable) {
  if (feature < 0) return;
  int java_major = feature + 44;
  int count = 0;
  for (int i = 0; i < versions.count && versions.lines[i].key / 2 > java_major; ++i)
    count += versions.lines[i].count;
  if (count > 0) {
    const VersionLine& newest = versions.lines[0];
    out_print("***ERROR*** - %s is Java ", who);
    print_java_name(java_major);
    out_print(", and %d element%s %s", count, count == 1 ? "" : "s", where);
    out_print(" need%s a newer one, newest %s (Java ", count == 1 ? "s" : "",
              class_path.elements[newest.first].text);
    print_key_java(newest.key);
    out_print(")\n");
  }
  for (int e = 0; unloadable && e < class_path.count; ++e)
    report_unloadable(who, java_major, class_path.elements[e]);
}

void class_versions_release() {
  mem_give(versions.lines);
  versions = {};
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
      out_print(class_path.elements[e].brings_in
                    ? "%s adds no class of its own, but Java opens what its manifest names\n"
                    : "%s adds no class\n",
                class_path.elements[e].text);
  }
  print_version_lines();
  out_print(
      "Total classes = %d in %d archives and %d directories, %d found more than once, %d of them "
      "different\n",
      names.distinct, archives, directories, names.repeated, names.different);
}
