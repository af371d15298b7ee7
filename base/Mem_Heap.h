// The library's heap blocks: one zeroing allocation and one null-safe
// release on the standard heap, shared by the framework and the host's
// allocation services for engines.
#pragma once

#include <cstddef>

// A zeroed block of `size` bytes; none for size 0 or when memory runs out.
void* Mem_alloc(std::size_t size);
// Releases a block from Mem_alloc; nothing for none.
void Mem_free(void* block);
