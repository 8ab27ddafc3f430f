#include "lists/registry.h"

#include <cstring>

#include "base/allocator.h"
#include "base/ascii.h"

namespace {

DuplicateRegistry registry = {};

// Whether `stored` (already upper-cased) equals `entry` upper-cased, byte for
// byte up to and including the terminator.
bool equals_upper(const char* stored, const char* entry) {
  for (;; ++stored, ++entry) {
    char c = ascii_upper(*entry);
    if (*stored != c) return false;
    if (c == '\0') return true;
  }
}

// FNV-1a over the upper-cased text, so that entries differing only in the
// case of a-z meet in one bucket.
unsigned upper_hash(const char* entry) {
  unsigned h = 2166136261u;
  for (; *entry != '\0'; ++entry) {
    h ^= static_cast<unsigned char>(ascii_upper(*entry));
    h *= 16777619u;
  }
  return h;
}

}  // namespace

void registry_reset() {
  registry.head = nullptr;
  registry.tail = nullptr;
  std::memset(registry.buckets, 0, sizeof registry.buckets);
}

int registry_add(const char* entry, bool add) {
  // Compare before copying: a duplicate then costs no memory, and is still
  // recognised when memory has run out.
  unsigned hash = upper_hash(entry);
  RegistryNode*& bucket = registry.buckets[hash % REGISTRY_BUCKETS];
  for (RegistryNode* node = bucket; node != nullptr; node = node->bucket_next) {
    if (node->hash == hash && equals_upper(node->text, entry)) return 1;
  }
  if (!add) return 0;
  std::size_t len = std::strlen(entry);
  char* copy = static_cast<char*>(mem_take(len + 1));
  RegistryNode* node = static_cast<RegistryNode*>(mem_take(sizeof(RegistryNode)));
  if (copy == nullptr || node == nullptr) {
    mem_give(copy);
    mem_give(node);
    return 0;
  }
  for (std::size_t i = 0; i <= len; ++i) copy[i] = ascii_upper(entry[i]);
  node->next = nullptr;
  node->text = copy;
  node->hash = hash;
  node->bucket_next = bucket;
  bucket = node;
  if (registry.tail == nullptr) {
    registry.head = node;
  } else {
    registry.tail->next = node;
  }
  registry.tail = node;
  return 0;
}

void registry_release() {
  while (registry.head != nullptr) {
    RegistryNode* next = registry.head->next;
    registry.buckets[registry.head->hash % REGISTRY_BUCKETS] = nullptr;
    mem_give(registry.head->text);
    mem_give(registry.head);
    registry.head = next;
  }
  registry.tail = nullptr;
}

const RegistryNode* registry_first() { return registry.head; }
