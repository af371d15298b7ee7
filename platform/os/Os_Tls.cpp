// Thread-local slots of the stand-in. A slot number is valid in every
// thread; each thread sees its own value, null until it sets one. Freeing a
// slot and allocating it again starts every thread's value at null anew,
// which the generation number of the slot takes care of.
#include "platform/os/Os.h"

#include <cerrno>
#include <mutex>

namespace {

constexpr unsigned kSlotCount = 1088;

struct SlotTable {
  std::mutex lock;
  bool used[kSlotCount] = {};
  std::uint64_t generation[kSlotCount] = {};
};

SlotTable& slots() {
  static SlotTable table;
  return table;
}

struct ThreadValue {
  std::uint64_t generation = 0;
  void* value = nullptr;
};

thread_local std::vector<ThreadValue> tValues;

// The slot's current generation, or 0 when the slot is not allocated.
std::uint64_t liveGeneration(unsigned slot) {
  if (slot >= kSlotCount) return 0;
  SlotTable& t = slots();
  std::lock_guard<std::mutex> guard(t.lock);
  return t.used[slot] ? t.generation[slot] : 0;
}

}  // namespace

unsigned Os_tlsAlloc() {
  SlotTable& t = slots();
  std::lock_guard<std::mutex> guard(t.lock);
  for (unsigned i = 0; i < kSlotCount; ++i) {
    if (t.used[i]) continue;
    t.used[i] = true;
    ++t.generation[i];
    return i;
  }
  Os_setLastError(ENOMEM);
  return OsTlsInvalid;
}

bool Os_tlsFree(unsigned slot) {
  SlotTable& t = slots();
  std::lock_guard<std::mutex> guard(t.lock);
  if (slot >= kSlotCount || !t.used[slot]) {
    Os_setLastError(EINVAL);
    return false;
  }
  t.used[slot] = false;
  return true;
}

bool Os_tlsSetValue(unsigned slot, void* value) {
  std::uint64_t generation = liveGeneration(slot);
  if (generation == 0) {
    Os_setLastError(EINVAL);
    return false;
  }
  if (tValues.size() <= slot) tValues.resize(slot + 1);
  tValues[slot] = {generation, value};
  return true;
}

void* Os_tlsGetValue(unsigned slot) {
  std::uint64_t generation = liveGeneration(slot);
  if (generation == 0) {
    Os_setLastError(EINVAL);
    return nullptr;
  }
  if (slot >= tValues.size() || tValues[slot].generation != generation) return nullptr;
  return tValues[slot].value;
}
