// Dependency-class vector, payload of a kind-16 value: one class per variable
// of the evaluated function, slots 1..n. Sizing, copying and seeding; the
// combination rules live with the dependency-vector family.
#pragma once

#include <cstdint>

// How a value depends on one decision variable; merges keep the larger.
enum DegClass : int32_t {
  kDegIndependent = 0,
  kDegLinear = 1,
  kDegQuadratic = 2,
  kDegSmooth = 3,
  kDegNonSmooth = 4,
  kDegUnknownFunction = 5,
};

struct DegVec {
  int32_t n;
  int32_t capacity;
  int32_t* classes;  // DegClass per variable, slots 1..n
};

// Sizes the vector for n variables, every class independent.
bool DegVec_init(DegVec* v, int32_t n);
// Makes dst a copy of src; false when memory runs out, with dst left empty.
bool DegVec_set(DegVec* dst, const DegVec* src);
// Decision variable at position p: linear in p, independent of the others.
void DegVec_setVar(DegVec* v, int32_t p);
// Frees the classes and zeroes the record.
void DegVec_free(DegVec* v);
// No variables: n becomes 0; the storage stays for the next sizing.
void DegVec_empty(DegVec* v);
