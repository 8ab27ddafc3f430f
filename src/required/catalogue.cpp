#include <cstring>

#include "base/ascii.h"
#include "required/required.h"

namespace {

constexpr int COMPONENT_BYTES = 256;
constexpr int PATH_ENTRY_BYTES = 2048;
constexpr char JMS_DIRECTORY_SUFFIX[] = "JAVA\\LIB";
constexpr int JMS_SUFFIX_CHARS = 8;

}  // namespace

const RequiredFileRow required_file_catalogue[REQUIRED_FILE_COUNT] = {
    {"ZANTH.CORE.JAR", "JMS", ROLE_REQUIRED},
    {"ZANTH.BRIDGE.JAR", "JMS", ROLE_REQUIRED},
    {"ORVIS.JAR", "JMS", ROLE_REQUIRED},
    {"NOMIA.JAR", "JMS", ROLE_REQUIRED},
    {"BRESK.JAR", "JMS", ROLE_REQUIRED},
    {"QUILLET.JAR", "JMS", ROLE_REQUIRED},
    {"MURREL.JAR", "JMS", ROLE_FILE_SYSTEM_CONTEXT},
    {"WEXLIN.JAR", "JMS", ROLE_WARNING},
    {"SORREK.JAR", "JMS", ROLE_LDAP},
    {"TUVAK.JAR", "JMS", ROLE_WARNING},
    {"KORVOJAVA.ZIP", "KORVO", ROLE_REQUIRED},
    {"LUMBEN.ZIP", "KORVO", ROLE_REQUIRED},
    {"ESKERO.ZIP", "KORVO", ROLE_REQUIRED},
};

RequiredFiles required_files;

void required_files_clear() { std::memset(&required_files, 0, sizeof required_files); }

void note_class_path_file(const char* entry) {
  // Only the backslash separates components: '/' and ':' are part of a name.
  const char* component = std::strrchr(entry, '\\');
  component = component != nullptr ? component + 1 : entry;
  std::size_t len = std::strlen(component);
  if (len >= COMPONENT_BYTES) return;
  char upper[COMPONENT_BYTES];
  for (std::size_t i = 0; i <= len; ++i) upper[i] = ascii_upper(component[i]);
  for (int row = 0; row < REQUIRED_FILE_COUNT; ++row) {
    if (std::strcmp(upper, required_file_catalogue[row].name) == 0) {
      required_files.file_found[row] = 1;
    }
  }
}

void note_path_directory(const char* entry) {
  std::size_t len = std::strlen(entry);
  if (len >= PATH_ENTRY_BYTES) return;
  char upper[PATH_ENTRY_BYTES];
  for (std::size_t i = 0; i <= len; ++i) upper[i] = ascii_upper(entry[i]);
  if (len < JMS_SUFFIX_CHARS) return;
  if (std::memcmp(upper + len - JMS_SUFFIX_CHARS, JMS_DIRECTORY_SUFFIX, JMS_SUFFIX_CHARS) == 0) {
    required_files.library_directory_found = 1;
  }
}
