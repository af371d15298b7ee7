// The sample vector, payload of a kind-5 value: one sample per simulation
// trial, slots 1..n. Sizing, copying and filling; the arithmetic over sample
// vectors lives with the sample-vector family.
#pragma once

#include <cstdint>

struct EvalContext;

struct SampleVector {
  double* data;  // slots 1..n, slot 0 unused
  int32_t n;
  int32_t capacity;
  EvalContext* context;
};

// Sizes the vector for n samples, keeping the data when the capacity
// suffices; false when memory runs out (the vector is then unchanged).
bool Smp_init(SampleVector* v, int32_t n, EvalContext* ctx);
// Makes dst a copy of src (size, context and samples); false when memory runs
// out, with dst left empty.
bool Smp_set(SampleVector* dst, const SampleVector* src);
// Stores x into sample i when 1 <= i <= n, else into every sample.
void Smp_setAt(SampleVector* v, double x, int32_t i);
// Copies samples[0..n-1] into slots 1..n; false without copying when n is not
// the vector's size.
bool Smp_setValues(SampleVector* v, int32_t n, const double* samples);
// Frees the data and zeroes the record.
void Smp_free(SampleVector* v);
