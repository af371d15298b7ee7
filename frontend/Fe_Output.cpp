// Standard output in blocks, and texts made visible for a line. Standard output stays line buffered, so that
// results and messages on standard error appear in the order they happen,
// even in a pipe; but a block of many lines (a table, the results of a run, a
// report) is built as one text first and written with one system call, not
// one per line.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "frontend/Fe_Output.h"

void Fe_printBlock(const std::string& block) {
  // What the stream holds goes first. The block then bypasses the stream:
  // handed to a line-buffered stream, its lines past the buffer's size would
  // still be written one at a time.
  std::fflush(stdout);
  const char* at = block.data();
  size_t left = block.size();
  while (left > 0) {
    const ssize_t written = write(STDOUT_FILENO, at, left);
    if (written < 0 && errno == EINTR) continue;
    // A reader gone (a closed pipe) takes nothing more, as with the stream.
    if (written <= 0) return;
    at += written;
    left -= static_cast<size_t>(written);
  }
}

std::string Fe_visibleText(const std::string& text) {
  constexpr unsigned char kFirstPrintable = 0x20, kDelete = 0x7F;
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= kFirstPrintable && byte != kDelete) || c == '\t') {
      shown += c;
      continue;
    }
    char escaped[16];
    std::snprintf(escaped, sizeof escaped, "<U+%04X>", byte);
    shown += escaped;
  }
  return shown;
}
