// Where the tool takes its heap memory. One place, so that the tests can
// make memory run out anywhere.
#pragma once

#include <cstddef>
#include <cstring>

struct Allocator {
  void* (*take)(std::size_t bytes);  // nullptr when memory cannot be had
  void (*give)(void* block);         // takes nullptr too
};

void* mem_take(std::size_t bytes);
void mem_give(void* block);
// nullptr puts back the standard heap.
void mem_set_allocator(const Allocator* allocator);

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
