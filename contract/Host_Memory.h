// Memory and double helpers shared by the library and the engines: one
// zeroing allocation and one null-safe release on the standard heap (export
// ordinals 43 and 44), and binary exponents of doubles.
#pragma once

#include <cstddef>

struct LibraryContext;

// A zeroed block of `size` bytes; none for size 0 or when memory runs out.
void* Mem_alloc(std::size_t size);
// Releases a block from Mem_alloc; nothing for none.
void Mem_free(void* block);

// Export ordinals 43 and 44.
void* Host_alloc(LibraryContext* context, std::size_t size);
void Host_free(LibraryContext* context, void* block);

// The unbiased binary exponent of x (its exponent field less 1023); 0 for
// 0 and NaN.
int Dbl_getExponent(double x);
// x times 2 to the k in place, saturating to infinity or zero the way the
// arithmetic does when the result leaves the range of doubles.
void Dbl_scalePow2(double* x, int k);
