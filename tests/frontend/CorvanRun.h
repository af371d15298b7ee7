// Runs the `corvan` command as a user does, from the folder where no test
// plug-in engine sits beside its library, and keeps what it printed.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

struct CliRun {
  int status = -1;
  std::string out;   // standard output and standard error together
  bool has(const std::string& s) const { return out.find(s) != std::string::npos; }
};

inline CliRun corvan(const std::string& args) {
  std::string cmd = std::string(CORVAN_SOLVE_OUT) + "/corvan " + args + " 2>&1 </dev/null";
  CliRun r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  int raw = pclose(p);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}
