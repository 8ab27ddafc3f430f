// Walking one search list: split, probe, report each entry, count, total.
#pragma once

#include <cstddef>

enum ListKind { LK_CLASSPATH = 1, LK_PATH = 2, LK_LIB = 3 };

enum EntryStatus { ENTRY_NOT_FOUND = 0, ENTRY_FILE = 1, ENTRY_DIR = 2 };

// Most characters one entry keeps; dropped quotes do not count.
constexpr int MAX_ENTRY_CHARS = 2048;
// A CLASSPATH longer than this draws the length warning.
constexpr int CLASSPATH_WARN_CHARS = 1024;
// Status labels are 11 visible characters and a zero byte.
constexpr int STATUS_LABEL_BYTES = 12;

// The walk's reading of one segment of a list value (walk.cpp).
const char* take_segment(const char* p, char* entry, bool keep_quotes = false);

// Walks the list held in environment variable `name` and prints its report.
void validate_list(const char* name, ListKind kind);

// How a value is walked: a java command's keeps its quotes, and some of its
// class paths expand no wildcard.
struct WalkRules {
  bool keep_quotes;
  bool wildcards;
};
// Walks `value`, whose totals call it `name`.
void walk_value(const char* value, const char* name, ListKind kind, WalkRules rules);

// Registers, probes, hands on and reports one non-empty entry. Adds 1 to
// `duplicates` for a repeated entry; returns 1 when the entry was not found.
int check_entry(const char* entry, ListKind kind, int& duplicates, bool wildcards = true);

// The length of `path`, `len` bytes, less a final '\' that does not follow ':'
// ("C:\" names the root, "C:" the drive's current directory).
inline std::size_t without_final_backslash(const char* path, std::size_t len) {
  return len - (len > 1 && path[len - 1] == '\\' && path[len - 2] != ':');
}

// Whether `path` opens for reading as a file of a known type.
bool opens_for_reading(const char* path);

// Classifies `entry` and copies the status label into `label`.
EntryStatus probe_entry(const char* entry, char label[STATUS_LABEL_BYTES]);
