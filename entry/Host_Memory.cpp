// Zeroing allocation, null-safe release and binary exponents of doubles.
#include "contract/Host_Memory.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>

void* Mem_alloc(std::size_t size) { return size == 0 ? nullptr : std::calloc(1, size); }

void Mem_free(void* block) { std::free(block); }

void* Host_alloc(LibraryContext*, std::size_t size) { return Mem_alloc(size); }

void Host_free(LibraryContext*, void* block) { Mem_free(block); }

int Dbl_getExponent(double x) {
  if (x == 0 || std::isnan(x)) return 0;
  auto field = static_cast<int>((std::bit_cast<std::uint64_t>(x) >> 52) & 0x7ff);
  return field - 1023;
}

void Dbl_scalePow2(double* x, int k) {
  if (!x || k == 0 || *x == 0) return;
  *x = std::ldexp(*x, k);
}
