#include "fake_platform.h"

#include <cstring>

namespace {

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool is_sep(char c) { return c == '\\' || c == '/'; }

bool same_name(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

// Splits `text` at separators onto `parts`, folding "." and "..";
// ".." never climbs above the root.
void push_components(const std::string& text, std::vector<std::string>& parts) {
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && is_sep(text[i])) ++i;
    std::size_t start = i;
    while (i < text.size() && !is_sep(text[i])) ++i;
    std::string part = text.substr(start, i - start);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
}

// Splits an absolute path into its root ("C:" or "\\server\share") and the
// components below it. False when `full` is not absolute.
bool split_absolute(const std::string& full, std::string& root, std::vector<std::string>& parts) {
  parts.clear();
  if (full.size() >= 2 && is_sep(full[0]) && is_sep(full[1])) {
    // Server and share are taken as they stand; ".." stops at the share.
    std::size_t i = 2;
    std::string names[2];
    for (std::string& name : names) {
      std::size_t start = i;
      while (i < full.size() && !is_sep(full[i])) ++i;
      name = full.substr(start, i - start);
      if (name.empty()) return false;
      if (i < full.size()) ++i;
    }
    root = "\\\\" + names[0] + "\\" + names[1];
    push_components(full.substr(i), parts);
    return true;
  }
  if (full.size() >= 3 && full[1] == ':' && is_sep(full[2])) {
    root = std::string(1, upper(full[0])) + ":";
    push_components(full.substr(3), parts);
    return true;
  }
  return false;
}

std::string join(const std::string& root, const std::vector<std::string>& parts) {
  std::string out = root;
  if (parts.empty()) return out + "\\";
  for (const std::string& part : parts) out += "\\" + part;
  return out;
}

}  // namespace

FakePlatform::FakePlatform() {
  add_dir("C:\\");
  cwd_ = "C:\\";
}

void FakePlatform::clear_log() {
  log.clear();
  for (long& c : calls) c = 0;
}

void FakePlatform::note(Call call, const std::string& what) {
  ++calls[call];
  if (keep_log) log.push_back(what);
}

std::string FakePlatform::key(const std::string& full) {
  std::string k = full;
  for (char& c : k) c = upper(c);
  return k;
}

void FakePlatform::add_parents(const std::string& full) {
  std::string root;
  std::vector<std::string> parts;
  if (!split_absolute(full, root, parts)) return;
  std::vector<std::string> walk;
  nodes_.emplace(key(join(root, walk)), Node{true, true, 0});
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    walk.push_back(parts[i]);
    nodes_.emplace(key(join(root, walk)), Node{true, true, 0});
  }
}

void FakePlatform::add_dir(const std::string& path, bool enterable) {
  std::string root;
  std::vector<std::string> parts;
  if (!split_absolute(path, root, parts)) return;
  add_parents(path);
  nodes_[key(join(root, parts))] = Node{true, enterable, 0};
}

void FakePlatform::add_file(const std::string& path, bool openable, unsigned long file_type) {
  std::string root;
  std::vector<std::string> parts;
  if (!split_absolute(path, root, parts)) return;
  add_parents(path);
  nodes_[key(join(root, parts))] = Node{false, openable, file_type};
}

void FakePlatform::set_cwd(const std::string& path) {
  std::string root;
  std::vector<std::string> parts;
  if (split_absolute(path, root, parts)) cwd_ = join(root, parts);
}

void FakePlatform::set_env(const std::string& name, const std::string& value) {
  for (auto& var : env_) {
    if (same_name(var.first, name)) {
      var.second = value;
      return;
    }
  }
  env_.emplace_back(name, value);
}

void FakePlatform::unset_env(const std::string& name) {
  for (auto it = env_.begin(); it != env_.end(); ++it) {
    if (same_name(it->first, name)) {
      env_.erase(it);
      return;
    }
  }
}

const std::string* FakePlatform::env(const std::string& name) const {
  for (const auto& var : env_) {
    if (same_name(var.first, name)) return &var.second;
  }
  return nullptr;
}

bool FakePlatform::resolve(const std::string& path, std::string& full) const {
  if (path.empty()) return false;
  std::string root;
  std::vector<std::string> parts;
  std::string rest;
  if (path.compare(0, 4, "\\\\?\\") == 0) {
    // Taken as written: no current directory, no drive record.
    if (!split_absolute(path.substr(4), root, parts)) return false;
    full = join(root, parts);
    return true;
  }
  if (split_absolute(path, root, parts)) {
    full = join(root, parts);
    return true;
  }
  std::string cwd_root;
  std::vector<std::string> cwd_parts;
  split_absolute(cwd_, cwd_root, cwd_parts);
  if (path.size() >= 2 && path[1] == ':') {
    // Drive-relative: the current directory on its own drive, otherwise the
    // drive's "=X:" record, otherwise the drive's root.
    std::string drive = std::string(1, upper(path[0])) + ":";
    if (same_name(drive, cwd_root)) {
      root = cwd_root;
      parts = cwd_parts;
    } else if (const std::string* record = env("=" + drive); record != nullptr &&
                                                             split_absolute(*record, root, parts) &&
                                                             same_name(root, drive)) {
    } else {
      root = drive;
      parts.clear();
    }
    rest = path.substr(2);
  } else if (is_sep(path[0])) {
    root = cwd_root;
    parts.clear();
    rest = path;
  } else {
    root = cwd_root;
    parts = cwd_parts;
    rest = path;
  }
  push_components(rest, parts);
  full = join(root, parts);
  return true;
}

const char* FakePlatform::env_value(const char* name) {
  note(ENV_VALUE, std::string("getenv ") + name);
  const std::string* value = env(name);
  if (value == nullptr) return nullptr;
  env_snapshot_ = *value;
  return env_snapshot_.c_str();
}

int FakePlatform::env_copy(const char* name, char* buf, std::size_t size) {
  note(ENV_COPY, std::string("readenv ") + name);
  const std::string* value = env(name);
  if (value == nullptr) return -1;
  if (value->size() + 1 > size) return -2;
  std::memcpy(buf, value->c_str(), value->size() + 1);
  return static_cast<int>(value->size());
}

bool FakePlatform::env_set(const char* name, const char* value) {
  note(ENV_SET, std::string("setenv ") + name + "=" + (value != nullptr ? value : "(removed)"));
  if (fail_env_set) return false;
  if (value == nullptr) {
    unset_env(name);
  } else {
    set_env(name, value);
  }
  return true;
}

FileHandle FakePlatform::file_open_read(const char* path) {
  note(FILE_OPEN, std::string("open ") + path);
  std::string full;
  if (!resolve(path, full)) return 0;
  auto it = nodes_.find(key(full));
  if (it == nodes_.end() || it->second.is_dir || !it->second.allowed) return 0;
  if (is_sep(path[std::strlen(path) - 1])) return 0;  // "file\" names no file
  FileHandle handle = next_handle_++;
  handles_[handle] = key(full);
  return handle;
}

unsigned long FakePlatform::file_type(FileHandle handle) {
  note(FILE_TYPE, "type");
  auto it = handles_.find(handle);
  if (it == handles_.end()) return 0;
  return nodes_[it->second].file_type;
}

void FakePlatform::file_close(FileHandle handle) {
  note(FILE_CLOSE, "close");
  handles_.erase(handle);
}

bool FakePlatform::dir_set(const char* path) {
  note(DIR_SET, std::string("chdir ") + path);
  std::string full;
  if (!resolve(path, full)) return false;
  auto it = nodes_.find(key(full));
  if (it == nodes_.end() || !it->second.is_dir || !it->second.allowed) return false;
  cwd_ = full;
  return true;
}

unsigned long FakePlatform::dir_get(char* buf, unsigned long size) {
  note(DIR_GET, "getcwd");
  if (fail_dir_get) return 0;
  if (cwd_.size() + 1 > size) return static_cast<unsigned long>(cwd_.size() + 1);
  std::memcpy(buf, cwd_.c_str(), cwd_.size() + 1);
  return static_cast<unsigned long>(cwd_.size());
}

void FakePlatform::stdout_write(const char* data, std::size_t len) {
  ++calls[STDOUT_WRITE];  // counted, not logged: tests read the log for probes
  out.append(data, len);
  writes.push_back(len);
}
