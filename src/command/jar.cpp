// The -jar file as java reads it before any class: its launcher opens the
// archive and its manifest first, then java's own reader finds the Main-Class.
#include <cstring>

#include "base/allocator.h"
#include "classes/classes.h"
#include "command/command.h"
#include "lists/current_dir.h"
#include "lists/lists.h"
#include "lists/registry.h"
#include "manifests/manifests.h"

namespace {

enum JarVerdict { JAR_OK, JAR_INVALID, JAR_UNEXPECTED, JAR_NO_MAIN, JAR_NO_MEMORY };

struct JarReading {
  JarVerdict native;  // the launcher's verdict
  JarVerdict java;    // java's own, after the launcher's
  char main_class[MANIFEST_VALUE_BYTES];
  char agent[MANIFEST_VALUE_BYTES];
  bool javafx;
};

// Reads the manifest as the archive opens, and leaves the archive out of the names.
bool read_jar_manifest(FileHandle file, ArchiveFacts& facts, void* context) {
  JarReading& jar = *static_cast<JarReading*>(context);
  unsigned char* bytes = nullptr;
  int read = facts.manifest_exact ? read_manifest(file, facts, bytes) : 0;
  if (read < 0) jar.native = JAR_NO_MEMORY;
  if (read <= 0) {
    if (read == 0) jar.native = JAR_INVALID;
    return false;
  }
  std::size_t size = static_cast<std::size_t>(facts.size);
  if (!manifest_main_lines_ok(bytes, size)) jar.native = JAR_INVALID;
  Manifest m = {};
  registry_reset();
  bool parsed = parse_manifest(bytes, size, m);
  registry_release();
  if (!parsed) jar.java = JAR_NO_MEMORY;
  if (parsed && m.broken != 0) jar.java = JAR_UNEXPECTED;
  if (jar.java == JAR_OK && !manifest_main_value(bytes, size, "MAIN-CLASS", jar.main_class))
    jar.java = JAR_NO_MAIN;
  if (!manifest_main_value(bytes, size, "LAUNCHER-AGENT-CLASS", jar.agent)) jar.agent[0] = '\0';
  char javafx[MANIFEST_VALUE_BYTES];
  jar.javafx = manifest_main_value(bytes, size, "JAVAFX-APPLICATION-CLASS", javafx);
  mem_give(m.value);
  mem_give(bytes);
  return false;
}

}  // namespace

void check_jar_file(JavaCommand& c, const char* file, bool native_only) {
  if (c.stop != STOP_NONE) return;
  JarReading jar = {};
  if (!opens_for_reading(file)) {
    c.jar_folder = probe_directory(file) != 0;
    c.jar_missing = !c.jar_folder;
    return stop_command(c, STOP_JAR_UNREADABLE, file);
  }
  ReadResult read = read_archive(file, read_jar_manifest, &jar);
  if (read == READ_REFUSED) jar.native = JAR_INVALID;
  if (read == READ_OUT_OF_MEMORY || jar.native == JAR_NO_MEMORY || jar.java == JAR_NO_MEMORY)
    return stop_command(c, STOP_OUT_OF_MEMORY, file);
  if (jar.native == JAR_INVALID) return stop_command(c, STOP_JAR_INVALID, file);
  if (native_only) return;
  if (jar.java == JAR_UNEXPECTED) return stop_command(c, STOP_JAR_UNEXPECTED, file);
  if (jar.java == JAR_NO_MAIN) return stop_command(c, STOP_JAR_NO_MAIN, file);
  copy_command_text(c.main_class, jar.main_class);
  if (c.rules >= 9) copy_command_text(c.agent_class, jar.agent);
  c.jar_javafx = jar.javafx;
}
