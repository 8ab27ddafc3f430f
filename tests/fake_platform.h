// An in-memory machine for what Wine cannot be made to do: drives with files
// and directories, a current directory with per-drive records in a
// case-insensitive environment, injected faults, captured output.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

struct FakePlatform : Platform {
  struct Node {
    bool dir, usable;    // usable: a file opens, a directory can be entered
    unsigned long type;  // what GetFileType says of it once open; 0: it does not know
  };
  std::map<std::string, Node> nodes;  // by upper-cased full path; roots ("C:\\") always exist
  std::vector<std::pair<std::string, std::string>> env;
  std::string cwd = "C:\\", looked_up, out;
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
  std::string* find_env(const std::string& name) {
    for (auto& var : env) {
      if (upper(var.first) == upper(name)) return &var.second;
    }
    return nullptr;
  }

  // As Windows does it for the paths tests use: "X:\..." as it stands, "X:rest" from the
  // current directory if it is on drive X, else from the drive's "=X:" record or root.
  std::string resolve(const std::string& path) {
    auto join = [](const std::string& dir, const std::string& rest) {
      std::string full = dir + (dir.back() == '\\' ? "" : "\\") + rest;
      for (std::size_t at; (at = full.find("\\.\\")) != std::string::npos;) full.erase(at, 2);
      return full;
    };
    if (path.compare(0, 2, "\\\\") == 0) return path;  // UNC
    if (path.size() < 2 || path[1] != ':') return join(cwd, path);
    if (path.size() > 2 && path[2] == '\\') return path;
    std::string drive = upper(path.substr(0, 2)), *record = find_env("=" + drive);
    return join(upper(cwd.substr(0, 2)) == drive ? cwd : record ? *record : drive, path.substr(2));
  }
  const Node* node(const char* path) {
    static const Node root = {true, true, 0};
    auto it = nodes.find(upper(resolve(path)));
    return resolve(path).size() == 3 ? &root : it == nodes.end() ? nullptr : &it->second;
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
    auto same = [&](const auto& var) { return upper(var.first) == upper(name); };
    env.erase(std::remove_if(env.begin(), env.end(), same), env.end());
    if (value != nullptr) env.emplace_back(name, value);
    return true;
  }
  FileHandle file_open_read(const char* path) override {
    const Node* n = node(path);
    if (n == nullptr || n->dir || !n->usable || path[std::strlen(path) - 1] == '\\') return 0;
    open_files[100 + open_files.size()] = n->type;
    return 99 + open_files.size();
  }
  unsigned long file_type(FileHandle handle) override { return open_files.at(handle); }
  void file_close(FileHandle handle) override { open_files.erase(handle); }
  bool dir_set(const char* path) override {
    const Node* n = node(path);
    if (n == nullptr || !n->dir || !n->usable) return false;
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
