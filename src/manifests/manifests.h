// The class path Java builds: the elements it opens, in its order, with the
// archives that manifests' Class-Path entries bring in, and those it drops.
#pragma once

#include <cstddef>
#include <cstdint>

#include "classes/classes.h"
#include "platform/platform.h"

// Opens the class path as Java does and reads each element Java keeps, in
// Java's order (class_path.elements, the names store); prints what it made of
// the manifests' Class-Path entries, when there is something to say.
void open_class_path();

// What Java makes of a manifest's bytes.
struct Manifest {
  bool class_path_marked;     // "class-path: " somewhere, any case: Java parses it all
  bool multi_release_marked;  // "multi-release: true": Java parses the main section
  bool multi_release;         // the main section's Multi-Release is "true", any case
  int broken;                 // 1 + the section of the line Java refuses (0 the main one)
  bool has_class_path;        // in the main section; a later one replaces an earlier one
  bool lost_class_path;       // an unterminated last line holds or continues it
  char* value;                // the Class-Path, lines joined, in a block to give back
  std::size_t class_path_len;
  char twice[72];  // the first name given twice in a section, where Java says so
};
// The manifest `facts` describe, its uncompressed size exactly, in a block
// to give back: 1, or 0 when Java cannot read it, -1 when memory ran out.
int read_manifest(FileHandle file, const ArchiveFacts& facts, unsigned char*& bytes);
// False when memory ran out. Names go to the registry, section by section.
bool parse_manifest(const unsigned char* bytes, std::size_t size, Manifest& out);

// The launcher's own reading of a main section: every field has ": " after its name.
bool manifest_main_lines_ok(const unsigned char* bytes, std::size_t size);
// The main section's field `name` (in upper case; matched in any case) as Java
// reads it, trimmed, into `value` (MANIFEST_VALUE_BYTES): false when it has none.
constexpr std::size_t MANIFEST_VALUE_BYTES = 2048;
bool manifest_main_value(const unsigned char* bytes, std::size_t size, const char* name,
                         char* value);

// One Class-Path entry: what Java does with it, and the path it names.
enum EntryUse {
  USE_FOLLOW,      // a path Java opens
  USE_SKIP,        // a scheme Java skips
  USE_LOOKUP,      // one too, whose handler Java first looks for on the class path
  USE_UNKNOWN,     // an unknown scheme, a drive letter among them: the archive is left out
  USE_NO_BANG,     // a jar: URL without "!/": left out too
  USE_BAD_ESCAPE,  // a bad %-escape: Java fails when it reaches it
  USE_NOT_READ     // a name the ANSI code page cannot spell
};
constexpr std::size_t ENTRY_PATH_BYTES = 4096;
struct ResolvedEntry {
  EntryUse use;
  int scheme;                   // of a look-up scheme
  bool folder;                  // the URL ends in '/': a folder, else an archive
  char path[ENTRY_PATH_BYTES];  // its full path, a folder's with its final '\'; "" if too long
};
// `token` relative to the archive whose full path is `base`.
void resolve_entry(const char* token, const char* base, ResolvedEntry& e);
