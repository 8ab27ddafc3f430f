// Hostile archives straight into the reader: whatever the bytes, it gives its names or refuses
// the archive, never reads outside the bytes or the blocks it took (a record's extra field and
// the class data it inflates included), and gives every block back.
#include <cstdint>
#include <string>

#include "../fake_platform.h"
#include "classes/classes.h"

#define CHECK(condition) \
  if (!(condition)) __builtin_trap()

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FakePlatform fake;
  fake.add("C:\\x.jar", 'f', std::string(reinterpret_cast<const char*>(data), size));
  platform_install(&fake);
  CHECK(names_begin_element(0));
  ReadResult result = read_archive("C:\\x.jar");
  CHECK(result == READ_DONE || (result == READ_REFUSED && names_counts().distinct == 0));
  CHECK(names_version() == 0 || (result == READ_DONE && names_version() >= 45));
  // Read again, every name is a hidden copy, compared by the sizes and CRCs of its records;
  // no copy loads, so none gives a version.
  CHECK(names_begin_element(1) && read_archive("C:\\x.jar") == result && names_version() == 0);
  NameCounts names = names_counts();
  CHECK(names.repeated == names.distinct && names.different <= names.repeated);
  CHECK(names.pairs == (names.distinct > 0) &&
        (names.pairs == 0 || names.hidden->count == names.distinct));
  CHECK(fake.open_files == 0);
  names_release();
  return 0;
}
