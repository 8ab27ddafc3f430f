// What java checks as it loads the main class, before main runs: the class
// file, its own name, its supertypes, JavaFX, the types its methods name and
// its main method, each by the rules of the java that runs. Portable: the
// class path is asked through a callback, and the verdict is a record of
// lines that the caller prints.
#pragma once

#include <cstddef>

#include "loading/text.h"

// Class files larger than this are not read.
constexpr std::size_t CLASS_FILE_LIMIT = 16 * 1024 * 1024;

// Where the class path holds a class: the first element that holds its file.
struct ClassLookup {
  int element;               // its index, as -c counts elements
  const char* element_text;  // as -c names it
  const unsigned char* bytes;
  std::size_t size;
  bool too_large;  // over CLASS_FILE_LIMIT: no bytes
};
// Looks `name` ("com/acme/Main", with '/') up on the class path: false when
// no element holds it. The bytes stay valid until the next call.
using LookupClass = bool (*)(const char* name, ClassLookup& found, void* context);

struct LoadQuery {
  const char* main_class;  // as typed: a '/' in it stands for '.'
  int feature;             // the java's feature version: 8, 11, 17, 25; 25 when unknown
  const char* java_word;   // the java as typed, for the `because` lines
  bool enable_preview;
  bool javafx_modules;  // a module path and --add-modules naming JavaFX (load_adds_javafx)
  bool jar_javafx;      // -jar's manifest has JavaFX-Application-Class
  LookupClass lookup;
  void* context;
};

enum LoadOutcome {
  LOAD_RUNS,           // java calls main
  LOAD_STOPS,          // java stops: its lines, then cpvalid's reasons
  LOAD_UNKNOWN,        // JavaFX from a module path: cpvalid cannot tell
  LOAD_LIMIT,          // one line of cpvalid's in place of a verdict
  LOAD_OUT_OF_MEMORY,  // no verdict
};

// The step at which java stops, for the caller's own reasons.
enum LoadStep {
  STEP_NONE,
  STEP_NOT_FOUND,   // no element holds the main class
  STEP_FILE,        // the main class's file: format or version
  STEP_NAME,        // its this_class
  STEP_SUPERTYPES,  // a supertype missing, refused, too new, unreadable, or a cycle
  STEP_JAVAFX,
  STEP_TYPES,  // a type a method names
  STEP_MAIN_METHOD
};

struct LoadVerdict {
  LoadOutcome outcome;
  LoadStep step;
  bool main_loaded;  // java loaded the main class: print its `Main class` line
  int main_element;  // where it loads from, when found
  unsigned main_major, main_minor;
  bool preview_unchecked;         // the --enable-preview warning goes after the `Main class` line
  bool to_launcher;               // an exception reaches the launcher (javaw shows only its box)
  int java_lines, because_lines;  // java's lines, then the reasons, one after the other
  Text lines;
};

// Runs java's checks of the main class. The verdict owns its lines until load_release.
void load_main_class(const LoadQuery& query, LoadVerdict& verdict);
void load_release(LoadVerdict& verdict);
// The lines of the verdict: java's (print each after four spaces), then the
// reasons (each "because ..."); for LOAD_LIMIT, the one line cpvalid prints.
// nullptr after the last.
const char* load_first_line(const LoadVerdict& verdict);
const char* load_next_line(const LoadVerdict& verdict, const char* line);

// Whether an --add-modules value names a JavaFX module (`javafx.` ...) or ALL-MODULE-PATH.
bool load_adds_javafx(const char* modules);
