#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/allocator.h"
#include "classes/classes.h"
#include "platform/platform.h"

namespace {

using Offset = std::uint64_t;

constexpr std::uint32_t END_SIGNATURE = 0x06054b50;      // PK\5\6
constexpr std::uint32_t RECORD_SIGNATURE = 0x02014b50;   // PK\1\2
constexpr std::uint32_t LOCAL_SIGNATURE = 0x04034b50;    // PK\3\4
constexpr std::uint32_t LOCATOR_SIGNATURE = 0x07064b50;  // PK\6\7
constexpr std::uint32_t END64_SIGNATURE = 0x06064b50;    // PK\6\6
constexpr std::size_t END_BYTES = 22, LOCATOR_BYTES = 20, END64_BYTES = 56, RECORD_BYTES = 46;

// The end record and its comment of at most 65,535 bytes end the file.
constexpr std::size_t TAIL_BYTES = END_BYTES + 0xFFFF;

unsigned get16(const unsigned char* p) { return p[0] | p[1] << 8; }

std::uint32_t get32(const unsigned char* p) {
  return get16(p) | static_cast<std::uint32_t>(get16(p + 2)) << 16;
}

Offset get64(const unsigned char* p) { return get32(p) | static_cast<Offset>(get32(p + 4)) << 32; }

bool read_exact(FileHandle file, Offset at, unsigned char* buf, std::size_t len) {
  while (len > 0) {
    unsigned long part = len < (1ul << 30) ? static_cast<unsigned long>(len) : 1ul << 30;
    long got = platform()->file_read_at(file, at, buf, part);
    if (got <= 0) return false;
    at += static_cast<unsigned long>(got);
    buf += got;
    len -= static_cast<unsigned long>(got);
  }
  return true;
}

bool signature_at(FileHandle file, Offset at, std::uint32_t signature) {
  unsigned char bytes[4];
  return read_exact(file, at, bytes, sizeof bytes) && get32(bytes) == signature;
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
      get32(locator) != LOCATOR_SIGNATURE ||
      !read_exact(file, get64(locator + 8), end64, END64_BYTES) ||
      get32(end64) != END64_SIGNATURE) {
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
    if (get32(end) != END_SIGNATURE) continue;
    dir = {tail_at + i, get32(end + 12), get32(end + 16)};
    Offset comment_end = dir.end + END_BYTES + get16(end + 20);
    if (comment_end != file_len &&
        (dir.size > dir.end || dir.offset > dir.end - dir.size ||
         !signature_at(file, dir.end - dir.size, RECORD_SIGNATURE) ||
         !signature_at(file, dir.end - dir.size - dir.offset, LOCAL_SIGNATURE))) {
      continue;
    }
    if (comment_end > file_len) return false;  // a comment that cannot be read
    take_zip64(file, end, dir);
    if (dir.end == 0) {  // only an end record: an empty archive, whatever it says
      dir.size = 0;
      return true;
    }
    // Bytes in front of the archive move it, but never past its start.
    return dir.size <= dir.end && dir.offset <= dir.end - dir.size;
  }
  return false;
}

// The records fill the directory exactly, each whole, each of a kind Java opens.
bool records_fit(const unsigned char* records, std::size_t size) {
  std::size_t at = 0;
  while (size - at >= RECORD_BYTES) {
    const unsigned char* r = records + at;
    unsigned method = get16(r + 10);
    std::size_t whole = RECORD_BYTES + get16(r + 28) + get16(r + 30) + get16(r + 32);
    if (get32(r) != RECORD_SIGNATURE || (get16(r + 8) & 1) != 0 || (method != 0 && method != 8) ||
        whole > size - at) {
      return false;  // encrypted, or compressed in a way Java cannot read
    }
    at += whole;
  }
  return at == size;
}

// The archive's directory, in a block of its own; READ_DONE when it was found
// and read. Both blocks are exactly as long as their bytes.
ReadResult read_directory(FileHandle file, Offset file_len, unsigned char*& records,
                          Directory& dir) {
  std::size_t tail_len = file_len < TAIL_BYTES ? static_cast<std::size_t>(file_len) : TAIL_BYTES;
  auto* tail = tail_len >= END_BYTES ? static_cast<unsigned char*>(mem_take(tail_len)) : nullptr;
  if (tail_len >= END_BYTES && tail == nullptr) return READ_OUT_OF_MEMORY;
  bool found = tail != nullptr && read_exact(file, file_len - tail_len, tail, tail_len) &&
               find_directory(file, file_len, tail, tail_len, dir);
  mem_give(tail);
  if (!found) return READ_REFUSED;
  if (dir.size >= SIZE_MAX ||
      (records = static_cast<unsigned char*>(mem_take(dir.size > 0 ? dir.size : 1))) == nullptr) {
    return READ_OUT_OF_MEMORY;
  }
  bool read =
      read_exact(file, dir.end - dir.size, records, dir.size) && records_fit(records, dir.size);
  return read ? READ_DONE : READ_REFUSED;
}

}  // namespace

ReadResult read_archive(const char* path) {
  Platform* os = platform();
  FileHandle file = os->file_open_read(path);
  if (file == 0) return READ_REFUSED;
  // Only a file on a disk is read: a device could keep the run waiting.
  long long file_len = os->file_type(file) == FILE_TYPE_ON_DISK ? os->file_size(file) : -1;
  unsigned char* records = nullptr;
  Directory dir;
  ReadResult result = file_len > 0 ? read_directory(file, file_len, records, dir) : READ_REFUSED;
  for (std::size_t at = 0; result == READ_DONE && at < dir.size;) {
    const unsigned char* r = records + at;
    const char* name = reinterpret_cast<const char*>(r + RECORD_BYTES);
    std::size_t len = get16(r + 28);
    if (counts_as_class(name, len) && !names_add(name, len)) result = READ_OUT_OF_MEMORY;
    at += RECORD_BYTES + len + get16(r + 30) + get16(r + 32);
  }
  mem_give(records);
  os->file_close(file);
  return result;
}
