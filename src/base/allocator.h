// Where the tool takes its heap memory. One place, so that the tests can
// make memory run out anywhere.
#pragma once

#include <cstddef>

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
bool mem_grow(void*& array, int& room, int count, std::size_t item_bytes);

template <class T>
bool mem_grow(T*& array, int& room, int count) {
  void* block = array;
  bool grown = mem_grow(block, room, count, sizeof(T));
  array = static_cast<T*>(block);
  return grown;
}
