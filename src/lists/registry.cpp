#include "lists/registry.h"

#include <cstdlib>
#include <cstring>

#include "lists/ascii.h"

namespace {

DuplicateRegistry registry = {nullptr};

const RegistryAllocator heap_allocator = {std::malloc, std::free};
const RegistryAllocator* allocator = &heap_allocator;

// Whether `stored` (already upper-cased) equals `entry` upper-cased, byte for
// byte up to and including the terminator.
bool equals_upper(const char* stored, const char* entry) {
  for (;; ++stored, ++entry) {
    char c = ascii_upper(*entry);
    if (*stored != c) return false;
    if (c == '\0') return true;
  }
}

}  // namespace

void registry_reset() { registry.head = nullptr; }

int registry_add(const char* entry) {
  // Compare before copying: a duplicate then costs no memory, and is still
  // recognised when memory has run out.
  RegistryNode* last = nullptr;
  for (RegistryNode* node = registry.head; node != nullptr; node = node->next) {
    if (equals_upper(node->text, entry)) return 1;
    last = node;
  }
  std::size_t len = std::strlen(entry);
  char* copy = static_cast<char*>(allocator->take(len + 1));
  RegistryNode* node = static_cast<RegistryNode*>(allocator->take(sizeof(RegistryNode)));
  if (copy == nullptr || node == nullptr) {
    if (copy != nullptr) allocator->give(copy);
    if (node != nullptr) allocator->give(node);
    return 0;
  }
  for (std::size_t i = 0; i <= len; ++i) copy[i] = ascii_upper(entry[i]);
  node->next = nullptr;
  node->text = copy;
  if (last == nullptr) {
    registry.head = node;
  } else {
    last->next = node;
  }
  return 0;
}

void registry_release() {
  while (registry.head != nullptr) {
    RegistryNode* next = registry.head->next;
    allocator->give(registry.head->text);
    allocator->give(registry.head);
    registry.head = next;
  }
}

const RegistryNode* registry_first() { return registry.head; }

void registry_set_allocator(const RegistryAllocator* a) {
  allocator = a != nullptr ? a : &heap_allocator;
}
