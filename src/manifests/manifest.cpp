// An archive's manifest as Java reads it when it opens the archive: the
// bytes, the lines, the sections and the main section's Class-Path.
#include <zlib.h>

#include <cstring>

#include "base/allocator.h"
#include "base/ascii.h"
#include "lists/registry.h"
#include "manifests/manifests.h"

namespace {

void* zlib_take(void*, unsigned items, unsigned size) {
  return mem_take(static_cast<std::size_t>(items) * size);
}
void zlib_give(void*, void* block) { mem_give(block); }

struct Lines {
  const unsigned char* m;
  std::size_t size, at;
};
constexpr long LINE_END = -1, LINE_TOO_LONG = -2;

// The next line's length without its line end (CR LF, LF or CR), as Java
// reads lines of up to 512 bytes with it; an unterminated last line is lost.
long next_line(Lines& l, std::size_t& start) {
  start = l.at;
  std::size_t limit = l.size - l.at < 512 ? l.size : l.at + 512;
  unsigned char c = 0;
  while (l.at < limit && (c = l.m[l.at++]) != '\n' && c != '\r') {
  }
  bool crlf = c == '\r' && l.at < limit && l.m[l.at] == '\n';
  l.at += crlf;
  if (c != '\n' && c != '\r') return l.at - start == 512 ? LINE_TOO_LONG : LINE_END;
  return static_cast<long>(l.at - start - 1 - crlf);
}

int peek(const Lines& l) { return l.at < l.size ? l.m[l.at] : -1; }

// Letters a-z in any case, the rest exact; `b` in upper case.
bool same_folded(const unsigned char* a, const char* b, std::size_t len) {
  for (std::size_t i = 0; i < len; ++i)
    if (ascii_upper(static_cast<char>(a[i])) != b[i]) return false;
  return true;
}

bool holds(const unsigned char* m, std::size_t size, const char* text) {
  std::size_t len = std::strlen(text);
  for (std::size_t i = 0; i + len <= size; ++i)
    if (same_folded(m + i, text, len)) return true;
  return false;
}

}  // namespace

int read_manifest(FileHandle file, const ArchiveFacts& f, unsigned char*& bytes) {
  unsigned char local[30];
  std::size_t size = static_cast<std::size_t>(f.size);
  bool trusted = f.size <= 65535;  // else every byte there is read, and must be all
  bytes = nullptr;
  std::uint64_t at = f.size > 16000000 || platform()->file_read_at(file, f.local, local, 30) != 30
                         ? 0
                         : member_data(local, f.local);
  if (at == 0) return 0;
  if ((bytes = static_cast<unsigned char*>(mem_take(size + 1))) == nullptr) return -1;
  // Java reads no further than the compressed size: a stored manifest must be
  // there whole; a deflated one must give its size, and end there if untrusted.
  std::size_t in = f.method == 0 ? size : f.csize < size + 65536 ? f.csize : size + 65536;
  unsigned char* data = f.method == 0 ? bytes : static_cast<unsigned char*>(mem_take(in + 1));
  if (data == nullptr) return mem_give(bytes), bytes = nullptr, -1;
  long got = platform()->file_read_at(file, at, data, static_cast<unsigned long>(in));
  if (f.method == 0 && !(trusted ? f.csize >= f.size : f.csize == f.size)) got = -1;
  z_stream z = {};
  z.zalloc = zlib_take, z.zfree = zlib_give;
  if (f.method == 8 && got >= 0 && inflateInit2(&z, -MAX_WBITS) == Z_OK) {
    z.next_in = data, z.avail_in = static_cast<uInt>(got);
    z.next_out = bytes, z.avail_out = static_cast<uInt>(size + !trusted);
    int status = inflate(&z, Z_FINISH);
    got = status == Z_STREAM_END || (trusted && z.avail_out == 0) ? z.total_out : -1;
    inflateEnd(&z);
  }
  if (data != bytes) mem_give(data);
  if (got == static_cast<long>(size)) return 1;
  mem_give(bytes);
  bytes = nullptr;
  return 0;
}

bool parse_manifest(const unsigned char* b, std::size_t size, Manifest& m) {
  static unsigned sections;  // numbered across manifests: names are registered by section
  m = {}, ++sections;
  m.class_path_marked = holds(b, size, "CLASS-PATH: ");
  m.multi_release_marked = holds(b, size, "MULTI-RELEASE: TRUE");
  if ((m.value = static_cast<char*>(mem_take(size + 1))) == nullptr) return false;
  Lines l = {b, size, 0};
  std::size_t start = 0, name_at = 0, name_len = 0, value_at = 0;
  bool pending = false, continued = false, class_path = false, between = false, named = false;
  bool multi_release = false;  // the field is the main section's Multi-Release
  char release_value[5];       // its first bytes, lines joined
  std::size_t release_len = 0;
  int section = 0;
  for (long len; !m.broken && (len = next_line(l, start)) != LINE_END;) {
    const unsigned char* line = b + start;
    if (len == LINE_TOO_LONG) {
      m.broken = section + 1;
    } else if (len == 0 && !between) {
      between = true;      // the section ends
    } else if (between) {  // blank lines, then a "Name: " line, which may run on, opens a section
      if (!named && len > 0 && (len < 6 || !same_folded(line, "NAME: ", 6))) m.broken = section + 1;
      if (len > 0 && !(named = peek(l) == ' ')) between = false, ++section, ++sections;
      continue;
    }
    if (m.broken || len == 0) continue;
    std::size_t from = 1;
    if (line[0] == ' ') {  // a continuation, which needs a line before it
      m.broken = pending ? 0 : section + 1, continued = true;
    } else {  // "Name: value", the name up to the first colon
      while (from <= static_cast<std::size_t>(len) && line[from - 1] != ':') ++from;
      if (from > static_cast<std::size_t>(len) || line[from] != ' ') m.broken = section + 1;
      name_at = start, name_len = from - 1, ++from, continued = false;
      class_path = section == 0 && name_len == 10 && same_folded(line, "CLASS-PATH", 10);
      value_at = m.class_path_len;
      multi_release = section == 0 && name_len == 13 && same_folded(line, "MULTI-RELEASE", 13);
      release_len = 0;
    }
    if (m.broken) continue;
    if (class_path) std::memcpy(m.value + value_at, line + from, len - from);
    value_at += len - from;
    for (std::size_t i = from; multi_release && i < static_cast<std::size_t>(len); ++i) {
      if (release_len < sizeof release_value) release_value[release_len] = line[i];
      release_len += release_len <= sizeof release_value;
    }
    if ((pending = peek(l) == ' ')) continue;
    // Java takes the value whole: "true" in any case, nothing after it.
    if (multi_release)
      m.multi_release = release_len == 4 &&
                        same_folded(reinterpret_cast<unsigned char*>(release_value), "TRUE", 4);
    // A name of 1 to 70 bytes of A-Z a-z 0-9 _ -, registered under its section's number.
    char key[80] = {'\1'};
    for (unsigned n = sections, k = 1; k < 7; ++k, n /= 26)
      key[k] = static_cast<char>('A' + n % 26);
    m.broken = name_len == 0 || name_len > 70 ? section + 1 : 0;
    for (std::size_t i = 0; i < name_len && !m.broken; ++i) {
      unsigned char c = b[name_at + i], letter = c | 0x20;
      key[7 + i] = static_cast<char>(c);
      if (!((letter >= 'a' && letter <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-'))
        m.broken = section + 1;
    }
    // Java warns of a name given twice, but not when the value runs on.
    if (!m.broken && registry_add(key) != 0 && !continued && m.twice[0] == '\0' &&
        (section == 0 || m.class_path_marked))
      std::memcpy(m.twice, key + 7, name_len + 1);
    if (!m.broken && class_path) {  // a later Class-Path replaces an earlier one
      std::memmove(m.value, m.value + m.class_path_len, value_at - m.class_path_len);
      m.class_path_len = value_at - m.class_path_len, m.has_class_path = true;
    }
  }
  // The unterminated last line is lost, and with it the field it continues.
  m.lost_class_path = !m.broken && section == 0 && !between &&
                      ((pending && class_path) ||
                       (size - start >= 11 && same_folded(b + start, "CLASS-PATH:", 11)));
  for (std::size_t i = 0; i < m.class_path_len; ++i)  // no name holds a zero, to Java either
    m.value[i] = m.value[i] != '\0' ? m.value[i] : '?';
  m.value[m.class_path_len] = '\0';
  return true;
}

namespace {

// The main section's next field, its continuations joined: false at the
// section's end. `terminated` tells whether its last line had a line end.
struct Field {
  std::size_t name_at, name_len;
  char value[MANIFEST_VALUE_BYTES];
  std::size_t value_len;
  bool has_colon_blank, terminated, too_long;
};

void add_to_value(Field& f, const unsigned char* text, std::size_t len) {
  if (f.value_len + len >= MANIFEST_VALUE_BYTES) {
    f.too_long = true;
    return;
  }
  std::memcpy(f.value + f.value_len, text, len);
  f.value_len += len;
  f.value[f.value_len] = '\0';
}

// The line from `at`: its length, and where the next begins.
std::size_t line_at(const unsigned char* b, std::size_t size, std::size_t at, std::size_t& next,
                    bool& ended) {
  std::size_t end = at;
  while (end < size && b[end] != '\r' && b[end] != '\n') ++end;
  ended = end < size;
  next = end + (end < size);
  if (b[end] == '\r' && next < size && b[next] == '\n') ++next;
  return end - at;
}

bool next_field(const unsigned char* b, std::size_t size, std::size_t& at, Field& f) {
  if (at >= size || b[at] == '\r' || b[at] == '\n') return false;
  std::size_t next = 0;
  bool ended = false;
  std::size_t len = line_at(b, size, at, next, ended);
  f.name_at = at;
  f.name_len = 0;
  while (f.name_len < len && b[at + f.name_len] != ':') ++f.name_len;
  f.has_colon_blank = f.name_len + 1 < len && b[at + f.name_len + 1] == ' ';
  f.value_len = 0;
  f.value[0] = '\0';
  f.too_long = false;
  if (f.has_colon_blank) add_to_value(f, b + at + f.name_len + 2, len - f.name_len - 2);
  f.terminated = ended;
  at = next;
  while (ended && at < size && b[at] == ' ') {
    len = line_at(b, size, at + 1, next, ended);
    add_to_value(f, b + at + 1, len);
    f.terminated = ended;
    at = next;
  }
  return true;
}

}  // namespace

bool manifest_main_lines_ok(const unsigned char* bytes, std::size_t size) {
  Field f;
  std::size_t at = 0;
  while (next_field(bytes, size, at, f)) {
    if (!f.has_colon_blank) return false;
  }
  return true;
}

bool manifest_main_value(const unsigned char* bytes, std::size_t size, const char* name,
                         char* value) {
  Field f;
  std::size_t at = 0;
  std::size_t name_len = std::strlen(name);
  bool found = false;
  while (next_field(bytes, size, at, f)) {
    bool named = f.name_len == name_len && same_folded(bytes + f.name_at, name, name_len);
    // Java loses an unterminated last line; a later field of the name replaces an earlier one.
    if (!named || !f.has_colon_blank || !f.terminated || f.too_long) continue;
    std::size_t from = 0;
    std::size_t to = f.value_len;
    while (from < to && static_cast<unsigned char>(f.value[from]) <= ' ') ++from;
    while (to > from && static_cast<unsigned char>(f.value[to - 1]) <= ' ') --to;
    std::memcpy(value, f.value + from, to - from);
    value[to - from] = '\0';
    found = true;
  }
  return found;
}
