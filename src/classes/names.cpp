#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "base/allocator.h"
#include "classes/classes.h"

namespace {

// A name is a record in a chunk: its head, its bytes and a zero. A NameRef is
// the chunk's number from 1 and the offset in it, so a bucket costs 4 bytes
// whatever the pointer size, and a later record has a larger ref: the element
// that first held a name follows from its ref, and need not be stored.
struct Head {
  NameRef next;        // in its bucket
  std::uint32_t last;  // the last element that held it, and DIFFERED
  Copy loaded;         // the first holder's copy
  std::uint16_t len;
};
constexpr std::size_t HEAD_BYTES = 18;  // packed: records lie at any byte
// A hidden copy of the name differs from the loaded one: the name counts once among the different.
constexpr std::uint32_t DIFFERED = 0x80000000;
static_assert(offsetof(Head, len) + sizeof(Head::len) == HEAD_BYTES, "the head is packed");
constexpr int OFFSET_BITS = 22;
constexpr std::size_t CHUNK_LIMIT = std::size_t{1} << OFFSET_BITS;
constexpr int MAX_CHUNKS = (1 << (32 - OFFSET_BITS)) - 2;  // a ref past the last still fits

struct NameStore {
  char* chunks[MAX_CHUNKS];
  std::size_t filled[MAX_CHUNKS];  // bytes of records in each chunk
  int chunk_count;
  std::size_t chunk_bytes, stored_bytes;  // the last chunk's size; all records' bytes
  NameRef* buckets;
  std::uint32_t bucket_count;
  int distinct, repeated, different, current;
  ElementVersions versions;  // the current element's
  InvalidVersion* invalid;   // newest first
  int invalid_count, invalid_room;
  NameRef* starts;  // where each element's new names begin
  HiddenCopies* pairs;
  int start_room, pair_count, pair_room, current_pairs;  // from where the current element's are
} store;

char* record(NameRef ref) {
  return store.chunks[(ref >> OFFSET_BITS) - 1] + (ref & (CHUNK_LIMIT - 1));
}

Head head(NameRef ref) {
  Head h;
  std::memcpy(&h, record(ref), HEAD_BYTES);
  return h;
}

void put_head(NameRef ref, const Head& h) { std::memcpy(record(ref), &h, HEAD_BYTES); }

// FNV-1a's steps taken four bytes at a time, each folding the high bits down.
std::uint32_t hash_of(const char* name, std::size_t len) {
  std::uint32_t h = 2166136261u;
  std::size_t i = 0;
  for (std::uint32_t word; i + 4 <= len; i += 4) {
    std::memcpy(&word, name + i, 4);
    h = (h ^ word) * 16777619u;
    h ^= h >> 15;
  }
  for (; i < len; ++i) h = (h ^ static_cast<unsigned char>(name[i])) * 16777619u;
  return h ^ (h >> 13);
}

NameRef next_ref() {
  int last = store.chunk_count;
  return last == 0 ? 0 : (static_cast<NameRef>(last) << OFFSET_BITS) + store.filled[last - 1];
}

// Builds `count` buckets afresh from the records, read in the order they are
// stored: in order, they stay fast to read once they outgrow the cache, and
// the old buckets can go first. False, with no buckets, when memory ran out.
bool index_records(std::uint32_t count) {
  mem_give(store.buckets);
  store.buckets = static_cast<NameRef*>(mem_take(count * sizeof(NameRef)));
  store.bucket_count = store.buckets != nullptr ? count : 0;
  if (store.buckets == nullptr) return false;
  std::memset(store.buckets, 0, count * sizeof(NameRef));
  for (int c = 0; c < store.chunk_count; ++c) {
    for (std::size_t at = 0; at < store.filled[c];) {
      NameRef ref = (static_cast<NameRef>(c + 1) << OFFSET_BITS) + at;
      Head h = head(ref);
      NameRef& slot = store.buckets[hash_of(names_text(ref), h.len) & (count - 1)];
      at += HEAD_BYTES + h.len + 1;
      h.next = slot;
      put_head(ref, h);
      slot = ref;
    }
  }
  return true;
}

// Room for a record. Chunks grow by a thirty-second of what is stored, so
// the unused end of the last one stays small beside the names.
NameRef new_record(std::size_t bytes) {
  if (store.chunk_count == 0 || store.chunk_bytes - store.filled[store.chunk_count - 1] < bytes) {
    std::size_t size = std::min(std::max(store.stored_bytes / 32, std::size_t{4096}), CHUNK_LIMIT);
    size = std::max(size, bytes);
    char* chunk = store.chunk_count < MAX_CHUNKS ? static_cast<char*>(mem_take(size)) : nullptr;
    if (chunk == nullptr) return 0;
    store.filled[store.chunk_count] = 0;
    store.chunks[store.chunk_count++] = chunk;
    store.chunk_bytes = size;
  }
  NameRef ref = next_ref();
  store.filled[store.chunk_count - 1] += bytes;
  store.stored_bytes += bytes;
  return ref;
}

// The current element holds `ref`, whose head is `h`, again: its `copy` is
// hidden by the first holder's.
bool note_hidden(NameRef ref, Head& h, Copy copy) {
  // The first holder is the last element that began at or before the ref.
  int first = static_cast<int>(
      std::upper_bound(store.starts, store.starts + store.current + 1, ref) - store.starts - 1);
  if ((h.last & ~DIFFERED) == static_cast<std::uint32_t>(first)) ++store.repeated;
  int pair = store.pair_count - 1;  // the current element's pairs are the last ones
  while (pair >= store.current_pairs && store.pairs[pair].first != first) --pair;
  if (pair < store.current_pairs) {
    if (!mem_grow(store.pairs, store.pair_room, store.pair_count)) return false;
    pair = store.pair_count++;
    store.pairs[pair] = {first, store.current, 0, 0, 0};
  }
  HiddenCopies& hidden = store.pairs[pair];
  ++hidden.count;
  if (h.loaded.size == UNREAD) h.loaded = read_directory_copy(first, names_text(ref), h.len);
  if (copy.size == UNREAD) copy = read_directory_copy(store.current, names_text(ref), h.len);
  if (h.loaded.size < UNLIKE && copy.size == h.loaded.size && copy.crc == h.loaded.crc) return true;
  store.different += (h.last & DIFFERED) == 0;
  h.last |= DIFFERED;
  ++hidden.different;
  NameRef least_ref = hidden.smallest_different != 0 ? hidden.smallest_different : ref;
  std::size_t len = h.len, least = head(least_ref).len;
  int order = std::memcmp(names_text(ref), names_text(least_ref), std::min(len, least));
  if (hidden.smallest_different == 0 || order < 0 || (order == 0 && len < least))
    hidden.smallest_different = ref;
  return true;
}

int by_elements(const void* a, const void* b) {
  const HiddenCopies& x = *static_cast<const HiddenCopies*>(a);
  const HiddenCopies& y = *static_cast<const HiddenCopies*>(b);
  return x.first != y.first ? x.first - y.first : x.later - y.later;
}

}  // namespace

bool counts_as_class(const char* name, std::size_t len) {
  return len >= 6 && std::memcmp(name + len - 6, ".class", 6) == 0 &&
         !(len >= 9 && std::memcmp(name, "META-INF/", 9) == 0) &&
         !(len == 17 && std::memcmp(name, "module-info.class", 17) == 0);
}

bool names_begin_element(int element) {
  if (!mem_grow(store.starts, store.start_room, element)) return false;
  store.starts[element] = next_ref();
  store.current = element;
  store.versions = {};
  store.current_pairs = store.pair_count;
  return true;
}

int names_add(const char* name, std::size_t len, Copy copy) {
  if (len > 0xFFFF) return true;  // no archive or directory gives one
  // A bucket for every name, on average: chains stay short. Without room for
  // twice as many buckets, the ones there were will do.
  std::uint32_t had = store.bucket_count;
  if (static_cast<std::uint32_t>(store.distinct) >= had &&
      !index_records(had == 0 ? 256 : 2 * had) && !(had > 0 && index_records(had))) {
    return false;
  }
  NameRef& slot = store.buckets[hash_of(name, len) & (store.bucket_count - 1)];
  NameRef ref = slot;
  Head h;
  while (ref != 0 && ((h = head(ref)).len != len || std::memcmp(names_text(ref), name, len) != 0)) {
    ref = h.next;
  }
  if (ref != 0) {
    std::uint32_t current = static_cast<std::uint32_t>(store.current);
    if ((h.last & ~DIFFERED) == current) return true;  // once per element, its first copy
    bool noted = note_hidden(ref, h, copy);
    h.last = current | (h.last & DIFFERED);
    put_head(ref, h);
    return noted;
  }
  ref = new_record(HEAD_BYTES + len + 1);
  if (ref == 0) return false;
  put_head(ref, {slot, static_cast<std::uint32_t>(store.current), copy,
                 static_cast<std::uint16_t>(len)});
  std::memcpy(record(ref) + HEAD_BYTES, name, len);
  record(ref)[HEAD_BYTES + len] = '\0';
  slot = ref;
  ++store.distinct;
  return NAME_LOADS;
}

namespace {

// The current element holds a class of the invalid version: counted once per element.
void note_invalid(int major, int minor) {
  store.versions.invalid = true;
  int at = 0;
  while (at < store.invalid_count &&
         (store.invalid[at].major != major || store.invalid[at].minor != minor))
    ++at;
  if (at < store.invalid_count && store.invalid[at].last == store.current) return;
  if (at == store.invalid_count) {
    if (!mem_grow(store.invalid, store.invalid_room, store.invalid_count)) return;
    store.invalid[at] = {major, minor, 0, store.current, -1};
    store.invalid_count += 1;
    for (;
         at > 0 && (store.invalid[at - 1].major < major ||
                    (store.invalid[at - 1].major == major && store.invalid[at - 1].minor < minor));
         --at)
      std::swap(store.invalid[at], store.invalid[at - 1]);
  }
  store.invalid[at].count += 1;
  store.invalid[at].last = store.current;
}

}  // namespace

void names_note_version(int version) {
  int major = static_cast<int>(static_cast<unsigned>(version) >> 16);
  int minor = version & 0xFFFF;
  if (major == 0) return;
  // From Java 12 on, a minor version marks a preview class (65535) or one no Java loads.
  bool preview = major >= 56 && minor == 0xFFFF;
  if (major >= 56 && minor != 0 && !preview) return note_invalid(major, minor);
  ElementVersions& v = store.versions;
  if (major > v.newest || (major == v.newest && preview)) {
    v.newest = major;
    v.preview = preview;
  }
  if (!preview) return;
  if (v.preview_low == 0 || major < v.preview_low) v.preview_low = major;
  if (major > v.preview_high) v.preview_high = major;
}

ElementVersions names_versions() { return store.versions; }

const InvalidVersion* names_invalid_versions(int& count) {
  count = store.invalid_count;
  return store.invalid;
}

bool names_all_hidden() {
  return next_ref() == store.starts[store.current] && store.pair_count > store.current_pairs;
}

NameCounts names_counts() {
  if (store.pair_count > 1) {
    std::qsort(store.pairs, store.pair_count, sizeof(HiddenCopies), by_elements);
  }
  return {store.distinct, store.repeated, store.different, store.pair_count, store.pairs};
}

const char* names_text(NameRef name) { return record(name) + HEAD_BYTES; }

void names_release() {
  for (int i = 0; i < store.chunk_count; ++i) mem_give(store.chunks[i]);
  mem_give(store.buckets);
  mem_give(store.starts);
  mem_give(store.pairs);
  mem_give(store.invalid);
  store = {};
}
