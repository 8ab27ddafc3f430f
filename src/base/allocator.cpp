#include "base/allocator.h"

#include <cstdlib>
#include <cstring>

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

bool mem_grow(void*& array, int& room, int count, std::size_t item_bytes) {
  if (count < room) return true;
  int bigger = room < 16 ? 16 : room * 2;
  void* grown = mem_take(item_bytes * static_cast<std::size_t>(bigger));
  if (grown == nullptr) return false;
  if (count > 0) std::memcpy(grown, array, item_bytes * static_cast<std::size_t>(count));
  mem_give(array);
  array = grown;
  room = bigger;
  return true;
}
