// The platform on kernel32's ANSI calls, and its wide ones where names leave the ANSI code page.
#include "platform/win32_platform.h"

#include <windows.h>

#include <cstring>

#include "base/ascii.h"

namespace {

bool name_matches(const char* wanted, const char* entry) {
  // Environment names compare without regard to case; only ASCII letters fold.
  for (; *wanted != '\0'; ++wanted, ++entry) {
    if (ascii_upper(*wanted) != ascii_upper(*entry)) return false;
  }
  return *entry == '=';
}

// Calls newer than Windows XP are looked up, so that the program still loads there.
void* kernel32_call(const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name));
}

constexpr int WIDE_CHARS = 32768;  // the longest path the wide calls take, terminated
WCHAR wide[WIDE_CHARS];

// `ansi` (in the ANSI code page) followed by `utf8`, into `wide`; false when it does not fit.
bool to_wide(const char* ansi, const char* utf8) {
  int len = MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, WIDE_CHARS) - 1;  // over its zero
  return len >= 0 && MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide + len, WIDE_CHARS - len) > 0;
}

class Win32Platform : public Platform {
 public:
  // GetEnvironmentVariableA cannot be trusted with values near the 32,767
  // character limit, so the lookup scans a snapshot of the block; the value
  // is read in place there, and the snapshot lives until the next lookup.
  const char* env_value(const char* name) override {
    if (snapshot_ != nullptr) FreeEnvironmentStringsA(snapshot_);
    snapshot_ = GetEnvironmentStringsA();
    if (snapshot_ == nullptr || *name == '\0') return nullptr;
    for (const char* entry = snapshot_; *entry != '\0'; entry += lstrlenA(entry) + 1) {
      if (name_matches(name, entry)) return entry + lstrlenA(name) + 1;
    }
    return nullptr;
  }

  int env_copy(const char* name, char* buf, std::size_t size) override {
    SetLastError(ERROR_SUCCESS);
    DWORD len = GetEnvironmentVariableA(name, buf, static_cast<DWORD>(size));
    if (len == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return -1;
    if (len >= size) return -2;
    buf[len] = '\0';
    return static_cast<int>(len);
  }

  bool env_set(const char* name, const char* value) override {
    return SetEnvironmentVariableA(name, value) != 0;
  }

  FileHandle file_open_read(const char* path) override {
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    return reinterpret_cast<FileHandle>(h);
  }

  unsigned long file_type(FileHandle handle) override {
    return GetFileType(reinterpret_cast<HANDLE>(handle));
  }

  void file_close(FileHandle handle) override { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

  long long file_size(FileHandle handle) override {
    LARGE_INTEGER size;
    return GetFileSizeEx(reinterpret_cast<HANDLE>(handle), &size) ? size.QuadPart : -1;
  }

  long file_read_at(FileHandle handle, unsigned long long offset, void* buf,
                    unsigned long len) override {
    OVERLAPPED at = {};  // a synchronous handle reads at its offset: no file pointer to keep
    at.Offset = static_cast<DWORD>(offset), at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    // At the end, a read at an offset fails with ERROR_HANDLE_EOF: that is 0 bytes read.
    if (ReadFile(reinterpret_cast<HANDLE>(handle), buf, len, &got, &at)) return got;
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  }

  bool list_next(const char* pattern, ListHandle& list, ListItem& item) override {
    WIN32_FIND_DATAA found;
    HANDLE h = list != 0 ? reinterpret_cast<HANDLE>(list) : FindFirstFileA(pattern, &found);
    if (h == INVALID_HANDLE_VALUE || (list != 0 && !FindNextFileA(h, &found))) return false;
    list = reinterpret_cast<ListHandle>(h);
    static_assert(sizeof item.name == sizeof found.cFileName, "a listed name fits, terminated");
    std::memcpy(item.name, found.cFileName, sizeof item.name);
    item.directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item.reparse_point = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    return true;
  }

  void list_close(ListHandle list) override {
    if (list != 0) FindClose(reinterpret_cast<HANDLE>(list));
  }

  bool list_next_utf8(const char* ansi, const char* utf8, ListHandle& list,
                      ListItemUtf8& item) override {
    WIN32_FIND_DATAW found;
    HANDLE h = list != 0             ? reinterpret_cast<HANDLE>(list)
               : to_wide(ansi, utf8) ? FindFirstFileW(wide, &found)
                                     : INVALID_HANDLE_VALUE;
    if (h == INVALID_HANDLE_VALUE || (list != 0 && !FindNextFileW(h, &found))) return false;
    list = reinterpret_cast<ListHandle>(h);
    // Flags 0: with CP_UTF8 Windows takes no other. The name always fits; were it
    // not to, it would read as ".", which a search passes over.
    if (WideCharToMultiByte(CP_UTF8, 0, found.cFileName, -1, item.name, sizeof item.name, nullptr,
                            nullptr) == 0)
      std::memcpy(item.name, ".", 2);
    item.directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item.reparse_point = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    return true;
  }

  FileHandle file_open_utf8(const char* ansi, const char* utf8) override {
    HANDLE h = to_wide(ansi, utf8)
                   ? CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                   : INVALID_HANDLE_VALUE;
    return h == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<FileHandle>(h);
  }

  unsigned long path_full(const char* path, char* buf, unsigned long size) override {
    return GetFullPathNameA(path, size, buf, nullptr);
  }

  bool dir_set(const char* path) override { return SetCurrentDirectoryA(path) != 0; }

  unsigned long dir_get(char* buf, unsigned long size) override {
    return GetCurrentDirectoryA(size, buf);
  }

  bool exe_search_in_current_dir() override {
    auto need =
        reinterpret_cast<BOOL(WINAPI*)(LPCSTR)>(kernel32_call("NeedCurrentDirectoryForExePathA"));
    return need == nullptr || need("java") != 0;
  }

  // Disable takes where to keep the old value, Revert the value kept; both or neither exist.
  void fs_redirection(bool off) override {
    auto call = reinterpret_cast<BOOL(WINAPI*)(PVOID)>(
        kernel32_call(off ? "Wow64DisableWow64FsRedirection" : "Wow64RevertWow64FsRedirection"));
    if (call == nullptr || off == redirection_off_) return;
    BOOL done = call(off ? static_cast<PVOID>(&redirection_) : redirection_);
    redirection_off_ = off && done;
  }

  unsigned long version_root(const char* path, void* buf, unsigned long size) override {
    static char info[8192];  // too small for a resource, it gets its start: the root block
    char* root = nullptr;
    UINT len = 0;
    if (!GetFileVersionInfoA(path, 0, sizeof info, info) ||
        !VerQueryValueA(info, "\\", reinterpret_cast<void**>(&root), &len) ||
        len > static_cast<UINT>(info + sizeof info - root)) {
      len = 0;  // a block cut short is no block
    }
    if (len > size) len = size;
    if (len > 0) std::memcpy(buf, root, len);
    return len;
  }

  unsigned long path_long(const char* path, char* buf, unsigned long size) override {
    return GetLongPathNameA(path, buf, size);
  }

  bool utf8_to_ansi(const char* utf8, char* buf, unsigned long size) override {
    BOOL lost = FALSE;
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide, WIDE_CHARS);
    if (n == 0) {  // not UTF-8: each byte outside ASCII stands for what cannot be spelt
      unsigned long i = 0;
      for (; utf8[i] != '\0' && i + 1 < size; ++i) buf[i] = utf8[i] & 0x80 ? '?' : utf8[i];
      buf[i] = '\0';
      return false;
    }
    n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, n, buf, static_cast<int>(size), "?",
                            &lost);
    if (n == 0 && size > 0) buf[0] = '\0';
    return n > 0 && !lost;
  }

  const char* command_line() override { return GetCommandLineA(); }

  bool stdout_is_console() override {
    return GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_CHAR;
  }

  void stdout_write(const char* data, std::size_t len) override {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written;
    WriteFile(out, data, static_cast<DWORD>(len), &written, nullptr);
  }

 private:
  char* snapshot_ = nullptr;
  PVOID redirection_ = nullptr;
  bool redirection_off_ = false;
};

}  // namespace

Platform* win32_platform() {
  static Win32Platform win32;
  return &win32;
}

unsigned long win32_module_name(char* buf, unsigned long size) {
  return GetModuleFileNameA(nullptr, buf, size);
}

[[noreturn]] void win32_exit(unsigned status) { ExitProcess(status); }
