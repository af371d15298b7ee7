// Subcommand dispatch of the `corvan` command.
#include <cstdio>
#include <cstring>

#include "frontend/Fe_Frontend.h"
#include "frontend/Fe_Internal.h"

namespace {

void usage() {
  std::fprintf(stderr,
               "usage: corvan recalc BOOK.xlsx\n"
               "       corvan engines BOOK.xlsx\n"
               "       corvan solve BOOK.xlsx [--sheet NAME] [--engine N] [--out FILE]\n"
               "                              [--max-time S] [--on-limit continue|stop]\n"
               "       corvan analyse BOOK.xlsx\n");
}

}  // namespace

int Fe_main(int argc, char** argv) {
  if (argc < 2) {
    usage();
    return 2;
  }
  const char* cmd = argv[1];
  if (std::strcmp(cmd, "recalc") == 0) return Fe_recalc(argc, argv);
  if (std::strcmp(cmd, "engines") == 0) return Fe_engines(argc, argv);
  if (std::strcmp(cmd, "solve") == 0) return Fe_solve(argc, argv);
  if (std::strcmp(cmd, "analyse") == 0) return Fe_analyse(argc, argv);
  std::fprintf(stderr, "corvan: unknown command '%s'\n", cmd);
  usage();
  return 2;
}
