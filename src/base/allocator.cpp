#include "base/allocator.h"

#include <cstdlib>

namespace {
const Allocator heap_allocator = {std::malloc, std::free};
const Allocator* current = &heap_allocator;
}  // namespace

void* mem_take(std::size_t bytes) { return current->take(bytes); }

void mem_give(void* block) {
  if (block != nullptr) current->give(block);
}

void mem_set_allocator(const Allocator* allocator) {
  current = allocator != nullptr ? allocator : &heap_allocator;
}
