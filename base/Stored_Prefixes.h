// The prefixes spreadsheet files put before names the user typed without
// them: newer functions ("_xlfn.NORM.DIST", "_xlws.SORT"), add-in functions
// ("_xll."), functions of the workbook's own macros ("_xludf.") and the
// parameters of LET and LAMBDA ("_xlpm.x"). Header only, so that the
// stand-in's calculation, which links nothing of the library, reads the
// same list as the interpreter and the messages.
#pragma once

#include <cctype>
#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::string_view kStoredPrefixes[] = {"_xlfn.", "_xlws.", "_xll.", "_xludf.", "_xlpm."};

// The length of the stored prefix that `text` holds at `at` (any case); 0
// when none starts there.
inline std::size_t Stored_prefixAt(std::string_view text, std::size_t at) {
  for (std::string_view prefix : kStoredPrefixes) {
    if (text.size() - at < prefix.size()) continue;
    std::size_t k = 0;
    while (k < prefix.size() && std::tolower(static_cast<unsigned char>(text[at + k])) == prefix[k]) ++k;
    if (k == prefix.size()) return k;
  }
  return 0;
}

// `name` without the stored prefixes it starts with ("_xlfn._xlws.SORT"
// gives "SORT"); a name that is nothing but a prefix is kept whole.
inline std::string_view Stored_withoutPrefixes(std::string_view name) {
  for (std::size_t n = Stored_prefixAt(name, 0); n > 0 && n < name.size(); n = Stored_prefixAt(name, 0))
    name.remove_prefix(n);
  return name;
}

// What files write before a name to mean this workbook's own name, not a
// sheet's of the same spelling ("[0]!rate").
inline constexpr std::string_view kStoredThisWorkbook = "[0]!";

// The function files store for the implicit intersection operator "@".
inline constexpr std::string_view kStoredSingle = "single";

// A stored function name as the user typed it: without its prefixes, and
// "@" for SINGLE.
inline std::string Stored_typedFunction(std::string_view name) {
  const std::string_view bare = Stored_withoutPrefixes(name);
  if (bare.size() == kStoredSingle.size() && Stored_prefixAt(bare, 0) == 0) {
    std::size_t k = 0;
    while (k < bare.size() && std::tolower(static_cast<unsigned char>(bare[k])) == kStoredSingle[k]) ++k;
    if (k == bare.size()) return "@";
  }
  return std::string(bare);
}
