// The host's memory services for engines (export ordinals 43 and 44): a
// zeroed block on the library's heap and its null-safe release.
#pragma once

#include <cstddef>

struct LibraryContext;

// A zeroed block of `size` bytes; none for size 0 or when memory runs out.
void* Host_alloc(LibraryContext* context, std::size_t size);
// Releases a block from Host_alloc; nothing for none.
void Host_free(LibraryContext* context, void* block);
