// The files of the shared test data (../shared/data beside the source tree)
// for tests made while the test program lists its tests: a folder that is
// missing must not end the program there, before any test ran, but fail the
// test made for it with the folder's name.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

// The files of `folder` (relative to the shared data) whose names end in
// `extension`, in name order; a missing folder gives itself as its one file,
// for sharedDataPresent to refuse.
inline std::vector<std::filesystem::path> sharedDataFiles(const std::string& folder, const std::string& extension) {
  const std::filesystem::path dir = std::filesystem::path(CORVAN_DATA) / folder;
  std::error_code error;
  std::vector<std::filesystem::path> files;
  for (std::filesystem::directory_iterator it(dir, error), end; !error && it != end; it.increment(error))
    if (it->path().extension() == extension) files.push_back(it->path());
  if (error) return {dir};
  std::sort(files.begin(), files.end());
  return files;
}

// Fails, naming the folder, for a file of a shared data folder that is missing.
inline ::testing::AssertionResult sharedDataPresent(const std::filesystem::path& file) {
  if (std::filesystem::exists(file)) return ::testing::AssertionSuccess();
  const std::filesystem::path missing = std::filesystem::is_directory(file.parent_path()) ? file : file.parent_path();
  return ::testing::AssertionFailure() << "the shared test data " << missing.string()
                                       << " is missing (the tests read it from ../shared/data beside the source tree)";
}
