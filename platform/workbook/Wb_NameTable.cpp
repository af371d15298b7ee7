// The defined names of a workbook with their index by scope and name.
#include "platform/workbook/Wb_NameTable.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

#include "base/Oa_Slots.h"
#include "base/Utf8_Text.h"

namespace {

constexpr std::size_t kMinSlots = 16;
// Names are hashed and compared eight bytes at a time.
constexpr std::size_t kWordBytes = 8;
constexpr std::uint64_t kEachByte = 0x0101010101010101u;
constexpr std::uint64_t kByteHighBit = 0x80;
constexpr std::uint64_t kHighBits = kEachByte * kByteHighBit;
// The high bit of a byte shifted this far is the bit by which an ASCII
// small letter differs from its capital (0x20).
constexpr int kHighBitToCaseBit = 2;
constexpr std::uint64_t kHashSeed = 0xcbf29ce484222325u;
constexpr std::uint64_t kHashMultiplier = 0xff51afd7ed558ccdu;
constexpr int kHashShift = 29;

// The bytes of a text from `at`, at most eight, each in a byte of a word
// of its own, the bytes past the text's end zero. The same bytes give the
// same word.
std::uint64_t wordAt(std::string_view text, std::size_t at) {
  std::uint64_t w = 0;
  if (text.size() - at >= kWordBytes) {
    std::memcpy(&w, text.data() + at, kWordBytes);
    return w;
  }
  for (std::size_t k = at; k < text.size(); ++k)
    w |= std::uint64_t{static_cast<unsigned char>(text[k])} << (CHAR_BIT * (k - at));
  return w;
}

// A word of bytes with its ASCII capitals in lower case, the other bytes
// as they stand: a byte below 0x80 from 'A' to 'Z' gains 0x20. Each byte's
// low seven bits plus a bias stay within the byte, so its high bit says
// whether it reaches 'A', and whether it passes 'Z'.
std::uint64_t loweredWord(std::uint64_t w) {
  const std::uint64_t low = w & ~kHighBits;
  const std::uint64_t fromA = low + kEachByte * (kByteHighBit - 'A');
  const std::uint64_t pastZ = low + kEachByte * (kByteHighBit - 'Z' - 1);
  return w | ((fromA & ~pastZ & ~w & kHighBits) >> kHighBitToCaseBit);
}

// The hash of a text with its ASCII letters in lower case: of a folded
// spelling, its hash; of an ASCII spelling, the hash of its fold. `*ascii`
// says whether every byte is ASCII.
std::uint64_t hashOfLowered(std::string_view text, bool* ascii) {
  std::uint64_t h = kHashSeed ^ text.size(), bytes = 0;
  for (std::size_t at = 0; at < text.size(); at += kWordBytes) {
    const std::uint64_t w = wordAt(text, at);
    bytes |= w;
    h = (h ^ loweredWord(w)) * kHashMultiplier;
    h ^= h >> kHashShift;
  }
  *ascii = (bytes & kHighBits) == 0;
  return h;
}

// The hash that places a folded spelling of this hash in a scope.
std::uint64_t scopedHash(std::uint64_t hash, int scopeSheet) {
  return Oa_mix(hash ^ static_cast<std::uint32_t>(scopeSheet));
}

}  // namespace

// A spelling as the index reads it, folded to lower case (as
// Utf8_compareNoCase compares) and hashed once. An ASCII spelling stays as
// it stands and has its letters lowered as it is read; any other is folded
// character by character into a text of its own. Two spellings fold alike
// exactly when they compare equal without regard to case.
class WbNameTable::Key {
 public:
  explicit Key(std::string_view name) : text_(name) {
    bool ascii = true;
    hash_ = hashOfLowered(name, &ascii);
    if (ascii) return;
    owned_ = Utf8_foldedText(name);
    text_ = owned_;
    hash_ = hashOfLowered(text_, &ascii);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;

  std::uint64_t hash() const { return hash_; }
  // Whether a stored folded spelling is this one.
  bool matches(std::string_view folded) const {
    if (folded.size() != text_.size()) return false;
    for (std::size_t at = 0; at < text_.size(); at += kWordBytes)
      if (loweredWord(wordAt(text_, at)) != wordAt(folded, at)) return false;
    return true;
  }
  Folded folded() const {
    std::string text(text_);
    std::transform(text.begin(), text.end(), text.begin(), Utf8_lowerAscii);
    return {std::move(text), hash_};
  }

 private:
  std::string owned_;
  std::string_view text_;
  std::uint64_t hash_ = 0;
};

std::size_t WbNameTable::slotOf(const Key& key, int scopeSheet) const {
  return Oa_slotOf(slots_, scopedHash(key.hash(), scopeSheet),
                   [&](std::size_t k) { return names_[k].scopeSheet == scopeSheet && key.matches(folded_[k].text); });
}

const DefinedName* WbNameTable::nameIn(std::size_t slot) const {
  return slots_[slot] == 0 ? nullptr : &names_[Oa_position(slots_[slot])];
}

// The names are distinct, so each goes to the first empty slot of its probe.
void WbNameTable::reindex() {
  slots_.assign(std::max(kMinSlots, std::bit_ceil(2 * (names_.size() + 1))), 0);
  for (std::size_t k = 0; k < names_.size(); ++k) {
    const std::uint64_t hash = scopedHash(folded_[k].hash, names_[k].scopeSheet);
    slots_[Oa_slotOf(slots_, hash, [](std::size_t) { return false; })] = Oa_slot(hash, k);
  }
}

const DefinedName* WbNameTable::find(std::string_view name, int scopeSheet) const {
  if (slots_.empty()) return nullptr;
  return nameIn(slotOf(Key(name), scopeSheet));
}

const DefinedName* WbNameTable::findSeenFrom(std::string_view name, int scopeSheet) const {
  if (slots_.empty()) return nullptr;
  const Key key(name);
  const DefinedName* own = scopeSheet >= 0 ? nameIn(slotOf(key, scopeSheet)) : nullptr;
  return own ? own : nameIn(slotOf(key, -1));
}

void WbNameTable::define(const DefinedName& dn) {
  if (2 * (names_.size() + 1) > slots_.size()) reindex();
  const Key key(dn.name);
  std::uint64_t& slot = slots_[slotOf(key, dn.scopeSheet)];
  if (slot != 0) {
    names_[Oa_position(slot)] = dn;
    return;
  }
  names_.push_back(dn);
  folded_.push_back(key.folded());
  slot = Oa_slot(scopedHash(key.hash(), dn.scopeSheet), names_.size() - 1);
}

bool WbNameTable::erase(std::string_view name, int scopeSheet) {
  const DefinedName* dn = find(name, scopeSheet);
  if (!dn) return false;
  const std::ptrdiff_t position = dn - names_.data();
  names_.erase(names_.begin() + position);
  folded_.erase(folded_.begin() + position);
  reindex();
  return true;
}

void WbNameTable::assign(std::vector<DefinedName> names) {
  names_ = std::move(names);
  folded_.clear();
  folded_.reserve(names_.size());
  for (const DefinedName& dn : names_) folded_.push_back(Key(dn.name).folded());
  reindex();
}
