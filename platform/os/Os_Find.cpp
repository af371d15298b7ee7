// File search of the stand-in: the regular files of one folder whose names
// match a wildcard pattern ("*" any run of characters, "?" one character),
// compared without regard to case, in name order; and one file by its path
// with its name's case ignored.
#include "platform/os/Os.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "base/Utf8_Text.h"

namespace {

struct FindState {
  std::vector<std::string> names;
  std::size_t next = 0;
};

// A name's characters by their lower case, so that a pattern's "?" stands
// for one character of any script.
std::u32string folded(std::string_view text) {
  std::u32string out;
  Utf8_eachFoldedCharacter(text, [&out](char32_t c) { out += c; });
  return out;
}

// Greedy match that backs up to the last "*" on a mismatch.
bool matches(const std::u32string& pattern, const std::u32string& name) {
  std::size_t p = 0, n = 0, star = std::u32string::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == U'*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (star != std::u32string::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == U'*') ++p;
  return p == pattern.size();
}

bool lessNoCase(const std::string& a, const std::string& b) { return Utf8_compareNoCase(a, b) < 0; }

std::vector<std::string> matchingFiles(const std::string& folder, const char* pattern) {
  std::vector<std::string> names;
  const std::u32string wanted = folded(pattern);
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    std::string name = entry.path().filename().string();
    if (name.size() < sizeof(OsFindData::fileName) && entry.is_regular_file(error) && matches(wanted, folded(name)))
      names.push_back(name);
  }
  std::sort(names.begin(), names.end(), lessNoCase);
  return names;
}

void fill(FindState* state, OsFindData* data) {
  std::strcpy(data->fileName, state->names[state->next++].c_str());
}

}  // namespace

OsFindHandle Os_findFirstFile(const char* pattern, OsFindData* data) {
  if (!pattern || !data) {
    Os_setLastError(EINVAL);
    return nullptr;
  }
  const char* slash = std::strrchr(pattern, '/');
  std::string folder = slash ? std::string(pattern, slash - pattern + 1) : std::string(".");
  auto* state = new FindState{matchingFiles(folder, slash ? slash + 1 : pattern)};
  if (state->names.empty()) {
    delete state;
    Os_setLastError(ENOENT);
    return nullptr;
  }
  fill(state, data);
  return state;
}

bool Os_findNextFile(OsFindHandle handle, OsFindData* data) {
  auto* state = static_cast<FindState*>(handle);
  if (!state || !data || state->next >= state->names.size()) {
    Os_setLastError(ENOENT);
    return false;
  }
  fill(state, data);
  return true;
}

void Os_findClose(OsFindHandle handle) { delete static_cast<FindState*>(handle); }

std::string Os_fileIgnoringCase(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::is_regular_file(path, error)) return path;
  const fs::path wanted(path);
  const fs::path folder = wanted.parent_path();
  const std::string name = wanted.filename().string();
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder.empty() ? fs::path(".") : folder, error)) {
    const std::string candidate = entry.path().filename().string();
    if (entry.is_regular_file(error) && Utf8_compareNoCase(candidate, name) == 0) names.push_back(candidate);
  }
  if (names.empty()) return "";
  return (folder / *std::min_element(names.begin(), names.end())).string();
}
