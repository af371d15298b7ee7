// Command-line front end: plays the add-in workbook that drives the library
// and offers the `corvan` commands (solve, analyse, models, engines, recalc).
#pragma once

// Runs one `corvan` command line; returns the process exit status.
int Fe_main(int argc, char** argv);
