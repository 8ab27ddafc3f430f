#include <cstring>

#include "lists/class_path.h"
#include "lists/current_dir.h"
#include "lists/lists.h"
#include "lists/registry.h"
#include "platform/output.h"
#include "platform/platform.h"
#include "required/required.h"

namespace {

const char STATUS_LABELS[3][STATUS_LABEL_BYTES] = {"*Not found*", "Found File ", "Found Dir  "};

}  // namespace

// Whatever the system opens for reading counts as a file; a directory never
// opens this way, which is what sends it on to the directory probe.
bool opens_for_reading(const char* entry) {
  Platform* os = platform();
  FileHandle handle = os->file_open_read(entry);
  if (handle == 0) return false;
  bool known = os->file_type(handle) != 0;
  os->file_close(handle);
  return known;
}

EntryStatus probe_entry(const char* entry, char label[STATUS_LABEL_BYTES]) {
  EntryStatus status;
  if (std::strcmp(entry, ".") == 0) {
    status = ENTRY_DIR;
  } else if (opens_for_reading(entry)) {
    status = ENTRY_FILE;
  } else if (probe_directory(entry) != 0) {
    status = ENTRY_DIR;
  } else {
    status = ENTRY_NOT_FOUND;
  }
  std::memcpy(label, STATUS_LABELS[status], STATUS_LABEL_BYTES);
  return status;
}

int check_entry(const char* entry, ListKind kind, int& duplicates, bool wildcards) {
  int duplicate = registry_add(entry);
  duplicates += duplicate;

  char label[STATUS_LABEL_BYTES];
  bool wildcard = wildcards && kind == LK_CLASSPATH && is_class_path_wildcard(entry);
  EntryStatus status = wildcard ? expand_wildcard(entry) : probe_entry(entry, label);
  if (wildcard) std::memcpy(label, STATUS_LABELS[status], STATUS_LABEL_BYTES);

  if (status == ENTRY_FILE && kind == LK_CLASSPATH) note_class_path_file(entry);
  if (status == ENTRY_DIR && kind == LK_PATH) note_path_directory(entry);
  // What Java opens; a wildcard's jars are noted as it expands.
  if (kind == LK_CLASSPATH && !wildcard && status != ENTRY_NOT_FOUND) {
    note_class_path_element(entry, status == ENTRY_FILE ? ELEMENT_ARCHIVE : ELEMENT_DIRECTORY);
  }

  // The entry is always an argument, never part of a format, so a '%' in it
  // prints as it is.
  out_print("%s ", label);
  out_print("%s", duplicate != 0 ? "*DUP*" : "     ");
  out_print(" %s\n", entry);
  return status == ENTRY_NOT_FOUND ? 1 : 0;
}
