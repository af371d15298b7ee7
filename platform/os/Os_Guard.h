// The guard of every interface between modules against memory running out.
// Each module carries its own C++ runtime, and an exception made in one
// copy's emergency reserve (memory being exhausted) cannot be freed by
// another's: so a memory failure is caught in the module that throws it, at
// the function through which another module called in, and leaves as that
// interface's status for it. Every failure caught is counted, so that a
// caller can tell an empty answer from one memory cut short.
#pragma once

#include <new>
#include <utility>

// Memory failures the guards of this process have caught (Os_System.cpp).
unsigned long Os_memoryFailures();
void Os_countMemoryFailure();

// What `body` answers, or `outOfMemory` when memory ran out on the way:
// also when a guard within it caught the failure, as what that inner call
// answered was cut short.
template <typename Result, typename Body>
Result Os_guard(Result outOfMemory, Body&& body) {
  const unsigned long before = Os_memoryFailures();
  try {
    Result result = std::forward<Body>(body)();
    if (Os_memoryFailures() == before) return result;
    return outOfMemory;
  } catch (const std::bad_alloc&) {
    Os_countMemoryFailure();
    return outOfMemory;
  }
}
