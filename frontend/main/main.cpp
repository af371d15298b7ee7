// The `corvan` command: see Fe_Frontend.h for its subcommands.
#include "frontend/Fe_Frontend.h"

int main(int argc, char** argv) { return Fe_main(argc, argv); }
