// An in-memory machine for what Wine cannot be made to do: drives, a current directory with
// per-drive records in a case-insensitive environment, injected faults, captured output.
#pragma once

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

struct FakePlatform : Platform {
  // By upper-cased full path: 'd' a directory, 'f' a file, 'D' and 'F' ones that cannot be
  // entered or opened, '?' a file whose handle has no known type. Roots ("C:\") always exist.
  std::map<std::string, char> nodes;
  std::map<std::string, std::string> env;  // by upper-cased name
  std::string cwd = "C:\\", out;
  bool console = false;
  std::vector<std::string> writes;
  int open_files = 0;

  static std::string upper(std::string s) {
    for (char& c : s) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    return s;
  }
  void add(const std::string& path, char kind) { nodes[upper(resolve(path))] = kind; }
  std::string* find_env(const std::string& name) {
    auto it = env.find(upper(name));
    return it == env.end() ? nullptr : &it->second;
  }

  // As Windows does it for the paths tests use: "X:\..." and UNC as they stand, "X:rest" from
  // the current directory on drive X, else the drive's "=X:" record or root; "." dropped.
  std::string resolve(const std::string& path) {
    auto join = [](const std::string& dir, const std::string& rest) {
      std::string full = dir + (dir.back() == '\\' ? "" : "\\") + rest;
      for (std::size_t at; (at = full.find("\\.\\")) != std::string::npos;) full.erase(at, 2);
      return full;
    };
    if (path.compare(0, 2, "\\\\") == 0) return path;
    if (path.size() < 2 || path[1] != ':') return join(cwd, path);
    if (path.size() > 2 && path[2] == '\\') return path;
    std::string drive = upper(path.substr(0, 2)), *record = find_env("=" + drive);
    return join(upper(cwd.substr(0, 2)) == drive ? cwd : record ? *record : drive, path.substr(2));
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
  // A handle is the kind of what it opened.
  FileHandle file_open_read(const char* path) override {
    char k = kind(path);
    if ((k != 'f' && k != '?') || path[std::strlen(path) - 1] == '\\') return 0;
    return ++open_files, static_cast<FileHandle>(k);
  }
  unsigned long file_type(FileHandle file) override { return file == '?' ? 0 : 1; }
  void file_close(FileHandle) override { --open_files; }
  bool dir_set(const char* path) override {
    if (kind(path) != 'd') return false;
    cwd = resolve(path);
    return true;
  }
  unsigned long dir_get(char* buf, unsigned long size) override {
    if (cwd.size() >= size) return static_cast<unsigned long>(cwd.size() + 1);
    std::memcpy(buf, cwd.c_str(), cwd.size() + 1);
    return static_cast<unsigned long>(cwd.size());
  }
  bool stdout_is_console() override { return console; }
  void stdout_write(const char* data, std::size_t len) override {
    out.append(data, len);
    writes.emplace_back(data, len);
  }
};
