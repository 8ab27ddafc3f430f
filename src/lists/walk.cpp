#include <cstring>

#include "lists/class_path.h"
#include "lists/lists.h"
#include "lists/registry.h"
#include "platform/output.h"
#include "platform/platform.h"

// Copies the segment that starts at `p` into `entry`, dropping quotes, and
// returns where the segment ends (at its ';' or at the end of the value).
// Kept characters beyond MAX_ENTRY_CHARS are passed over: the segment stays
// one entry, and nothing of the next one is lost.
const char* take_segment(const char* p, char* entry, bool keep_quotes) {
  int kept = 0;
  for (; *p != '\0' && *p != ';'; ++p) {
    if (*p == '"' && !keep_quotes) continue;
    if (kept < MAX_ENTRY_CHARS) entry[kept++] = *p;
  }
  entry[kept] = '\0';
  return p;
}

void validate_list(const char* name, ListKind kind) {
  const char* value = platform()->env_value(name);
  bool class_path_walk = kind == LK_CLASSPATH;
  if (class_path_walk && (value == nullptr || *value == '\0')) note_start_directory(START_NOT_SET);
  if (value == nullptr) {
    out_print("*****%s environment variable is not defined\n", name);
    return;
  }
  // Environment values are far below INT_MAX; the clamp only keeps a
  // hostile value from wrapping the count.
  std::size_t raw_length = std::strlen(value);
  int length = raw_length > 0x7fffffff ? 0x7fffffff : static_cast<int>(raw_length);
  if (length > CLASSPATH_WARN_CHARS && std::strcmp(name, "CLASSPATH") == 0) {
    out_print("*****%s variable is > 1024 characters long\n", name);
    out_print("     Truncation may occur\n");
  }
  walk_value(value, name, kind, {false, true});
}

void walk_value(const char* value, const char* name, ListKind kind, WalkRules rules) {
  int entries = 0;
  int not_found = 0;
  int duplicates = 0;
  registry_reset();
  bool class_path_walk = kind == LK_CLASSPATH;
  std::size_t raw_length = std::strlen(value);
  int length = raw_length > 0x7fffffff ? 0x7fffffff : static_cast<int>(raw_length);
  if (length > 0) {
    char entry[MAX_ENTRY_CHARS + 1];
    const char* p = value;
    for (;;) {
      const char* segment = p;
      p = take_segment(p, entry, rules.keep_quotes);
      if (entry[0] != '\0') not_found += check_entry(entry, kind, duplicates, rules.wildcards);
      // Java reads nothing at all, not even quotes, as the start directory.
      if (class_path_walk && p == segment) note_start_directory(START_IN_EMPTY_ENTRY);
      ++entries;
      if (*p == '\0') break;
      ++p;               // over the ';'
      if (*p == '\0') {  // a final ';' adds no entry to the walk, but one to Java
        if (class_path_walk) note_start_directory(START_IN_EMPTY_ENTRY);
        break;
      }
    }
  }

  if (not_found > 0 || duplicates > 0) {
    out_print("Total entries = %d (%d not found %d duplicates)\n", entries, not_found, duplicates);
  } else {
    out_print("Total entries = %d\n", entries);
  }
  out_print("Total length of %s = %d\n", name, length);
  registry_release();
}
