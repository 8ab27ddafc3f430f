// A whole run on the fake from fuzzed arguments, list values and tree. It
// checks only what holds whatever the input: no sanitizer report or leak, a
// line per non-empty entry, totals that agree with the lines, an empty
// registry, no open file, and the current directory back at the start.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app.h"
#include "fake_platform.h"
#include "lists/registry.h"

namespace {

#define CHECK(condition) \
  if (!(condition)) __builtin_trap()

// Every entry and the non-empty ones, by the counting rule of the report.
void count(const std::string& value, int& entries, int& non_empty) {
  entries = non_empty = 0;
  for (std::size_t start = 0, end; !value.empty(); start = end + 1) {
    end = std::min(value.find(';', start), value.size());
    ++entries;
    non_empty += value.find_first_not_of('"', start) < end;
    if (end + 1 >= value.size()) break;  // the end, or a final ';'
  }
}

std::string line(const std::string& out, std::size_t& at) {
  std::size_t end = out.find("\r\n", at);
  CHECK(end != std::string::npos);
  std::string text = out.substr(at, end - at);
  at = end + 2;
  return text;
}

void check_walk(const std::string& out, const std::string& name, const std::string* value) {
  std::size_t at = out.find("\nValidating " + name + "\r\n");  // entry lines start with a label
  if (at == std::string::npos) return;
  line(out, ++at);
  if (value == nullptr) {
    CHECK(line(out, at) == "*****" + name + " environment variable is not defined");
    return;
  }
  if (name == "CLASSPATH" && value->size() > 1024) {
    CHECK(line(out, at) == "*****CLASSPATH variable is > 1024 characters long");
    CHECK(line(out, at) == "     Truncation may occur");
  }
  int entries, non_empty, lines = 0, not_found = 0, duplicates = 0;
  count(*value, entries, non_empty);
  std::string text;
  while ((text = line(out, at)).compare(0, 16, "Total entries = ") != 0) {
    ++lines;
    not_found += text.compare(0, 12, "*Not found* ") == 0;
    duplicates += text.compare(12, 6, "*DUP* ") == 0;
  }
  CHECK(lines == non_empty);
  std::string totals = "Total entries = " + std::to_string(entries);
  if (not_found > 0 || duplicates > 0) {
    totals += " (" + std::to_string(not_found) + " not found " + std::to_string(duplicates) +
              " duplicates)";
  }
  CHECK(text == totals);
  CHECK(line(out, at) == "Total length of " + name + " = " + std::to_string(value->size()));
}

}  // namespace

// Input: arguments, CLASSPATH, PATH and LIB, separated by NUL bytes; a missing
// part is an undefined variable, and arguments starting with '!' write to a
// console. Each piece of a list becomes, by its first byte, nothing, a file or
// a directory, usable or not, or a file whose handle has no known type.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < size; ++i) {
    char c = static_cast<char>(data[i]);
    if (c == '\0')
      parts.emplace_back();
    else
      parts.back() += (c == '\n' || c == '\r') ? '_' : c;  // keeps a line a line
  }
  FakePlatform fake;
  fake.cwd = "C:\\start";
  fake.env = {{"=D:", "D:\\d"}};
  fake.console = !parts[0].empty() && parts[0][0] == '!';
  static const char* const names[] = {"CLASSPATH", "PATH", "LIB"};
  for (std::size_t i = 1; i < parts.size() && i < 4; ++i) {
    fake.env.emplace_back(names[i - 1], parts[i]);
    for (std::size_t start = 0, end; start < parts[i].size(); start = end + 1) {
      end = std::min(parts[i].find(';', start), parts[i].size());
      std::string piece;
      for (std::size_t k = start; k < end; ++k)
        piece += parts[i][k] == '"' ? "" : parts[i].substr(k, 1);
      int kind = piece.empty() ? 0 : static_cast<unsigned char>(piece[0]) % 7;
      // 1 directory, 2 file, 3 locked directory, 4 locked file, 5 file of unknown type
      if (kind > 0 && kind < 6)
        fake.add(piece, kind == 1 || kind == 3, kind != 3 && kind != 4, kind != 5);
    }
  }
  fake.add("C:\\start", true);
  std::vector<std::string> args = {"cpvalid"};
  for (char c : parts[0] + ' ') {
    if (c == ' ')
      args.emplace_back();
    else
      args.back() += c;
  }
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  platform_install(&fake);
  CHECK(run_cpvalid(static_cast<int>(argv.size()), argv.data()) == 0);
  CHECK(fake.open_files.empty() && registry_first() == nullptr);
  std::string out = fake.output();
  CHECK(out.find("Validating CLASSPATH\r\n") != std::string::npos ||
        out.find("Command usage is:") != std::string::npos);
  for (int i = 0; i < 3; ++i) check_walk(out, names[i], fake.find_env(names[i]));
  CHECK(fake.cwd == "C:\\start");
  return 0;
}
