// An in-memory machine for the tests: drives with files and directories, a
// current directory with per-drive records kept in a case-insensitive
// environment, captured standard output, and a log of every call.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

class FakePlatform : public Platform {
 public:
  // Each call kind, counted; the benchmark reports calls per entry.
  enum Call {
    ENV_VALUE,
    ENV_COPY,
    ENV_SET,
    FILE_OPEN,
    FILE_TYPE,
    FILE_CLOSE,
    DIR_SET,
    DIR_GET,
    STDOUT_WRITE,
    CALL_KINDS
  };

  FakePlatform();

  // The tree. Paths are absolute ("C:\a\b" or "\\server\share\a"); parents
  // are made as needed. `file_type` 0 is a handle the system cannot type.
  void add_dir(const std::string& path, bool enterable = true);
  void add_file(const std::string& path, bool openable = true, unsigned long file_type = 1);
  void set_cwd(const std::string& path);  // no call logged, no record written
  std::string cwd() const { return cwd_; }

  void set_env(const std::string& name, const std::string& value);
  void unset_env(const std::string& name);
  // Adds a variable behind any of the same name, as a raw block may hold it.
  void append_env(const std::string& name, const std::string& value) {
    env_.emplace_back(name, value);
  }
  // nullptr when undefined; reads without logging.
  const std::string* env(const std::string& name) const;

  // Faults to inject.
  bool fail_env_set = false;
  bool fail_dir_get = false;
  bool console = false;

  // What the program wrote, and the size of every write.
  std::string out;
  std::vector<std::size_t> writes;
  // Every call with its argument, e.g. "open C:\x", "chdir ..", "setenv =C:=C:\x".
  std::vector<std::string> log;
  long calls[CALL_KINDS] = {};
  bool keep_log = true;
  int open_handles() const { return static_cast<int>(handles_.size()); }
  void clear_log();

  // Platform
  const char* env_value(const char* name) override;
  int env_copy(const char* name, char* buf, std::size_t size) override;
  bool env_set(const char* name, const char* value) override;
  FileHandle file_open_read(const char* path) override;
  unsigned long file_type(FileHandle handle) override;
  void file_close(FileHandle handle) override;
  bool dir_set(const char* path) override;
  unsigned long dir_get(char* buf, unsigned long size) override;
  bool stdout_is_console() override { return console; }
  void stdout_write(const char* data, std::size_t len) override;

  // Resolves `path` against the current directory and the per-drive records
  // the way Windows does; false for a path that names nothing.
  bool resolve(const std::string& path, std::string& full) const;

 private:
  struct Node {
    bool is_dir;
    bool allowed;  // openable file or enterable directory
    unsigned long file_type;
  };
  void note(Call call, const std::string& what);
  static std::string key(const std::string& full);
  void add_parents(const std::string& full);

  std::map<std::string, Node> nodes_;  // by upper-cased full path
  std::string cwd_;
  std::vector<std::pair<std::string, std::string>> env_;
  std::string env_snapshot_;
  std::map<FileHandle, std::string> handles_;
  FileHandle next_handle_ = 100;
};
