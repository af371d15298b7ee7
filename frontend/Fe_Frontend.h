// Command-line front end: plays the add-in workbook that drives the library
// and offers the `corvan` subcommands (recalc, engines, solve, analyse).
#pragma once

// Runs one `corvan` command line; returns the process exit status.
int Fe_main(int argc, char** argv);

// `corvan recalc BOOK.xlsx` (argv as Fe_main gets it): recalculates the
// workbook and compares each formula cell with the value its file stores.
int Fe_recalc(int argc, char** argv);
