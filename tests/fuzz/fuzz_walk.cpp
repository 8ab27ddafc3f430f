// A whole run on a fake machine built from the input: a few files and
// directories on C:, D: and a UNC share (some that cannot be opened or
// entered), a starting directory, per-drive records, the three list
// variables (up to 32,767 bytes each, any byte but NUL), a command line and
// injected faults. The output is matched against what the option model and
// the counting rules say it must hold; the machine must be left as found.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/app.h"
#include "fake_platform.h"
#include "lists/registry.h"
#include "option_model.h"
#include "required/required.h"

namespace {

constexpr std::size_t MAX_VALUE_BYTES = 32767;  // the most an environment value holds
constexpr std::size_t MAX_KEPT = 2048;          // the most one entry keeps

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "fuzz_walk: %s\n", what.c_str());
  std::abort();
}

std::string upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string no_nul(std::string text) {
  for (char& c : text) {
    if (c == '\0') c = '\x01';
  }
  return text;
}

// ---------------------------------------------------------------------------
// The tree, mirrored beside the fake so that an entry naming a node exactly
// has a known answer whatever the current directory is.

struct Node {
  bool dir;
  bool allowed;  // openable file, enterable directory
  unsigned long type;
};

struct Tree {
  std::map<std::string, Node> nodes;  // by upper-cased full path
  std::vector<std::string> paths;     // as added, case kept
  std::vector<std::string> dirs;      // directories, for starting places

  // `root` is "C:", "D:" or "\\srv\share"; parents are made enterable
  // directories unless they exist, as the fake makes them.
  void add(FakePlatform& fake, const std::string& root, const std::vector<std::string>& parts,
           const Node& node) {
    std::string path = root;
    nodes.emplace(upper(root + "\\"), Node{true, true, 0});
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
      path += "\\" + parts[i];
      nodes.emplace(upper(path), Node{true, true, 0});
      dirs.push_back(path);
    }
    path += "\\" + parts.back();
    nodes[upper(path)] = node;
    paths.push_back(path);
    if (node.dir) {
      dirs.push_back(path);
      fake.add_dir(path, node.allowed);
    } else {
      fake.add_file(path, node.allowed, node.type);
    }
  }
};

std::string component(FuzzedDataProvider& in) {
  static const char* const pool[] = {"lib",  "Java", "bin",       "tools",         "a b",
                                     "x%sy", "jre",  "\xC9T\xC9", "Program Files", "classes"};
  const std::size_t pick = in.ConsumeIntegralInRange<std::size_t>(0, 12);
  std::string name;
  if (pick < 10) {
    name = pool[pick];
  } else if (pick == 10) {
    // A required file's name, in any case.
    name = required_file_catalogue[in.ConsumeIntegralInRange(0, REQUIRED_FILE_COUNT - 1)].name;
    if (in.ConsumeBool()) {
      for (char& c : name) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      }
    }
  } else {
    // Separators, ';' and '"' would make the node unreachable as one entry.
    for (char c : no_nul(in.ConsumeRandomLengthString(12))) {
      if (c != '\\' && c != '/' && c != ';' && c != '"') name += c;
    }
  }
  if (name.empty() || name == "." || name == "..") name = "n";
  return name;
}

void build_tree(FuzzedDataProvider& in, FakePlatform& fake, Tree& tree) {
  tree.nodes.emplace("C:\\", Node{true, true, 0});  // the fake's own root
  tree.dirs.push_back("C:\\");
  const int count = in.ConsumeIntegralInRange(0, 10);
  for (int i = 0; i < count; ++i) {
    static const char* const roots[] = {"C:", "D:", "\\\\srv\\share"};
    const std::string root = roots[in.ConsumeIntegralInRange(0, 2)];
    std::vector<std::string> parts;
    const int depth = in.ConsumeIntegralInRange(1, 3);
    for (int d = 0; d < depth; ++d) parts.push_back(component(in));
    const bool dir = in.ConsumeBool();
    const bool allowed = in.ConsumeIntegralInRange(0, 3) != 0;
    const unsigned long type = in.ConsumeIntegralInRange(0, 5) == 0 ? 0 : 1;  // 0: untypeable
    tree.add(fake, root, parts, Node{dir, allowed, type});
  }
  if (in.ConsumeIntegralInRange(0, 3) == 0) {
    // A directory whose full name straddles the 259/260-character limits of
    // the save and the read-back.
    const std::size_t length = in.ConsumeIntegralInRange<std::size_t>(255, 265);
    tree.add(fake, "D:", {std::string(length - 3, 'd')}, Node{true, true, 0});
  }
}

// ---------------------------------------------------------------------------
// The list values.

std::string case_variant(const std::string& text, std::uint64_t pattern) {
  std::string out = text;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const char c = out[i];
    if (((pattern >> (i % 64)) & 1) != 0 && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
      out[i] = static_cast<char>(c ^ 0x20);
    }
  }
  return out;
}

// Another way to name a tree node: from the drive's current directory, from
// the current drive's root, by its last component alone, or untouched.
std::string other_spelling(FuzzedDataProvider& in, const std::string& path) {
  const std::size_t last = path.rfind('\\');
  switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0:
      return path.size() > 2 && path[1] == ':' ? path.substr(2) : path;  // "\lib\x"
    case 1:
      return path.size() > 3 && path[1] == ':' ? path.substr(0, 2) + path.substr(3)
                                               : path;  // "C:lib\x"
    case 2:
      return last == std::string::npos ? path : path.substr(last + 1);
    case 3:
      return "\\\\?\\" + path;
    default:
      return path + (in.ConsumeBool() ? "\\" : "/");
  }
}

std::string build_value(FuzzedDataProvider& in, const Tree& tree) {
  std::string value;
  std::string piece;
  const int pieces = in.ConsumeIntegralInRange(0, 64);
  for (int step = 0; step < pieces && value.size() < MAX_VALUE_BYTES && in.remaining_bytes() > 0;
       ++step) {
    switch (in.ConsumeIntegralInRange(0, 9)) {
      case 0:
      case 1:
        piece = tree.paths.empty()
                    ? "C:\\"
                    : tree.paths[in.ConsumeIntegralInRange<std::size_t>(0, tree.paths.size() - 1)];
        piece = case_variant(piece, in.ConsumeIntegral<std::uint64_t>());
        break;
      case 2:
        piece = ";";
        break;
      case 3:
        piece = "\"";
        break;
      case 4: {
        static const char* const pool[] = {
            ".", "..", ".\\", "\\", "C:", "D:", "java\\lib", "%s%d%%", "\r\n", "\n"};
        piece = pool[in.ConsumeIntegralInRange(0, 9)];
        break;
      }
      case 5:
        piece = no_nul(in.ConsumeRandomLengthString(16));
        break;
      case 6:
        // A run of one byte, long enough to pass the entry limit.
        piece = std::string(in.ConsumeIntegralInRange<std::size_t>(1, 4200),
                            static_cast<char>(in.ConsumeIntegralInRange(1, 255)));
        break;
      case 7: {
        // The last piece again, many times: long lists, many repeats.
        const std::size_t times = in.ConsumeIntegralInRange<std::size_t>(1, 2000);
        std::string run;
        for (std::size_t t = 0; t < times && run.size() < MAX_VALUE_BYTES; ++t) run += piece;
        value += run;
        continue;
      }
      case 8:
        if (tree.paths.empty()) continue;
        piece = other_spelling(
            in, tree.paths[in.ConsumeIntegralInRange<std::size_t>(0, tree.paths.size() - 1)]);
        break;
      default: {
        // A required file's name in a tree directory.
        piece = tree.dirs[in.ConsumeIntegralInRange<std::size_t>(0, tree.dirs.size() - 1)] + "\\";
        piece +=
            required_file_catalogue[in.ConsumeIntegralInRange(0, REQUIRED_FILE_COUNT - 1)].name;
        break;
      }
    }
    value += piece;
  }
  if (value.size() > MAX_VALUE_BYTES) value.resize(MAX_VALUE_BYTES);
  return value;
}

// The entries a value holds, by the counting rule: one per ';'-separated
// segment, except the empty segment after a final ';'; quotes are dropped;
// a segment keeps its first 2048 other characters and loses the rest.
// Returns the count of segments; `entries` gets the non-empty ones.
int expected_entries(const std::string& value, std::vector<std::string>& entries) {
  entries.clear();
  if (value.empty()) return 0;
  std::vector<std::string> segments(1);
  for (char c : value) {
    if (c == ';') {
      segments.emplace_back();
    } else if (c != '"') {
      segments.back() += c;
    }
  }
  if (value.back() == ';') segments.pop_back();
  for (std::string& segment : segments) {
    if (segment.size() > MAX_KEPT) segment.resize(MAX_KEPT);
    if (!segment.empty()) entries.push_back(segment);
  }
  return static_cast<int>(segments.size());
}

// ---------------------------------------------------------------------------
// Reading the output.

const std::string FILE_LABEL = "Found File ";
const std::string DIR_LABEL = "Found Dir  ";
const std::string MISSING_LABEL = "*Not found*";

// As the text stream writes it: every LF as CR LF.
std::string as_written(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// Every CR followed by LF and every LF preceded by CR.
void check_line_ends(const std::string& text, const char* where) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) {
      fail(std::string("a CR without LF in ") + where);
    }
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
      fail(std::string("an LF without CR in ") + where);
  }
}

struct Cursor {
  const std::string& out;
  std::size_t pos = 0;

  void expect(const std::string& text, const std::string& what) {
    if (out.compare(pos, text.size(), text) != 0) {
      std::size_t at = 0;
      while (at < text.size() && pos + at < out.size() && out[pos + at] == text[at]) ++at;
      const std::size_t from = at < 20 ? 0 : at - 20;
      fail("expected " + what + " at byte " + std::to_string(pos) + "; it differs at +" +
           std::to_string(at) + ": \"" + text.substr(from, 80) + "\", found \"" +
           out.substr(pos + from, 80) + "\"");
    }
    pos += text.size();
  }
  std::string take(std::size_t n) {
    if (pos + n > out.size()) fail("the output ends early");
    std::string s = out.substr(pos, n);
    pos += n;
    return s;
  }
  std::string line() {
    const std::size_t end = out.find("\r\n", pos);
    if (end == std::string::npos) fail("a line without CR LF");
    std::string s = out.substr(pos, end - pos);
    pos = end + 2;
    return s;
  }
};

struct Line {
  std::string label;
  std::string entry;
};

struct Machine {
  const Tree& tree;
  bool fail_dir_get;
  bool fail_env_set;
};

// The status an entry must get when it names a tree node exactly.
bool known_status(const Machine& m, const std::string& entry, std::string& label) {
  if (entry == ".") {
    label = DIR_LABEL;
    return true;
  }
  auto it = m.tree.nodes.find(upper(entry));
  if (it == m.tree.nodes.end()) return false;
  const Node& node = it->second;
  if (!node.dir) {
    label = node.allowed && node.type != 0 ? FILE_LABEL : MISSING_LABEL;
  } else {
    const bool unc = entry.size() >= 2 && entry[0] == '\\' && entry[1] == '\\';
    // The read-back takes at most 260 characters.
    const bool entered =
        node.allowed && !m.fail_dir_get && entry.size() <= 260 && (unc || !m.fail_env_set);
    label = entered ? DIR_LABEL : MISSING_LABEL;
  }
  return true;
}

void check_list(Cursor& c, const Machine& m, const std::string& name, const std::string* value,
                std::vector<Line>& lines) {
  if (value == nullptr) {
    c.expect("*****" + name + " environment variable is not defined\r\n", "the not-defined line");
    return;
  }
  if (name == "CLASSPATH" && value->size() > 1024) {
    c.expect("*****CLASSPATH variable is > 1024 characters long\r\n     Truncation may occur\r\n",
             "the length warning");
  }
  std::vector<std::string> entries;
  const int count = expected_entries(*value, entries);
  std::set<std::string> seen;
  int duplicates = 0;
  int not_found = 0;
  for (const std::string& entry : entries) {
    const std::string label = c.take(FILE_LABEL.size());
    if (label != FILE_LABEL && label != DIR_LABEL && label != MISSING_LABEL)
      fail("an unknown status label");
    std::string want;
    if (known_status(m, entry, want) && label != want) {
      fail("entry \"" + entry.substr(0, 300) + "\" reported \"" + label + "\", not \"" + want +
           "\"");
    }
    const bool duplicate = !seen.insert(upper(entry)).second;
    duplicates += duplicate ? 1 : 0;
    not_found += label == MISSING_LABEL ? 1 : 0;
    c.expect(duplicate ? " *DUP* " : "       ", "the duplicate mark");
    // Raw CR and LF bytes of an entry are matched as the stream renders
    // them, and kept out of the line-end check that covers the rest.
    c.expect(as_written(entry) + "\r\n", "the entry text");
    lines.push_back({label, entry});
  }
  std::string totals = "Total entries = " + std::to_string(count);
  if (not_found > 0 || duplicates > 0) {
    totals += " (" + std::to_string(not_found) + " not found " + std::to_string(duplicates) +
              " duplicates)";
  }
  c.expect(totals + "\r\n", "the totals line");
  c.expect("Total length of " + name + " = " + std::to_string(value->size()) + "\r\n",
           "the length line");
}

// The required-file report names exactly the required files that no
// class-path file entry ends in, and misses the jms directory exactly when
// PATH was walked and held no directory ending in JAVA\LIB.
void check_report(const std::string& report, const std::vector<Line>& classpath,
                  const std::vector<Line>& path, bool path_walked) {
  check_line_ends(report, "the required-file report");
  std::set<std::string> found;
  for (const Line& line : classpath) {
    if (line.label != FILE_LABEL) continue;
    const std::size_t slash = line.entry.rfind('\\');
    const std::string last = slash == std::string::npos ? line.entry : line.entry.substr(slash + 1);
    if (last.size() < 256) found.insert(upper(last));
  }
  std::set<std::string> want_missing;
  for (const RequiredFileRow& row : required_file_catalogue) {
    if (row.role == ROLE_REQUIRED && found.count(row.name) == 0) want_missing.insert(row.name);
  }
  bool library_found = false;
  for (const Line& line : path) {
    const std::string u = upper(line.entry);
    if (line.label == DIR_LABEL && u.size() < 2048 && u.size() >= 8 &&
        u.compare(u.size() - 8, 8, "JAVA\\LIB") == 0) {
      library_found = true;
    }
  }

  std::set<std::string> missing;
  bool directory_line = false;
  std::size_t pos = 0;
  while (pos < report.size()) {
    const std::size_t end = report.find("\r\n", pos);
    if (end == std::string::npos) fail("the report ends without CR LF");
    const std::string line = report.substr(pos, end - pos);
    pos = end + 2;
    if (line.compare(0, 14, "***ERROR*** - ") == 0) {
      const std::size_t open = line.find('(');
      const std::size_t close = line.find(')', open);
      if (open == std::string::npos || close == std::string::npos)
        fail("an error line without a file name");
      missing.insert(line.substr(open + 1, close - open - 1));
    }
    if (line.rfind("***** jms directory missing", 0) == 0) directory_line = true;
  }
  if (missing != want_missing)
    fail("the report's missing files differ from the class path's files");
  if (directory_line != (path_walked && !library_found)) fail("the jms directory line is wrong");
}

std::string visible(const std::string& text, std::size_t limit = 400) {
  std::string out;
  for (unsigned char c : text.substr(0, limit)) {
    if (c >= 32 && c < 127) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "<%02X>", c);
      out += hex;
    }
  }
  if (text.size() > limit) out += "... (" + std::to_string(text.size()) + " bytes)";
  return out;
}

void show(const std::vector<std::string>& args, const Tree& tree, const std::string& start,
          const char* const names[3], const std::string values[3], const bool defined[3],
          const FakePlatform& fake) {
  std::fprintf(stderr, "args:");
  for (const std::string& a : args) std::fprintf(stderr, " [%s]", visible(a).c_str());
  std::fprintf(stderr, "\nconsole %d, fail_dir_get %d, fail_env_set %d\n", fake.console,
               fake.fail_dir_get, fake.fail_env_set);
  for (const auto& node : tree.nodes) {
    std::fprintf(stderr, "node %s %s%s\n", visible(node.first).c_str(),
                 node.second.dir ? "dir" : "file", node.second.allowed ? "" : " (refused)");
  }
  std::fprintf(stderr, "start %s\n", visible(start).c_str());
  for (int i = 0; i < 3; ++i) {
    std::fprintf(stderr, "%s=%s\n", names[i],
                 defined[i] ? visible(values[i]).c_str() : "(undefined)");
  }
  std::fprintf(stderr, "--- output ---\n%s\n--- end ---\n", visible(fake.out, 100000).c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  FakePlatform fake;
  fake.keep_log = false;

  // Command line: the common options by bits, then a few more arguments.
  std::vector<std::string> args = {"cpvalid"};
  const unsigned common = in.ConsumeIntegral<std::uint8_t>();
  if (common & 1) args.push_back("-p");
  if (common & 2) args.push_back("-l");
  if (common & 4) args.push_back("-j");
  const int extra = in.ConsumeIntegralInRange(0, 2);
  for (int i = 0; i < extra; ++i) {
    static const char* const pool[] = {"-P", "-L",  "-J",   "-p-l-j", "-pl", "/?",
                                       "-?", "--p", "---p", "x-p",    "-",   ""};
    const int pick = in.ConsumeIntegralInRange(0, 12);
    args.push_back(pick < 12 ? pool[pick] : no_nul(in.ConsumeRandomLengthString(8)));
  }
  const RunOptions options = model_scan(args, RunOptions{0, 0, 0, 0});

  fake.console = in.ConsumeIntegralInRange(0, 3) == 0;
  fake.fail_dir_get = in.ConsumeIntegralInRange(0, 15) == 0;
  fake.fail_env_set = in.ConsumeIntegralInRange(0, 15) == 0;

  Tree tree;
  build_tree(in, fake, tree);
  const std::string start =
      tree.dirs[in.ConsumeIntegralInRange<std::size_t>(0, tree.dirs.size() - 1)];
  fake.set_cwd(start);
  const std::string start_full = fake.cwd();

  // Per-drive records as an earlier program may have left them.
  for (const char* drive : {"=C:", "=D:"}) {
    switch (in.ConsumeIntegralInRange(0, 3)) {
      case 0:
        fake.set_env(drive,
                     tree.dirs[in.ConsumeIntegralInRange<std::size_t>(0, tree.dirs.size() - 1)]);
        break;
      case 1:
        fake.set_env(drive,
                     std::string(drive + 1) + "\\" + std::string(3000, 'r'));  // too long to keep
        break;
      default:
        break;
    }
  }

  // The three lists, under any spelling of their names; a second variable
  // of the same name behind the first must not be seen.
  const char* const names[3] = {"CLASSPATH", "PATH", "LIB"};
  std::string values[3];
  bool defined[3];
  for (int i = 0; i < 3; ++i) {
    defined[i] = in.ConsumeIntegralInRange(0, 7) != 0;
    if (!defined[i]) continue;
    values[i] = build_value(in, tree);
    const std::string spelled = case_variant(names[i], in.ConsumeIntegral<std::uint16_t>());
    fake.set_env(spelled, values[i]);
    if (in.ConsumeIntegralInRange(0, 7) == 0) fake.append_env(names[i], "C:\\shadow;D:\\shadow");
  }

  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  platform_install(&fake);
  const int status = run_cpvalid(static_cast<int>(args.size()), argv.data());

  // FUZZ_WALK_SHOW=1 prints the machine and the report, for reading a crash.
  if (std::getenv("FUZZ_WALK_SHOW") != nullptr)
    show(args, tree, start_full, names, values, defined, fake);

  // The run's own promises.
  if (status != 0) fail("exit status " + std::to_string(status));
  if (registry_first() != nullptr) fail("the registry holds nodes after the run");
  if (fake.open_handles() != 0) fail("a handle was left open");
  const Node& start_node = tree.nodes.at(upper(start_full));
  const bool can_return =
      start_node.dir && start_node.allowed && start_full.size() <= 259 && !fake.fail_dir_get;
  if (can_return && fake.cwd() != start_full)
    fail("the run ended in " + fake.cwd() + ", not " + start_full);
  for (int i = 0; i < 3; ++i) {
    const std::string* now = fake.env(names[i]);
    if ((now != nullptr) != defined[i] || (now != nullptr && *now != values[i]))
      fail("a list variable changed");
  }

  // Output goes out in full blocks to a file or pipe; a console gets each
  // print as it completes, never more than a block at a time.
  for (std::size_t i = 0; i < fake.writes.size(); ++i) {
    if (fake.writes[i] == 0 || fake.writes[i] > 4096)
      fail("a write of " + std::to_string(fake.writes[i]) + " bytes");
    if (!fake.console && i + 1 < fake.writes.size() && fake.writes[i] != 4096)
      fail("a short block before the end");
  }

  // The report: the banner's three lines, then the usage text or the walks.
  Cursor c{fake.out};
  for (int i = 0; i < 3; ++i) c.line();
  check_line_ends(fake.out.substr(0, c.pos), "the banner");
  if (options.show_help == 1) {
    check_line_ends(fake.out.substr(c.pos), "the usage text");
    if (fake.out.find("Validating") != std::string::npos) fail("a help request walked a list");
    if (fake.calls[FakePlatform::ENV_VALUE] != 0 || fake.calls[FakePlatform::DIR_SET] != 0 ||
        fake.calls[FakePlatform::DIR_GET] != 0) {
      fail("a help request looked at the machine");
    }
    return 0;
  }
  const Machine machine{tree, fake.fail_dir_get, fake.fail_env_set};
  std::vector<Line> classpath_lines, path_lines, lib_lines;
  c.expect("Validating CLASSPATH\r\n", "the CLASSPATH heading");
  check_list(c, machine, "CLASSPATH", defined[0] ? &values[0] : nullptr, classpath_lines);
  if (options.walk_path == 1) {
    c.expect("\r\nValidating PATH\r\n", "the PATH heading");
    check_list(c, machine, "PATH", defined[1] ? &values[1] : nullptr, path_lines);
  }
  if (options.walk_lib == 1) {
    c.expect("\r\nValidating LIB\r\n", "the LIB heading");
    check_list(c, machine, "LIB", defined[2] ? &values[2] : nullptr, lib_lines);
  }
  if (options.check_required == 1) {
    check_report(fake.out.substr(c.pos), classpath_lines, path_lines, options.walk_path == 1);
  } else if (c.pos != fake.out.size()) {
    fail("output after the last list");
  }
  return 0;
}
