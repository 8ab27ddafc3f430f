// Reading the class names of one element: an archive's central directory,
// or the files of a directory.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "base/allocator.h"
#include "base/ascii.h"
#include "classes/classes.h"
#include "lists/class_path.h"
#include "lists/lists.h"
#include "loading/class_file.h"
#include "loading/loading.h"
#include "platform/platform.h"

namespace {

using Offset = std::uint64_t;

constexpr std::size_t END_BYTES = 22, LOCATOR_BYTES = 20, END64_BYTES = 56, RECORD_BYTES = 46;

// Java reads the tail in blocks of 128 bytes, each 106 before the last, down to the one
// past a comment of 65,535 bytes: an end record may begin 65,636 bytes before the end.
constexpr std::size_t TAIL_BYTES = 65636;

unsigned get16(const unsigned char* p) { return p[0] | p[1] << 8; }

std::uint32_t get32(const unsigned char* p) {
  return get16(p) | static_cast<std::uint32_t>(get16(p + 2)) << 16;
}

Offset get64(const unsigned char* p) { return get32(p) | static_cast<Offset>(get32(p + 4)) << 32; }

bool is(const unsigned char* bytes, const char* signature) {
  return std::memcmp(bytes, signature, 4) == 0;
}

bool read_exact(FileHandle file, Offset at, unsigned char* buf, std::size_t len) {
  return platform()->file_read_at(file, at, buf, static_cast<unsigned long>(len)) ==
         static_cast<long>(len);
}

bool signature_at(FileHandle file, Offset at, const char* signature) {
  unsigned char bytes[4];
  return read_exact(file, at, bytes, sizeof bytes) && is(bytes, signature);
}

struct Directory {
  Offset end;  // where the directory ends: at the end record, or the ZIP64 one
  Offset size, offset;
};

// The ZIP64 end record, when its locator sits right before the end record,
// replaces the plain values if it agrees with each one not at its limit.
void take_zip64(FileHandle file, const unsigned char* end, Directory& dir) {
  unsigned char locator[LOCATOR_BYTES], end64[END64_BYTES];
  if (dir.end < LOCATOR_BYTES ||
      !read_exact(file, dir.end - LOCATOR_BYTES, locator, LOCATOR_BYTES) ||
      !is(locator, "PK\6\7") || !read_exact(file, get64(locator + 8), end64, END64_BYTES) ||
      !is(end64, "PK\6\6")) {
    return;
  }
  Offset total = get64(end64 + 32), size = get64(end64 + 40), offset = get64(end64 + 48);
  if ((size == dir.size || dir.size == 0xFFFFFFFF) &&
      (offset == dir.offset || dir.offset == 0xFFFFFFFF) &&
      (total == get16(end + 10) || get16(end + 10) == 0xFFFF)) {
    dir = {get64(locator + 8), size, offset};
  }
}

// The last end record whose comment ends the file or, when bytes follow it,
// whose directory and first entry begin as they should. `tail` holds the
// file's last `tail_len` bytes.
bool find_directory(FileHandle file, Offset file_len, const unsigned char* tail,
                    std::size_t tail_len, Directory& dir) {
  Offset tail_at = file_len - tail_len;
  for (std::size_t i = tail_len - END_BYTES + 1; i-- > 0;) {
    const unsigned char* end = tail + i;
    if (!is(end, "PK\5\6")) continue;
    dir = {tail_at + i, get32(end + 12), get32(end + 16)};
    Offset comment_end = dir.end + END_BYTES + get16(end + 20);
    if (comment_end != file_len &&
        (dir.size > dir.end || dir.offset > dir.end - dir.size ||
         !signature_at(file, dir.end - dir.size, "PK\1\2") ||
         !signature_at(file, dir.end - dir.size - dir.offset, "PK\3\4"))) {
      continue;
    }
    if (comment_end > file_len) return false;  // a comment that cannot be read
    take_zip64(file, end, dir);
    if (dir.end == 0) dir.size = dir.offset = 0;  // only an end record: an empty archive
    // Bytes in front of the archive move it, but never past its start.
    return dir.size <= dir.end && dir.offset <= dir.end - dir.size;
  }
  return false;
}

// A record's uncompressed size, compressed size and local header offset. Each
// at 0xFFFFFFFF comes, in that order, from the first ZIP64 block (ID 1) of 8
// bytes or more in its extra field, while the block holds 8 bytes for it;
// without one, 0xFFFFFFFF stays. The field lies inside the record:
// check_records saw to it.
struct Fields {
  Offset size, csize, local;
};
Fields record_fields(const unsigned char* r) {
  Fields f = {get32(r + 24), get32(r + 20), get32(r + 42)};
  const unsigned char* extra = r + RECORD_BYTES + get16(r + 28);
  for (std::size_t at = 0, n = get16(r + 30); n - at >= 4;) {
    std::size_t data = get16(extra + at + 2);
    if (data > n - at - 4) break;  // a block that overruns the field
    if (get16(extra + at) == 1 && data >= 8) {
      const unsigned char* value = extra + at + 4;
      for (Offset* wanted : {&f.size, &f.csize, &f.local}) {
        if (*wanted != 0xFFFFFFFF) continue;
        if (value + 8 > extra + at + 4 + data) break;
        *wanted = get64(value), value += 8;
      }
      break;
    }
    at += 4 + data;
  }
  return f;
}

// A record's copy: its CRC-32 and uncompressed size.
Copy record_copy(const unsigned char* r) {
  Offset size = record_fields(r).size;
  return {size < UNLIKE ? static_cast<std::uint32_t>(size) : UNLIKE, get32(r + 16)};
}

const char* wanted_name;
std::size_t wanted_len = 0x10000;

int hold_on_wanted(const char* name, std::size_t len) {
  if (std::memcmp(name, wanted_name, len) == 0) return WANTED_HELD;
  for (std::size_t i = 0; i < len; ++i) {
    if (ascii_upper(name[i]) != ascii_upper(wanted_name[i])) return WANTED_NOT_HELD;
  }
  return WANTED_OTHER_CASE;
}

// K when `name` is META-INF/versions/K/ followed by `member`, K from 8 to 63 written without a
// leading zero, as a multi-release jar holds a copy for Java K; else 0.
int versioned_release(const char* name, std::size_t len, const char* member,
                      std::size_t member_len) {
  if (member == nullptr || len < 20 + member_len ||
      std::memcmp(name, "META-INF/versions/", 18) != 0)
    return 0;
  std::size_t digits = len - member_len - 19;
  const char* k = name + 18;
  bool number = (digits == 1 || digits == 2) && k[0] >= '1' && k[0] <= '9';
  for (std::size_t i = 1; number && i < digits; ++i) number = k[i] >= '0' && k[i] <= '9';
  if (!number || k[digits] != '/' || std::memcmp(k + digits + 1, member, member_len) != 0) return 0;
  int release = digits == 1 ? k[0] - '0' : (k[0] - '0') * 10 + (k[1] - '0');
  return release >= 8 && release <= 63 ? release : 0;
}

// The records must fill the directory exactly, each whole, each of a kind
// Java opens (not encrypted, stored or deflated). Notes where each begins in
// `starts`, and the manifest and index records in `facts`.
ReadResult check_records(const unsigned char* records, std::size_t size, Offset stub,
                         std::uint32_t* starts, std::size_t& count, ArchiveFacts& facts) {
  std::size_t at = 0;
  for (count = 0; size - at >= RECORD_BYTES; ++count) {
    const unsigned char* r = records + at;
    unsigned method = get16(r + 10), len = get16(r + 28);
    std::size_t whole = RECORD_BYTES + len + get16(r + 30) + get16(r + 32);
    if (!is(r, "PK\1\2") || (get16(r + 8) & 1) != 0 || (method != 0 && method != 8) ||
        whole > size - at) {
      return READ_REFUSED;
    }
    const char* name = reinterpret_cast<const char*>(r + RECORD_BYTES);
    bool manifest = len == 20;  // letters in any case, the rest exact; the last one stands
    for (unsigned i = 0; i < len && manifest; ++i)
      manifest = ascii_upper(name[i]) == "META-INF/MANIFEST.MF"[i];
    if (manifest) {
      Fields f = record_fields(r);
      facts.manifest = true;
      facts.method = method;
      facts.size = f.size;
      facts.csize = f.csize;
      facts.local = stub + f.local;
    }
    facts.index |= len == 19 && std::memcmp(name, "META-INF/INDEX.LIST", 19) == 0;
    facts.manifest_exact |= len == 20 && std::memcmp(name, "META-INF/MANIFEST.MF", 20) == 0;
    int hold = len == wanted_len ? hold_on_wanted(name, len) : WANTED_NOT_HELD;
    if (hold != WANTED_NOT_HELD && facts.wanted != WANTED_HELD) facts.wanted = hold;
    int release = versioned_release(name, len, wanted_name, wanted_len);
    if (release > 0) facts.wanted_releases |= std::uint64_t{1} << release;
    starts[count] = static_cast<std::uint32_t>(at);
    at += whole;
  }
  return at == size ? READ_DONE : READ_REFUSED;
}

// Of a name "META-INF/versions/K/NAME", K, written without leading zeros, with the length of
// what comes before NAME in `prefix`; 0 for any other name.
int versioned(const char* name, unsigned len, unsigned& prefix) {
  if (len < 20 || std::memcmp(name, "META-INF/versions/", 18) != 0 || name[18] == '0') return 0;
  int k = 0;
  unsigned i = 18;
  for (; i < len && name[i] >= '0' && name[i] <= '9' && k < 1000000; ++i)
    k = k * 10 + name[i] - '0';
  if (i == 18 || i >= len || name[i] != '/') return 0;
  prefix = i + 1;
  return k;
}

constexpr std::uint32_t LOADS = 0x80000000;  // marks a start whose copy loads

// Adds the class names of the records at level `k` (0: the plain names) to the store, the last
// record first: of a name held twice, the copy that loads is the last. Marks their starts.
ReadResult add_level(const unsigned char* records, std::uint32_t* starts, std::size_t count,
                     int k) {
  for (std::size_t i = count; i-- > 0;) {
    if ((starts[i] & LOADS) != 0) continue;
    const unsigned char* r = records + starts[i];
    const char* name = reinterpret_cast<const char*>(r + RECORD_BYTES);
    unsigned len = get16(r + 28);
    unsigned prefix = 0;
    if (k != 0 && versioned(name, len, prefix) != k) continue;
    int added = counts_as_class(name + prefix, len - prefix)
                    ? names_add(name + prefix, len - prefix, record_copy(r))
                    : 1;
    if (added == 0) return READ_OUT_OF_MEMORY;
    if (added == NAME_LOADS) starts[i] |= LOADS;
  }
  return READ_DONE;
}

// The highest level from 8 to `limit` that a record's name has; 0 when none.
int next_level(const unsigned char* records, const std::uint32_t* starts, std::size_t count,
               int limit) {
  int best = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char* r = records + (starts[i] & ~LOADS);
    unsigned prefix = 0;
    int k = versioned(reinterpret_cast<const char*>(r + RECORD_BYTES), get16(r + 28), prefix);
    if (k >= 8 && k <= limit && k > best) best = k;
  }
  return best;
}

// The class names to the store. A multi-release archive read as Java `release` (9 or later)
// gives, for each name, the copy of the highest level from 8 to `release` that holds it, else
// the plain one. The starts of the copies that load end up, in order, from `loading`.
ReadResult add_names(const unsigned char* records, std::uint32_t* starts, std::size_t count,
                     int release, std::size_t& loading) {
  ReadResult result = READ_DONE;
  int k = release >= 9 ? next_level(records, starts, count, release) : 0;
  for (; k >= 8 && result == READ_DONE; k = next_level(records, starts, count, k - 1))
    result = add_level(records, starts, count, k);
  if (result == READ_DONE) result = add_level(records, starts, count, 0);
  loading = count;
  for (std::size_t i = count; i-- > 0;) {
    if ((starts[i] & LOADS) != 0) starts[--loading] = starts[i] & ~LOADS;  // a place passed
  }
  return result;
}

// Whether the copy of record `r` that loads is in a package: the name it stands for holds '/'.
bool in_package(const unsigned char* r) {
  const char* name = reinterpret_cast<const char*>(r + RECORD_BYTES);
  unsigned len = get16(r + 28);
  unsigned prefix = 0;
  versioned(name, len, prefix);
  for (unsigned i = prefix; i < len; ++i)
    if (name[i] == '/') return true;
  return false;
}

// A class file's version from its first 8 bytes (class_file_version); 0 when they are not a
// class file's.
int class_version(const unsigned char* bytes) {
  int major = bytes[6] << 8 | bytes[7];
  int minor = bytes[4] << 8 | bytes[5];
  bool class_file = std::memcmp(bytes, "\xCA\xFE\xBA\xBE", 4) == 0 && major >= 45;
  return class_file ? class_file_version(major, minor) : 0;
}

// The archive's bytes at hand: its tail, then blocks read ahead, each serving the copies after
// it in file order (under Wine, a small read per class would cost several times as much).
const unsigned char* window;
Offset window_at, window_len;
unsigned char ahead[262144];

// Up to `want` bytes at `at`, from the window or a block read there: their count.
unsigned bytes_at(FileHandle file, Offset at, Offset want, const unsigned char*& bytes) {
  Offset skip = at - window_at;
  if (at < window_at || skip > window_len || want > window_len - skip) {
    long got = platform()->file_read_at(file, at, ahead, sizeof ahead);
    window = ahead, window_at = at, window_len = got > 0 ? got : 0, skip = 0;
  }
  bytes = window + skip;
  return static_cast<unsigned>(want < window_len - skip ? want : window_len - skip);
}

// The first 8 bytes of the copy that the record `r` stands for, into `head`: past its local
// header, the data as is, or inflated from at most its first 1,024 bytes.
bool copy_head(FileHandle file, const unsigned char* r, Offset stub, z_stream& inflater,
               unsigned char* head) {
  Fields f = record_fields(r);
  const unsigned char* bytes;
  Offset data =
      bytes_at(file, stub + f.local, 30, bytes) < 30 ? 0 : member_data(bytes, stub + f.local);
  if (data == 0) return false;
  if (get16(r + 10) == 0) {
    if (f.csize < 8 || bytes_at(file, data, 8, bytes) != 8) return false;
    std::memcpy(head, bytes, 8);
    return true;
  }
  if (inflateReset(&inflater) != Z_OK) return false;
  inflater.avail_in = bytes_at(file, data, f.csize < 1024 ? f.csize : 1024, bytes);
  inflater.next_in = const_cast<Bytef*>(bytes);
  inflater.next_out = head;
  inflater.avail_out = 8;
  inflate(&inflater, Z_NO_FLUSH);
  return inflater.avail_out == 0;
}

// The version of the copy that the record `r` stands for; 0 when it has none.
int copy_version(FileHandle file, const unsigned char* r, Offset stub, z_stream& inflater) {
  unsigned char head[8];
  return copy_head(file, r, stub, inflater, head) ? class_version(head) : 0;
}

const unsigned char* sorted_records;
int by_local(const void* a, const void* b) {
  Offset x = record_fields(sorted_records + *static_cast<const std::uint32_t*>(a)).local;
  Offset y = record_fields(sorted_records + *static_cast<const std::uint32_t*>(b)).local;
  return x < y ? -1 : x > y;
}

// A block of exactly `len` bytes read at `at`: the sanitizers see any read past it.
ReadResult read_block(FileHandle file, Offset at, Offset len, unsigned char*& block) {
  if (len >= 0x7FFFFFFF) return READ_REFUSED;  // one read; Java refuses 2 GiB too
  block = static_cast<unsigned char*>(mem_take(len > 0 ? len : 1));
  if (block == nullptr) return READ_OUT_OF_MEMORY;
  return read_exact(file, at, block, len) ? READ_DONE : READ_REFUSED;
}

// The directory search.
constexpr long SEARCH_LIMIT = 100000;  // so that "C:\" on a class path ends in seconds

// The element with the separator a name goes after, in the ANSI code page as
// the class path gives it; and the path below it, in UTF-8, which is also the
// class's name: room for a few levels of the longest names.
char element_path[CLASS_PATH_ELEMENT_BYTES + 2], below[4 * sizeof(ListItemUtf8::name)];
ListItemUtf8 item;  // serves every level: a name is copied out before the search goes down
long listed;

// The element's text in `buf`, and the separator a name goes after: "C:" and
// "lib\" name their directory as they stand; '/' joins the path below.
bool begin_path(char* buf, const char* element) {
  std::size_t len = std::strlen(element);
  if (len + 2 > sizeof element_path) return false;
  std::memcpy(buf, element, len);
  if (len > 0 && std::strchr("\\/:", buf[len - 1]) == nullptr) buf[len++] = '/';
  buf[len] = '\0';
  return true;
}

// Class files are read up to this_class: most fit in one block, a larger one is read whole.
unsigned char class_block[8192];

bool same_name_but_case(ClassText own, const char* path, std::size_t len) {
  if (own.len != len) return false;
  for (std::size_t i = 0; i < len; ++i) {
    if (ascii_upper(static_cast<char>(own.bytes[i])) != ascii_upper(path[i])) return false;
  }
  return true;
}

// The version of a class file java can load: one whose this_class is its path below the
// element (".class" left off), letters in any case, as Windows opens it. 0 for any other:
// java finds it only under a name it refuses. -1 when memory runs out.
int loadable_version(const unsigned char* bytes, std::size_t size, std::size_t name_len) {
  ClassFile file;
  ClassFault fault = class_parse(bytes, size, CLASS_HEAD, file);
  bool named = fault == CLASS_OK &&
               same_name_but_case(class_name_at(file, file.this_class), below, name_len - 6);
  class_release(file);
  if (fault == CLASS_NO_MEMORY) return -1;
  return named ? class_version(bytes) : 0;
}

// The version of the class file below the element, when java can load it; -1 when memory
// runs out.
int file_version(std::size_t name_len) {
  FileHandle file = platform()->file_open_utf8(element_path, below);
  // A device could keep the run waiting.
  bool disk = file != 0 && platform()->file_type(file) == FILE_TYPE_DISK;
  long got = disk ? platform()->file_read_at(file, 0, class_block, sizeof class_block) : -1;
  int version = 0;
  if (got == static_cast<long>(sizeof class_block)) {
    long long size = platform()->file_size(file);
    std::size_t whole = size > 0 && size < static_cast<long long>(CLASS_FILE_LIMIT)
                            ? static_cast<std::size_t>(size)
                            : CLASS_FILE_LIMIT;
    unsigned char* bytes = static_cast<unsigned char*>(mem_take(whole));
    if (bytes == nullptr) version = -1;
    if (bytes != nullptr && read_exact(file, 0, bytes, whole))
      version = loadable_version(bytes, whole, name_len);
    mem_give(bytes);
  } else if (got >= 8) {
    version = loadable_version(class_block, static_cast<std::size_t>(got), name_len);
  }
  if (file != 0) platform()->file_close(file);
  return version;
}

// Searches the directory below[0..len), empty or ending in '/', under the element.
ReadResult search(std::size_t len) {
  if (len + 2 > sizeof below) return READ_DONE;
  std::memcpy(below + len, "*", 2);
  ReadResult result = READ_DONE;
  ListHandle list = 0;
  while (result == READ_DONE && platform()->list_next_utf8(element_path, below, list, item)) {
    std::size_t n = std::strlen(item.name);
    if (std::strcmp(item.name, ".") == 0 || std::strcmp(item.name, "..") == 0) continue;
    if (++listed > SEARCH_LIMIT) result = READ_STOPPED;
    if (result != READ_DONE || len + n + 2 > sizeof below) continue;  // too long to name
    std::memcpy(below + len, item.name, n + 1);
    if (item.directory && !item.reparse_point) {  // a junction or link below may loop
      below[len + n] = '/';
      result = search(len + n + 1);
    } else if (!item.directory && counts_as_class(below, len + n)) {
      int added = names_add(below, len + n, {UNREAD, 0});
      if (added == 0) result = READ_OUT_OF_MEMORY;
      int version = added == NAME_LOADS ? file_version(len + n) : 0;
      if (version < 0) result = READ_OUT_OF_MEMORY;
      if (version > 0) names_note_version(version);
    }
  }
  platform()->list_close(list);
  return result;
}

}  // namespace

std::uint64_t member_data(const unsigned char* header, std::uint64_t local) {
  return is(header, "PK\3\4") ? local + 30 + get16(header + 26) + get16(header + 28) : 0;
}

namespace {

// An archive's directory, read and checked as Java reads it.
struct Archive {
  FileHandle file;
  long long file_len;
  Offset tail_len, stub;  // stub: the bytes in front of the archive
  unsigned char* tail;
  unsigned char* records;
  std::uint32_t* starts;  // where each record begins
  std::size_t count;
  ArchiveFacts facts;
};

void close_archive(Archive& a) {
  mem_give(a.tail);
  mem_give(a.records);
  mem_give(a.starts);
  if (a.file != 0) platform()->file_close(a.file);
  a = {};
}

// Opens the archive and reads its directory; every record is checked before any name counts.
ReadResult open_archive(const char* path, Archive& a) {
  Platform* os = platform();
  a = {};
  a.file = os->file_open_read(path);
  if (a.file == 0) return READ_REFUSED;
  // Only a file on a disk is read: a device could keep the run waiting.
  a.file_len = os->file_type(a.file) == FILE_TYPE_DISK ? os->file_size(a.file) : -1;
  if (a.file_len < static_cast<long long>(END_BYTES)) return READ_REFUSED;
  a.tail_len = a.file_len < static_cast<long long>(TAIL_BYTES) ? a.file_len : TAIL_BYTES;
  Directory dir = {};
  ReadResult result = read_block(a.file, a.file_len - a.tail_len, a.tail_len, a.tail);
  if (result == READ_DONE && !find_directory(a.file, a.file_len, a.tail, a.tail_len, dir)) {
    result = READ_REFUSED;
  }
  if (result == READ_DONE) result = read_block(a.file, dir.end - dir.size, dir.size, a.records);
  if (result == READ_DONE) {
    a.starts = static_cast<std::uint32_t*>(mem_take((dir.size / RECORD_BYTES + 1) * 4));
    if (a.starts == nullptr) result = READ_OUT_OF_MEMORY;
  }
  a.stub = dir.end - dir.size - dir.offset;
  if (result == READ_DONE) {
    result = check_records(a.records, dir.size, a.stub, a.starts, a.count, a.facts);
  }
  return result;
}

// The versions of the copies that load, from `loading` on, read in file order.
void note_versions(Archive& a, std::size_t loading) {
  window = a.tail;
  window_at = a.file_len - a.tail_len;
  window_len = a.tail_len;
  sorted_records = a.records;
  std::size_t i = loading + 1;  // an archive's data is nearly always in directory order
  while (i < a.count && by_local(a.starts + i - 1, a.starts + i) <= 0) ++i;
  if (i < a.count) std::qsort(a.starts + loading, a.count - loading, sizeof *a.starts, by_local);
  z_stream inflater = {};
  inflateInit2(&inflater, -MAX_WBITS);  // should it fail, inflateReset says so
  for (i = loading; i < a.count; ++i) {
    // Java fails on a class in a package of an archive whose manifest it cannot read.
    if (a.facts.packages_unloadable && in_package(a.records + a.starts[i])) continue;
    names_note_version(copy_version(a.file, a.records + a.starts[i], a.stub, inflater));
  }
  inflateEnd(&inflater);
}

}  // namespace

ReadResult read_archive(const char* path, ArchiveHook hook, void* context) {
  Archive a;
  ReadResult result = open_archive(path, a);
  std::size_t loading = 0;
  if (result == READ_DONE && hook != nullptr && !hook(a.file, a.facts, context)) {
    result = READ_LEFT_OUT;
  }
  if (result == READ_DONE)
    result = add_names(a.records, a.starts, a.count, a.facts.release, loading);
  if (result == READ_DONE) note_versions(a, loading);
  close_archive(a);
  return result;
}

void want_member(const char* name) {
  wanted_name = name;
  wanted_len = name != nullptr ? std::strlen(name) : 0x10000;  // no record's name is as long
}

namespace {

// The record of the copy of `name` that loads from the archive (nullptr: none), and in
// `other_case` (512 bytes) the first record of the name in other letters.
const unsigned char* loading_record(const Archive& a, const char* name, int release,
                                    char* other_case) {
  std::size_t len = std::strlen(name);
  const unsigned char* loads = nullptr;
  const unsigned char* versioned = nullptr;
  int loads_release = 0;
  other_case[0] = '\0';
  for (std::size_t i = 0; i < a.count; ++i) {
    const unsigned char* r = a.records + a.starts[i];
    const char* member = reinterpret_cast<const char*>(r + RECORD_BYTES);
    // A multi-release jar's copy for the highest Java up to `release` loads in place of its own.
    int k = versioned_release(member, get16(r + 28), name, len);
    if (k > 0 && k <= release && k >= loads_release) {
      versioned = r;
      loads_release = k;
    }
    if (get16(r + 28) != len) continue;
    if (std::memcmp(member, name, len) == 0) {
      loads = r;  // of a name held twice, the last record loads
      continue;
    }
    bool folded = true;
    for (std::size_t c = 0; c < len && folded; ++c)
      folded = ascii_upper(member[c]) == ascii_upper(name[c]);
    if (folded && other_case[0] == '\0' && len < 512) {
      std::memcpy(other_case, member, len);
      other_case[len] = '\0';
    }
  }
  return versioned != nullptr ? versioned : loads;
}

// The bytes of the copy `r` stands for, whole, into `bytes` (`size` of them, as its record
// says): false when they cannot be read or inflated to exactly that size.
bool read_copy(const Archive& a, const unsigned char* r, unsigned char* bytes, std::size_t size) {
  Fields f = record_fields(r);
  unsigned char local[30];
  Offset at = a.stub + f.local;
  if (!read_exact(a.file, at, local, 30) || member_data(local, at) == 0) return false;
  Offset data = member_data(local, at);
  if (get16(r + 10) == 0) return f.csize >= size && read_exact(a.file, data, bytes, size);
  // Deflate never shrinks data below a thousandth of its size: more input than that is not read.
  Offset most = size / 1000 + 65536;
  std::size_t in_len = static_cast<std::size_t>(f.csize < most ? f.csize : most);
  unsigned char* in = static_cast<unsigned char*>(mem_take(in_len + 1));
  if (in == nullptr || !read_exact(a.file, data, in, in_len)) {
    mem_give(in);
    return false;
  }
  z_stream z = {};
  bool whole = inflateInit2(&z, -MAX_WBITS) == Z_OK;
  z.next_in = in;
  z.avail_in = static_cast<uInt>(in_len);
  z.next_out = bytes;
  z.avail_out = static_cast<uInt>(size + 1);
  whole = whole && inflate(&z, Z_FINISH) == Z_STREAM_END && z.total_out == size;
  inflateEnd(&z);
  mem_give(in);
  return whole;
}

}  // namespace

ReadResult find_member(const char* path, const char* name, int release, MemberFound& found) {
  Archive a;
  ReadResult result = open_archive(path, a);
  found.exact = false;
  found.other_case[0] = '\0';
  found.major = 0;
  found.minor = 0;
  const unsigned char* loads =
      result == READ_DONE ? loading_record(a, name, release, found.other_case) : nullptr;
  unsigned char head[8];
  z_stream inflater = {};
  if (loads != nullptr) {
    found.exact = true;
    window = a.tail;
    window_at = a.file_len - a.tail_len;
    window_len = a.tail_len;
    inflateInit2(&inflater, -MAX_WBITS);
    if (copy_head(a.file, loads, a.stub, inflater, head) && class_version(head) != 0) {
      found.major = head[6] << 8 | head[7];
      found.minor = head[4] << 8 | head[5];
    }
    inflateEnd(&inflater);
  }
  close_archive(a);
  return result;
}

ReadResult read_member(const char* path, const char* name, int release, std::size_t limit,
                       unsigned char*& bytes, std::size_t& size) {
  Archive a;
  char other_case[512];
  bytes = nullptr;
  size = 0;
  ReadResult result = open_archive(path, a);
  const unsigned char* r =
      result == READ_DONE ? loading_record(a, name, release, other_case) : nullptr;
  Offset whole = r != nullptr ? record_fields(r).size : 0;
  if (result == READ_DONE && r == nullptr) result = READ_REFUSED;
  if (result == READ_DONE && whole > limit) result = READ_STOPPED;
  if (result == READ_DONE) {
    size = static_cast<std::size_t>(whole);
    bytes = static_cast<unsigned char*>(mem_take(size + 1));
    if (bytes == nullptr) result = READ_OUT_OF_MEMORY;
  }
  if (result == READ_DONE && !read_copy(a, r, bytes, size)) result = READ_REFUSED;
  if (result != READ_DONE) {
    mem_give(bytes);
    bytes = nullptr;
  }
  close_archive(a);
  return result;
}

ReadResult search_directory(const char* element) {
  if (!begin_path(element_path, element)) return READ_DONE;  // nothing can be listed there
  listed = 0;
  return search(0);
}

// Separate paths: a search may be under way in the others.
char copy_element[sizeof element_path], copy_name[sizeof below];
unsigned char block[16384];

Copy read_directory_copy(int element, const char* name, std::size_t name_len) {
  Copy copy = {UNLIKE, 0};  // unless the whole file is read
  if (!begin_path(copy_element, class_path.elements[element].text) ||
      name_len + 1 > sizeof copy_name) {
    return copy;
  }
  std::memcpy(copy_name, name, name_len);
  copy_name[name_len] = '\0';
  Platform* os = platform();
  FileHandle file = os->file_open_utf8(copy_element, copy_name);
  if (file == 0) return copy;
  uLong crc = crc32(0, nullptr, 0);
  Offset size = 0;
  long got = 0;
  bool disk = os->file_type(file) == FILE_TYPE_DISK;  // a device could keep the run waiting
  while (disk && size < UNLIKE && (got = os->file_read_at(file, size, block, sizeof block)) > 0) {
    crc = crc32(crc, block, static_cast<uInt>(got));
    size += got;
  }
  if (disk && got == 0 && size < UNLIKE)
    copy = {static_cast<std::uint32_t>(size), static_cast<std::uint32_t>(crc)};
  os->file_close(file);
  return copy;
}
