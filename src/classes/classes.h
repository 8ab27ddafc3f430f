// Classes found more than once on the class path: Java loads each class from
// the first element that holds it, never the copies of later elements.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

// Prints the report of what the class path's opening found. The elements and the names
// stay, for later sections; the run gives them back at its end.
void report_duplicate_classes();
// The version lines of the elements opened, kept until class_versions_release.
void collect_class_versions();
// The line for a java of feature version `feature` (-1: not known) that `who` names, when
// elements hold classes for a newer one: "... element on CLASSPATH needs ...", `where` being
// "on CLASSPATH" or "of the class path". With `unloadable`, then a line for each element
// holding classes that java does not load: preview classes of an older Java (of its own, in
// a java command without --enable-preview), or classes of an invalid minor version.
void report_newer_classes(const char* who, int feature, const char* where, bool unloadable);
void class_versions_release();

enum ReadResult { READ_DONE, READ_REFUSED, READ_STOPPED, READ_OUT_OF_MEMORY, READ_LEFT_OUT };
// What an archive's directory says of its manifest, for the hook that reads it.
struct ArchiveFacts {
  bool manifest;                  // the last record named META-INF/MANIFEST.MF, letters in any case
  bool index;                     // a record named META-INF/INDEX.LIST
  bool manifest_exact;            // a record named META-INF/MANIFEST.MF in exactly these letters
  int wanted;                     // its hold on the member named by want_member: WANTED_...
  std::uint64_t wanted_releases;  // bit K: META-INF/versions/K/ holds that member
  unsigned method;
  std::uint64_t size, csize, local;  // local: where its local header lies in the file
  // Set by the hook: how Java reads the archive's names and classes.
  int release;               // multi-release: read as this Java (9 and later); else 0
  bool packages_unloadable;  // Java loads no class in a package (its manifest is broken)
};
// Told of an archive once its directory is read, before any name counts;
// false leaves the archive out (READ_LEFT_OUT).
using ArchiveHook = bool (*)(FileHandle file, ArchiveFacts& facts, void* context);
// Where a member's data begins, after its local header (whose first 30 bytes,
// read at `local`, are `header`); 0 when there is no local header there.
std::uint64_t member_data(const unsigned char* header, std::uint64_t local);
// The archive's central directory, read as Java reads it; READ_REFUSED when
// Java would not open the archive, and then none of its names count.
ReadResult read_archive(const char* path, ArchiveHook hook = nullptr, void* context = nullptr);
// A member looked for by its exact name, as Java looks for a class file.
struct MemberFound {
  bool exact;            // the archive holds the name, byte for byte
  char other_case[512];  // else a record of the name in another case; "" when none
  int major, minor;      // the class file version of the copy that loads; 0 when unknown
};
// `release`: a multi-release jar read as that Java (9 and later), else 0.
ReadResult find_member(const char* path, const char* name, int release, MemberFound& found);
// The whole copy of `name` that loads from the archive (`release` as for find_member), in a
// block to give back: READ_STOPPED when it is larger than `limit`, READ_REFUSED when the
// archive lacks it or its bytes cannot be read whole.
ReadResult read_member(const char* path, const char* name, int release, std::size_t limit,
                       unsigned char*& bytes, std::size_t& size);
// A member every archive is asked for as its directory is read (nullptr: none), so that the
// class path need not be read twice to find one class.
void want_member(const char* name);
// The ".class" files at any depth, named by their path below the directory
// with '/' between components; READ_STOPPED on meeting name 100,001.
ReadResult search_directory(const char* path);

// A class file's content as -c compares it: two copies are identical when
// their sizes and CRC-32s are. No class of 2 GiB loads, so a size from there
// on marks a copy that differs from every copy, or one not read yet.
struct Copy {
  std::uint32_t size, crc;
};
constexpr std::uint32_t UNLIKE = 0x80000000, UNREAD = 0xFFFFFFFF;
// The copy of the file `name` below the directory element `element`, read to its end.
Copy read_directory_copy(int element, const char* name, std::size_t len);

// The store of distinct names, compared exactly. Elements begin in class path
// order, from 0; a name added belongs to the current one, and counts once in
// it, with the copy of its first appearance. A directory's copy comes UNREAD:
// it is read only when its name is found in two elements, and then once.
// 0 when memory runs out; NAME_LOADS for a new name: this copy is the one that loads.
using NameRef = std::uint32_t;
bool counts_as_class(const char* name, std::size_t len);
bool names_begin_element(int element);
constexpr int NAME_LOADS = 2;
int names_add(const char* name, std::size_t len, Copy copy);
// A class file's version as class_version reads it: its major version, then its minor.
constexpr int class_file_version(int major, int minor) {
  return static_cast<int>(static_cast<unsigned>(major) << 16 | static_cast<unsigned>(minor));
}
// The current element's versions, from the class files that load from it.
void names_note_version(int version);
struct ElementVersions {
  int newest;                     // the newest major version; 0 when none
  bool preview;                   // the newest class is a preview class of that major
  int preview_low, preview_high;  // the majors of its preview classes; 0 when none
  bool invalid;                   // it holds a class of an invalid minor version
};
ElementVersions names_versions();
// Each invalid version some element holds, newest first: how many elements, and the first.
struct InvalidVersion {
  int major, minor, count, first;
  int last;  // the last element counted
};
const InvalidVersion* names_invalid_versions(int& count);
// The current element holds a class, and every one of them came before.
bool names_all_hidden();
const char* names_text(NameRef name);
void names_release();

struct HiddenCopies {
  int first, later;  // elements: the later one's copies are never loaded
  int count, different;
  NameRef smallest_different;  // in byte order; 0 when none differs
};
struct NameCounts {
  int distinct, repeated;  // repeated: held by two or more elements
  int different;           // of the repeated: a hidden copy differs from the loaded one
  int pairs;
  const HiddenCopies* hidden;  // by first, then later element
};
NameCounts names_counts();
