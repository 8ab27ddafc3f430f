// An in-memory machine for what Wine cannot be made to do: drives, a current directory with
// per-drive records in a case-insensitive environment, injected faults, captured output.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

// A stored archive whose directory names `names`, after one local header; no entry data, as
// the tool never reads it.
inline std::string zip_of(const std::vector<std::string>& names) {
  auto le = [](std::size_t value, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i) s += static_cast<char>(value >> (8 * i));
    return s;
  };
  std::string local = "PK\3\4" + std::string(26, '\0'), dir;
  for (const std::string& name : names) {
    dir += "PK\1\2" + std::string(24, '\0') + le(name.size(), 2) + std::string(16, '\0') + name;
  }
  return local + dir + "PK\5\6" + std::string(8, '\0') + le(dir.size(), 4) + le(local.size(), 4) +
         le(0, 2);
}

struct FakePlatform : Platform {
  // By upper-cased full path: 'd' a directory, 'f' a file, 'D' and 'F' ones that cannot be
  // entered or opened, '?' a file whose handle has no known type, 'r' a directory that is a
  // reparse point, 'E' a file whose reads fail, 'c' a character device. Roots ("C:\") always exist.
  std::map<std::string, char> nodes;
  std::map<std::string, std::string> names, data;  // as added; what a file holds
  std::map<std::string, std::string> env;          // by upper-cased name
  std::string cwd = "C:\\", out;
  bool console = false;
  std::vector<std::string> writes, opened;
  std::vector<std::vector<ListItem>> listings;
  int open_files = 0;
  // Version root blocks by upper-cased path; the current-directory answer; 'o' and 'O' for
  // redirection turned off and on, 'l' a listing, 'r' a file opened, 'v' a version read.
  std::map<std::string, std::string> roots;
  bool search_current = true;
  std::string trail, unenterable;  // and a directory that lists but cannot be entered

  static std::string upper(std::string s) {
    for (char& c : s) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    return s;
  }
  void add(const std::string& path, char kind, const std::string& bytes = "") {
    std::string key = upper(resolve(path));
    nodes[key] = kind, names[key] = resolve(path), data[key] = bytes;
  }
  std::string* find_env(const std::string& name) {
    auto it = env.find(upper(name));
    return it == env.end() ? nullptr : &it->second;
  }

  // As Windows does it for the paths tests use: "X:\..." and UNC as they stand, "X:rest" from
  // the current directory on drive X, else the drive's "=X:" record or root; '/' is '\',
  // "." dropped, ".." takes away the component before it.
  std::string resolve(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    std::string full = path, drive = upper(path.substr(0, 2)), *record = find_env("=" + drive);
    if (path.size() < 2 || (path[1] != ':' && path.compare(0, 2, "\\\\") != 0)) {
      full = cwd + "\\" + path;
    } else if (path[1] == ':' && (path.size() == 2 || path[2] != '\\')) {
      full = (upper(cwd.substr(0, 2)) == drive ? cwd
              : record                         ? *record
                                               : drive) +
             "\\" + path.substr(2);
    }
    std::vector<std::string> parts;
    std::string head = full.substr(0, full[1] == ':' ? 3 : 2);
    for (std::size_t at = head.size(), end; at <= full.size(); at = end + 1) {
      end = std::min(full.find('\\', at), full.size());
      std::string part = full.substr(at, end - at);
      if (part == ".." && !parts.empty()) parts.pop_back();
      if (part != ".." && part != "." && !part.empty()) parts.push_back(part);
    }
    for (const std::string& part : parts) head += (head.back() == '\\' ? "" : "\\") + part;
    return head;
  }
  char kind(const char* path) {
    auto it = nodes.find(upper(resolve(path)));
    return resolve(path).size() == 3 ? 'd' : it == nodes.end() ? '-' : it->second;
  }

  const char* env_value(const char* name) override {
    return find_env(name) == nullptr ? nullptr : find_env(name)->c_str();
  }
  int env_copy(const char* name, char* buf, std::size_t size) override {
    std::string* value = find_env(name);
    if (value == nullptr || value->size() >= size) return value == nullptr ? -1 : -2;
    std::memcpy(buf, value->c_str(), value->size() + 1);
    return static_cast<int>(value->size());
  }
  bool env_set(const char* name, const char* value) override {
    if (value == nullptr) env.erase(upper(name));
    if (value != nullptr) env[upper(name)] = value;
    return true;
  }
  // A handle numbers what it opened, from 1.
  FileHandle file_open_read(const char* path) override {
    if (!std::strchr("f?Ec", kind(path)) || path[std::strlen(path) - 1] == '\\') return 0;
    opened.push_back(upper(resolve(path))), trail += 'r';
    return ++open_files, opened.size();
  }
  unsigned long file_type(FileHandle file) override {
    char k = nodes[opened[file - 1]];
    return k == '?' ? 0 : k == 'c' ? 2 : 1;
  }
  void file_close(FileHandle) override { --open_files; }
  long long file_size(FileHandle file) override { return data[opened[file - 1]].size(); }
  long file_read_at(FileHandle file, unsigned long long at, void* buf, unsigned long len) override {
    const std::string& bytes = data[opened[file - 1]];
    if (nodes[opened[file - 1]] == 'E') return -1;
    if (at >= bytes.size()) return 0;
    len = std::min<unsigned long long>(len, bytes.size() - at);
    return std::memcpy(buf, bytes.data() + at, len), static_cast<long>(len);
  }
  // A listing is made whole at its first call; its handle numbers it, from 1.
  bool list_next(const char* pattern, ListHandle& list, ListItem& item) override {
    if (list == 0 && pattern[0] != '\0' && pattern[std::strlen(pattern) - 1] != '*') {
      // A name without a wildcard lists that one entry, in its own letters.
      std::string key = upper(resolve(pattern));
      if (!nodes.count(key)) return false;
      std::string name = names[key].substr(names[key].rfind('\\') + 1);
      char k = nodes[key];
      listings.push_back({{{}, k == 'd' || k == 'D' || k == 'r', k == 'r'}});
      std::memcpy(listings.back().back().name, name.c_str(), name.size() + 1);
      list = listings.size();
      ++open_files;
      trail += 'l';
    }
    if (list == 0) {
      std::string dir = pattern;
      dir = upper(resolve(dir.substr(0, dir.size() - 1) + "."));
      if (!std::strchr("dr", kind(dir.c_str()))) return false;
      listings.push_back({{".", true, false}, {"..", true, false}});
      if (dir.back() != '\\') dir += '\\';
      for (const auto& [key, k] : nodes) {
        std::string name = names[key].substr(std::min(dir.size(), names[key].size()));
        if (key.compare(0, dir.size(), dir) == 0 && name.find('\\') == std::string::npos &&
            name.size() < sizeof item.name) {
          listings.back().push_back({{}, k == 'd' || k == 'D' || k == 'r', k == 'r'});
          std::memcpy(listings.back().back().name, name.c_str(), name.size() + 1);
        }
      }
      std::reverse(listings.back().begin(), listings.back().end());  // handed out from the back
      list = listings.size(), ++open_files, trail += 'l';
    }
    std::vector<ListItem>& items = listings[list - 1];
    if (items.empty()) return false;
    item = items.back();
    return items.pop_back(), true;
  }
  void list_close(ListHandle list) override { open_files -= list != 0; }
  // The wide calls as the ANSI ones: the fake's names are bytes either way.
  bool list_next_utf8(const char* ansi, const char* utf8, ListHandle& list,
                      ListItemUtf8& item) override {
    ListItem got;
    if (!list_next((std::string(ansi) + utf8).c_str(), list, got)) return false;
    std::memcpy(item.name, got.name, sizeof got.name);
    return item.directory = got.directory, item.reparse_point = got.reparse_point, true;
  }
  FileHandle file_open_utf8(const char* ansi, const char* utf8) override {
    return file_open_read((std::string(ansi) + utf8).c_str());
  }
  unsigned long path_full(const char* path, char* buf, unsigned long size) override {
    std::string full = resolve(path);  // a final separator stays, as Windows keeps it
    if (*path && std::strchr("\\/", path[std::strlen(path) - 1]) && full.back() != '\\')
      full += '\\';
    if (full.size() >= size) return static_cast<unsigned long>(full.size() + 1);
    std::memcpy(buf, full.c_str(), full.size() + 1);
    return static_cast<unsigned long>(full.size());
  }
  bool dir_set(const char* path) override {
    if (!std::strchr("dr", kind(path)) || upper(resolve(path)) == unenterable) return false;
    cwd = resolve(path);
    return true;
  }
  unsigned long dir_get(char* buf, unsigned long size) override {
    if (cwd.size() >= size) return static_cast<unsigned long>(cwd.size() + 1);
    std::memcpy(buf, cwd.c_str(), cwd.size() + 1);
    return static_cast<unsigned long>(cwd.size());
  }
  bool exe_search_in_current_dir() override { return search_current; }
  void fs_redirection(bool off) override { trail += off ? 'o' : 'O'; }
  unsigned long version_root(const char* path, void* buf, unsigned long size) override {
    std::string root = roots[upper(resolve(path))].substr(0, size);
    trail += 'v';
    return std::memcpy(buf, root.data(), root.size()), static_cast<unsigned long>(root.size());
  }
  // Long forms by upper-cased full path, standing for short names; else the full path.
  std::map<std::string, std::string> longs;
  unsigned long path_long(const char* path, char* buf, unsigned long size) override {
    auto it = longs.find(upper(resolve(path)));
    return path_full(it != longs.end() ? it->second.c_str() : path, buf, size);
  }
  // Code page 1252 as far as Latin-1 goes: the two-byte forms of U+0080 to U+00FF.
  bool utf8_to_ansi(const char* utf8, char* buf, unsigned long size) override {
    std::string ansi;
    bool all = true;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(utf8); *c != 0; ++c) {
      bool pair = (*c == 0xC2 || *c == 0xC3) && (c[1] & 0xC0) == 0x80;
      all &= *c < 0x80 || pair;
      ansi += *c < 0x80 ? static_cast<char>(*c)
              : pair    ? static_cast<char>((*c & 3) << 6 | (c[1] & 0x3F))
                        : '?';
      c += pair;
    }
    if (ansi.size() >= size) return false;
    return std::memcpy(buf, ansi.c_str(), ansi.size() + 1), all;
  }
  std::string raw_command_line;  // empty: not known
  const char* command_line() override {
    return raw_command_line.empty() ? nullptr : raw_command_line.c_str();
  }
  bool stdout_is_console() override { return console; }
  void stdout_write(const char* data, std::size_t len) override {
    out.append(data, len);
    writes.emplace_back(data, len);
  }
};
