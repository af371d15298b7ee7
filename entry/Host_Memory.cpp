// The host's allocation services for engines, on the library's heap blocks.
#include "contract/Host_Memory.h"

#include "base/Mem_Heap.h"

void* Host_alloc(LibraryContext*, std::size_t size) { return Mem_alloc(size); }

void Host_free(LibraryContext*, void* block) { Mem_free(block); }
