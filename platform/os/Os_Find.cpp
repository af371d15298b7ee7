// File search of the stand-in: the regular files of one folder whose names
// match a wildcard pattern ("*" any run of characters, "?" one character),
// compared without regard to case, in name order; and one file by its path
// with its name's case ignored.
#include "platform/os/Os.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

struct FindState {
  std::vector<std::string> names;
  std::size_t next = 0;
};

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Greedy match that backs up to the last "*" on a mismatch.
bool matches(const char* pattern, const char* name) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name) {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern && (*pattern == '?' || lower(*pattern) == lower(*name))) {
      ++pattern;
      ++name;
    } else if (star) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

bool lessNoCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return lower(x) < lower(y); });
}

std::vector<std::string> matchingFiles(const std::string& folder, const char* pattern) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    std::string name = entry.path().filename().string();
    if (name.size() < sizeof(OsFindData::fileName) && entry.is_regular_file(error) &&
        matches(pattern, name.c_str()))
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
    if (candidate.size() == name.size() && entry.is_regular_file(error) &&
        std::equal(candidate.begin(), candidate.end(), name.begin(),
                   [](char a, char b) { return lower(a) == lower(b); }))
      names.push_back(candidate);
  }
  if (names.empty()) return "";
  return (folder / *std::min_element(names.begin(), names.end())).string();
}
