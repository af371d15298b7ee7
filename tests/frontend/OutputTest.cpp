// Blocks of printed lines: a table's text, and a block written at once in
// its place between what standard output held before and what either
// stream prints after it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "frontend/Fe_Output.h"

namespace {

// Standard output and standard error sent into one file while alive, as a
// shell's `2>&1` does; text() reads back what arrived.
class JoinedStreams {
 public:
  JoinedStreams() {
    std::fflush(stdout);
    std::fflush(stderr);
    file_ = std::tmpfile();
    savedOut_ = dup(STDOUT_FILENO);
    savedErr_ = dup(STDERR_FILENO);
    dup2(fileno(file_), STDOUT_FILENO);
    dup2(fileno(file_), STDERR_FILENO);
  }
  ~JoinedStreams() {
    restore();
    std::fclose(file_);
  }
  std::string text() {
    restore();
    std::string all;
    std::rewind(file_);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0) all.append(buffer, n);
    return all;
  }

 private:
  void restore() {
    if (savedOut_ < 0) return;
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut_, STDOUT_FILENO);
    dup2(savedErr_, STDERR_FILENO);
    close(savedOut_);
    close(savedErr_);
    savedOut_ = savedErr_ = -1;
  }
  std::FILE* file_ = nullptr;
  int savedOut_ = -1, savedErr_ = -1;
};

}  // namespace

TEST(Output, ATableHasAlignedColumnsWithoutTrailingBlanks) {
  std::string text;
  Fe_appendTable(&text, "cells", {{"cell", "value"}, {"A1", "12345"}, {"LongName", ""}, {"", ""}});
  EXPECT_EQ(text,
            "\ncells\n"
            "  cell      value\n"
            "  A1        12345\n"
            "  LongName\n"
            "\n");
  // Columns count characters, not bytes, and an East Asian wide character
  // takes two: "Tür" is 3 columns (4 bytes), "東京" 4 (6 bytes).
  std::string wide;
  Fe_appendTable(&wide, "names", {{"name", "value"}, {"Tür", "0"}, {"Fenster", "31"}, {"東京", "7"}});
  EXPECT_EQ(wide,
            "\nnames\n"
            "  name     value\n"
            "  Tür      0\n"
            "  Fenster  31\n"
            "  東京     7\n");
  std::string none;
  Fe_appendTable(&none, "heading only", {{"cell", "value"}});
  EXPECT_EQ(none, "");
}

TEST(Output, ABlockComesAfterWhatWasHeldAndBeforeLaterMessages) {
  std::string block;
  for (int k = 0; k < 5000; ++k) block += "line " + std::to_string(k) + " of a long block\n";
  JoinedStreams joined;
  std::fputs("held by the stream ", stdout);   // no end of line: still in the buffer
  Fe_printBlock(block);
  std::fputs("a message\n", stderr);
  std::fputs("more output\n", stdout);
  EXPECT_EQ(joined.text(), "held by the stream " + block + "a message\nmore output\n");
}
