// The operating system as the tool sees it. Abstract so that the tests can
// run the whole tool against an in-memory machine; the shipped program
// installs the kernel32 implementation.
#pragma once

#include <cstddef>
#include <cstdint>

using FileHandle = std::uintptr_t;  // 0 means "no handle"
using ListHandle = std::uintptr_t;  // 0 means "no listing"
constexpr unsigned long FILE_TYPE_DISK = 1;

struct ListItem {
  char name[260];
  bool directory;
  bool reparse_point;  // a junction or a link, which may lead anywhere
};

// A name listed in UTF-8: 259 UTF-16 units at most, none longer than 3 bytes.
struct ListItemUtf8 {
  char name[3 * 259 + 1];
  bool directory;
  bool reparse_point;
};

struct Platform {
  // Value of the environment variable `name`, matched without regard to case,
  // first match wins; nullptr when it is not defined. The text stays valid
  // until the next env_value call.
  virtual const char* env_value(const char* name) = 0;
  // Copies a short variable (a per-drive record) into `buf`. Returns its
  // length, -1 when it is not defined, -2 when it does not fit in `size`.
  virtual int env_copy(const char* name, char* buf, std::size_t size) = 0;
  // Sets `name` to `value`, or removes it when `value` is nullptr.
  virtual bool env_set(const char* name, const char* value) = 0;

  // Opens an existing file for reading, sharing read and write; 0 on failure.
  virtual FileHandle file_open_read(const char* path) = 0;
  // The handle's type: FILE_TYPE_DISK for a file on a disk, 0 when the
  // system does not recognise it.
  virtual unsigned long file_type(FileHandle handle) = 0;
  virtual void file_close(FileHandle handle) = 0;
  // The size of an open file, or -1.
  virtual long long file_size(FileHandle handle) = 0;
  // Reads up to `len` bytes at `offset`: the count read, or -1 on failure.
  virtual long file_read_at(FileHandle handle, unsigned long long offset, void* buf,
                            unsigned long len) = 0;

  // The next name that `pattern` ("dir\*") matches, "." and ".." included, in
  // the system's order; `list` starts at 0. False at the end of the listing.
  virtual bool list_next(const char* pattern, ListHandle& list, ListItem& item) = 0;
  virtual void list_close(ListHandle list) = 0;  // takes 0 too
  // As list_next and file_open_read, through the wide calls for names outside
  // the ANSI code page: the path is `ansi` (in that code page) followed by
  // `utf8`, and a listed name comes in UTF-8. The same list_close ends a listing.
  virtual bool list_next_utf8(const char* ansi, const char* utf8, ListHandle& list,
                              ListItemUtf8& item) = 0;
  virtual FileHandle file_open_utf8(const char* ansi, const char* utf8) = 0;

  // As GetFullPathNameA: `path` made absolute, "." and ".." resolved; its
  // length, the size needed when `size` is too small, 0 on failure.
  virtual unsigned long path_full(const char* path, char* buf, unsigned long size) = 0;

  virtual bool dir_set(const char* path) = 0;
  // As GetCurrentDirectoryA: the length on success, the size needed
  // (terminator included) when `size` is too small, 0 on failure.
  virtual unsigned long dir_get(char* buf, unsigned long size) = 0;

  // As NeedCurrentDirectoryForExePathA("java"); true where the system lacks it.
  virtual bool exe_search_in_current_dir() = 0;
  // File system redirection off (true) or back as it was (false), where the system has it.
  virtual void fs_redirection(bool off) = 0;
  // Up to `size` bytes of the root block of `path`'s version resource: their count, or 0.
  virtual unsigned long version_root(const char* path, void* buf, unsigned long size) = 0;
  // As GetLongPathNameA, answering as path_full does.
  virtual unsigned long path_long(const char* path, char* buf, unsigned long size) = 0;

  // UTF-8 text in the ANSI code page, '?' for what it cannot spell: false
  // then, or when the text is not UTF-8 or does not fit in `size`.
  virtual bool utf8_to_ansi(const char* utf8, char* buf, unsigned long size) = 0;

  // The command line as the process was given it (GetCommandLineA); nullptr when unknown.
  virtual const char* command_line() = 0;

  virtual bool stdout_is_console() = 0;
  virtual void stdout_write(const char* data, std::size_t len) = 0;

 protected:
  // Never deleted through this interface: a virtual destructor would bring
  // operator delete, and with it much of the C++ runtime, into the program.
  ~Platform() = default;
};

// The platform every part of the tool talks to.
Platform* platform();
void platform_install(Platform* p);
