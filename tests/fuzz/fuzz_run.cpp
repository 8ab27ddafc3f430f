// A whole run on the fake from fuzzed arguments, lists and tree, checked for
// what holds whatever the input: no sanitizer report or leak, a line per
// non-empty entry, totals that agree with the lines, an empty registry, no
// open file, and the current directory back at the start.
#include <cstdint>
#include <string>
#include <vector>

#include "../fake_platform.h"
#include "app/app.h"
#include "lists/registry.h"

#define CHECK(condition) \
  if (!(condition)) __builtin_trap()

namespace {

std::string next_line(const std::string& out, std::size_t& at) {
  std::size_t end = out.find("\r\n", at);
  CHECK(end != std::string::npos);
  std::swap(at, end += 2);
  return out.substr(end, at - end - 2);
}

void check_walk(const std::string& out, const std::string& name, const std::string* value) {
  std::size_t at = out.find("\nValidating " + name + "\r\n");  // entry lines start with a label
  if (at == std::string::npos || value == nullptr) return;
  next_line(out, ++at);
  int entries = 0, non_empty = 0, lines = 0, not_found = 0, duplicates = 0;
  for (std::size_t start = 0, end; !value->empty(); start = end + 1) {
    end = std::min(value->find(';', start), value->size());
    ++entries;
    non_empty += value->find_first_not_of('"', start) < end;
    if (end + 1 >= value->size()) break;  // the end, or a final ';' that adds no entry
  }
  std::string text;
  while ((text = next_line(out, at)).compare(0, 16, "Total entries = ") != 0) {
    if (text[0] == ' ' || text.compare(0, 5, "*****") == 0) continue;  // the length warning
    ++lines;
    not_found += text.compare(0, 12, "*Not found* ") == 0;
    duplicates += text.compare(12, 6, "*DUP* ") == 0;
  }
  CHECK(lines == non_empty);
  std::string counts = " (" + std::to_string(not_found) + " not found " +
                       std::to_string(duplicates) + " duplicates)";
  CHECK(text ==
        "Total entries = " + std::to_string(entries) + (not_found + duplicates > 0 ? counts : ""));
  CHECK(next_line(out, at) == "Total length of " + name + " = " + std::to_string(value->size()));
}

}  // namespace

// Input: a byte of flags (bit 0-2: CLASSPATH, PATH, LIB defined; bit 3: a console; bit 4:
// the arguments joined with blanks are the raw command line; bit 5: the first one is
// JDK_JAVA_OPTIONS too),
// then the three values and the arguments, separated by NUL bytes. Each piece of a
// list becomes a kind of node of the fake, or nothing, by its first byte modulo 7.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> parts(1);
  for (std::size_t i = 1; i < size; ++i) {
    if (data[i] == 0) parts.emplace_back();
    if (data[i] != 0) parts.back() += data[i] == '\n' || data[i] == '\r' ? '_' : char(data[i]);
  }
  parts.resize(std::max<std::size_t>(parts.size(), 3));
  FakePlatform fake;
  fake.cwd = "C:\\start";
  fake.env = {{"=D:", "D:\\d"}};
  fake.console = size > 0 && (data[0] & 8) != 0;
  const char* const names[] = {"CLASSPATH", "PATH", "LIB"};
  for (int i = 0; i < 3; ++i) {
    if (size == 0 || (data[0] & (1 << i)) == 0) continue;
    fake.env[names[i]] = parts[i];
    std::string piece;
    for (char c : parts[i] + ';') {
      char kind = piece.empty() ? '-' : "-dfDF-?"[static_cast<unsigned char>(piece[0]) % 7];
      if (c == ';' && kind != '-') fake.add(piece, kind);
      piece = c == ';' ? "" : c == '"' ? piece : piece + c;
    }
  }
  fake.add("C:\\start", 'd');
  std::vector<const char*> argv = {"cpvalid"};
  for (std::size_t i = 3; i < parts.size(); ++i) argv.push_back(parts[i].c_str());
  if (size > 0 && (data[0] & 16) != 0) {
    fake.raw_command_line = "cpvalid";
    for (std::size_t i = 1; i < argv.size(); ++i)
      fake.raw_command_line += std::string(" ") + argv[i];
  }
  if (size > 0 && (data[0] & 32) != 0 && parts.size() > 3) fake.env["JDK_JAVA_OPTIONS"] = parts[3];
  platform_install(&fake);
  int status = run_cpvalid(static_cast<int>(argv.size()), argv.data());
  // Only a java command ends with status 1.
  CHECK(status == 0 ||
        (status == 1 && fake.out.find("\r\nThe java command\r\n") != std::string::npos));
  CHECK(fake.open_files == 0 && registry_first() == nullptr && fake.cwd == "C:\\start");
  for (int i = 0; i < 3; ++i) check_walk(fake.out, names[i], fake.find_env(names[i]));
  return 0;
}
