#include "base/allocator.h"

// Defined once, not inline: link-time optimisation finds no section for an inline variable.
const Allocator heap_allocator = {std::malloc, std::free};
const Allocator* mem_allocator = &heap_allocator;
