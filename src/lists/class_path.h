// The class path as Java reads it: the elements it opens, in order, with
// wildcard entries ("lib\*") expanded into the jars they stand for.
#pragma once

#include "lists/lists.h"
#include "platform/platform.h"

enum ElementKind { ELEMENT_ARCHIVE, ELEMENT_DIRECTORY };
// An entry and a listed name, or the full path of such an element.
constexpr unsigned CLASS_PATH_ELEMENT_BYTES = MAX_ENTRY_CHARS + 2 * sizeof(ListItem::name);

struct ClassPathElement {
  char* text;  // as the walk prints its entry; a wildcard's jar with the '*' replaced
  ElementKind kind;
  bool adds_no_class;             // read to its end, it holds classes, and each came before
  int result;                     // how reading it ended, for -c
  int version;                    // the newest class file version of what loads from it, or 0
  bool preview;                   // its newest class is a preview class of that version
  int preview_low, preview_high;  // the major versions of its preview classes, or 0
  bool invalid;                   // it holds a class of an invalid minor version
  bool brings_in;  // its manifest's Class-Path brings in an element Java opens through it
  char* full;      // of an archive Java leaves out: its full path (in the block of `text`)
  int wanted;      // an archive's hold on the name looked for: WANTED_...
  int release;     // a multi-release archive read as this Java; else 0
};
// Whether an archive's directory names the member looked for as it is read.
enum WantedHold { WANTED_NOT_HELD, WANTED_HELD, WANTED_OTHER_CASE };

// Why the start directory is on the class path, as Java reads an empty entry.
enum StartDirectory {
  START_NOT_NAMED,
  START_IN_EMPTY_ENTRY,
  START_NOT_SET,      // CLASSPATH is empty or not set
  START_EMPTY_VALUE,  // a java command's class path is empty
  START_BY_DEFAULT    // nothing sets a java command's class path
};

// The Java whose rules the class path is read by: the java a command runs, or
// the java a console runs; Java 25 when its version is not known.
struct ReadingJava {
  int feature;         // its feature version: 8, 11, 17, 21, 25...
  int jar_version;     // multi-release jars are read as this Java, at most `feature`
  bool multi_release;  // false: -Djdk.util.jar.enableMultiRelease=false
  bool preview;        // the java command gives --enable-preview
  bool command;        // a java command is read, not CLASSPATH alone
};
constexpr int UNKNOWN_JAVA_RULES = 25;

struct ClassPath {
  ClassPathElement* listed;  // as the walk found them, wildcards expanded
  int listed_count, listed_room;
  ClassPathElement* elements;  // what Java opens, in its order: -c fills it
  int count, room;
  bool keep;           // only a run that reports classes keeps its elements
  const char* unkept;  // the element memory ran out at: later ones are lost
  StartDirectory start;
  ReadingJava java;
  bool from_command;           // the class path of a java command, not CLASSPATH
  ClassPathElement* left_out;  // the archives Java leaves out, in its order
  int left_out_count, left_out_room;
};
extern ClassPath class_path;

// The entry's last character is '*', alone or after '\' or '/'.
bool is_class_path_wildcard(const char* entry);
// ENTRY_DIR when the wildcard's directory holds a name ending in ".jar" or
// ".JAR". Notes those that open as files for the required-file check, and
// all of them as elements, in the order NTFS lists them.
EntryStatus expand_wildcard(const char* entry);

void class_path_begin(bool keep);
// Keeps an element, when the run keeps them; the same path twice is dropped later.
void note_class_path_element(const char* text, ElementKind kind);
// An empty entry, or no class path at all: Java reads the start directory, ".".
void note_start_directory(StartDirectory why);
// Adds a copy of `text` to what Java opens: its index, or -1 when memory ran out.
int add_class_path_element(const char* text, ElementKind kind, int result);
// Notes an archive Java leaves out, as the report names it and by its full path, with its
// hold on the name looked for.
void note_left_out(const char* text, const char* full, int wanted);
void class_path_release();
