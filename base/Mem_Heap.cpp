// Zeroing allocation and null-safe release on the standard heap.
#include "base/Mem_Heap.h"

#include <cstdlib>

void* Mem_alloc(std::size_t size) { return size == 0 ? nullptr : std::calloc(1, size); }

void Mem_free(void* block) { std::free(block); }
