// Version information of the stand-in, read from a library file's bytes
// without loading it. A library carries its block as the text written by
// OS_VERSION_BLOCK: the start marker, the language key, name/value pairs
// (each NUL-terminated), an empty name, and the end marker.
#include "platform/os/Os.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <strings.h>

namespace {

constexpr char kStart[] = "@@CORVAN-VERSION@@";
constexpr char kEnd[] = "@@END@@";
constexpr char kStringInfo[] = "\\StringFileInfo\\";

// Steps over one NUL-terminated text inside [*at, end); false when it runs out.
bool skipText(const char** at, const char* end) {
  const void* nul = std::memchr(*at, '\0', end - *at);
  if (!nul) return false;
  *at = static_cast<const char*>(nul) + 1;
  return true;
}

// Length of the well-formed block at `begin` (the marker included), else 0.
std::size_t blockLength(const char* begin, const char* end) {
  const char* at = begin + sizeof(kStart);  // marker and its NUL
  if (at > end || at[-1] != '\0' || !skipText(&at, end)) return 0;
  while (at < end && *at != '\0')
    if (!skipText(&at, end) || !skipText(&at, end)) return 0;
  ++at;
  std::size_t endLength = sizeof(kEnd) - 1;
  if (at + endLength > end || std::memcmp(at, kEnd, endLength) != 0) return 0;
  return at + endLength - begin;
}

// The first well-formed block in the file's bytes; false when none.
bool findBlock(const char* path, std::string* block) {
  std::ifstream in(path ? path : "", std::ios::binary);
  if (!in) {
    Os_setLastError(ENOENT);
    return false;
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const char* end = bytes.data() + bytes.size();
  for (std::size_t at = bytes.find(kStart); at != std::string::npos; at = bytes.find(kStart, at + 1)) {
    std::size_t length = blockLength(bytes.data() + at, end);
    if (length) {
      block->assign(bytes, at, length);
      return true;
    }
  }
  Os_setLastError(OsErrorNoVersion);
  return false;
}

}  // namespace

unsigned Os_getFileVersionInfoSize(const char* path) {
  std::string block;
  return findBlock(path, &block) ? static_cast<unsigned>(block.size()) : 0;
}

bool Os_getFileVersionInfo(const char* path, unsigned size, void* block) {
  std::string found;
  if (!block || !findBlock(path, &found)) return false;
  if (found.size() > size) {
    Os_setLastError(ERANGE);
    return false;
  }
  std::memcpy(block, found.data(), found.size());
  return true;
}

bool Os_verQueryValue(const void* block, const char* subBlock, const char** value, unsigned* length) {
  const char* at = static_cast<const char*>(block);
  std::size_t prefix = sizeof(kStringInfo) - 1;
  if (!at || !subBlock || std::memcmp(at, kStart, sizeof(kStart)) != 0 ||
      strncasecmp(subBlock, kStringInfo, prefix) != 0)
    return false;
  const char* language = at + sizeof(kStart);
  const char* name = subBlock + prefix;
  std::size_t languageLength = std::strlen(language);
  if (strncasecmp(name, language, languageLength) != 0 || name[languageLength] != '\\') return false;
  name += languageLength + 1;
  for (at = language + languageLength + 1; *at; at += std::strlen(at) + 1) {
    const char* text = at + std::strlen(at) + 1;
    if (strcasecmp(at, name) == 0) {
      if (value) *value = text;
      if (length) *length = static_cast<unsigned>(std::strlen(text));
      return true;
    }
    at = text;
  }
  return false;
}
