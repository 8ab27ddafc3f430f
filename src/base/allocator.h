// Where the tool takes its heap memory: one place, so that the tests can make
// memory run out anywhere by swapping in an allocator that fails.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>

struct Allocator {
  void* (*take)(std::size_t bytes);  // nullptr when memory cannot be had
  void (*give)(void* block);
};
extern const Allocator heap_allocator;
extern const Allocator* mem_allocator;

inline void* mem_take(std::size_t bytes) { return mem_allocator->take(bytes); }
inline void mem_give(void* block) {
  if (block != nullptr) mem_allocator->give(block);
}

// Makes room for item `count` in an array that doubles as it grows; false,
// with the array unchanged, when memory cannot be had.
template <class T>
bool mem_grow(T*& array, int& room, int count) {
  if (count < room) return true;
  int bigger = room < 16 ? 16 : room * 2;
  T* grown = static_cast<T*>(mem_take(sizeof(T) * static_cast<std::size_t>(bigger)));
  if (grown == nullptr) return false;
  if (count > 0) std::memcpy(grown, array, sizeof(T) * static_cast<std::size_t>(count));
  mem_give(array);
  array = grown;
  room = bigger;
  return true;
}
