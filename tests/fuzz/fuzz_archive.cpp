// Hostile archives straight into the reader: whatever the bytes, it gives its names or refuses
// the archive, never reads outside the bytes or the blocks it took (a record's extra field and
// the class data it inflates included), and gives every block back. Its manifest is read,
// parsed and followed too. The same bytes are parsed as a class file and loaded as the main
// class, each name it gives looked up to those bytes again.
#include <cstdint>
#include <cstring>
#include <string>

#include "../fake_platform.h"
#include "base/allocator.h"
#include "classes/classes.h"
#include "lists/registry.h"
#include "loading/class_file.h"
#include "loading/loading.h"
#include "manifests/manifests.h"

#define CHECK(condition) \
  if (!(condition)) __builtin_trap()

namespace {

bool follow_manifest(FileHandle file, ArchiveFacts& facts, void*) {
  unsigned char* bytes = nullptr;
  Manifest m = {};
  if (facts.manifest && read_manifest(file, facts, bytes) > 0 &&
      parse_manifest(bytes, facts.size, m)) {
    CHECK(m.class_path_len <= facts.size && std::strlen(m.twice) <= 70);
    static ResolvedEntry e;
    for (char* t = std::strtok(m.value, " \t\r\n\f"); t != nullptr;
         t = std::strtok(nullptr, " \t\r\n\f"))
      resolve_entry(t, "C:\\lib\\x.jar", e);
    facts.release = m.multi_release ? 25 : 0;  // versioned names read too
  }
  mem_give(bytes), mem_give(m.value);
  return true;
}

struct Bytes {
  const std::uint8_t* data;
  std::size_t size;
};

// Every name other than "M" holds the input; "M" is its own copy, so that the main class
// and its supertypes all parse the same hostile bytes.
bool lookup(const char* name, ClassLookup& found, void* context) {
  const Bytes& bytes = *static_cast<const Bytes*>(context);
  found = {std::strcmp(name, "M") == 0 ? 0 : 1, "C:\\x.jar", bytes.data, bytes.size, false};
  return name[0] != 'N';
}

void load_as_main_class(const std::uint8_t* data, std::size_t size) {
  ClassFile file;
  ClassFault fault = class_parse(data, size, CLASS_WHOLE, file);
  CHECK((fault == CLASS_OK) == (file.fault == CLASS_OK) && file.pool_count <= size / 3 + 2);
  class_release(file);
  Bytes bytes = {data, size};
  for (int feature : {8, 17, 25}) {
    LoadQuery query = {"M", feature, "java", false, false, false, lookup, &bytes};
    LoadVerdict verdict;
    load_main_class(query, verdict);
    int lines = 0;
    for (const char* line = load_first_line(verdict); line != nullptr;
         line = load_next_line(verdict, line))
      ++lines;
    CHECK(lines == verdict.java_lines + verdict.because_lines + (verdict.outcome == LOAD_LIMIT));
    load_release(verdict);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  load_as_main_class(data, size);
  FakePlatform fake;
  fake.add("C:\\x.jar", 'f', std::string(reinterpret_cast<const char*>(data), size));
  platform_install(&fake);
  CHECK(names_begin_element(0));
  ReadResult result = read_archive("C:\\x.jar", follow_manifest);
  CHECK(result == READ_DONE || (result == READ_REFUSED && names_counts().distinct == 0));
  CHECK(names_versions().newest == 0 || (result == READ_DONE && names_versions().newest >= 45));
  // Read again, every name is a hidden copy, compared by the sizes and CRCs of its records;
  // no copy loads, so none gives a version.
  CHECK(names_begin_element(1) && read_archive("C:\\x.jar", follow_manifest) == result &&
        names_versions().newest == 0);
  NameCounts names = names_counts();
  CHECK(names.repeated == names.distinct && names.different <= names.repeated);
  CHECK(names.pairs == (names.distinct > 0) &&
        (names.pairs == 0 || names.hidden->count == names.distinct));
  CHECK(fake.open_files == 0);
  names_release();
  registry_release();
  return 0;
}
