// An in-memory machine for what Wine cannot be made to do: drives with files
// and directories, a current directory with per-drive records in a
// case-insensitive environment, injected faults, captured output.
#pragma once

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

struct FakePlatform : Platform {
  struct Node {
    bool dir;
    bool usable;         // a file that opens, a directory that can be entered
    unsigned long type;  // what GetFileType says of the open file; 0 is unknown
  };
  std::map<std::string, Node> nodes;  // by upper-cased full path; a root ("C:") always exists
  std::vector<std::pair<std::string, std::string>> env;
  std::string cwd = "C:\\", looked_up;
  bool console = false;
  std::vector<std::string> writes;
  std::map<FileHandle, unsigned long> open_files;

  static std::string upper(std::string s) {
    for (char& c : s) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    return s;
  }
  void add(const std::string& path, bool dir, bool usable = true, unsigned long type = 1) {
    nodes[upper(resolve(path))] = {dir, usable, type};
  }
  auto var(const std::string& name) {
    auto it = env.begin();
    while (it != env.end() && upper(it->first) != upper(name)) ++it;
    return it;
  }
  std::string* find_env(const std::string& name) {
    auto it = var(name);
    return it == env.end() ? nullptr : &it->second;
  }
  std::string output() const {
    std::string all;
    for (const std::string& w : writes) all += w;
    return all;
  }

  // As Windows does it: a drive-relative path starts from the current
  // directory if it is on that drive, else from the drive's "=X:" record.
  std::string resolve(const std::string& path) {
    std::string full = cwd, rest = path;
    if (path.size() >= 2 && path[1] == ':') {
      std::string drive = upper(path.substr(0, 2)), *record = find_env("=" + drive);
      full = upper(cwd.substr(0, 2)) == drive ? cwd : record ? *record : drive;
      rest = path.substr(2);
    }
    if (full.back() == '\\') full.pop_back();
    if (!rest.empty() && (rest[0] == '\\' || rest[0] == '/')) full.resize(2);
    for (std::size_t start = 0, end; start <= rest.size(); start = end + 1) {
      end = std::min(rest.find_first_of("\\/", start), rest.size());
      std::string part = rest.substr(start, end - start);
      if (part == ".." && full.size() > 2) full.erase(full.rfind('\\'));
      if (part != ".." && part != "." && !part.empty()) full += "\\" + part;
    }
    return full;
  }
  const Node* node(const char* path) {
    static const Node root = {true, true, 0};
    auto it = nodes.find(upper(resolve(path)));
    return resolve(path).size() == 2 ? &root : it == nodes.end() ? nullptr : &it->second;
  }

  const char* env_value(const char* name) override {
    std::string* value = find_env(name);
    return value == nullptr ? nullptr : (looked_up = *value).c_str();
  }
  int env_copy(const char* name, char* buf, std::size_t size) override {
    std::string* value = find_env(name);
    if (value == nullptr || value->size() >= size) return value == nullptr ? -1 : -2;
    std::memcpy(buf, value->c_str(), value->size() + 1);
    return static_cast<int>(value->size());
  }
  bool env_set(const char* name, const char* value) override {
    if (var(name) != env.end()) env.erase(var(name));
    if (value != nullptr) env.emplace_back(name, value);
    return true;
  }
  FileHandle file_open_read(const char* path) override {
    const Node* n = node(path);
    if (n == nullptr || n->dir || !n->usable || path[std::strlen(path) - 1] == '\\') return 0;
    FileHandle handle = 100 + open_files.size();
    open_files[handle] = n->type;
    return handle;
  }
  unsigned long file_type(FileHandle handle) override { return open_files.at(handle); }
  void file_close(FileHandle handle) override { open_files.erase(handle); }
  bool dir_set(const char* path) override {
    const Node* n = node(path);
    if (n == nullptr || !n->dir || !n->usable) return false;
    cwd = resolve(path) + (resolve(path).size() == 2 ? "\\" : "");
    return true;
  }
  unsigned long dir_get(char* buf, unsigned long size) override {
    if (cwd.size() >= size) return static_cast<unsigned long>(cwd.size() + 1);
    std::memcpy(buf, cwd.c_str(), cwd.size() + 1);
    return static_cast<unsigned long>(cwd.size());
  }
  bool stdout_is_console() override { return console; }
  void stdout_write(const char* data, std::size_t len) override { writes.emplace_back(data, len); }
};
