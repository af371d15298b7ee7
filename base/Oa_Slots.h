// The slots of an open-addressing index over a vector of entries: each
// slot is 0 when empty, else the high half of its key's hash (the tag) and
// the entry's position plus one. Linear probing; the table keeps at most
// half its slots filled. Header only, so that the stand-in's name table and
// the interpreter's symbol index share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The low half of a slot: the entry's position plus one.
inline constexpr std::uint64_t kOaPositionMask = 0xffffffffu;

// A 64-bit hash mixed so that its low bits choose the slot and its high
// half tags it.
inline std::uint64_t Oa_mix(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdu;
  return h ^ (h >> 33);
}

// The slot value of the entry at `position` whose key hashes to `hash`.
inline std::uint64_t Oa_slot(std::uint64_t hash, std::size_t position) {
  return (hash & ~kOaPositionMask) | (position + 1);
}

// The entry position a filled slot holds.
inline std::size_t Oa_position(std::uint64_t slot) { return static_cast<std::size_t>((slot & kOaPositionMask) - 1); }

// The slot that holds the key hashing to `hash`, or the empty slot where it
// would go; `sameKey(position)` says whether the entry there has the key.
// `slots` holds a power of two of slots, not all filled.
template <typename SameKey>
std::size_t Oa_slotOf(const std::vector<std::uint64_t>& slots, std::uint64_t hash, SameKey sameKey) {
  const std::size_t mask = slots.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const std::uint64_t slot = slots[i];
    if (slot == 0) return i;
    if ((slot & ~kOaPositionMask) == (hash & ~kOaPositionMask) && sameKey(Oa_position(slot))) return i;
  }
}
