// Checks of the invariants the code relies on, compiled in the Debug and
// sanitizer builds (CORVAN_CHECKS) and reduced to nothing elsewhere. A
// failed check names the condition and its place, then aborts.
#pragma once

[[noreturn]] void Chk_fail(const char* condition, const char* file, int line);

#ifdef CORVAN_CHECKS
#define CORVAN_ASSERT(condition) ((condition) ? static_cast<void>(0) : Chk_fail(#condition, __FILE__, __LINE__))
#else
// Unevaluated, so that names used only in checks still count as used.
#define CORVAN_ASSERT(condition) static_cast<void>(sizeof(static_cast<bool>(condition)))
#endif
